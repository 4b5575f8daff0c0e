#include "complete/equation_text.h"

namespace idxfilter::complete {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void SkipBlanks(std::string_view& s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
}

// Deeper arguments are read as plain text: the recursion stays small on
// any stack.
constexpr int kDeepestArgument = 32;

// Reads the expression's text up to a "," or ")" of this level (neither
// consumed) or the end.
std::string Expression(std::string_view& s, int depth);

// After the first backslash of a run of switches such as "\o\ad" or
// "\s\up 10": the switches, then their parenthesized arguments.
std::string Switches(std::string_view& s, int depth) {
    char first = 0;
    while (!s.empty() && s.front() == '\\' && s.size() > 1 && IsLetter(s[1])) {
        s.remove_prefix(1);
        if (first == 0) first = static_cast<char>(s.front() | 0x20);
        while (!s.empty() && IsLetter(s.front())) s.remove_prefix(1);
        // A bracket option's character: "\bc\[".
        if (s.size() > 1 && s[0] == '\\' && !IsLetter(s[1])) s.remove_prefix(2);
        SkipBlanks(s);
        while (!s.empty() && (IsDigit(s.front()) || s.front() == '-')) s.remove_prefix(1);
        SkipBlanks(s);
    }
    if (s.empty() || s.front() != '(' || depth >= kDeepestArgument) return {};
    s.remove_prefix(1);
    std::string text;
    for (bool firstArgument = true;; firstArgument = false) {
        std::string argument = Expression(s, depth + 1);
        if (!firstArgument && first == 'f') text.push_back('/');
        text += argument;
        if (s.empty()) break;
        char c = s.front();
        s.remove_prefix(1);
        if (c == ')') break;
    }
    // Raised and lowered text: the reading above a phonetic guide's base.
    return first == 's' ? std::string() : text;
}

std::string Expression(std::string_view& s, int depth) {
    std::string text;
    while (!s.empty()) {
        char c = s.front();
        if (c == ',' || c == ')') break;
        if (c == '\\' && s.size() > 1 && IsLetter(s[1])) {
            text += Switches(s, depth);
            continue;
        }
        if (c == '\\' && s.size() > 1) s.remove_prefix(1);  // \, \( \) and \\ stand for the character
        text.push_back(s.front());
        s.remove_prefix(1);
    }
    return text;
}

// Drops the general switches "\* word" and "\* "quoted words"".
void SkipFormatSwitches(std::string_view& s) {
    for (;;) {
        SkipBlanks(s);
        if (s.size() < 2 || s[0] != '\\' || s[1] != '*') return;
        s.remove_prefix(2);
        SkipBlanks(s);
        if (!s.empty() && s.front() == '"') {
            std::size_t close = s.find('"', 1);
            s.remove_prefix(close == std::string_view::npos ? s.size() : close + 1);
        } else {
            while (!s.empty() && !IsBlank(s.front())) s.remove_prefix(1);
        }
    }
}

}  // namespace

std::string EquationText(std::string_view s) {
    SkipBlanks(s);
    if (s.size() < 2 || (s[0] | 0x20) != 'e' || (s[1] | 0x20) != 'q') return {};
    if (s.size() > 2 && !IsBlank(s[2]) && s[2] != '\\') return {};
    s.remove_prefix(2);
    SkipFormatSwitches(s);
    std::string text;
    while (!s.empty()) {
        text += Expression(s, 0);
        if (!s.empty()) {
            if (s.front() == ',') text.push_back(' ');
            s.remove_prefix(1);
        }
    }
    std::size_t begin = text.find_first_not_of(" \t\n");
    if (begin == std::string::npos) return {};
    return text.substr(begin, text.find_last_not_of(" \t\n") - begin + 1);
}

}  // namespace idxfilter::complete
