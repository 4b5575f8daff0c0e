#include "cli/index_command.h"

#include <sys/stat.h>

#include <exception>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/file_filter.h"
#include "cli/file_walk.h"
#include "cli/index_database.h"
#include "cli/parallel_filter.h"
#include "cli/progress_line.h"

namespace idxfilter::cli {
namespace {

constexpr const char* kUsage =
    "usage: idxfilter index [--db FILE] [--jobs N] [--ansi-codepage N] PATH...\n"
    "\n"
    "Filters the files below each PATH (recursively; symbolic links inside\n"
    "the folders are not followed) and keeps path, size, modification time,\n"
    "the filter's result and the text in the index FILE (default\n"
    "idxfilter.db), searchable with idxfilter search. Run again, it filters\n"
    "only files whose size or modification time changed, and removes files\n"
    "that are gone. --jobs filters N files at once (default: the number of\n"
    "cores). On a terminal a progress line shows on standard error.\n"
    "\n"
    "Exit status: 0 when every filtered file delivered text, 1 when some\n"
    "file delivered nothing or a folder could not be read (recorded, named\n"
    "on standard error), 2 for a usage error or an index that cannot be\n"
    "used (locked, read-only, damaged, not an index of idxfilter).\n";

// A batch is committed after this many files or this much text, whichever
// comes first: large enough that commits cost little, small enough that an
// interrupted run keeps most of its work.
constexpr std::size_t kBatchFiles = 2000;
constexpr std::size_t kBatchTextBytes = 16 << 20;  // fits the page cache (index_database.cpp)

struct Options {
    std::string database = "idxfilter.db";
    unsigned jobs = DefaultJobs();
    std::vector<std::string> paths;
};

// The index file and the files SQLite keeps beside it, as (device, inode),
// so that indexing the folder that holds the index leaves them out.
std::vector<std::pair<std::uint64_t, std::uint64_t>> IndexFiles(const std::string& database) {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> files;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        struct stat status;
        if (::stat((database + suffix).c_str(), &status) == 0)
            files.emplace_back(status.st_dev, status.st_ino);
    }
    return files;
}

// Whether a stored file must be filtered again although its size and time
// are unchanged: a permission problem may have been fixed since.
bool WorthRetrying(const StoredFile& stored) {
    return stored.result < 0 && stored.reason == "unreadable";
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
    if (!walk.unreadableFolders.empty())
        line += "; " + std::to_string(walk.unreadableFolders.size()) + " folders unreadable";
    std::fprintf(stderr, "%s\n", line.c_str());
}

int RunIndex(const Options& options) {
    IndexDatabase database = IndexDatabase::OpenForUpdate(options.database);
    WalkResult walk = WalkTrees(options.paths, IndexFiles(options.database));
    for (const std::string& root : walk.missingRoots)
        std::fprintf(stderr, "idxfilter: index: %s: missing (its entries are removed)\n",
                     root.c_str());
    for (const auto& [folder, reason] : walk.unreadableFolders)
        std::fprintf(stderr, "idxfilter: index: %s: cannot list the folder (%s); entries kept\n",
                     folder.c_str(), reason.c_str());

    std::unordered_map<std::string, StoredFile> stored = database.FilesUnder(walk.roots);
    Summary summary;
    std::vector<const WalkedFile*> pending;
    for (const WalkedFile& file : walk.files) {
        auto found = stored.find(file.path);
        if (found != stored.end()) {
            const StoredFile& row = found->second;
            bool keep = row.size == file.size && row.modifiedNs == file.modifiedNs &&
                        !WorthRetrying(row);
            stored.erase(found);
            if (keep) {
                ++summary.unchanged;
                continue;
            }
        }
        pending.push_back(&file);
    }

    // What remains of `stored` was not seen: gone, unless below a folder
    // that could not be listed.
    database.Begin();
    for (const auto& [path, row] : stored) {
        bool hidden = false;
        for (const auto& [folder, reason] : walk.unreadableFolders)
            if (path == folder || path.starts_with(folder + '/')) hidden = true;
        if (hidden) continue;
        database.Remove(row.id);
        ++summary.removed;
    }
    database.Commit();

    std::vector<FileRecord> records(pending.size());
    ProgressLine progress(pending.size());
    std::size_t batchFiles = 0, batchBytes = 0;
    RunInOrder(
        pending.size(), options.jobs, 16 * options.jobs,
        [&](std::size_t i) {
            const WalkedFile& file = *pending[i];
            FileRecord& record = records[i];
            record.path = file.path;
            record.size = file.size;
            record.modifiedNs = file.modifiedNs;
            if (!file.regular) {
                // A fifo would block the filter's read; devices are no documents.
                record.result = -1;
                record.reason = "not a regular file";
                return;
            }
            FilteredText filtered = FilterFile(file.path, TextForm::Utf8);
            record.result = filtered.result;
            record.reason = std::move(filtered.reason);
            record.text = std::move(filtered.text);
        },
        [&](std::size_t i) {
            FileRecord record = std::move(records[i]);
            if (batchFiles == 0) database.Begin();
            database.Store(record);
            ++batchFiles;
            batchBytes += record.text.size();
            if (batchFiles >= kBatchFiles || batchBytes >= kBatchTextBytes) {
                database.Commit();
                batchFiles = batchBytes = 0;
            }
            ++summary.filtered;
            if (record.result < 0) {
                ++summary.failed;
                ++summary.failures[record.reason];
                progress.Finish();
                std::fprintf(stderr, "idxfilter: index: %s: no text delivered (%s)\n",
                             record.path.c_str(), record.reason.c_str());
            }
            progress.FileDone(std::uint64_t(record.size), record.result < 0);
        });
    if (batchFiles > 0) database.Commit();
    progress.Finish();
    PrintSummary(summary, walk);
    return summary.failed > 0 || !walk.unreadableFolders.empty() ? kExitSomeFailed
                                                                 : kExitAllDelivered;
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
        } else if (args.Is("--ansi-codepage")) {
            if (!ReadAnsiCodePage(args)) return args.Failed();
        } else {
            return args.Unknown();
        }
    }
    if (options.paths.empty()) return UsageError("index", "no file or folder given");

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
