#include "cli/filter_command.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/file_filter.h"
#include "cli/jsonl_output.h"
#include "cli/parallel_filter.h"

namespace idxfilter::cli {
namespace {

constexpr const char* kUsage =
    "usage: idxfilter [--ansi-codepage N] [--utf16 | --jsonl] [--jobs N] FILE...\n"
    "       idxfilter index [--db FILE] [--jobs N] PATH...\n"
    "       idxfilter search [--db FILE] [--limit N] QUERY\n"
    "\n"
    "Runs the filter on each FILE and writes the text it delivers to standard\n"
    "output: as UTF-8, or with --utf16 as the UTF-16LE units the filter\n"
    "delivered, or with --jsonl as one JSON object per file and line (path,\n"
    "result, text). --ansi-codepage sets the code page that stands for the\n"
    "system's ANSI code page (default 1252). --jobs filters N files at once\n"
    "(default: the number of cores); the output keeps the order of the files.\n"
    "A file named index or search is given as ./index or after --.\n"
    "\n"
    "Exit status: 0 when every file delivered text, 1 when some file\n"
    "delivered nothing, 2 for a usage error.\n"
    "\n"
    "idxfilter index --help and idxfilter search --help describe the index.\n";

enum class OutputForm { Utf8, Utf16, Jsonl };

struct Options {
    OutputForm form = OutputForm::Utf8;
    unsigned jobs = DefaultJobs();
    std::vector<std::string> files;
};

}  // namespace

int FilterCommand(int argc, char** argv) {
    Options options;
    ArgumentReader args(argc, argv, "");
    while (args.Next()) {
        if (args.IsOperand()) {
            options.files.emplace_back(args.Operand());
        } else if (args.Is("--help", "-h")) {
            std::fputs(kUsage, stdout);
            return kExitAllDelivered;
        } else if (args.Is("--version")) {
            std::printf("%s\n", VersionLine().c_str());
            return kExitAllDelivered;
        } else if (args.Is("--utf16") || args.Is("--jsonl")) {
            OutputForm form = args.Is("--utf16") ? OutputForm::Utf16 : OutputForm::Jsonl;
            if (!args.NoValue()) return args.Failed();
            if (options.form != OutputForm::Utf8 && options.form != form)
                return UsageError("", "--utf16 and --jsonl exclude each other");
            options.form = form;
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
    if (options.files.empty()) return UsageError("", "no file given");

    const TextForm textForm =
        options.form == OutputForm::Utf16 ? TextForm::Utf16LittleEndian : TextForm::Utf8;
    int status = kExitAllDelivered;
    auto reportFailure = [&](const std::string& file, const FilteredText& outcome) {
        if (outcome.result >= 0) return;
        std::fprintf(stderr, "idxfilter: %s: no text delivered (%s)\n", file.c_str(), outcome.reason.c_str());
        status = kExitSomeFailed;
    };
    if (options.form != OutputForm::Jsonl && (options.jobs == 1 || options.files.size() == 1)) {
        // One file at a time: each text goes out while the filter lends it.
        for (const std::string& file : options.files) reportFailure(file, FilterFileTo(file, textForm, stdout));
    } else {
        std::vector<FilteredText> outcomes(options.files.size());
        RunInOrder(
            options.files.size(), options.jobs, 4 * options.jobs,
            [&](std::size_t i) { outcomes[i] = FilterFile(options.files[i], textForm); },
            [&](std::size_t i) {
                const std::string& file = options.files[i];
                FilteredText outcome = std::move(outcomes[i]);
                reportFailure(file, outcome);
                std::string bytes = options.form == OutputForm::Jsonl
                                        ? JsonLine(file, outcome.result, outcome.text, outcome.reason)
                                        : std::move(outcome.text);
                std::fwrite(bytes.data(), 1, bytes.size(), stdout);
            });
    }
    if (std::fflush(stdout) != 0) {
        std::perror("idxfilter: writing standard output");
        return kExitSomeFailed;
    }
    return status;
}

}  // namespace idxfilter::cli
