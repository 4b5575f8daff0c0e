#include "cli/command_line.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/library_reading.h"
#include "version.h"

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

int UsageError(std::string_view command, std::string_view message, std::string_view detail) {
    std::string program = "idxfilter";
    if (!command.empty()) program.append(" ").append(command);
    std::string text = program + ": ";
    text.append(message);
    if (!detail.empty()) text.append(" ").append(detail);
    text.append("\ntry '").append(program).append(" --help'\n");
    std::fputs(text.c_str(), stderr);
    return kExitUsage;
}

std::string VersionLine() { return std::string("idxfilter ") + IDXFILTER_VERSION_TEXT; }

bool ArgumentReader::Next() {
    if (++index_ >= argc_) return false;
    current_ = argv_[index_];
    inlineValue_.reset();
    name_ = {};
    if (!optionsEnded_ && current_ == "--") {
        optionsEnded_ = true;
        return Next();
    }
    operand_ = optionsEnded_ || current_.empty() || current_[0] != '-' || current_ == "-";
    if (!operand_) {
        name_ = current_;
        std::size_t equals = current_.find('=');
        if (current_.starts_with("--") && equals != std::string_view::npos) {
            name_ = current_.substr(0, equals);
            inlineValue_ = current_.substr(equals + 1);
        }
    }
    return true;
}

bool ArgumentReader::Is(std::string_view name, std::string_view alias) const {
    return !operand_ && (name_ == name || (!alias.empty() && name_ == alias));
}

std::optional<std::string_view> ArgumentReader::Value() {
    if (inlineValue_) {
        if (inlineValue_->empty()) {
            UsageError(command_, std::string(name_) + " needs a value");
            return std::nullopt;
        }
        return inlineValue_;
    }
    if (index_ + 1 >= argc_ || argv_[index_ + 1][0] == '\0') {
        UsageError(command_, std::string(name_) + " needs a value");
        return std::nullopt;
    }
    return std::string_view(argv_[++index_]);
}

std::optional<unsigned long> ArgumentReader::Number(unsigned long minimum, unsigned long maximum) {
    std::string option(name_);
    std::optional<std::string_view> text = Value();
    if (!text) return std::nullopt;
    unsigned long value;
    if (!ParseNumber(*text, minimum, maximum, value)) {
        UsageError(command_,
                   option + " takes a number from " + std::to_string(minimum) + " to " +
                       std::to_string(maximum) + ", not",
                   *text);
        return std::nullopt;
    }
    return value;
}

bool ArgumentReader::NoValue() {
    if (!inlineValue_) return true;
    UsageError(command_, std::string(name_) + " takes no value");
    return false;
}

int ArgumentReader::Unknown() { return UsageError(command_, "unknown option:", current_); }

std::optional<unsigned> ReadJobs(ArgumentReader& args) {
    std::optional<unsigned long> jobs = args.Number(1, kMaxJobs);
    if (!jobs) return std::nullopt;
    return static_cast<unsigned>(*jobs);
}

std::optional<unsigned> ReadAnsiCodePage(ArgumentReader& args) {
    std::optional<std::string_view> value = args.Value();
    if (!value) return std::nullopt;
    if (*value == "auto") return kGuessAnsiCodePage;
    unsigned long number = 0;
    std::optional<unsigned long> codePage;
    if (ParseNumber(*value, 0, 65535, number)) codePage = number;
    if (!codePage) {
        UsageError(args.Command(), "--ansi-codepage takes a code page number or auto, not", *value);
        return std::nullopt;
    }
    if (!IsUsableAnsiCodePage(static_cast<unsigned>(*codePage))) {
        UsageError(args.Command(), "code page not available as ANSI code page:",
                   std::to_string(*codePage));
        return std::nullopt;
    }
    return static_cast<unsigned>(*codePage);
}

std::string DefaultDatabasePath() {
    auto variable = [](const char* name) -> std::string {
        const char* value = std::getenv(name);
        return value ? value : "";
    };
    if (std::string explicitFile = variable("IDXFILTER_DB"); !explicitFile.empty())
        return explicitFile;
    // The XDG base-directory rules: a relative XDG_DATA_HOME is ignored.
    std::string dataHome = variable("XDG_DATA_HOME");
    if (dataHome.empty() || dataHome[0] != '/') {
        std::string home = variable("HOME");
        if (home.empty()) return {};
        dataHome = home + "/.local/share";
    }
    return dataHome + "/idxfilter/index.db";
}

}  // namespace idxfilter::cli
