// idxfilter: runs the filter on files and writes the text it delivers.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cli/failure_reason.h"
#include "cli/text_output.h"
#include "idxfilter.h"
#include "platform/code_pages.h"

namespace {

constexpr int kExitAllDelivered = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: idxfilter [--ansi-codepage N] [--utf16] FILE...\n"
    "\n"
    "Runs the filter on each FILE and writes the text it delivers to standard\n"
    "output: as UTF-8, or with --utf16 as the UTF-16LE units the filter\n"
    "delivered. --ansi-codepage sets the code page that stands for the\n"
    "system's ANSI code page (default 1252).\n"
    "\n"
    "Exit status: 0 when every file delivered text, 1 when some file\n"
    "delivered nothing, 2 for a usage error.\n";

struct Options {
    bool utf16 = false;
    std::vector<std::string> files;
};

struct Delivery {
    bool utf16;
    std::string bytes;
};

int IDXFILTER_SINK_CALL CollectText(const idx_char16* text, void* user) {
    auto* delivery = static_cast<Delivery*>(user);
    const char16_t* units = reinterpret_cast<const char16_t*>(text);
    std::size_t count = 0;
    while (units[count] != 0) ++count;
    delivery->bytes = delivery->utf16 ? idxfilter::cli::Utf16ToLittleEndianBytes(units, count)
                                      : idxfilter::cli::Utf16ToDisplayUtf8(units, count);
    return 0;
}

int UsageError(const char* message, const char* detail = nullptr) {
    std::fprintf(stderr, "idxfilter: %s%s%s\n\n%s", message, detail ? " " : "", detail ? detail : "",
                 kUsage);
    return kExitUsage;
}

bool ParseCodePage(const char* text, unsigned& codePage) {
    char* rest = nullptr;
    unsigned long value = std::strtoul(text, &rest, 10);
    if (*text == '\0' || *rest != '\0' || value > 65535) return false;
    codePage = static_cast<unsigned>(value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            options.files.emplace_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return kExitAllDelivered;
        } else if (arg == "--utf16") {
            options.utf16 = true;
        } else if (arg == "--ansi-codepage") {
            if (i + 1 >= argc) return UsageError("--ansi-codepage needs a code page number");
            unsigned codePage;
            if (!ParseCodePage(argv[++i], codePage))
                return UsageError("not a code page number:", argv[i]);
            if (!idxfilter::SetAnsiCodePage(codePage))
                return UsageError("code page not available as ANSI code page:", argv[i]);
        } else {
            return UsageError("unknown option:", argv[i]);
        }
    }
    if (options.files.empty()) return UsageError("no file given");

    int status = kExitAllDelivered;
    for (const std::string& file : options.files) {
        Delivery delivery{options.utf16, {}};
        int32_t result = idx_filter(file.c_str(), CollectText, &delivery);
        if (result < 0) {
            std::fprintf(stderr, "idxfilter: %s: no text delivered (%s)\n", file.c_str(),
                         idxfilter::cli::DescribeFailure(file).c_str());
            status = kExitSomeFailed;
            continue;
        }
        std::fwrite(delivery.bytes.data(), 1, delivery.bytes.size(), stdout);
    }
    if (std::fflush(stdout) != 0) {
        std::perror("idxfilter: writing standard output");
        return kExitSomeFailed;
    }
    return status;
}
