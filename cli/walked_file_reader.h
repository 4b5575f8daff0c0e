// Reading a file the walk listed, and only that file: it is opened
// relative to its folder's descriptor without following links, every
// folder on the way is checked to be the one listed, and the file must be
// the regular file listed (same device and inode). The filter reads it
// through that open descriptor (/proc/self/fd/N), never through its path,
// so a file or folder swapped for a link after the listing cannot bring
// another file's text into the index.
#pragma once

#include "cli/file_walk.h"
#include "cli/index_database.h"
#include "cli/reading_options.h"

struct stat;

namespace idxfilter::cli {

class WalkedFileReader {
public:
    WalkedFileReader(const WalkResult& walk, const ReadingOptions& reading);

    // Filters `file` into `record` (path, size and time included). Safe to
    // call from several threads at once; each thread keeps the descriptor
    // of the last folder it read from. Never throws: running out of memory
    // is recorded as the transient reason "out of memory".
    void Read(const WalkedFile& file, FileRecord& record) const;

private:
    void ReadOpened(int fd, const WalkedFile& file, FileRecord& record) const;
    void ReadText(int fd, const struct stat& status, FileRecord& record) const;

    const WalkResult& walk_;
    const ReadingOptions reading_;
    bool procFdWorks_;
};

// The reason for a failed open(2) of a walked file, and whether it is
// worth retrying on the next run.
struct OpenFailure {
    std::string reason;
    bool transient = false;
};
OpenFailure DescribeOpenFailure(int error);

}  // namespace idxfilter::cli
