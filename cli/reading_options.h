// How the tool reads documents: which reader, in which ANSI code page.
// The filter command and `index` take the same options for it.
#pragma once

#include <optional>
#include <string>

#include "cli/command_line.h"
#include "extraction/document_extraction.h"

namespace idxfilter::cli {

// The reader used when neither --exact nor --complete is given.
inline constexpr ReaderChoice kDefaultReader = ReaderChoice::Complete;

struct ReadingOptions {
    ReaderChoice reader = kDefaultReader;
    // 0: the process's ANSI code page (what --ansi-codepage N set);
    // kGuessAnsiCodePage for --ansi-codepage auto.
    unsigned ansiCodePage = 0;
};

// "complete" or "exact", as --jsonl rows and the index record it.
const char* ReaderName(ReaderChoice reader);

// When the current argument is --exact, --complete or --ansi-codepage,
// reads it into `options` and returns true; `failed` is set after a usage
// error has been printed. False for any other argument.
bool ReadReadingOption(ArgumentReader& args, ReadingOptions& options, bool& failed);

}  // namespace idxfilter::cli
