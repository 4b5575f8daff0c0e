#include "cli/command_line.h"

#include <cstdio>
#include <string>

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

}  // namespace idxfilter::cli
