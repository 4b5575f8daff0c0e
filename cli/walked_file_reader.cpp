#include "cli/walked_file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#include "cli/library_reading.h"
#include "cli/stored_text_limit.h"

namespace idxfilter::cli {
namespace {

constexpr int kFileFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

FileIdentity IdentityOf(const struct stat& status) {
    return {std::uint64_t(status.st_dev), std::uint64_t(status.st_ino)};
}

std::string ProcFdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// Whether /proc/self/fd/N opens the file open on N (a mounted /proc).
bool ProcFdWorks() {
    int fd = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat direct, through;
    bool works = ::fstat(fd, &direct) == 0 && ::stat(ProcFdPath(fd).c_str(), &through) == 0 &&
                 IdentityOf(direct) == IdentityOf(through);
    ::close(fd);
    return works;
}

// The last folder a thread read from, open, so that the files of one
// folder cost one open each.
struct FolderCache {
    const WalkResult* walk = nullptr;
    std::int32_t folder = -1;
    int fd = -1;

    ~FolderCache() { Forget(); }
    void Forget() {
        if (fd >= 0) ::close(fd);
        fd = -1;
        folder = -1;
    }
};
thread_local FolderCache folderCache;

struct FolderOpening {
    int fd = -1;
    int error = 0;  // errno, or 0 with fd -1: a folder is not the one listed
};

// Opens `folder` again from its root's descriptor, one component at a
// time, each checked against the walk's listing.
FolderOpening OpenFolder(const WalkResult& walk, std::int32_t folder) {
    std::vector<std::int32_t> chain;
    for (std::int32_t f = folder; walk.folders[f].parent >= 0; f = walk.folders[f].parent)
        chain.push_back(f);
    const WalkedFolder& top = walk.folders[chain.empty() ? folder : walk.folders[chain.back()].parent];
    int fd = ::dup(walk.roots[top.root].fd);
    if (fd < 0) return {-1, errno};
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const WalkedFolder& step = walk.folders[*it];
        int next = ::openat(fd, step.name.c_str(), kFolderFlags);
        int error = errno;
        ::close(fd);
        if (next < 0) return {-1, error == ELOOP || error == ENOTDIR ? 0 : error};
        struct stat status;
        if (::fstat(next, &status) != 0 || IdentityOf(status) != step.identity) {
            ::close(next);
            return {-1, 0};
        }
        fd = next;
    }
    return {fd, 0};
}

void Fail(FileRecord& record, std::string reason, bool transient = false) {
    record.result = -1;
    record.reason = std::move(reason);
    record.transient = transient;
    record.text.clear();
    record.title.clear();
    record.author.clear();
    record.truncated = false;
}

// A file of size 0 that the filter found nothing in: empty, or one whose
// size says nothing (as in /proc).
std::string NoTextReason(int fd, const struct stat& status) {
    if (status.st_size != 0) return "no text";
    char byte;
    return ::pread(fd, &byte, 1, 0) == 1 ? "no text" : "empty";
}

}  // namespace

OpenFailure DescribeOpenFailure(int error) {
    switch (error) {
    case ENOENT:
        return {"missing"};
    case EACCES:
    case EPERM:
        // The permission may be granted later: retried on the next run.
        return {"permission denied", true};
    case ELOOP:
        return {"link"};
    case EMFILE:
    case ENFILE:
    case ENOMEM:
    case EIO:
    case EAGAIN:
    case EINTR:
        return {std::strerror(error), true};
    default:
        return {std::strerror(error)};
    }
}

WalkedFileReader::WalkedFileReader(const WalkResult& walk, const ReadingOptions& reading)
    : walk_(walk), reading_(reading), procFdWorks_(ProcFdWorks()) {}

void WalkedFileReader::Read(const WalkedFile& file, FileRecord& record) const {
    record.path = file.path;
    record.size = file.size;
    record.modifiedNs = file.modifiedNs;
    try {
        if (!file.regular) {
            // A fifo would block the filter's read; devices are no documents.
            return Fail(record, "not a regular file");
        }
        if (!procFdWorks_)
            return Fail(record, "cannot read through /proc/self/fd (is /proc mounted?)", true);
        int fd;
        if (file.folder < 0) {
            // A root given as a file: named on purpose, a link is followed.
            fd = ::open(file.path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        } else {
            if (folderCache.walk != &walk_ || folderCache.folder != file.folder) {
                folderCache.Forget();
                FolderOpening folder = OpenFolder(walk_, file.folder);
                if (folder.fd < 0) {
                    if (folder.error == 0) return Fail(record, "replaced while indexing");
                    OpenFailure failure = DescribeOpenFailure(folder.error);
                    return Fail(record, failure.reason, failure.transient);
                }
                folderCache.walk = &walk_;
                folderCache.folder = file.folder;
                folderCache.fd = folder.fd;
            }
            fd = ::openat(folderCache.fd, std::string(file.Name()).c_str(), kFileFlags);
        }
        if (fd < 0) {
            OpenFailure failure = DescribeOpenFailure(errno);
            return Fail(record, failure.reason, failure.transient);
        }
        ReadOpened(fd, file, record);
        ::close(fd);
    } catch (const std::bad_alloc&) {
        Fail(record, "out of memory", true);
    }
}

void WalkedFileReader::ReadOpened(int fd, const WalkedFile& file, FileRecord& record) const {
    struct stat status;
    if (::fstat(fd, &status) != 0) {
        OpenFailure failure = DescribeOpenFailure(errno);
        return Fail(record, failure.reason, failure.transient);
    }
    if (!S_ISREG(status.st_mode)) return Fail(record, "not a regular file");
    if (IdentityOf(status) != file.identity) return Fail(record, "replaced while indexing");

    ReadText(fd, status, record);
}

void WalkedFileReader::ReadText(int fd, const struct stat& status, FileRecord& record) const {
    LibraryText read = ReadThroughLibrary(ProcFdPath(fd), reading_, TextForm::Utf8);
    if (read.result >= 0) {
        record.result = read.result;
        record.reason.clear();
        record.transient = false;
        record.text = std::move(read.text);
        record.truncated = TruncateUtf8(record.text, StoredTextLimit());
        for (DocumentProperty& property : read.properties) {
            if (property.name == "title") record.title = std::move(property.value);
            if (property.name == "author") record.author = std::move(property.value);
        }
        return;
    }
    switch (read.reason) {
    case IDX_REASON_OUT_OF_MEMORY:
        return Fail(record, "out of memory", true);
    case IDX_REASON_TOO_LARGE:
        return Fail(record, "too large");
    case IDX_REASON_BINARY:
        return Fail(record, "binary");
    case IDX_REASON_NO_TEXT:
    case IDX_REASON_UNREADABLE:
        return Fail(record, NoTextReason(fd, status));
    default:
        return Fail(record, "the filter failed");
    }
}

}  // namespace idxfilter::cli
