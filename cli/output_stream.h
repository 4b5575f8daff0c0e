// Standard output as the filter command writes it: every write checked, the
// first error kept, so that a full disk or a closed pipe ends the run with
// its own exit status instead of passing for a file without text.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>

namespace idxfilter::cli {

class OutputStream {
public:
    explicit OutputStream(std::FILE* stream) : stream_(stream) {}

    // Writes the bytes unless an earlier write failed; false on failure.
    bool Write(const char* bytes, std::size_t count);
    bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
    // Hands the buffered bytes to the system; false on failure.
    bool Flush();

    bool Failed() const { return error_ != 0; }
    // errno of the first failed write; 0 while none failed.
    int Error() const { return error_; }

private:
    void RecordError();

    std::FILE* stream_;
    int error_ = 0;
};

// Says on standard error why standard output could not be written, except
// for a closed pipe (EPIPE), which Unix tools leave unsaid.
void ReportOutputFailure(const OutputStream& out);

}  // namespace idxfilter::cli
