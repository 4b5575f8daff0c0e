#include "cli/progress_line.h"

#include <unistd.h>

#include <cstdio>

namespace idxfilter::cli {

ProgressLine::ProgressLine(std::uint64_t total)
    : enabled_(::isatty(STDERR_FILENO) == 1),
      total_(total),
      start_(std::chrono::steady_clock::now()),
      lastDrawn_(start_) {}

void ProgressLine::FileDone(std::uint64_t bytes, bool gaveNothing) {
    ++done_;
    bytes_ += bytes;
    if (gaveNothing) ++nothing_;
    if (!enabled_) return;
    auto now = std::chrono::steady_clock::now();
    if (now - lastDrawn_ < std::chrono::milliseconds(200) && done_ != total_) return;
    lastDrawn_ = now;
    Draw();
}

void ProgressLine::Draw() {
    double seconds = std::chrono::duration<double>(lastDrawn_ - start_).count();
    double megabytesPerSecond = seconds > 0 ? double(bytes_) / 1e6 / seconds : 0;
    std::fprintf(stderr, "\r\033[K%llu of %llu files, %.1f MB/s, %llu gave nothing",
                 (unsigned long long)done_, (unsigned long long)total_, megabytesPerSecond,
                 (unsigned long long)nothing_);
    std::fflush(stderr);
    shown_ = true;
}

void ProgressLine::Finish() {
    if (!shown_) return;
    std::fputs("\r\033[K", stderr);
    shown_ = false;
}

}  // namespace idxfilter::cli
