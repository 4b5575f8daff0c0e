#include "cli/filter_command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/file_filter.h"
#include "cli/filter_input.h"
#include "cli/jsonl_output.h"
#include "cli/output_stream.h"
#include "cli/parallel_filter.h"
#include "cli/reading_options.h"

namespace idxfilter::cli {
namespace {

constexpr const char* kUsage =
    "usage: idxfilter [--exact | --complete] [--ansi-codepage N|auto] [--utf16 | --jsonl]\n"
    "                 [--jobs N] FILE...\n"
    "       idxfilter index  [--db FILE] [--jobs N] [--exact | --complete] [--ansi-codepage N|auto]\n"
    "                        [--force] [--prune] [--exclude GLOB]... PATH...\n"
    "       idxfilter forget [--db FILE] PATH...\n"
    "       idxfilter search [--db FILE] [--limit N] [--json | -0] [--fts] QUERY...\n"
    "       idxfilter --version\n"
    "\n"
    "Writes the text of each FILE to standard output: as UTF-8, or with --utf16\n"
    "as UTF-16LE units, or with --jsonl as one JSON object per file and line\n"
    "(path, reader, result, meta: the document's properties, text, and reason\n"
    "when there is no text). FILE - is standard input; pipes, FIFOs and files\n"
    "such as those of /proc are read as streams.\n"
    "\n"
    "  --complete  read documents as their writers mean them (the default):\n"
    "              every character, field results, no document properties in\n"
    "              the body; plain text in any encoding; binary files give no\n"
    "              text; lines end in LF\n"
    "  --exact     the text the library's export idx_filter delivers, byte for\n"
    "              byte (CRLF line ends)\n"
    "  --ansi-codepage N  the code page that stands for the system's ANSI code\n"
    "              page (default 1252); auto guesses a legacy plain text's\n"
    "              code page (complete reader)\n"
    "  --jobs N    filter N files at once (default: the number of cores); the\n"
    "              output keeps the order of the files\n"
    "\n"
    "A file named index, forget or search is given as ./index or after --.\n"
    "\n"
    "Exit status: 0 when every file delivered text, 1 when some file\n"
    "delivered nothing (named on standard error with the reason), 2 for a\n"
    "usage error, 3 when standard output could not be written. A closed pipe\n"
    "ends the tool as it ends other tools (SIGPIPE).\n"
    "\n"
    "idxfilter index --help, forget --help and search --help describe the index.\n";

enum class OutputForm { Utf8, Utf16, Jsonl };

// Standard output failed (a full disk, a closed pipe): the run ends.
struct OutputFailed {
    int error;
};

void CheckOutput() {
    if (std::ferror(stdout)) throw OutputFailed{errno != 0 ? errno : EIO};
}

FilteredText OutOfMemory() {
    FilteredText outcome;
    outcome.reason = "out of memory";
    return outcome;
}

// The line is written in parts, so that a large text is not copied into
// it; a line that cannot be had for lack of memory says so instead.
void WriteJsonLine(const std::string& file, ReaderChoice reader, const FilteredText& outcome) {
    std::string head, tail;
    try {
        head = JsonLineHead(file, ReaderName(reader), outcome.result, outcome.properties);
        tail = JsonLineTail(outcome.result, outcome.reason);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "idxfilter: %s: out of memory writing its line\n", file.c_str());
        return;
    }
    std::fwrite(head.data(), 1, head.size(), stdout);
    OutputStream out(stdout);
    WriteJsonEscaped(outcome.text, out);
    std::fwrite(tail.data(), 1, tail.size(), stdout);
}

struct Options {
    OutputForm form = OutputForm::Utf8;
    ReadingOptions reading;
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
        } else if (bool failed; ReadReadingOption(args, options.reading, failed)) {
            if (failed) return args.Failed();
        } else {
            return args.Unknown();
        }
    }
    if (options.files.empty()) return UsageError("", "no file given");

    const TextForm textForm =
        options.form == OutputForm::Utf16 ? TextForm::Utf16LittleEndian : TextForm::Utf8;
    // Standard input is read once, before any worker starts: the first "-"
    // gets the whole stream, a later one nothing (as cat - - on a pipe).
    std::map<std::size_t, FilterInput> streams;
    for (std::size_t i = 0; i < options.files.size(); ++i)
        if (options.files[i] == "-")
            streams.emplace(i, streams.empty() ? FilterInput::ReadStream(0) : FilterInput::Nothing());
    auto filter = [&](std::size_t i, std::FILE* out) {
        try {
            auto stream = streams.find(i);
            if (stream != streams.end())
                return out ? FilterFileTo(stream->second, textForm, options.reading, out)
                           : FilterFile(stream->second, textForm, options.reading);
            FilterInput input = FilterInput::Open(options.files[i]);
            return out ? FilterFileTo(input, textForm, options.reading, out)
                       : FilterFile(input, textForm, options.reading);
        } catch (const std::bad_alloc&) {
            return OutOfMemory();
        }
    };

    int status = kExitAllDelivered;
    auto reportFailure = [&](const std::string& file, const FilteredText& outcome) {
        if (outcome.result >= 0) return;
        std::fprintf(stderr, "idxfilter: %s: no text delivered (%s)\n", file.c_str(), outcome.reason.c_str());
        status = kExitSomeFailed;
    };
    try {
        if (options.form != OutputForm::Jsonl && (options.jobs == 1 || options.files.size() == 1)) {
            // One file at a time: each text goes out while the filter lends it.
            for (std::size_t i = 0; i < options.files.size(); ++i) {
                reportFailure(options.files[i], filter(i, stdout));
                CheckOutput();
            }
        } else {
            std::vector<FilteredText> outcomes(options.files.size());
            RunInOrder(
                options.files.size(), options.jobs, 4 * options.jobs,
                [&](std::size_t i) { outcomes[i] = filter(i, nullptr); },
                [&](std::size_t i) {
                    const std::string& file = options.files[i];
                    FilteredText outcome = std::move(outcomes[i]);
                    reportFailure(file, outcome);
                    if (options.form == OutputForm::Jsonl)
                        WriteJsonLine(file, options.reading.reader, outcome);
                    else
                        std::fwrite(outcome.text.data(), 1, outcome.text.size(), stdout);
                    CheckOutput();
                });
        }
        if (std::fflush(stdout) != 0) throw OutputFailed{errno};
    } catch (const OutputFailed& failure) {
        // A closed pipe ends the tool silently, as it ends other tools.
        if (failure.error != EPIPE)
            std::fprintf(stderr, "idxfilter: writing standard output: %s\n",
                         std::strerror(failure.error));
        return kExitOutputFailed;
    }
    return status;
}

}  // namespace idxfilter::cli
