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

}  // namespace idxfilter::cli
