// The typed query's translation, checked against FTS5 itself: every
// translation must be accepted and find exactly the documents a person
// would expect; and the path escaping of the plain search output.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <set>
#include <string>
#include <vector>

#include "cli/query_translation.h"
#include "cli/search_output.h"

namespace idxfilter::cli {
namespace {

// An in-memory FTS5 table with the index's tokenizer.
class Fts5Table {
public:
    explicit Fts5Table(const std::vector<std::string>& texts) {
        sqlite3_open(":memory:", &db_);
        Exec("CREATE VIRTUAL TABLE t USING fts5(text, tokenize = 'unicode61 remove_diacritics 2')");
        for (std::size_t i = 0; i < texts.size(); ++i) {
            sqlite3_stmt* insert;
            sqlite3_prepare_v2(db_, "INSERT INTO t(rowid, text) VALUES(?1, ?2)", -1, &insert, nullptr);
            sqlite3_bind_int64(insert, 1, static_cast<sqlite3_int64>(i));
            sqlite3_bind_text(insert, 2, texts[i].c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_finalize(insert);
        }
    }
    ~Fts5Table() { sqlite3_close(db_); }

    // The rows matching `query`; sets `accepted` false when FTS5 refuses it.
    std::set<int> Match(const std::string& query, bool& accepted) {
        std::set<int> rows;
        sqlite3_stmt* select;
        sqlite3_prepare_v2(db_, "SELECT rowid FROM t WHERE t MATCH ?1", -1, &select, nullptr);
        sqlite3_bind_text(select, 1, query.c_str(), -1, SQLITE_TRANSIENT);
        int status;
        while ((status = sqlite3_step(select)) == SQLITE_ROW) rows.insert(sqlite3_column_int(select, 0));
        accepted = status == SQLITE_DONE;
        sqlite3_finalize(select);
        return rows;
    }

private:
    void Exec(const char* sql) { sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }
    sqlite3* db_ = nullptr;
};

const std::vector<std::string> kTexts = {
    "send an e-mail to the office",          // 0
    "the rate rose to 12.5 percent",         // 1
    "don't panic, says C++ guide",           // 2
    "see http://x.org for the foo-bar notes", // 3
    "mail and e vowels separately",          // 4
    "AND OR NOT are words here too",         // 5
    "Café crème in the harbour",             // 6
};

TEST(TranslateQuery, FindsWhatPeopleMean) {
    Fts5Table table(kTexts);
    struct Case {
        const char* typed;
        std::set<int> rows;
    } cases[] = {
        {"e-mail", {0}},
        {"12.5", {1}},
        {"don't", {2}},
        {"C++", {2}},
        {"http://x.org", {3}},
        {"foo-bar", {3}},
        {"cafe creme", {6}},
        {"mail OR percent", {0, 1, 4}},  // e-mail holds the word mail
        {"mail NOT vowels", {0}},
        {"e-mail OR 12.5", {0, 1}},
        {"\"the office\"", {0}},
        {"harb*", {6}},
        {"(rate OR office) the", {0, 1}},
        {"AND", {4, 5}},  // "and" is a word of both
        {"OR NOT", {5}},
        {"words AND", {5}},
        {"\"unclosed phrase", {}},
        {"(guide", {2}},
        {"guide)", {2}},
        {"nosuchcolumn: x", {}},
        {"'; DROP TABLE t; --", {}},
        {"NEAR(a b)", {}},
    };
    for (const Case& c : cases) {
        TranslatedQuery query = TranslateQuery(c.typed);
        ASSERT_TRUE(query.error.empty()) << c.typed << ": " << query.error;
        bool accepted = false;
        EXPECT_EQ(table.Match(query.fts, accepted), c.rows) << c.typed << " -> " << query.fts;
        EXPECT_TRUE(accepted) << c.typed << " -> " << query.fts;
    }
}

TEST(TranslateQuery, ControlCharactersSeparateWordsEvenInPhrases) {
    // FTS5 stops reading a query at a zero byte: one kept inside a string
    // would leave it unterminated (found by the query fuzzer).
    Fts5Table table(kTexts);
    struct Case {
        std::string typed;
        std::set<int> rows;
    } cases[] = {
        {std::string("\"the\0office\"", 12), {0}},
        {std::string("rate\0", 5), {1}},
        {"\x1bpanic\x7f", {2}},
    };
    for (const Case& c : cases) {
        TranslatedQuery query = TranslateQuery(c.typed);
        ASSERT_TRUE(query.error.empty()) << query.error;
        bool accepted = false;
        EXPECT_EQ(table.Match(query.fts, accepted), c.rows) << query.fts;
        EXPECT_TRUE(accepted) << query.fts;
    }
}

TEST(TranslateQuery, DeepGroupsStayWithinFts5sParserStack) {
    // Fourteen levels of this shape overflow FTS5's parser (found by the
    // query fuzzer); deeper levels are read without their parentheses.
    Fts5Table table(kTexts);
    for (int levels : {8, 14, 40, 60}) {
        std::string typed;
        for (int i = 0; i < levels; ++i) typed += "panic OR rate AND office NOT ( ";
        typed += "panic";
        for (int i = 0; i < levels; ++i) typed += " )";
        TranslatedQuery query = TranslateQuery(typed);
        ASSERT_TRUE(query.error.empty()) << levels << ": " << query.error;
        bool accepted = false;
        EXPECT_EQ(table.Match(query.fts, accepted), std::set<int>({2})) << levels;
        EXPECT_TRUE(accepted) << levels << " -> " << query.fts;
    }
}

TEST(TranslateQuery, RefusesWhatHoldsNoWordOrIsTooLarge) {
    for (const char* typed : {"", "   ", "-", "()", "\"\"", "+-*/ ..."})
        EXPECT_FALSE(TranslateQuery(typed).error.empty()) << typed;
    std::string many;
    for (std::size_t i = 0; i <= kMaxQueryTerms; ++i) many += "w" + std::to_string(i) + " OR ";
    many += "last";
    EXPECT_NE(TranslateQuery(many).error.find("terms"), std::string::npos);
    EXPECT_NE(CheckRawQuery(many).error.find("terms"), std::string::npos);
    EXPECT_NE(TranslateQuery(std::string(kMaxQueryBytes + 1, 'a')).error.find("KiB"), std::string::npos);
    EXPECT_TRUE(TranslateQuery(std::string(1000, 'a')).error.empty());
}

TEST(EscapePath, KeepsOneHitOnOneLineAndUndoesExactly) {
    struct Case {
        std::string path, escaped;
    } cases[] = {
        {"/plain/name.txt", "/plain/name.txt"},
        {"/a\tb\nc\rd", "/a\\tb\\nc\\rd"},
        {"/back\\slash", "/back\\\\slash"},
        {"/esc\x1b[31mred", "/esc\\x1b[31mred"},
        {"/del\x7f", "/del\\x7f"},
        {"/c1\xc2\x9b" "x", "/c1\\xc2\\x9bx"},
        {"/na\xc3\xafve", "/na\xc3\xafve"},
        {"/bad\xff", "/bad\xff"},
    };
    for (const Case& c : cases) EXPECT_EQ(EscapePath(c.path), c.escaped);
}

}  // namespace
}  // namespace idxfilter::cli
