#include "cli/reading_options.h"

namespace idxfilter::cli {

const char* ReaderName(ReaderChoice reader) { return reader == ReaderChoice::Exact ? "exact" : "complete"; }

bool ReadReadingOption(ArgumentReader& args, ReadingOptions& options, bool& failed) {
    failed = false;
    if (args.Is("--exact") || args.Is("--complete")) {
        options.reader = args.Is("--exact") ? ReaderChoice::Exact : ReaderChoice::Complete;
        failed = !args.NoValue();
        return true;
    }
    if (args.Is("--ansi-codepage")) {
        std::optional<unsigned> codePage = ReadAnsiCodePage(args);
        failed = !codePage;
        // A number has been made the process's ANSI code page already.
        if (codePage) options.ansiCodePage = *codePage == kGuessAnsiCodePage ? kGuessAnsiCodePage : 0;
        return true;
    }
    return false;
}

}  // namespace idxfilter::cli
