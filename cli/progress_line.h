// A progress line on standard error, redrawn in place, only when standard
// error is a terminal.
#pragma once

#include <chrono>
#include <cstdint>

namespace idxfilter::cli {

class ProgressLine {
public:
    explicit ProgressLine(std::uint64_t total);
    ~ProgressLine() { Finish(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;
    // Counts one finished file of `bytes` bytes; redraws at most five times
    // a second.
    void FileDone(std::uint64_t bytes, bool gaveNothing);
    // Erases the line (until the next file is counted).
    void Finish();

private:
    void Draw();

    bool enabled_;
    bool shown_ = false;
    std::uint64_t total_;
    std::uint64_t done_ = 0;
    std::uint64_t bytes_ = 0;
    std::uint64_t nothing_ = 0;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDrawn_;
};

}  // namespace idxfilter::cli
