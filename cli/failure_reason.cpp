#include "cli/failure_reason.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace idxfilter::cli {

std::string ReasonForSystemError(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:  // a component of the path is not a folder
            return "missing";
        case EACCES:
        case EPERM:
            return "permission denied";
        case ELOOP:
            return "link loop";
        case EISDIR:
            return "a directory";
        case ENXIO:  // a socket, or a device that is not there
        case ENODEV:
            return "not a regular file";
        case ENOMEM:
        case ENOSPC:  // the in-memory copy of a stream found no room
            return "out of memory";
        case EMFILE:
        case ENFILE:
            return "too many open files";
        case ENAMETOOLONG:
            return "name too long";
        default:
            return std::string("unreadable (") + std::strerror(error) + ")";
    }
}

std::string ReasonForFileType(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISREG(mode) || S_ISFIFO(mode)) return {};
    return "not a regular file";
}

std::string ReasonForLibraryFailure(int reason, ReaderChoice reader, bool empty) {
    switch (reason) {
        case IDX_REASON_BINARY:
            return "binary";
        case IDX_REASON_OUT_OF_MEMORY:
            return "out of memory";
        case IDX_REASON_TOO_LARGE:
            return "too large";
        case IDX_REASON_UNREADABLE:
            if (reader == ReaderChoice::Complete) return "unreadable";
            break;
        case IDX_REASON_NO_TEXT:
            break;
        default:
            return "filter error";
    }
    return empty ? "empty" : "no text";
}

}  // namespace idxfilter::cli
