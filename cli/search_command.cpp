#include "cli/search_command.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "cli/command_line.h"
#include "cli/index_database.h"

namespace idxfilter::cli {
namespace {

constexpr const char* kUsage =
    "usage: idxfilter search [--db FILE] [--limit N] QUERY...\n"
    "\n"
    "Prints the files of the index FILE (default idxfilter.db) whose text\n"
    "matches QUERY, best first (bm25), one per line: the path, a tab, and a\n"
    "snippet of the text with the matches in [brackets]. QUERY uses FTS5's\n"
    "syntax (words, \"phrases\", prefix*, AND, OR, NOT, NEAR(...)); several\n"
    "arguments are joined with spaces. --limit sets the most files printed\n"
    "(default 20).\n"
    "\n"
    "Exit status: 0 when some file matched, 1 when none did, 2 for a usage\n"
    "error, a missing or unusable index, or a query that FTS5 rejects.\n";

// Line breaks and tabs of the text would break the one-line-per-file
// output.
std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return line;
}

}  // namespace

int SearchCommand(int argc, char** argv) {
    std::string database = "idxfilter.db";
    unsigned long limit = 20;
    std::string query;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-') {
            if (!query.empty()) query.push_back(' ');
            query.append(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--db") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') return UsageError(kUsage, "--db needs a file");
            database = argv[++i];
        } else if (arg == "--limit") {
            if (i + 1 >= argc) return UsageError(kUsage, "--limit needs a number");
            if (!ParseNumber(argv[++i], 1, 1000000, limit))
                return UsageError(kUsage, "not a limit (1 to 1000000):", argv[i]);
        } else {
            return UsageError(kUsage, "unknown option:", argv[i]);
        }
    }
    if (query.empty()) return UsageError(kUsage, "no query given");

    std::vector<SearchHit> hits;
    try {
        IndexDatabase index = IndexDatabase::OpenForSearch(database);
        try {
            hits = index.Search(query, static_cast<int>(limit));
        } catch (const DatabaseError& error) {
            if (error.Code() != SQLITE_ERROR) throw;
            std::fprintf(stderr, "idxfilter: search: FTS5 rejected the query '%s': %s\n",
                         query.c_str(), error.what());
            return kExitUsage;
        }
    } catch (const DatabaseError& error) {
        std::fprintf(stderr, "idxfilter: search: %s: %s\n", database.c_str(),
                     ExplainDatabaseError(error).c_str());
        return kExitUsage;
    }
    for (const SearchHit& hit : hits) {
        std::string line = hit.path + '\t' + OneLine(hit.snippet) + '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    if (std::fflush(stdout) != 0) {
        std::perror("idxfilter: writing standard output");
        return kExitUsage;
    }
    return hits.empty() ? 1 : 0;
}

}  // namespace idxfilter::cli
