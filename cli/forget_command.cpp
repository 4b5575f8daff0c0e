#include "cli/forget_command.h"

#include <sys/stat.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/file_walk.h"
#include "cli/index_database.h"
#include "cli/index_lock.h"

namespace idxfilter::cli {
namespace {

constexpr const char* kUsage =
    "usage: idxfilter forget [--db FILE] PATH...\n"
    "\n"
    "Removes the entries of each PATH and of everything below it from the\n"
    "index (default as for idxfilter index), whether or not the files still\n"
    "exist, and says how many went. Exit status: 0 done; 2 a usage error or\n"
    "an index that cannot be used.\n";

}  // namespace

int ForgetCommand(int argc, char** argv) {
    std::string file;
    std::vector<std::string> paths;
    ArgumentReader args(argc, argv, "forget");
    while (args.Next()) {
        if (args.IsOperand()) {
            paths.push_back(AbsolutePath(std::string(args.Operand())));
        } else if (args.Is("--help", "-h")) {
            std::fputs(kUsage, stdout);
            return kExitAllDelivered;
        } else if (args.Is("--db")) {
            std::optional<std::string_view> value = args.Value();
            if (!value) return args.Failed();
            file = *value;
        } else {
            return args.Unknown();
        }
    }
    if (paths.empty()) return UsageError("forget", "no file or folder given");
    if (file.empty()) file = DefaultDatabasePath();
    struct stat status;
    if (file.empty() || ::stat(file.c_str(), &status) != 0) {
        std::fprintf(stderr, "idxfilter: forget: %s: cannot open the index (no such file)\n",
                     file.c_str());
        return kExitUsage;
    }
    try {
        IndexLock lock(file);
        IndexDatabase database = IndexDatabase::OpenForUpdate(file);
        database.Begin();
        std::int64_t removed = database.RemoveUnder(paths);
        database.Commit();
        std::fprintf(stderr, "idxfilter: forget: %lld entries removed\n",
                     static_cast<long long>(removed));
        return kExitAllDelivered;
    } catch (const DatabaseError& error) {
        std::fprintf(stderr, "idxfilter: forget: %s: %s\n", file.c_str(),
                     ExplainDatabaseError(error).c_str());
        return kExitUsage;
    }
}

}  // namespace idxfilter::cli
