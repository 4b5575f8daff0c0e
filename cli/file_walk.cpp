#include "cli/file_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace idxfilter::cli {
namespace {

std::int64_t ModifiedNs(const struct stat& status) {
    return std::int64_t(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
}

class Walker {
public:
    Walker(WalkResult& result, const std::vector<std::pair<std::uint64_t, std::uint64_t>>& excluded)
        : result_(result), excluded_(excluded) {}

    void Add(const std::string& path, const struct stat& status) {
        if (std::find(excluded_.begin(), excluded_.end(),
                      std::pair<std::uint64_t, std::uint64_t>(status.st_dev, status.st_ino)) !=
            excluded_.end())
            return;
        result_.files.push_back(
            {path, std::int64_t(status.st_size), ModifiedNs(status), S_ISREG(status.st_mode)});
    }

    // Folders are read through descriptors relative to their parent, with
    // an explicit stack: deep trees cost memory, not stack.
    void WalkFolder(const std::string& root) {
        std::vector<std::string> pending{root};
        // The root may be a link; below it, a folder replaced by a link
        // between listing and opening is not entered.
        int noFollow = 0;
        while (!pending.empty()) {
            std::string folder = std::move(pending.back());
            pending.pop_back();
            int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | noFollow | O_CLOEXEC);
            noFollow = O_NOFOLLOW;
            DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
            if (!dir) {
                result_.unreadableFolders.emplace_back(folder, std::strerror(errno));
                if (fd >= 0) ::close(fd);
                continue;
            }
            std::string prefix = folder == "/" ? folder : folder + '/';
            while (dirent* entry = ::readdir(dir)) {
                const char* name = entry->d_name;
                if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
                if (entry->d_type == DT_LNK) continue;
                struct stat status;
                if (::fstatat(::dirfd(dir), name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
                if (S_ISLNK(status.st_mode)) continue;
                if (S_ISDIR(status.st_mode))
                    pending.push_back(prefix + name);
                else
                    Add(prefix + name, status);
            }
            ::closedir(dir);
        }
    }

private:
    WalkResult& result_;
    const std::vector<std::pair<std::uint64_t, std::uint64_t>>& excluded_;
};

}  // namespace

std::string AbsolutePath(const std::string& path) {
    std::filesystem::path absolute = std::filesystem::absolute(path).lexically_normal();
    std::string text = absolute.native();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

WalkResult WalkTrees(const std::vector<std::string>& roots,
                     const std::vector<std::pair<std::uint64_t, std::uint64_t>>& excluded) {
    WalkResult result;
    Walker walker(result, excluded);
    for (const std::string& given : roots) {
        std::string root = AbsolutePath(given);
        result.roots.push_back(root);
        struct stat status;
        if (::stat(root.c_str(), &status) != 0) {
            if (errno == ENOENT || errno == ENOTDIR)
                result.missingRoots.push_back(root);
            else
                result.unreadableFolders.emplace_back(root, std::strerror(errno));
            continue;
        }
        if (S_ISDIR(status.st_mode))
            walker.WalkFolder(root);
        else
            walker.Add(root, status);
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
