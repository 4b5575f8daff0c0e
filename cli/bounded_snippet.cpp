#include "cli/bounded_snippet.h"

#include <algorithm>
#include <string>
#include <vector>

#include "cli/fts5_api.h"

namespace idxfilter::cli {
namespace {

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

// Token positions of the hits in column 0 that can fall in the window
// around the first, in order; phrases mark each of their tokens. Each
// phrase's instances are walked only up to the window's end (xInstCount
// would first list every hit of the row: millions in a large document).
std::vector<int> HitPositions(const Fts5ExtensionApi* api, Fts5Context* fts) {
    std::vector<int> hits;
    const int phrases = api->xPhraseCount(fts);
    int first = -1;
    for (int phrase = 0; phrase < phrases; ++phrase) {
        // Instances come in order of column, then position: a phrase's
        // first one is in column 0 if any is.
        Fts5PhraseIter it;
        int column = -1, offset = -1;
        if (api->xPhraseFirst(fts, phrase, &it, &column, &offset) != SQLITE_OK) continue;
        if (column == 0 && (first < 0 || offset < first)) first = offset;
    }
    if (first < 0) return hits;
    for (int phrase = 0; phrase < phrases; ++phrase) {
        Fts5PhraseIter it;
        int column = -1, offset = -1;
        if (api->xPhraseFirst(fts, phrase, &it, &column, &offset) != SQLITE_OK) continue;
        const int size = api->xPhraseSize(fts, phrase);
        for (; column == 0 && offset <= first + kSnippetTokens; api->xPhraseNext(fts, &it, &column, &offset))
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
