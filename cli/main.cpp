// idxfilter: runs the filter on files and writes the text it delivers, or
// keeps it in a searchable index (the index and search commands).
#include <cstring>

#include "cli/filter_command.h"
#include "cli/forget_command.h"
#include "cli/index_command.h"
#include "cli/large_buffers.h"
#include "cli/search_command.h"

int main(int argc, char** argv) {
    using namespace idxfilter::cli;
    TuneAllocatorForLargeBuffers();
    if (argc >= 2 && std::strcmp(argv[1], "index") == 0) return IndexCommand(argc - 1, argv + 1);
    if (argc >= 2 && std::strcmp(argv[1], "search") == 0) return SearchCommand(argc - 1, argv + 1);
    if (argc >= 2 && std::strcmp(argv[1], "forget") == 0) return ForgetCommand(argc - 1, argv + 1);
    return FilterCommand(argc, argv);
}
