#include "cli/filter_input.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "cli/failure_reason.h"

namespace idxfilter::cli {
namespace {

int RetryOnInterrupt(auto call) {
    for (;;) {
        auto result = call();
        if (result >= 0 || errno != EINTR) return static_cast<int>(result);
    }
}

bool WriteAll(int fd, const char* bytes, std::size_t count) {
    while (count > 0) {
        ssize_t written = ::write(fd, bytes, count);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

// Copies what is left to read on `from` into `to`; 0 or the errno of the
// read or write that failed. `copied` counts the bytes.
int CopyStream(int from, int to, std::uint64_t& copied) {
    constexpr std::size_t kChunk = std::size_t{1} << 20;
    std::unique_ptr<char[]> chunk(new (std::nothrow) char[kChunk]);
    if (!chunk) return ENOMEM;
    copied = 0;
    for (;;) {
        ssize_t got = ::read(from, chunk.get(), kChunk);
        if (got == 0) return 0;
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (!WriteAll(to, chunk.get(), static_cast<std::size_t>(got))) return errno;
        copied += static_cast<std::uint64_t>(got);
    }
}

}  // namespace

FilterInput FilterInput::Failure(std::string reason) {
    FilterInput input;
    input.reason_ = std::move(reason);
    return input;
}

void FilterInput::Adopt(int fd) {
    fd_ = fd;
    path_ = "/proc/self/fd/" + std::to_string(fd);
}

FilterInput FilterInput::Open(const std::string& path) {
    // Devices and sockets are never opened: opening one can block, rewind
    // a tape or take a terminal.
    struct stat named;
    if (::stat(path.c_str(), &named) != 0) return Failure(ReasonForSystemError(errno));
    if (!S_ISREG(named.st_mode) && !S_ISFIFO(named.st_mode) && !S_ISDIR(named.st_mode))
        return Failure(ReasonForFileType(named.st_mode));
    int fd = RetryOnInterrupt([&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY); });
    if (fd < 0) return Failure(ReasonForSystemError(errno));
    struct stat status;
    if (::fstat(fd, &status) != 0) {
        int error = errno;
        ::close(fd);
        return Failure(ReasonForSystemError(error));
    }
    if (std::string reason = ReasonForFileType(status.st_mode); !reason.empty()) {
        ::close(fd);
        return Failure(std::move(reason));
    }
    // A pipe, a FIFO, or a file whose size the system does not know ahead
    // (most of /proc and /sys read 0 and still have content).
    if (!S_ISREG(status.st_mode) || status.st_size == 0) {
        FilterInput input = ReadStream(fd);
        ::close(fd);
        return input;
    }
    FilterInput input;
    input.Adopt(fd);
    return input;
}

FilterInput FilterInput::ReadStream(int fd) {
    int memory = ::memfd_create("idxfilter-input", MFD_CLOEXEC);
    if (memory < 0) return Failure(ReasonForSystemError(errno));
    std::uint64_t copied = 0;
    if (int error = CopyStream(fd, memory, copied); error != 0) {
        ::close(memory);
        return Failure(ReasonForSystemError(error));
    }
    FilterInput input;
    input.Adopt(memory);
    input.empty_ = copied == 0;
    return input;
}

FilterInput FilterInput::Nothing() {
    FilterInput input;
    input.empty_ = true;
    input.reason_ = "empty";
    return input;
}

FilterInput::FilterInput(FilterInput&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      reason_(std::move(other.reason_)),
      empty_(other.empty_) {}

FilterInput& FilterInput::operator=(FilterInput&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        reason_ = std::move(other.reason_);
        empty_ = other.empty_;
    }
    return *this;
}

FilterInput::~FilterInput() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace idxfilter::cli
