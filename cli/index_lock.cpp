#include "cli/index_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/sqlite_statement.h"

namespace idxfilter::cli {

IndexLock::IndexLock(const std::string& file) {
    fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
    // A read-only index is still locked; SQLite then reports it read-only.
    if (fd_ < 0 && (errno == EACCES || errno == EROFS))
        fd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) throw DatabaseError(std::strerror(errno), SQLITE_CANTOPEN);
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        int error = errno;
        ::close(fd_);
        fd_ = -1;
        if (error == EWOULDBLOCK)
            throw DatabaseError("another idxfilter run is updating it", SQLITE_BUSY);
        throw DatabaseError(std::strerror(error), SQLITE_CANTOPEN);
    }
}

IndexLock::~IndexLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace idxfilter::cli
