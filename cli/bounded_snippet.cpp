#include "cli/bounded_snippet.h"

#include <algorithm>
#include <string>
#include <vector>

namespace idxfilter::cli {
namespace {

fts5_api* Fts5Api(sqlite3* db) {
    fts5_api* api = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &statement, nullptr) != SQLITE_OK) return nullptr;
    sqlite3_bind_pointer(statement, 1, &api, "fts5_api_ptr", nullptr);
    sqlite3_step(statement);
    sqlite3_finalize(statement);
    return api;
}

struct Span {
    int start, end;  // bytes of one token in the text
};

// The tokens of the window, found by tokenizing from the start and
// stopping at the window's end.
struct WindowScan {
    int first = 0;  // token position of the window's first token
    int last = 0;   // one past the window
    int position = 0;
    std::vector<Span> tokens;
    bool moreAfter = false;
};

int CollectWindow(void* context, int flags, const char*, int, int start, int end) {
    auto* scan = static_cast<WindowScan*>(context);
    if (flags & FTS5_TOKEN_COLOCATED) return SQLITE_OK;  // a synonym: same position
    if (scan->position >= scan->last) {
        scan->moreAfter = true;
        return SQLITE_DONE;
    }
    if (scan->position >= scan->first) scan->tokens.push_back({start, end});
    ++scan->position;
    return SQLITE_OK;
}

// Token positions of the hits in column 0, first hit first; phrases mark
// each of their tokens.
std::vector<int> HitPositions(const Fts5ExtensionApi* api, Fts5Context* fts) {
    std::vector<int> hits;
    int count = 0;
    if (api->xInstCount(fts, &count) != SQLITE_OK) return hits;
    int first = -1;
    for (int i = 0; i < count; ++i) {
        int phrase, column, offset;
        if (api->xInst(fts, i, &phrase, &column, &offset) != SQLITE_OK || column != 0) continue;
        if (first < 0 || offset < first) first = offset;
        // Only hits that can fall in the window around the first matter,
        // and instances come in order of position.
        if (offset > first + kSnippetTokens) break;
        int size = api->xPhraseSize(fts, phrase);
        for (int k = 0; k < size; ++k) hits.push_back(offset + k);
    }
    std::sort(hits.begin(), hits.end());
    return hits;
}

void Snippet(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* result, int,
             sqlite3_value**) {
    const char* text = nullptr;
    int length = 0;
    if (api->xColumnText(fts, 0, &text, &length) != SQLITE_OK || text == nullptr) {
        sqlite3_result_text(result, "", 0, SQLITE_STATIC);
        return;
    }
    std::vector<int> hits = HitPositions(api, fts);
    int firstHit = hits.empty() ? 0 : hits.front();
    WindowScan scan;
    scan.first = std::max(0, firstHit - 2);
    scan.last = scan.first + kSnippetTokens;
    int scanned = std::min(length, kSnippetScanBytes);
    api->xTokenize(fts, text, scanned, &scan, CollectWindow);
    if (scan.tokens.empty() && scan.first > 0) {
        // The first hit lies beyond the bytes scanned: the opening words.
        hits.clear();
        scan = WindowScan();
        scan.last = kSnippetTokens;
        api->xTokenize(fts, text, scanned, &scan, CollectWindow);
    }
    if (scanned < length) scan.moreAfter = true;

    std::string out;
    if (scan.first > 0) out += "...";
    for (std::size_t i = 0; i < scan.tokens.size(); ++i) {
        const Span& token = scan.tokens[i];
        if (i > 0) out.append(text + scan.tokens[i - 1].end, text + token.start);
        bool hit = std::binary_search(hits.begin(), hits.end(), scan.first + int(i));
        if (hit) out += '[';
        out.append(text + token.start, text + token.end);
        if (hit) out += ']';
    }
    if (scan.moreAfter) out += "...";
    sqlite3_result_text(result, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

}  // namespace

bool RegisterBoundedSnippet(sqlite3* db) {
    fts5_api* api = Fts5Api(db);
    if (api == nullptr) return false;
    return api->xCreateFunction(api, "idx_snippet", nullptr, Snippet, nullptr) == SQLITE_OK;
}

}  // namespace idxfilter::cli
