#include "cli/bounded_rank.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "cli/fts5_api.h"

namespace idxfilter::cli {
namespace {

constexpr double kK1 = 1.2;
constexpr double kB = 0.75;

// What every row of one query shares: the table's size and each phrase's
// weight.
struct QueryWeights {
    double averageTokens = 1;
    std::vector<double> idf;
};

int CountRow(const Fts5ExtensionApi*, Fts5Context*, void* count) {
    ++*static_cast<sqlite3_int64*>(count);
    return SQLITE_OK;
}

void DeleteWeights(void* weights) { delete static_cast<QueryWeights*>(weights); }

QueryWeights* Weights(const Fts5ExtensionApi* api, Fts5Context* fts) {
    if (auto* known = static_cast<QueryWeights*>(api->xGetAuxdata(fts, 0))) return known;
    auto* weights = new (std::nothrow) QueryWeights;
    if (weights == nullptr) return nullptr;
    sqlite3_int64 rows = 0, tokens = 0;
    api->xRowCount(fts, &rows);
    api->xColumnTotalSize(fts, -1, &tokens);
    weights->averageTokens = rows > 0 ? std::max(1.0, double(tokens) / double(rows)) : 1.0;
    const int phrases = api->xPhraseCount(fts);
    for (int phrase = 0; phrase < phrases; ++phrase) {
        sqlite3_int64 holding = 1;
        if (api->xPhraseSize(fts, phrase) == 1) {
            holding = 0;
            api->xQueryPhrase(fts, phrase, &holding, CountRow);
        }
        // As bm25(): a weight that would be negative (a word in most
        // documents) is a very small positive one instead.
        double idf = std::log((double(rows) - double(holding) + 0.5) / (double(holding) + 0.5));
        weights->idf.push_back(idf > 1e-6 ? idf : 1e-6);
    }
    if (api->xSetAuxdata(fts, weights, DeleteWeights) != SQLITE_OK) return nullptr;
    return weights;
}

void Rank(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* result, int, sqlite3_value**) {
    QueryWeights* weights = Weights(api, fts);
    if (weights == nullptr) {
        sqlite3_result_error_nomem(result);
        return;
    }
    int rowTokens = 0;
    api->xColumnSize(fts, -1, &rowTokens);
    const double lengthFactor = kK1 * (1 - kB + kB * rowTokens / weights->averageTokens);
    const long cap = std::max(1000L, long(100 * lengthFactor));
    double score = 0;
    for (int phrase = 0; phrase < int(weights->idf.size()); ++phrase) {
        Fts5PhraseIter it;
        int column = -1, offset = -1;
        long hits = 0;
        if (api->xPhraseFirst(fts, phrase, &it, &column, &offset) != SQLITE_OK) continue;
        for (; column >= 0 && hits < cap; api->xPhraseNext(fts, &it, &column, &offset)) ++hits;
        score += weights->idf[phrase] * (hits * (kK1 + 1)) / (hits + lengthFactor);
    }
    sqlite3_result_double(result, -score);
}

}  // namespace

bool RegisterBoundedRank(sqlite3* db) {
    fts5_api* api = Fts5Api(db);
    if (api == nullptr) return false;
    return api->xCreateFunction(api, "idx_rank", nullptr, Rank, nullptr) == SQLITE_OK;
}

}  // namespace idxfilter::cli
