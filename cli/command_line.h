// Pieces of argument parsing shared by the tool's commands.
#pragma once

#include <string_view>

namespace idxfilter::cli {

constexpr int kExitAllDelivered = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitUsage = 2;

// A decimal number in [minimum, maximum], nothing else.
bool ParseNumber(std::string_view text, unsigned long minimum, unsigned long maximum,
                 unsigned long& value);

// Prints "idxfilter: <message> <detail>", a blank line and `usage` on
// standard error; returns kExitUsage.
int UsageError(const char* usage, std::string_view message, std::string_view detail = {});

// The most threads --jobs accepts.
constexpr unsigned long kMaxJobs = 256;

// Options that more than one command takes. Each reads its value from
// argv[i + 1], advancing i; returns 0 when it was read, or reports a usage
// error against `usage` and returns kExitUsage.
int ReadJobsOption(int argc, char** argv, int& i, const char* usage, unsigned& jobs);
// Sets the portable layer's ANSI code page.
int ReadAnsiCodePageOption(int argc, char** argv, int& i, const char* usage);

}  // namespace idxfilter::cli
