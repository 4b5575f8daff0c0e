#include "cli/failure_reason.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace idxfilter::cli {

std::string DescribeFailure(const std::string& path) {
    struct stat status;
    if (::stat(path.c_str(), &status) != 0) return "missing";
    if (S_ISDIR(status.st_mode)) return "a directory";
    if (!S_ISREG(status.st_mode)) return "not a regular file";
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "unreadable";
    ::close(fd);
    if (status.st_size == 0) return "empty";
    return "no text";
}

}  // namespace idxfilter::cli
