// Listing the files below the paths given to the index command.
//
// Every folder is opened relative to its parent's descriptor without
// following links, and each listed file and folder keeps the device and
// inode the walk saw, so that the file read later can be proved to be the
// one listed (walked_file_reader.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace idxfilter::cli {

// (device, inode)
using FileIdentity = std::pair<std::uint64_t, std::uint64_t>;

// A folder met by the walk. Folder 0 of a root is the root itself.
struct WalkedFolder {
    std::int32_t parent = -1;  // index in WalkResult::folders; -1 for a root
    std::int32_t root = -1;    // index in WalkResult::roots
    std::string name;          // the name in its parent; the absolute path for a root
    FileIdentity identity;
};

struct WalkedFile {
    std::string path;  // absolute, as bytes
    std::int32_t folder = -1;  // the folder holding it; -1: the file is a root itself
    std::int32_t root = -1;    // index in WalkResult::roots
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    FileIdentity identity;
    bool regular = true;  // false: a fifo, socket or device (never opened)

    // The name in its folder (the last component of `path`).
    std::string_view Name() const;
};

// A root given to the walk, made absolute (see AbsolutePath).
struct WalkedRoot {
    std::string path;
    // Open on the root folder for the walk and the reads after it; -1 when
    // the root is a file or could not be opened.
    int fd = -1;
    bool missing = false;    // does not exist (ENOENT, ENOTDIR)
    std::string error;       // why it cannot be read, when it exists but cannot
};

// A folder (or a root) whose content is not fully known: what lies below it
// keeps its entries.
struct FolderError {
    std::string path;
    std::string reason;
};

struct WalkOptions {
    // Files and folders whose identity is here are left out (the index).
    std::vector<FileIdentity> excluded;
    // fnmatch patterns: against the name, or, for one holding a '/',
    // against the path relative to the root.
    std::vector<std::string> excludeGlobs;
    // Polled between folders; true stops the walk (interrupted).
    bool (*stopRequested)() = nullptr;
};

struct WalkResult {
    WalkResult() = default;
    WalkResult(WalkResult&&) = default;
    WalkResult& operator=(WalkResult&&) = default;
    ~WalkResult();  // closes the roots' descriptors

    std::vector<WalkedRoot> roots;
    std::vector<WalkedFolder> folders;
    std::vector<WalkedFile> files;  // sorted by path, each once
    std::vector<FolderError> folderErrors;
    bool stopped = false;
};

// The path made absolute against the current folder and lexically
// normalised ("." and ".." segments, repeated and trailing slashes),
// without resolving symbolic links, so that the same file keeps the same
// name whatever folder the tool runs in.
std::string AbsolutePath(const std::string& path);

// Looks at each root given without walking it: made absolute, opened if it
// is a folder (a root that is a symbolic link is followed, it was named on
// purpose), marked missing or unreadable otherwise.
std::vector<WalkedRoot> OpenRoots(const std::vector<std::string>& given);

// Walks every root recursively. Inside the tree, symbolic links are
// skipped, so the walk never leaves the tree nor loops, and files reached
// through a link inside the tree are indexed under their own name anyway.
WalkResult WalkTrees(std::vector<WalkedRoot> roots, const WalkOptions& options);

// Whether `name` (with `relative`, its path below the root) matches one of
// the exclude patterns.
bool IsExcluded(const std::vector<std::string>& globs, std::string_view name,
                std::string_view relative);

}  // namespace idxfilter::cli
