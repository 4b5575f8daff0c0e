// What `search` does with text it does not control: the typed query and
// the stored paths, titles and snippets it prints.
// - TranslateQuery either refuses with a one-line reason or gives a query
//   that FTS5 accepts (run against an in-memory index: no syntax error),
//   within the term bound; CheckRawQuery refuses or passes the text as is;
// - EscapePath leaves no control character and no lone backslash, and
//   unescaping it gives the path back, byte for byte;
// - PlainLine is one line; JsonHitLine is one JSON object whose path (or
//   path_base64) gives the path back exactly.
#include <sqlite3.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "cli/query_translation.h"
#include "cli/search_output.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace idxfilter::cli;

sqlite3* Index() {
    static sqlite3* db = [] {
        sqlite3* opened = nullptr;
        FUZZ_CHECK(sqlite3_open(":memory:", &opened) == SQLITE_OK);
        FUZZ_CHECK(sqlite3_exec(opened,
                                "CREATE VIRTUAL TABLE t USING fts5(body);"
                                "INSERT INTO t VALUES ('e-mail 12.5 don''t C++ http://x.org creme');",
                                nullptr, nullptr, nullptr) == SQLITE_OK);
        return opened;
    }();
    return db;
}

// SQLITE_ERROR from MATCH is FTS5 refusing the query's syntax.
bool Fts5Accepts(const std::string& query) {
    sqlite3_stmt* statement = nullptr;
    FUZZ_CHECK(sqlite3_prepare_v2(Index(), "SELECT rowid FROM t WHERE t MATCH ?", -1, &statement, nullptr) ==
               SQLITE_OK);
    sqlite3_bind_text(statement, 1, query.data(), static_cast<int>(query.size()), SQLITE_TRANSIENT);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    }
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE;
}

void CheckTranslation(std::string_view typed) {
    TranslatedQuery translated = TranslateQuery(typed);
    FUZZ_CHECK(translated.fts.empty() != translated.error.empty());
    if (!translated.error.empty()) {
        FUZZ_CHECK(translated.error.find('\n') == std::string::npos);
        return;
    }
    FUZZ_CHECK(Fts5Accepts(translated.fts));
}

void CheckRawPassing(std::string_view typed) {
    TranslatedQuery raw = CheckRawQuery(typed);
    FUZZ_CHECK(raw.fts.empty() != raw.error.empty());
    if (raw.error.empty()) FUZZ_CHECK(raw.fts == typed);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The reverse of EscapePath, written from its documented escapes.
std::string Unescape(std::string_view escaped) {
    std::string out;
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != '\\') {
            out += escaped[i];
            continue;
        }
        FUZZ_CHECK(i + 1 < escaped.size());
        char kind = escaped[++i];
        if (kind == 't') out += '\t';
        else if (kind == 'n') out += '\n';
        else if (kind == 'r') out += '\r';
        else if (kind == '\\') out += '\\';
        else {
            FUZZ_CHECK(kind == 'x' && i + 2 < escaped.size());
            int high = HexValue(escaped[i + 1]), low = HexValue(escaped[i + 2]);
            FUZZ_CHECK(high >= 0 && low >= 0);
            out += char(high * 16 + low);
            i += 2;
        }
    }
    return out;
}

bool IsControlByte(unsigned char c) { return c < 0x20 || c == 0x7F; }

void CheckEscaping(std::string_view path) {
    std::string escaped = EscapePath(path);
    for (unsigned char c : escaped) FUZZ_CHECK(!IsControlByte(c));
    // C1 controls are U+0080..U+009F, C2 80..C2 9F in UTF-8.
    for (std::size_t i = 0; i + 1 < escaped.size(); ++i)
        FUZZ_CHECK(!(static_cast<unsigned char>(escaped[i]) == 0xC2 &&
                     static_cast<unsigned char>(escaped[i + 1]) >= 0x80 &&
                     static_cast<unsigned char>(escaped[i + 1]) <= 0x9F));
    FUZZ_CHECK(Unescape(escaped) == path);

    SearchHit hit;
    hit.path = std::string(path);
    hit.snippet = "a [hit] here";
    std::string line = PlainLine(hit);
    FUZZ_CHECK(!line.empty() && line.back() == '\n');
    FUZZ_CHECK(line.find('\n') == line.size() - 1);

    std::string json = JsonHitLine(hit);
    FUZZ_CHECK(!json.empty() && json.back() == '\n');
    nlohmann::json object = nlohmann::json::parse(json);
    FUZZ_CHECK(object.is_object() && object.contains("path"));
    if (object.contains("path_base64")) {
        // The exact bytes, when the path is not valid UTF-8.
        static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string encoded = object["path_base64"].get<std::string>(), decoded;
        unsigned bits = 0;
        int count = 0;
        for (char c : encoded) {
            if (c == '=') break;
            std::size_t v = alphabet.find(c);
            FUZZ_CHECK(v != std::string::npos);
            bits = (bits << 6) | unsigned(v);
            count += 6;
            if (count >= 8) {
                count -= 8;
                decoded += char((bits >> count) & 0xFF);
            }
        }
        FUZZ_CHECK(decoded == path);
    } else {
        FUZZ_CHECK(object["path"].get<std::string>() == path);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckTranslation(input);
    CheckRawPassing(input);
    CheckEscaping(input);
    return 0;
}
