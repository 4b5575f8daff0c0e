#include "cli/query_translation.h"

#include <vector>

namespace idxfilter::cli {
namespace {

enum class Kind { Word, Phrase, Operator, Open, Close };

struct Token {
    Kind kind;
    std::string text;  // the word or the phrase's inside, as typed
    bool prefix = false;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// Control characters separate words, inside phrases too: FTS5 reads its
// query up to a zero byte, so one left inside a string would leave the
// string unterminated.
std::string WithControlsAsBlanks(std::string_view typed) {
    std::string text(typed);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return text;
}

// A character FTS5's unicode61 tokenizer keeps in a token: ASCII letters
// and digits, and (leniently) every byte of a non-ASCII character.
bool IsTokenByte(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0x80;
}

bool HasTokenByte(std::string_view text) {
    for (char c : text)
        if (IsTokenByte(static_cast<unsigned char>(c))) return true;
    return false;
}

// FTS5 string syntax: the text in double quotes, each quote doubled.
void AppendString(std::string_view text, std::string& out) {
    out.push_back('"');
    for (char c : text) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

std::vector<Token> Split(std::string_view typed) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < typed.size()) {
        char c = typed[i];
        if (IsBlank(c)) {
            ++i;
        } else if (c == '(' || c == ')') {
            tokens.push_back({c == '(' ? Kind::Open : Kind::Close, {}});
            ++i;
        } else if (c == '"') {
            std::size_t end = typed.find('"', i + 1);
            if (end == std::string_view::npos) end = typed.size();
            Token phrase{Kind::Phrase, std::string(typed.substr(i + 1, end - i - 1))};
            i = end + 1;
            if (i < typed.size() && typed[i] == '*') {
                phrase.prefix = true;
                ++i;
            }
            tokens.push_back(std::move(phrase));
        } else {
            std::size_t end = i;
            while (end < typed.size() && !IsBlank(typed[end]) && typed[end] != '(' &&
                   typed[end] != ')' && typed[end] != '"')
                ++end;
            std::string word(typed.substr(i, end - i));
            i = end;
            if (word == "AND" || word == "OR" || word == "NOT") {
                tokens.push_back({Kind::Operator, std::move(word)});
                continue;
            }
            Token token{Kind::Word, std::move(word)};
            if (token.text.size() > 1 && token.text.back() == '*') {
                token.text.pop_back();
                token.prefix = true;
            }
            tokens.push_back(std::move(token));
        }
    }
    return tokens;
}

bool IsOperand(Kind kind) { return kind == Kind::Word || kind == Kind::Phrase; }

// Operators that do not stand between two operands are words; words and
// phrases without a letter or digit are dropped (FTS5 would find no token
// in them, and an empty string matches nothing).
std::vector<Token> Normalise(std::vector<Token> tokens) {
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != Kind::Operator) continue;
        bool before = i > 0 && (IsOperand(tokens[i - 1].kind) || tokens[i - 1].kind == Kind::Close);
        bool after = i + 1 < tokens.size() &&
                     (IsOperand(tokens[i + 1].kind) || tokens[i + 1].kind == Kind::Open);
        if (!before || !after) tokens[i].kind = Kind::Word;
    }
    std::vector<Token> kept;
    for (Token& token : tokens)
        if (!IsOperand(token.kind) || HasTokenByte(token.text)) kept.push_back(std::move(token));
    return kept;
}

// Each level can take seven entries of FTS5's parser stack of 100 (a OR b
// AND c NOT ( ...): deeper groups overflow it.
constexpr int kMaxGroupDepth = 8;

std::string Render(const std::vector<Token>& tokens) {
    std::string out;
    int depth = 0;
    int deeper = 0;  // opened beyond kMaxGroupDepth, not yet closed
    Kind previous = Kind::Operator;
    for (const Token& token : tokens) {
        // "()" and "a ( ) b" would be syntax errors; operators left
        // dangling by dropped words likewise.
        if (token.kind == Kind::Close && deeper > 0) {
            --deeper;
            continue;
        }
        if (token.kind == Kind::Open && depth == kMaxGroupDepth) {
            // FTS5's parser has a bounded stack: groups nested deeper than
            // this are read as if their parentheses were not there.
            ++deeper;
            continue;
        }
        if (token.kind == Kind::Close) {
            if (depth == 0 || previous == Kind::Open || previous == Kind::Operator) continue;
            --depth;
            out += ")";
        } else if (token.kind == Kind::Open) {
            // FTS5 joins side-by-side phrases, but not groups, implicitly.
            if (IsOperand(previous) || previous == Kind::Close) out += " AND";
            if (!out.empty()) out += ' ';
            out += "(";
            ++depth;
        } else if (token.kind == Kind::Operator) {
            if (!(IsOperand(previous) || previous == Kind::Close)) continue;
            out += ' ' + token.text;
        } else {
            if (previous == Kind::Close) out += " AND";
            if (!out.empty() && previous != Kind::Open) out += ' ';
            AppendString(token.text, out);
            if (token.prefix) out += '*';
        }
        previous = token.kind;
    }
    // A trailing operator or an empty group is left over when the words
    // after it were dropped.
    while (true) {
        std::size_t cut = out.find_last_not_of(' ');
        if (cut == std::string::npos) break;
        out.resize(cut + 1);
        bool trimmed = false;
        for (const char* tail : {" AND", " OR", " NOT", "("}) {
            std::string_view t(tail);
            if (std::string_view(out).ends_with(t)) {
                out.resize(out.size() - t.size());
                if (t == "(") --depth;
                trimmed = true;
                break;
            }
        }
        if (!trimmed) break;
    }
    while (depth-- > 0) out += ')';
    return out;
}

TranslatedQuery Refuse(std::string reason) { return {{}, std::move(reason)}; }

std::string Bounds(std::string_view typed, std::size_t terms) {
    if (typed.size() > kMaxQueryBytes)
        return "the query is longer than " + std::to_string(kMaxQueryBytes / 1024) + " KiB";
    if (terms > kMaxQueryTerms)
        return "the query has more than " + std::to_string(kMaxQueryTerms) + " terms";
    return {};
}

}  // namespace

TranslatedQuery TranslateQuery(std::string_view typed) {
    if (typed.size() > kMaxQueryBytes) return Refuse(Bounds(typed, 0));
    std::vector<Token> tokens = Normalise(Split(WithControlsAsBlanks(typed)));
    std::size_t terms = 0;
    for (const Token& token : tokens) terms += IsOperand(token.kind);
    if (std::string bound = Bounds(typed, terms); !bound.empty()) return Refuse(bound);
    if (terms == 0) return Refuse("the query has no word to search for");
    std::string fts = Render(tokens);
    if (fts.empty()) return Refuse("the query has no word to search for");
    return {fts, {}};
}

TranslatedQuery CheckRawQuery(std::string_view typed) {
    std::size_t terms = 0;
    bool inTerm = false;
    for (char c : typed) {
        bool blank = IsBlank(c);
        if (!blank && !inTerm) ++terms;
        inTerm = !blank;
    }
    if (std::string bound = Bounds(typed, terms); !bound.empty()) return Refuse(bound);
    if (!HasTokenByte(typed)) return Refuse("the query has no word to search for");
    return {std::string(typed), {}};
}

}  // namespace idxfilter::cli
