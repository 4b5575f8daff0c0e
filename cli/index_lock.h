// One updating run per index at a time: an flock(2) on the index file
// itself, taken before SQLite opens it. On Linux flock locks are apart from
// the fcntl locks SQLite takes, so the two never interfere; the descriptor
// stays open until after SQLite has closed the file, since closing any
// descriptor of a file drops the process's fcntl locks on it.
#pragma once

#include <string>

namespace idxfilter::cli {

class IndexLock {
public:
    // Opens (creating, mode 0644 less the umask, when missing) and locks
    // `file`. Throws DatabaseError (SQLITE_BUSY) when another run holds
    // the lock, or the error of opening.
    explicit IndexLock(const std::string& file);
    ~IndexLock();
    IndexLock(const IndexLock&) = delete;
    IndexLock& operator=(const IndexLock&) = delete;

private:
    int fd_ = -1;
};

}  // namespace idxfilter::cli
