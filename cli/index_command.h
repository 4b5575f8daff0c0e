// idxfilter index: keeps an index of the text of files and folders.
#pragma once

namespace idxfilter::cli {

// argv[0] is "index"; the rest are options and paths.
int IndexCommand(int argc, char** argv);

}  // namespace idxfilter::cli
