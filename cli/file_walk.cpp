#include "cli/file_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

namespace idxfilter::cli {
namespace {

std::int64_t ModifiedNs(const struct stat& status) {
    return std::int64_t(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
}

FileIdentity IdentityOf(const struct stat& status) {
    return {std::uint64_t(status.st_dev), std::uint64_t(status.st_ino)};
}

// A folder being listed: its descriptor stays open while the folders
// below it are walked, since they are opened relative to it. The walk
// holds one descriptor per level of depth.
struct Frame {
    std::int32_t folder;
    int fd;
    std::string path;      // absolute
    std::string relative;  // below the root; empty for the root
    std::vector<std::pair<std::string, FileIdentity>> subfolders;
    std::size_t next = 0;
};

class Walker {
public:
    Walker(WalkResult& result, const WalkOptions& options) : result_(result), options_(options) {}

    void WalkRoot(std::int32_t rootIndex) {
        WalkedRoot& root = result_.roots[rootIndex];
        struct stat status;
        if (::fstat(root.fd, &status) != 0) {
            result_.folderErrors.push_back({root.path, std::strerror(errno)});
            return;
        }
        std::int32_t folder = AddFolder(-1, rootIndex, root.path, IdentityOf(status));
        int fd = ::dup(root.fd);
        if (fd < 0) {
            result_.folderErrors.push_back({root.path, std::strerror(errno)});
            return;
        }
        std::vector<Frame> stack;
        stack.push_back({folder, fd, root.path, {}, {}, 0});
        if (!List(stack.back(), rootIndex)) Pop(stack);
        while (!stack.empty()) {
            if (options_.stopRequested && options_.stopRequested()) {
                result_.stopped = true;
                while (!stack.empty()) Pop(stack);
                return;
            }
            Frame& frame = stack.back();
            if (frame.next == frame.subfolders.size()) {
                Pop(stack);
                continue;
            }
            auto [name, listed] = frame.subfolders[frame.next++];
            std::string path = (frame.path == "/" ? "" : frame.path) + '/' + name;
            std::string relative = frame.relative.empty() ? name : frame.relative + '/' + name;
            std::optional<Frame> child = Enter(frame, rootIndex, name, listed, path, relative);
            if (!child) continue;
            stack.push_back(std::move(*child));
            if (!List(stack.back(), rootIndex)) Pop(stack);
        }
    }

    void AddRootFile(std::int32_t rootIndex, const struct stat& status) {
        AddFile(result_.roots[rootIndex].path, -1, rootIndex, status);
    }

private:
    std::int32_t AddFolder(std::int32_t parent, std::int32_t root, std::string name,
                           FileIdentity identity) {
        result_.folders.push_back({parent, root, std::move(name), identity});
        return std::int32_t(result_.folders.size() - 1);
    }

    void AddFile(std::string path, std::int32_t folder, std::int32_t root,
                 const struct stat& status) {
        if (IsIndexFile(status)) return;
        result_.files.push_back({std::move(path), folder, root, std::int64_t(status.st_size),
                                 ModifiedNs(status), IdentityOf(status),
                                 S_ISREG(status.st_mode)});
    }

    bool IsIndexFile(const struct stat& status) const {
        return std::find(options_.excluded.begin(), options_.excluded.end(),
                         IdentityOf(status)) != options_.excluded.end();
    }

    // Opens a subfolder relative to its parent, without following a link
    // that may have replaced it since it was listed.
    std::optional<Frame> Enter(const Frame& parent, std::int32_t root, const std::string& name,
                               FileIdentity listed, const std::string& path,
                               const std::string& relative) {
        int fd = ::openat(parent.fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENOENT) return std::nullopt;  // gone since the listing
            std::string reason = errno == ELOOP || errno == ENOTDIR ? "replaced while indexing"
                                                                    : std::strerror(errno);
            result_.folderErrors.push_back({path, "cannot list the folder: " + reason});
            return std::nullopt;
        }
        struct stat status;
        if (::fstat(fd, &status) != 0 || IdentityOf(status) != listed) {
            ::close(fd);
            result_.folderErrors.push_back({path, "cannot open the folder: replaced while indexing"});
            return std::nullopt;
        }
        std::int32_t folder = AddFolder(parent.folder, root, name, listed);
        return Frame{folder, fd, path, relative, {}, 0};
    }

    // Reads the frame's folder: files are added, subfolders kept for the
    // walk. False when the folder cannot be listed (recorded).
    bool List(Frame& frame, std::int32_t root) {
        int listFd = ::dup(frame.fd);
        DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
        if (!dir) {
            result_.folderErrors.push_back(
                {frame.path, std::string("cannot list the folder: ") + std::strerror(errno)});
            if (listFd >= 0) ::close(listFd);
            return false;
        }
        std::string prefix = frame.path == "/" ? "/" : frame.path + '/';
        bool entered = true;
        errno = 0;
        while (dirent* entry = ::readdir(dir)) {
            const char* name = entry->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
            if (entry->d_type == DT_LNK) continue;
            std::string relative = frame.relative.empty() ? name : frame.relative + '/' + name;
            if (IsExcluded(options_.excludeGlobs, name, relative)) continue;
            struct stat status;
            if (::fstatat(frame.fd, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
                // Gone since the listing is fine; a folder that can be listed
                // but not entered (no search permission) hides what it holds.
                if (errno != ENOENT && entered) {
                    entered = false;
                    result_.folderErrors.push_back(
                        {frame.path,
                         std::string("cannot enter the folder: ") + std::strerror(errno)});
                }
                errno = 0;
                continue;
            }
            if (S_ISLNK(status.st_mode)) continue;
            if (S_ISDIR(status.st_mode)) {
                if (!IsIndexFile(status)) frame.subfolders.emplace_back(name, IdentityOf(status));
            } else {
                AddFile(prefix + name, frame.folder, root, status);
            }
            errno = 0;
        }
        if (errno != 0 && entered)
            result_.folderErrors.push_back(
                {frame.path, std::string("cannot list the folder: ") + std::strerror(errno)});
        ::closedir(dir);
        return true;
    }

    static void Pop(std::vector<Frame>& stack) {
        ::close(stack.back().fd);
        stack.pop_back();
    }

    WalkResult& result_;
    const WalkOptions& options_;
};

}  // namespace

std::string_view WalkedFile::Name() const {
    std::string_view whole(path);
    return whole.substr(whole.rfind('/') + 1);
}

WalkResult::~WalkResult() {
    for (WalkedRoot& root : roots)
        if (root.fd >= 0) ::close(root.fd);
}

std::string AbsolutePath(const std::string& path) {
    std::filesystem::path absolute = std::filesystem::absolute(path).lexically_normal();
    std::string text = absolute.native();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

bool IsExcluded(const std::vector<std::string>& globs, std::string_view name,
                std::string_view relative) {
    for (const std::string& glob : globs) {
        bool byPath = glob.find('/') != std::string::npos;
        std::string subject(byPath ? relative : name);
        if (::fnmatch(glob.c_str(), subject.c_str(), byPath ? FNM_PATHNAME : 0) == 0) return true;
    }
    return false;
}

std::vector<WalkedRoot> OpenRoots(const std::vector<std::string>& given) {
    std::vector<WalkedRoot> roots;
    for (const std::string& path : given) {
        WalkedRoot root;
        root.path = AbsolutePath(path);
        struct stat status;
        if (::stat(root.path.c_str(), &status) != 0) {
            if (errno == ENOENT || errno == ENOTDIR)
                root.missing = true;
            else
                root.error = errno == ELOOP ? "link loop" : std::strerror(errno);
        } else if (S_ISDIR(status.st_mode)) {
            root.fd = ::open(root.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (root.fd < 0) root.error = std::strerror(errno);
        }
        roots.push_back(std::move(root));
    }
    return roots;
}

WalkResult WalkTrees(std::vector<WalkedRoot> roots, const WalkOptions& options) {
    WalkResult result;
    result.roots = std::move(roots);
    Walker walker(result, options);
    for (std::size_t i = 0; i < result.roots.size() && !result.stopped; ++i) {
        const WalkedRoot& root = result.roots[i];
        if (root.missing) continue;
        if (!root.error.empty()) {
            result.folderErrors.push_back({root.path, "cannot read: " + root.error});
            continue;
        }
        if (root.fd >= 0) {
            walker.WalkRoot(std::int32_t(i));
            continue;
        }
        struct stat status;
        if (::stat(root.path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode))
            walker.AddRootFile(std::int32_t(i), status);
        else
            result.folderErrors.push_back({root.path, "changed while indexing"});
    }
    // A file named twice (or inside two roots given) is filtered once.
    std::sort(result.files.begin(), result.files.end(),
              [](const WalkedFile& a, const WalkedFile& b) { return a.path < b.path; });
    result.files.erase(std::unique(result.files.begin(), result.files.end(),
                                   [](const WalkedFile& a, const WalkedFile& b) {
                                       return a.path == b.path;
                                   }),
                       result.files.end());
    return result;
}

}  // namespace idxfilter::cli
