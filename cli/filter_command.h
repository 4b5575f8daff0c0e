// The tool's default command: filter the files named and write their text
// (or one JSON line per file) to standard output, in argument order.
#pragma once

namespace idxfilter::cli {

// argv[0] is the program; everything after it is options and files.
int FilterCommand(int argc, char** argv);

}  // namespace idxfilter::cli
