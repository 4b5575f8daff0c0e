// idxfilter forget: removes the entries of paths (and everything below
// them) from the index, whether or not they still exist.
#pragma once

namespace idxfilter::cli {

// argv[0] is "forget"; the rest are options and paths.
int ForgetCommand(int argc, char** argv);

}  // namespace idxfilter::cli
