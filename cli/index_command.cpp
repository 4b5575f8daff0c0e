#include "cli/index_command.h"

#include <sys/stat.h>

#include <exception>
#include <cstdio>
#include <map>
#include <set>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/file_filter.h"
#include "cli/file_walk.h"
#include "cli/index_database.h"
#include "cli/parallel_filter.h"
#include "cli/index_lock.h"
#include "cli/interrupt_request.h"
#include "cli/progress_line.h"
#include "cli/reading_options.h"
#include "cli/walked_file_reader.h"
#include "version.h"

namespace idxfilter::cli {
namespace {

constexpr const char* kUsage =
    "usage: idxfilter index [--db FILE] [--jobs N] [--exact | --complete] [--ansi-codepage N|auto]\n"
    "                       [--force] [--prune] [--exclude GLOB]... PATH...\n"
    "\n"
    "Filters the files below each PATH (recursively; symbolic links inside the\n"
    "folders are not followed, a PATH that is a link is) and keeps path, size,\n"
    "modification time, the filter's result, the settings, the text and the\n"
    "document's title and author (searched too) in the index FILE (default:\n"
    "$IDXFILTER_DB, else $XDG_DATA_HOME/idxfilter/index.db,\n"
    "else ~/.local/share/idxfilter/index.db; its folders are made, mode 0700).\n"
    "Run again, it filters only files whose size, time or settings changed and\n"
    "files that failed for a passing reason, and removes files that vanished\n"
    "from a folder it could list. A text is kept up to 256 MiB of UTF-8 (cut on\n"
    "a character, flagged truncated). Only one run updates an index at a time.\n"
    "\n"
    "  --force          filter every file again\n"
    "  --prune          also remove the entries below PATHs that are missing\n"
    "  --exclude GLOB   leave out files and folders whose name (or, for a GLOB\n"
    "                   with '/', path below PATH) matches; repeatable\n"
    "  --jobs N         filter N files at once (default: the number of cores)\n"
    "  --complete       the complete reader (the default; see idxfilter --help)\n"
    "  --exact          the text of the library's export idx_filter\n"
    "  --ansi-codepage N|auto  the ANSI code page (default 1252; auto: guessed\n"
    "                   for each legacy plain text)\n"
    "\n"
    "Exit status: 0 every filtered file delivered text; 1 some file delivered\n"
    "nothing (recorded, named on standard error); 2 a usage error, an index\n"
    "that cannot be used (locked, read-only, damaged, foreign, newer format),\n"
    "or a PATH missing or unreadable or a folder that cannot be listed or\n"
    "entered (its entries kept); 130/143 interrupted by SIGINT/SIGTERM after\n"
    "committing the files finished.\n";

// A batch is committed after this many files or this much text, whichever
// comes first: large enough that commits cost little, small enough that an
// interrupted run keeps most of its work.
constexpr std::size_t kBatchFiles = 2000;
constexpr std::size_t kBatchTextBytes = 16 << 20;  // fits the page cache (index_database.cpp)

struct Options {
    std::string database;
    unsigned jobs = DefaultJobs();
    bool force = false;
    bool prune = false;
    ReadingOptions reading;
    std::vector<std::string> excludes;
    std::vector<std::string> paths;
};

// The index file and the files SQLite keeps beside it, as (device, inode),
// so that indexing the folder that holds the index leaves them out.
std::vector<FileIdentity> IndexFiles(const std::string& database) {
    std::vector<FileIdentity> files;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        struct stat status;
        if (::stat((database + suffix).c_str(), &status) == 0)
            files.emplace_back(status.st_dev, status.st_ino);
    }
    return files;
}

// The default index's folders, private to the user (0700) when made here.
void CreateParentFolders(const std::string& file) {
    for (std::size_t slash = file.find('/', 1); slash != std::string::npos;
         slash = file.find('/', slash + 1))
        ::mkdir(file.substr(0, slash).c_str(), 0700);
}

struct Summary {
    std::size_t filtered = 0;
    std::size_t unchanged = 0;
    std::size_t removed = 0;
    std::map<std::string, std::size_t> failures;  // by reason
    std::size_t failed = 0;
};

void PrintSummary(const Summary& summary, const WalkResult& walk) {
    std::string line = "idxfilter: index: " + std::to_string(summary.filtered) +
                       " filtered, " + std::to_string(summary.unchanged) + " unchanged, " +
                       std::to_string(summary.removed) + " removed; " +
                       std::to_string(summary.failed) + " gave nothing";
    if (summary.failed > 0) {
        std::string reasons;
        for (const auto& [reason, count] : summary.failures)
            reasons += (reasons.empty() ? "" : ", ") + std::to_string(count) + " " + reason;
        line += " (" + reasons + ")";
    }
    if (!walk.folderErrors.empty())
        line += "; " + std::to_string(walk.folderErrors.size()) + " folders unreadable";
    std::fprintf(stderr, "%s\n", line.c_str());
}

// Whether a stored file must be filtered again.
bool NeedsFiltering(const StoredFile& row, const WalkedFile& file,
                    const FilterSettings& settings, bool force) {
    return force || row.size != file.size || row.modifiedNs != file.modifiedNs ||
           row.transient || row.reason == "unreadable" || row.reason == "permission denied" ||
           row.reader != settings.reader || row.ansiCodePage != settings.ansiCodePage ||
           row.toolVersion != settings.toolVersion;
}

struct Interrupted {};

bool BelowAny(const std::set<std::string>& folders, const std::string& path) {
    for (std::size_t slash = path.size(); slash != std::string::npos && slash > 0;
         slash = path.rfind('/', slash - 1))
        if (folders.count(path.substr(0, slash))) return true;
    return folders.count("/") > 0;
}

int RunIndex(const Options& options) {
    std::vector<WalkedRoot> roots = OpenRoots(options.paths);
    bool rootProblem = false, anyUsable = false;
    std::vector<std::string> missing;
    for (const WalkedRoot& root : roots) {
        if (root.missing) {
            missing.push_back(root.path);
            std::fprintf(stderr, "idxfilter: index: %s: missing (%s)\n", root.path.c_str(),
                         options.prune ? "its entries are removed" : "its entries are kept");
            if (!options.prune) rootProblem = true;
        } else if (!root.error.empty()) {
            rootProblem = true;
        } else {
            anyUsable = true;
        }
    }
    if (!anyUsable && !(options.prune && !missing.empty())) {
        for (const WalkedRoot& root : roots)
            if (!root.error.empty())
                std::fprintf(stderr, "idxfilter: index: %s: cannot read (%s); entries kept\n",
                             root.path.c_str(), root.error.c_str());
        return kExitUsage;
    }
    CatchInterrupts();
    IndexLock lock(options.database);
    IndexDatabase database = IndexDatabase::OpenForUpdate(options.database);
    FilterSettings settings{ReaderName(options.reading.reader), RecordedCodePage(options.reading),
                            IDXFILTER_VERSION_TEXT};
    WalkOptions walkOptions{IndexFiles(options.database), options.excludes, InterruptRequested};
    WalkResult walk = WalkTrees(std::move(roots), walkOptions);
    if (walk.stopped) {
        std::fprintf(stderr, "idxfilter: index: interrupted: 0 files committed\n");
        return InterruptExitStatus();
    }
    std::set<std::string> hidden;
    for (const FolderError& error : walk.folderErrors) {
        std::fprintf(stderr, "idxfilter: index: %s: %s; entries kept\n", error.path.c_str(),
                     error.reason.c_str());
        hidden.insert(error.path);
    }
    std::vector<std::string> walkedRoots;
    for (const WalkedRoot& root : walk.roots)
        if (!root.missing) walkedRoots.push_back(root.path);
    std::unordered_map<std::string, StoredFile> stored = database.FilesUnder(walkedRoots);
    Summary summary;
    std::vector<const WalkedFile*> pending;
    for (const WalkedFile& file : walk.files) {
        auto found = stored.find(file.path);
        if (found != stored.end()) {
            bool keep = !NeedsFiltering(found->second, file, settings, options.force);
            stored.erase(found);
            if (keep) {
                ++summary.unchanged;
                continue;
            }
        }
        pending.push_back(&file);
    }
    database.Begin();
    for (const auto& [path, row] : stored) {
        if (BelowAny(hidden, path)) continue;
        database.Remove(row.id);
        ++summary.removed;
    }
    if (options.prune) summary.removed += database.RemoveUnder(missing);
    database.Commit();

    WalkedFileReader reader(walk, options.reading);
    std::vector<FileRecord> records(pending.size());
    ProgressLine progress(pending.size());
    std::size_t batchFiles = 0, batchBytes = 0, committed = 0;
    auto commit = [&] {
        database.Commit();
        committed += batchFiles;
        batchFiles = batchBytes = 0;
    };
    try {
        RunInOrder(
            pending.size(), options.jobs, 16 * options.jobs,
            [&](std::size_t i) { reader.Read(*pending[i], records[i]); },
            [&](std::size_t i) {
                FileRecord record = std::move(records[i]);
                if (batchFiles == 0) database.Begin();
                database.Store(record, settings);
                ++batchFiles;
                batchBytes += record.text.size();
                if (batchFiles >= kBatchFiles || batchBytes >= kBatchTextBytes) commit();
                ++summary.filtered;
                if (record.truncated) {
                    progress.Finish();
                    std::fprintf(stderr, "idxfilter: index: %s: text truncated at %zu bytes\n",
                                 record.path.c_str(), record.text.size());
                }
                if (record.result < 0) {
                    ++summary.failed;
                    ++summary.failures[record.reason];
                    progress.Finish();
                    std::fprintf(stderr, "idxfilter: index: %s: no text delivered (%s)\n",
                                 record.path.c_str(), record.reason.c_str());
                }
                progress.FileDone(std::uint64_t(record.size), record.result < 0);
                if (InterruptRequested()) {
                    if (batchFiles > 0) commit();
                    throw Interrupted{};
                }
            });
    } catch (const Interrupted&) {
        progress.Finish();
        std::fprintf(stderr, "idxfilter: index: interrupted: %zu files committed\n", committed);
        return InterruptExitStatus();
    }
    if (batchFiles > 0) commit();
    progress.Finish();
    PrintSummary(summary, walk);
    if (rootProblem || !walk.folderErrors.empty()) return kExitUsage;
    return summary.failed > 0 ? kExitSomeFailed : kExitAllDelivered;
}

}  // namespace

