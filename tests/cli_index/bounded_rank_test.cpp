// idx_rank against FTS5's own bm25 on a small table: the same scores where
// its bounds do not apply (words, hits under the cap), the same order for
// phrases, and the first hits of the snippet found without listing them
// all.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "cli/bounded_rank.h"
#include "cli/bounded_snippet.h"

namespace idxfilter::cli {
namespace {

class RankedTable {
public:
    explicit RankedTable(const std::vector<std::string>& texts) {
        sqlite3_open(":memory:", &db_);
        sqlite3_exec(db_, "CREATE VIRTUAL TABLE t USING fts5(text, title, author)", nullptr, nullptr, nullptr);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            sqlite3_stmt* insert;
            sqlite3_prepare_v2(db_, "INSERT INTO t(rowid, text) VALUES(?1, ?2)", -1, &insert, nullptr);
            sqlite3_bind_int64(insert, 1, sqlite3_int64(i));
            sqlite3_bind_text(insert, 2, texts[i].c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_finalize(insert);
        }
        EXPECT_TRUE(RegisterBoundedRank(db_));
        EXPECT_TRUE(RegisterBoundedSnippet(db_));
    }
    ~RankedTable() { sqlite3_close(db_); }

    // (rowid, idx_rank, bm25) of each match, best first by idx_rank.
    std::vector<std::tuple<int, double, double>> Scores(const std::string& query) {
        std::vector<std::tuple<int, double, double>> rows;
        sqlite3_stmt* select;
        sqlite3_prepare_v2(db_,
                           "SELECT rowid, idx_rank(t) AS r, bm25(t) FROM t WHERE t MATCH ?1 ORDER BY r, rowid",
                           -1, &select, nullptr);
        sqlite3_bind_text(select, 1, query.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(select) == SQLITE_ROW)
            rows.emplace_back(sqlite3_column_int(select, 0), sqlite3_column_double(select, 1),
                              sqlite3_column_double(select, 2));
        sqlite3_finalize(select);
        return rows;
    }

    std::string Snippet(const std::string& query, int row) {
        sqlite3_stmt* select;
        sqlite3_prepare_v2(db_, "SELECT idx_snippet(t) FROM t WHERE t MATCH ?1 AND rowid = ?2", -1, &select,
                           nullptr);
        sqlite3_bind_text(select, 1, query.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(select, 2, row);
        std::string snippet;
        if (sqlite3_step(select) == SQLITE_ROW)
            snippet = reinterpret_cast<const char*>(sqlite3_column_text(select, 0));
        sqlite3_finalize(select);
        return snippet;
    }

private:
    sqlite3* db_ = nullptr;
};

const std::vector<std::string> kTexts = {
    "the harbour report on the river",
    "river river river and more river in a much longer text about the harbour and other things",
    "a report",
    "summer garden report report",
    "nothing of interest here",
    "the river report",
};

TEST(BoundedRank, IsBm25ForWords) {
    RankedTable table(kTexts);
    for (const char* query : {"river", "report", "harbour river", "river OR garden", "report NOT summer"}) {
        auto rows = table.Scores(query);
        ASSERT_FALSE(rows.empty()) << query;
        for (const auto& [row, rank, bm25] : rows) EXPECT_NEAR(rank, bm25, 1e-9) << query << " row " << row;
    }
}

TEST(BoundedRank, OrdersPhrasesAsBm25Does) {
    RankedTable table(kTexts);
    auto rows = table.Scores("\"river report\" OR \"the river\"");
    ASSERT_EQ(rows.size(), 2u);
    // Row 5 holds both phrases, row 0 one of them.
    EXPECT_EQ(std::get<0>(rows[0]), 5);
    EXPECT_EQ(std::get<0>(rows[1]), 0);
    EXPECT_LT(std::get<2>(rows[0]), std::get<2>(rows[1]));
}

TEST(BoundedSnippet, MarksTheHitsAroundTheFirst) {
    RankedTable table(kTexts);
    EXPECT_EQ(table.Snippet("river", 1), "[river] [river] [river] and more [river] in a much longer text about...");
    EXPECT_EQ(table.Snippet("\"river report\"", 5), "the [river] [report]");
    EXPECT_EQ(table.Snippet("garden OR harbour", 3), "summer [garden] report report");
}

}  // namespace
}  // namespace idxfilter::cli
