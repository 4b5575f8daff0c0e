// Pieces of argument parsing shared by the tool's commands.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "idxfilter.h"

namespace idxfilter::cli {

// --ansi-codepage auto: the library guesses a legacy text's code page.
inline constexpr unsigned kGuessAnsiCodePage = IDX_ANSI_CODE_PAGE_GUESS;
// The code page that stands for the ANSI code page when none is given.
inline constexpr unsigned kDefaultAnsiCodePage = 1252;

constexpr int kExitAllDelivered = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitUsage = 2;
// Standard output could not be written (a full disk, a closed pipe).
constexpr int kExitOutputFailed = 3;

// A decimal number in [minimum, maximum], nothing else.
bool ParseNumber(std::string_view text, unsigned long minimum, unsigned long maximum,
                 unsigned long& value);

// Prints "idxfilter[ COMMAND]: <message>[ <detail>]" and a line pointing to
// --help on standard error; returns kExitUsage. `command` is "" for the
// filter itself, else "index", "search", ...
int UsageError(std::string_view command, std::string_view message, std::string_view detail = {});

// The tool's version line ("idxfilter 2.2.0.13").
std::string VersionLine();

// The most threads --jobs accepts.
constexpr unsigned long kMaxJobs = 256;

// Walks a command's arguments the way Unix tools read them: "--opt value"
// and "--opt=value" alike, "--" ends the options, and "-" or anything not
// starting with '-' is an operand.
//
//     ArgumentReader args(argc, argv, "index");
//     while (args.Next()) {
//         if (args.IsOperand()) paths.emplace_back(args.Operand());
//         else if (args.Is("--db")) { auto v = args.Value(); if (!v) return args.Failed(); ... }
//         else if (args.Is("--force")) { if (!args.NoValue()) return args.Failed(); ... }
//         else return args.Unknown();
//     }
class ArgumentReader {
public:
    // argv[0] is the command's own name and is skipped.
    ArgumentReader(int argc, char** argv, std::string_view command)
        : argc_(argc), argv_(argv), command_(command) {}

    // Moves to the next argument; false when there is none.
    bool Next();
    // An operand: after "--", "-" itself, or not starting with '-'.
    bool IsOperand() const { return operand_; }
    std::string_view Operand() const { return current_; }
    // Whether the current option is `name` ("--db"), with or without
    // "=value"; `alias` is another spelling ("-h").
    bool Is(std::string_view name, std::string_view alias = {}) const;
    // The option's value: after '=' or the next argument. On nullopt the
    // usage error is already printed; return Failed().
    std::optional<std::string_view> Value();
    // The option's value as a number in [minimum, maximum].
    std::optional<unsigned long> Number(unsigned long minimum, unsigned long maximum);
    // For an option that takes no value: false (error printed) on "--flag=x".
    bool NoValue();
    // The usage error for an option that no branch knew.
    int Unknown();
    // kExitUsage, after one of the above printed its error.
    int Failed() const { return kExitUsage; }
    // The command name given at construction, for UsageError.
    std::string_view Command() const { return command_; }

private:
    int argc_;
    char** argv_;
    std::string_view command_;
    int index_ = 0;
    bool optionsEnded_ = false;
    bool operand_ = false;
    std::string_view current_;  // the whole argument
    std::string_view name_;     // the option without "=value"
    std::optional<std::string_view> inlineValue_;
};

// --jobs N: a number of threads, 1 to kMaxJobs.
std::optional<unsigned> ReadJobs(ArgumentReader& args);
// --ansi-codepage N: the code page N when the library can read in it as
// the ANSI code page, else nullopt after a usage error. --ansi-codepage
// auto gives kGuessAnsiCodePage.
std::optional<unsigned> ReadAnsiCodePage(ArgumentReader& args);

// The index file used when --db is not given: $IDXFILTER_DB, else
// $XDG_DATA_HOME/idxfilter/index.db, else ~/.local/share/idxfilter/index.db.
// Empty when none can be formed (no HOME).
std::string DefaultDatabasePath();

}  // namespace idxfilter::cli
