#include "cli/output_stream.h"

#include <cerrno>
#include <cstring>

namespace idxfilter::cli {

void OutputStream::RecordError() {
    // A stream can fail without errno (a short write the library did not
    // explain); EIO stands for that.
    if (error_ == 0) error_ = errno != 0 ? errno : EIO;
}

bool OutputStream::Write(const char* bytes, std::size_t count) {
    if (error_ != 0) return false;
    if (count == 0) return true;
    errno = 0;
    if (std::fwrite(bytes, 1, count, stream_) != count || std::ferror(stream_)) {
        RecordError();
        return false;
    }
    return true;
}

bool OutputStream::Flush() {
    if (error_ != 0) return false;
    errno = 0;
    if (std::fflush(stream_) != 0 || std::ferror(stream_)) {
        RecordError();
        return false;
    }
    return true;
}

void ReportOutputFailure(const OutputStream& out) {
    if (!out.Failed() || out.Error() == EPIPE) return;
    std::fprintf(stderr, "idxfilter: writing standard output: %s\n", std::strerror(out.Error()));
}

}  // namespace idxfilter::cli
