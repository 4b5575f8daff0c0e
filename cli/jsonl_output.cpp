#include "cli/jsonl_output.h"

#include <cstddef>

#include "cli/output_stream.h"

namespace idxfilter::cli {

namespace {

// The length of the well-formed UTF-8 sequence at s[i] (of n bytes), or 0.
std::size_t WellFormedLength(const unsigned char* s, std::size_t i, std::size_t n) {
    unsigned char c = s[i];
    if (c < 0x80) return 1;
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0) low = 0xA0;   // no overlong forms
        if (c == 0xED) high = 0x9F;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (i + length > n || s[i + 1] < low || s[i + 1] > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (s[i + k] < 0x80 || s[i + k] > 0xBF) return 0;
    return length;
}

// Calls emit(bytes, count) for the runs of `text` that need no escape and
// for the escape of each character that does, in order; stops at the
// first emit that returns false.
template <typename Emit>
bool EmitJsonEscaped(std::string_view text, Emit&& emit) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        if (i > run && !emit(text.data() + run, i - run)) return false;
        run = i + 1;
        char escape[6] = {'\\', 0, 0, 0, 0, 0};
        std::size_t length = 2;
        switch (c) {
            case '"': escape[1] = '"'; break;
            case '\\': escape[1] = '\\'; break;
            case '\b': escape[1] = 'b'; break;
            case '\f': escape[1] = 'f'; break;
            case '\n': escape[1] = 'n'; break;
            case '\r': escape[1] = 'r'; break;
            case '\t': escape[1] = 't'; break;
            default:
                escape[1] = 'u';
                escape[2] = '0';
                escape[3] = '0';
                escape[4] = kHex[c >> 4];
                escape[5] = kHex[c & 15];
                length = 6;
        }
        if (!emit(escape, length)) return false;
    }
    return text.size() <= run || emit(text.data() + run, text.size() - run);
}

}  // namespace

bool IsValidUtf8(const std::string& bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t length = WellFormedLength(s, i, bytes.size());
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string ReplaceIllFormedUtf8(const std::string& bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t length = WellFormedLength(s, i, bytes.size());
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(bytes, i, length);
            i += length;
        }
    }
    return out;
}

std::string Base64(const std::string& bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        unsigned v = (unsigned char)bytes[i] << 16 | (unsigned char)bytes[i + 1] << 8 |
                     (unsigned char)bytes[i + 2];
        out += {kDigits[v >> 18], kDigits[(v >> 12) & 63], kDigits[(v >> 6) & 63], kDigits[v & 63]};
    }
    if (i + 1 == bytes.size()) {
        unsigned v = (unsigned char)bytes[i] << 16;
        out += {kDigits[v >> 18], kDigits[(v >> 12) & 63], '=', '='};
    } else if (i + 2 == bytes.size()) {
        unsigned v = (unsigned char)bytes[i] << 16 | (unsigned char)bytes[i + 1] << 8;
        out += {kDigits[v >> 18], kDigits[(v >> 12) & 63], kDigits[(v >> 6) & 63], '='};
    }
    return out;
}

bool WriteJsonEscaped(std::string_view text, OutputStream& out) {
    return EmitJsonEscaped(text, [&](const char* bytes, std::size_t count) {
        return out.Write(bytes, count);
    });
}

void AppendJsonEscaped(std::string_view text, std::string& out) {
    EmitJsonEscaped(text, [&](const char* bytes, std::size_t count) {
        out.append(bytes, count);
        return true;
    });
}

std::string JsonLineHead(const std::string& path, std::string_view reader, std::int64_t result,
                         const std::vector<DocumentProperty>& meta) {
    std::string head = "{\"path\":\"";
    if (IsValidUtf8(path)) {
        AppendJsonEscaped(path, head);
    } else {
        AppendJsonEscaped(ReplaceIllFormedUtf8(path), head);
        head += "\",\"path_base64\":\"";
        head += Base64(path);
    }
    head += "\",\"reader\":\"";
    AppendJsonEscaped(reader, head);
    head += "\",\"result\":";
    head += std::to_string(result);
    if (!meta.empty()) {
        head += ",\"meta\":{";
        for (std::size_t i = 0; i < meta.size(); ++i) {
            head += i == 0 ? "\"" : ",\"";
            AppendJsonEscaped(meta[i].name, head);
            head += "\":\"";
            AppendJsonEscaped(meta[i].value, head);
            head += '"';
        }
        head += '}';
    }
    head += ",\"text\":\"";
    return head;
}

std::string JsonLineTail(std::int64_t result, const std::string& reason) {
    std::string tail = "\"";
    if (result < 0) {
        tail += ",\"reason\":\"";
        AppendJsonEscaped(reason, tail);
        tail += '"';
    }
    tail += "}\n";
    return tail;
}

std::string JsonLine(const std::string& path, std::string_view reader, std::int64_t result, const std::string& text,
                     const std::string& reason, const std::vector<DocumentProperty>& meta) {
    std::string line = JsonLineHead(path, reader, result, meta);
    AppendJsonEscaped(text, line);
    line += JsonLineTail(result, reason);
    return line;
}

}  // namespace idxfilter::cli
