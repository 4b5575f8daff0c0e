#include "platform/file_reading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace idxfilter {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd(fd) {}
    ~FileDescriptor() {
        if (fd >= 0) ::close(fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    const int fd;
};

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes, unsigned spareEighths) {
    bytes.clear();
    // Only a regular file is opened at all: opening a device can do things
    // of its own (a tape rewinds when it is closed).
    struct stat named;
    if (::stat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode)) return false;
    // Non-blocking, so that opening a FIFO without a writer cannot hang the
    // caller; only regular files are read, and for them the flag changes
    // nothing.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.fd < 0) return false;
    // What was opened is what is read: the name may have changed hands.
    struct stat status;
    if (::fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode)) return false;
    if (static_cast<std::uintmax_t>(status.st_size) >= bytes.max_size()) return false;
    SizeForReading(bytes, static_cast<std::size_t>(status.st_size), spareEighths);
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t got = ::read(file.fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            bytes.clear();
            return false;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return true;
}

}  // namespace idxfilter
