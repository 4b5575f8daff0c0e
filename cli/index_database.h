// The index file: which files were filtered, in which state, with what
// result, and their text in an FTS5 table.
//
// Recognised by PRAGMA application_id (kApplicationId) and versioned by
// PRAGMA user_version (kFormatVersion); any other SQLite database is
// refused, never modified. Paths are stored as BLOBs, byte for byte, since
// file names need not be valid UTF-8. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/sqlite_statement.h"

namespace idxfilter::cli {

// 'idxf'.
constexpr std::int32_t kApplicationId = 0x69647866;
constexpr int kFormatVersion = 3;

// A file's row as stored.
struct StoredFile {
    std::int64_t id = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int32_t result = 0;
    std::string reason;
    bool transient = false;
    // What shaped the text; empty / -1 where not recorded (format 1).
    std::string reader;
    std::int64_t ansiCodePage = -1;
    std::string toolVersion;
};

// What shaped a run's texts: a stored file with other settings is
// filtered again.
struct FilterSettings {
    std::string reader;
    std::int64_t ansiCodePage = 0;
    std::string toolVersion;
};

// What one filter run gave for one file.
struct FileRecord {
    std::string path;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t result = 0;
    std::string reason;  // empty when result >= 0
    std::string text;    // UTF-8; empty when result < 0
    std::string title;   // the document's properties, where it has them
    std::string author;
    bool transient = false;  // a failure worth retrying (out of memory, ...)
    bool truncated = false;  // `text` was cut at StoredTextLimit()
};

class IndexDatabase {
public:
    // Opens `file` for updating, creating the schema when the file is new
    // or empty. Throws DatabaseError when the file is locked, read-only,
    // damaged, or a database of something else.
    static IndexDatabase OpenForUpdate(const std::string& file);
    // Opens an existing index read-only. Throws DatabaseError.
    static IndexDatabase OpenForSearch(const std::string& file);

    // The stored rows whose path is one of `roots` or lies below one.
    std::unordered_map<std::string, StoredFile> FilesUnder(const std::vector<std::string>& roots);

    // Each change happens inside Begin/Commit; Rollback undoes everything
    // since Begin. A file's row and its text always change together.
    void Begin();
    void Commit();
    void Rollback();
    // Stores the record with `settings`. A file the store cannot take
    // (a text too big for SQLite, ...) is stored as failed with the reason
    // instead (`record` then says so), and false is returned; a failure of the database itself
    // throws DatabaseError.
    bool Store(FileRecord& record, const FilterSettings& settings);
    void Remove(std::int64_t id);
    // Removes the rows of each path and of everything below it; returns
    // how many went.
    std::int64_t RemoveUnder(const std::vector<std::string>& paths);

    // The connection, for the readers of the index (index_search.h).
    const Connection& Database() const { return connection_; }

private:
    explicit IndexDatabase(Connection connection) : connection_(std::move(connection)) {}

public:
    IndexDatabase(IndexDatabase&&) = default;
    ~IndexDatabase() { Rollback(); }

private:
    void CheckFormat(bool mayCreate);

    Connection connection_;
    bool inTransaction_ = false;
    // Prepared on first use and kept for the connection's life.
    std::unique_ptr<Statement> upsert_, deleteText_, insertText_, deleteFile_;

    void StoreRow(const FileRecord& record, const FilterSettings& settings);
};

// A sentence for people about why the database could not be used.
std::string ExplainDatabaseError(const DatabaseError& error);

}  // namespace idxfilter::cli
