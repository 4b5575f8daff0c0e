#include "complete/hyperlink_target.h"

#include "complete/utf8_writing.h"

namespace idxfilter::complete {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

void SkipBlanks(std::string_view& s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
}

bool EqualsFolded(std::string_view a, std::string_view upper) {
    if (a.size() != upper.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
        if (c != upper[i]) return false;
    }
    return true;
}

// One argument: a quoted string (a backslash takes the next character as
// it is) or a run of non-blanks.
std::string ReadArgument(std::string_view& s) {
    std::string argument;
    if (!s.empty() && s.front() == '"') {
        s.remove_prefix(1);
        while (!s.empty() && s.front() != '"') {
            if (s.front() == '\\' && s.size() > 1) s.remove_prefix(1);
            argument.push_back(s.front());
            s.remove_prefix(1);
        }
        if (!s.empty()) s.remove_prefix(1);
        return argument;
    }
    while (!s.empty() && !IsBlank(s.front())) {
        if (s.front() == '\\' && s.size() > 1 && s[1] == '\\') s.remove_prefix(1);
        argument.push_back(s.front());
        s.remove_prefix(1);
    }
    return argument;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// %XX escapes resolved when what they give is well-formed UTF-8 without
// control characters; otherwise the target as written.
std::string PercentDecoded(const std::string& target) {
    if (target.find('%') == std::string::npos) return target;
    std::string decoded;
    for (std::size_t i = 0; i < target.size(); ++i) {
        int high, low;
        if (target[i] == '%' && i + 2 < target.size() && (high = HexDigit(target[i + 1])) >= 0 &&
            (low = HexDigit(target[i + 2])) >= 0) {
            char byte = static_cast<char>(high * 16 + low);
            if (static_cast<unsigned char>(byte) < 0x20) return target;
            decoded.push_back(byte);
            i += 2;
        } else {
            decoded.push_back(target[i]);
        }
    }
    return IsStrictUtf8(decoded) ? decoded : target;
}

}  // namespace

std::string HyperlinkTarget(std::string_view s) {
    SkipBlanks(s);
    std::size_t nameLength = 0;
    while (nameLength < s.size() && !IsBlank(s[nameLength]) && s[nameLength] != '"') ++nameLength;
    if (!EqualsFolded(s.substr(0, nameLength), "HYPERLINK")) return {};
    s.remove_prefix(nameLength);
    std::string url, bookmark;
    for (;;) {
        SkipBlanks(s);
        if (s.empty()) break;
        if (s.front() == '\\' && s.size() > 1 && IsAsciiLetter(s[1])) {
            char name = s[1];
            s.remove_prefix(2);
            SkipBlanks(s);
            if (name == 'l') {
                bookmark = ReadArgument(s);
            } else if (name == 'o' || name == 't') {
                ReadArgument(s);
            }
            continue;
        }
        std::string argument = ReadArgument(s);
        if (url.empty()) url = std::move(argument);
    }
    std::string target = url.empty() ? bookmark : url;
    while (!target.empty() && IsBlank(target.back())) target.pop_back();
    std::string decoded = PercentDecoded(target);
    if (IsStrictUtf8(decoded)) return decoded;
    std::string repaired;
    AppendUtf8(repaired, decoded);
    return repaired;
}

}  // namespace idxfilter::complete
