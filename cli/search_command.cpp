#include "cli/search_command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "cli/command_line.h"
#include "cli/index_database.h"
#include "cli/index_search.h"
#include "cli/query_translation.h"
#include "cli/search_output.h"

namespace idxfilter::cli {
namespace {

constexpr const char* kUsage =
    "usage: idxfilter search [--db FILE] [--limit N] [--json | -0] [--fts] QUERY...\n"
    "\n"
    "Prints the files of the index whose text matches QUERY, best first\n"
    "(bm25), one per line: the path (control characters and backslashes\n"
    "escaped as \\t, \\n, \\\\, \\xHH), a tab, and a snippet of about a dozen\n"
    "words from the first hit, the hits in [brackets].\n"
    "\n"
    "QUERY: words are searched as words, punctuation inside them included\n"
    "(e-mail, 12.5, don't, C++, http://x.org); case and accents do not\n"
    "matter. AND, OR and NOT (in capitals, between two terms), \"phrases\",\n"
    "prefix* and parentheses work as expected; words side by side must all\n"
    "match. Several arguments are joined with spaces. --fts passes QUERY to\n"
    "SQLite FTS5 unchanged (NEAR(a b, 5), column filters, ...). A query holds\n"
    "at most 256 terms and 64 KiB, and a search stops after 10 seconds.\n"
    "\n"
    "  --db FILE   the index (default: $IDXFILTER_DB, else\n"
    "              $XDG_DATA_HOME/idxfilter/index.db, else\n"
    "              ~/.local/share/idxfilter/index.db)\n"
    "  --limit N   print at most N files (default 20)\n"
    "  --json      one JSON object per file and line: path (path_base64 too\n"
    "              when the name is not UTF-8), title, score, snippet\n"
    "  -0          only the paths, exactly, each followed by a NUL (xargs -0)\n"
    "\n"
    "Exit status: 0 when some file matched, 1 when none did, 2 for a usage\n"
    "error, a missing or unusable index, or a query refused or stopped, 3\n"
    "when standard output could not be written.\n";

enum class Output { Plain, Json, Nul };

struct Options {
    std::string database = DefaultDatabasePath();
    unsigned long limit = 20;
    Output output = Output::Plain;
    bool raw = false;
    std::string query;
};

int WriteHits(const std::vector<SearchHit>& hits, Output output) {
    for (const SearchHit& hit : hits) {
        std::string bytes = output == Output::Json  ? JsonHitLine(hit)
                            : output == Output::Nul ? hit.path + '\0'
                                                    : PlainLine(hit);
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) break;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        if (errno != EPIPE) std::fprintf(stderr, "idxfilter: search: writing standard output: %s\n",
                                         std::strerror(errno));
        return kExitOutputFailed;
    }
    return hits.empty() ? kExitSomeFailed : kExitAllDelivered;
}

}  // namespace

int SearchCommand(int argc, char** argv) {
    Options options;
    ArgumentReader args(argc, argv, "search");
    while (args.Next()) {
        if (args.IsOperand()) {
            if (!options.query.empty()) options.query.push_back(' ');
            options.query.append(args.Operand());
        } else if (args.Is("--help", "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (args.Is("--db")) {
            std::optional<std::string_view> file = args.Value();
            if (!file) return args.Failed();
            options.database = *file;
        } else if (args.Is("--limit")) {
            std::optional<unsigned long> number = args.Number(1, 1000000);
            if (!number) return args.Failed();
            options.limit = *number;
        } else if (args.Is("--json") || args.Is("-0")) {
            Output output = args.Is("--json") ? Output::Json : Output::Nul;
            if (!args.NoValue()) return args.Failed();
            if (options.output != Output::Plain && options.output != output)
                return UsageError("search", "--json and -0 exclude each other");
            options.output = output;
        } else if (args.Is("--fts")) {
            if (!args.NoValue()) return args.Failed();
            options.raw = true;
        } else {
            return args.Unknown();
        }
    }
    if (options.query.empty()) return UsageError("search", "no query given");
    if (options.database.empty()) return UsageError("search", "no --db given and no HOME to find the index in");
    TranslatedQuery query = options.raw ? CheckRawQuery(options.query) : TranslateQuery(options.query);
    if (!query.error.empty()) return UsageError("search", query.error);

    std::vector<SearchHit> hits;
    try {
        IndexDatabase index = IndexDatabase::OpenForSearch(options.database);
        try {
            hits = SearchIndex(index, query.fts, static_cast<int>(options.limit));
        } catch (const DatabaseError& error) {
            if (error.Code() == SQLITE_INTERRUPT) {
                std::fprintf(stderr, "idxfilter: search: stopped after %d seconds\n", kSearchSeconds);
                return kExitUsage;
            }
            if (error.Code() != SQLITE_ERROR) throw;
            std::fprintf(stderr, "idxfilter: search: the query was refused (%s)\n", error.what());
            return kExitUsage;
        }
    } catch (const DatabaseError& error) {
        if (error.Code() == SQLITE_CANTOPEN && std::string_view(error.what()) == "no such file") {
            std::fprintf(stderr, "idxfilter: search: no index at %s (run idxfilter index first)\n",
                         options.database.c_str());
            return kExitUsage;
        }
        std::fprintf(stderr, "idxfilter: search: %s: %s\n", options.database.c_str(),
                     ExplainDatabaseError(error).c_str());
        return kExitUsage;
    }
    return WriteHits(hits, options.output);
}

}  // namespace idxfilter::cli
