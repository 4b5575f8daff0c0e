#include "cli/search_command.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "cli/command_line.h"
#include "cli/index_database.h"
#include "cli/index_search.h"

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
    ArgumentReader args(argc, argv, "search");
    while (args.Next()) {
        if (args.IsOperand()) {
            if (!query.empty()) query.push_back(' ');
            query.append(args.Operand());
        } else if (args.Is("--help", "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (args.Is("--db")) {
            std::optional<std::string_view> file = args.Value();
            if (!file) return args.Failed();
            database = *file;
        } else if (args.Is("--limit")) {
            std::optional<unsigned long> number = args.Number(1, 1000000);
            if (!number) return args.Failed();
            limit = *number;
        } else {
            return args.Unknown();
        }
    }
    if (query.empty()) return UsageError("search", "no query given");

    std::vector<SearchHit> hits;
    try {
        IndexDatabase index = IndexDatabase::OpenForSearch(database);
        try {
            hits = SearchIndex(index, query, static_cast<int>(limit));
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
