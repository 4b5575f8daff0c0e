// One file as the filter command hands it to the filter: opened by the
// tool itself (so that a failure is named by its own errno) and passed as
// "/proc/self/fd/N", the very file that was opened. A stream (standard
// input, a pipe, a FIFO, a /proc file whose size reads 0) is first read
// into an anonymous in-memory file, which the filter then reads like any
// other; nothing is written to disk.
#pragma once

#include <cstdint>
#include <string>

namespace idxfilter::cli {

class FilterInput {
public:
    // The file at `path`, links followed. Opening a FIFO waits for a
    // writer, as cat(1) does.
    static FilterInput Open(const std::string& path);
    // The rest of the stream on descriptor `fd` (standard input: 0),
    // read now; `fd` itself stays open.
    static FilterInput ReadStream(int fd);
    // An input that holds no bytes (standard input named a second time).
    static FilterInput Nothing();

    FilterInput(FilterInput&& other) noexcept;
    FilterInput& operator=(FilterInput&& other) noexcept;
    FilterInput(const FilterInput&) = delete;
    FilterInput& operator=(const FilterInput&) = delete;
    ~FilterInput();

    // Empty when the filter can be given Path(); else why not.
    const std::string& Reason() const { return reason_; }
    // What to pass to the filter while this input lives.
    const std::string& Path() const { return path_; }
    // The input is known to hold no bytes.
    bool Empty() const { return empty_; }

private:
    FilterInput() = default;
    static FilterInput Failure(std::string reason);
    void Adopt(int fd);

    int fd_ = -1;
    std::string path_;
    std::string reason_;
    bool empty_ = false;
};

}  // namespace idxfilter::cli
