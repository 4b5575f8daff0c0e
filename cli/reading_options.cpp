#include "cli/reading_options.h"

namespace idxfilter::cli {

unsigned LibraryCodePage(const ReadingOptions& options) {
    if (options.ansiCodePage == kGuessAnsiCodePage && options.reader == ReaderChoice::Exact)
        return kDefaultAnsiCodePage;
    return options.ansiCodePage;
}

std::int64_t RecordedCodePage(const ReadingOptions& options) {
    if (options.ansiCodePage == kGuessAnsiCodePage) return -1;
    return options.ansiCodePage;
}

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
        if (codePage) options.ansiCodePage = *codePage;
        return true;
    }
    return false;
}

}  // namespace idxfilter::cli