int IndexCommand(int argc, char** argv) {
    Options options;
    ArgumentReader args(argc, argv, "index");
    while (args.Next()) {
        if (args.IsOperand()) {
            options.paths.emplace_back(args.Operand());
        } else if (args.Is("--help", "-h")) {
            std::fputs(kUsage, stdout);
            return kExitAllDelivered;
        } else if (args.Is("--db")) {
            std::optional<std::string_view> file = args.Value();
            if (!file) return args.Failed();
            options.database = *file;
        } else if (args.Is("--jobs")) {
            std::optional<unsigned> jobs = ReadJobs(args);
            if (!jobs) return args.Failed();
            options.jobs = *jobs;
        } else if (args.Is("--force")) {
            if (!args.NoValue()) return args.Failed();
            options.force = true;
        } else if (args.Is("--prune")) {
            if (!args.NoValue()) return args.Failed();
            options.prune = true;
        } else if (args.Is("--exclude")) {
            std::optional<std::string_view> glob = args.Value();
            if (!glob) return args.Failed();
            options.excludes.emplace_back(*glob);
        } else if (bool failed; ReadReadingOption(args, options.reading, failed)) {
            if (failed) return args.Failed();
        } else {
            return args.Unknown();
        }
    }
    if (options.paths.empty()) return UsageError("index", "no file or folder given");
    if (options.database.empty()) {
        options.database = DefaultDatabasePath();
        if (options.database.empty()) return UsageError("index", "no --db given and no HOME");
        CreateParentFolders(options.database);
    }

    try {
        return RunIndex(options);
    } catch (const DatabaseError& error) {
        // The open transaction is rolled back as the database closes: the
        // index keeps every file either as it was or as fully updated.
        std::fprintf(stderr, "idxfilter: index: %s: %s\n", options.database.c_str(),
                     ExplainDatabaseError(error).c_str());
        return kExitUsage;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "idxfilter: index: %s\n", error.what());
        return kExitUsage;
    }
}

}  // namespace idxfilter::cli
