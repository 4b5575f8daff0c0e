#include "cli/search_output.h"

#include <cstdio>

#include "cli/jsonl_output.h"

namespace idxfilter::cli {
namespace {

void AppendHexEscape(unsigned char byte, std::string& out) {
    char escape[5];
    std::snprintf(escape, sizeof escape, "\\x%02x", byte);
    out += escape;
}

// Control characters of the snippet become blanks: it is text to read,
// not a name to give back.
std::string OneLine(std::string_view text) {
    std::string line(text);
    for (std::size_t i = 0; i < line.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        if (c < 0x20 || c == 0x7F) line[i] = ' ';
        // C1 controls, U+0080 to U+009F, are C2 80 to C2 9F in UTF-8.
        if (c == 0xC2 && i + 1 < line.size() && static_cast<unsigned char>(line[i + 1]) <= 0x9F &&
            static_cast<unsigned char>(line[i + 1]) >= 0x80) {
            line.replace(i, 2, " ");
        }
    }
    return line;
}

}  // namespace

std::string EscapePath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            AppendHexEscape(c, out);
        } else if (c == 0xC2 && i + 1 < path.size() &&
                   static_cast<unsigned char>(path[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(path[i + 1]) <= 0x9F) {
            AppendHexEscape(c, out);
            AppendHexEscape(static_cast<unsigned char>(path[++i]), out);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

std::string PlainLine(const SearchHit& hit) {
    return EscapePath(hit.path) + '\t' + OneLine(hit.snippet) + '\n';
}

std::string JsonHitLine(const SearchHit& hit) {
    std::string line = "{\"path\":\"";
    AppendJsonEscaped(IsValidUtf8(hit.path) ? hit.path : ReplaceIllFormedUtf8(hit.path), line);
    line += '"';
    if (!IsValidUtf8(hit.path)) line += ",\"path_base64\":\"" + Base64(hit.path) + '"';
    line += ",\"title\":";
    if (hit.title) {
        line += '"';
        AppendJsonEscaped(IsValidUtf8(*hit.title) ? *hit.title : ReplaceIllFormedUtf8(*hit.title), line);
        line += '"';
    } else {
        line += "null";
    }
    char score[40];
    std::snprintf(score, sizeof score, "%.17g", hit.score);
    line += ",\"score\":";
    line += score;
    line += ",\"snippet\":\"";
    AppendJsonEscaped(IsValidUtf8(hit.snippet) ? hit.snippet : ReplaceIllFormedUtf8(hit.snippet), line);
    line += "\"}\n";
    return line;
}

}  // namespace idxfilter::cli
