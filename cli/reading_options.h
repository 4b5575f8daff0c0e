// How the tool reads documents: which reader, in which ANSI code page.
// The filter command and `index` take the same options for it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/command_line.h"

namespace idxfilter::cli {

enum class ReaderChoice {
    Complete,  // the document as its writer means it
    Exact      // the export's text, byte for byte
};

// The reader used when neither --exact nor --complete is given.
inline constexpr ReaderChoice kDefaultReader = ReaderChoice::Complete;

struct ReadingOptions {
    ReaderChoice reader = kDefaultReader;
    // The code page that stands for the ANSI code page: the last
    // --ansi-codepage N, else kDefaultAnsiCodePage; or kGuessAnsiCodePage
    // for --ansi-codepage auto (the exact reader then reads in the default).
    unsigned ansiCodePage = kDefaultAnsiCodePage;
};

// The code page the library is asked to read in for `options`.
unsigned LibraryCodePage(const ReadingOptions& options);

// The code page an index records for these options: -1 for a guess, which
// may differ from file to file.
std::int64_t RecordedCodePage(const ReadingOptions& options);

// "complete" or "exact", as --jsonl rows and the index record it.
const char* ReaderName(ReaderChoice reader);

// When the current argument is --exact, --complete or --ansi-codepage,
// reads it into `options` and returns true; `failed` is set after a usage
// error has been printed. False for any other argument.
bool ReadReadingOption(ArgumentReader& args, ReadingOptions& options, bool& failed);

}  // namespace idxfilter::cli
