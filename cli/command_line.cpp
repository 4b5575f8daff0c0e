#include "cli/command_line.h"

#include <cstdio>
#include <string>

#include "platform/code_pages.h"

namespace idxfilter::cli {

bool ParseNumber(std::string_view text, unsigned long minimum, unsigned long maximum,
                 unsigned long& value) {
    if (text.empty() || text.size() > 9) return false;
    unsigned long parsed = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        parsed = parsed * 10 + static_cast<unsigned long>(c - '0');
    }
    if (parsed < minimum || parsed > maximum) return false;
    value = parsed;
    return true;
}

int UsageError(const char* usage, std::string_view message, std::string_view detail) {
    std::string line = "idxfilter: ";
    line.append(message);
    if (!detail.empty()) line.append(" ").append(detail);
    std::fprintf(stderr, "%s\n\n%s", line.c_str(), usage);
    return kExitUsage;
}

int ReadJobsOption(int argc, char** argv, int& i, const char* usage, unsigned& jobs) {
    unsigned long value;
    if (i + 1 >= argc) return UsageError(usage, "--jobs needs a number");
    if (!ParseNumber(argv[++i], 1, kMaxJobs, value))
        return UsageError(usage, "not a number of jobs (1 to 256):", argv[i]);
    jobs = static_cast<unsigned>(value);
    return 0;
}

int ReadAnsiCodePageOption(int argc, char** argv, int& i, const char* usage) {
    unsigned long codePage;
    if (i + 1 >= argc) return UsageError(usage, "--ansi-codepage needs a code page number");
    if (!ParseNumber(argv[++i], 0, 65535, codePage))
        return UsageError(usage, "not a code page number:", argv[i]);
    if (!idxfilter::SetAnsiCodePage(static_cast<unsigned>(codePage)))
        return UsageError(usage, "code page not available as ANSI code page:", argv[i]);
    return 0;
}

}  // namespace idxfilter::cli
