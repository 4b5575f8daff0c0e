// idxfilter search: finds indexed files by their text.
#pragma once

namespace idxfilter::cli {

// argv[0] is "search"; the rest are options and the query.
int SearchCommand(int argc, char** argv);

}  // namespace idxfilter::cli
