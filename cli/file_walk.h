// Listing the files below the paths given to the index command.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace idxfilter::cli {

struct WalkedFile {
    std::string path;  // absolute, as bytes
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool regular = true;  // false: a fifo, socket or device (never opened)
};

struct WalkResult {
    std::vector<WalkedFile> files;
    // Roots made absolute (see AbsolutePath); rows below them that were not
    // walked are gone.
    std::vector<std::string> roots;
    // Folders that could not be listed, with the reason. What lies below
    // them is unknown, so their rows are kept.
    std::vector<std::pair<std::string, std::string>> unreadableFolders;
    // Roots that do not exist: their rows are gone.
    std::vector<std::string> missingRoots;
};

// The path made absolute against the current folder and lexically
// normalised ("." and ".." segments, repeated and trailing slashes),
// without resolving symbolic links, so that the same file keeps the same
// name whatever folder the tool runs in.
std::string AbsolutePath(const std::string& path);

// Walks every root recursively. A root is followed if it is a symbolic
// link (it was named on purpose); inside the tree, symbolic links are
// skipped, so the walk never leaves the tree nor loops, and files reached
// through a link inside the tree are indexed under their own name anyway.
// Files whose device and inode are in `excluded` (the index itself) are
// left out.
WalkResult WalkTrees(const std::vector<std::string>& roots,
                     const std::vector<std::pair<std::uint64_t, std::uint64_t>>& excluded);

}  // namespace idxfilter::cli
