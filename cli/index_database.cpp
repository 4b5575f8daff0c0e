#include "cli/index_database.h"

#include <sys/stat.h>

namespace idxfilter::cli {
namespace {

// Long enough to wait out another program's short write, short enough
// that a stuck one is reported promptly.
constexpr int kBusyTimeoutMs = 2000;

// Each file's row says what shaped its text (reader, ANSI code page, the
// tool's version), so that a run with other settings filters it again;
// `transient` marks a failure worth retrying (out of memory, ...), and
// `truncated` a text cut at the store's limit. `title` and `author` are
// the document's own, where it has them; the full-text table holds them
// beside the text, so that a search finds a document by its title too.
constexpr const char* kSchema =
    "CREATE TABLE files("
    "  id INTEGER PRIMARY KEY,"
    "  path BLOB NOT NULL UNIQUE,"
    "  size INTEGER NOT NULL,"
    "  modified_ns INTEGER NOT NULL,"
    "  result INTEGER NOT NULL,"
    "  reason TEXT,"
    "  transient INTEGER NOT NULL DEFAULT 0,"
    "  truncated INTEGER NOT NULL DEFAULT 0,"
    "  reader TEXT,"
    "  ansi_codepage INTEGER,"
    "  tool_version TEXT,"
    "  title TEXT,"
    "  author TEXT);"
    // The text's rowid is the file's id. remove_diacritics lets "cafe" find
    // "café"; unicode61 folds case beyond ASCII (Cyrillic, Greek, ...).
    "CREATE VIRTUAL TABLE texts USING fts5(text, title, author,"
    " tokenize = 'unicode61 remove_diacritics 2');";

// From format 1: the settings were not recorded, so every row differs
// from any run's and is filtered again on the next run.
constexpr const char* kUpgradeFromFormat1 =
    "ALTER TABLE files ADD COLUMN transient INTEGER NOT NULL DEFAULT 0;"
    "ALTER TABLE files ADD COLUMN truncated INTEGER NOT NULL DEFAULT 0;"
    "ALTER TABLE files ADD COLUMN reader TEXT;"
    "ALTER TABLE files ADD COLUMN ansi_codepage INTEGER;"
    "ALTER TABLE files ADD COLUMN tool_version TEXT;"
    "ALTER TABLE files ADD COLUMN title TEXT;";

// From format 2: the full-text table gains the title and author columns.
// An FTS5 table cannot add columns, so it is made anew with the texts it
// held (in the same transaction: an interrupted upgrade leaves format 2).
constexpr const char* kUpgradeFromFormat2 =
    "ALTER TABLE files ADD COLUMN author TEXT;"
    "CREATE VIRTUAL TABLE texts_3 USING fts5(text, title, author,"
    " tokenize = 'unicode61 remove_diacritics 2');"
    "INSERT INTO texts_3(rowid, text) SELECT rowid, text FROM texts;"
    "DROP TABLE texts;"
    "ALTER TABLE texts_3 RENAME TO texts;";

bool FileExists(const std::string& file) {
    struct stat status;
    return ::stat(file.c_str(), &status) == 0;
}

// The smallest byte string greater than every string that starts with
// `prefix` (which ends in '/'): the same prefix ending in '0'.
std::string PrefixEnd(std::string prefix) {
    prefix.back() = char('/' + 1);
    return prefix;
}

// Whether a failed store concerns the one file, the transaction still
// open: then the file is recorded as failed and the batch goes on. Any
// other failure (disk full, I/O, a rolled-back transaction) is the
// database's.
bool IsFailureOfOneFile(sqlite3* db, int code) {
    if (sqlite3_get_autocommit(db)) return false;
    switch (code) {
    case SQLITE_TOOBIG:
    case SQLITE_NOMEM:
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
    case SQLITE_RANGE:
        return true;
    default:
        return false;
    }
}

}  // namespace

IndexDatabase IndexDatabase::OpenForUpdate(const std::string& file) {
    IndexDatabase database(Connection(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
    if (sqlite3_db_readonly(database.connection_.Handle(), "main") == 1)
        throw DatabaseError("the file cannot be written", SQLITE_READONLY);
    sqlite3_busy_timeout(database.connection_.Handle(), kBusyTimeoutMs);
    database.CheckFormat(true);
    // A rollback journal, not WAL: an index is mostly appended to, and new
    // pages need no journal, where WAL writes every page twice (about 20%
    // slower to index). Searches wait while a batch commits (busy timeout).
    // The cache holds a whole batch, so pages are written once, at commit.
    database.connection_.Execute("PRAGMA journal_mode = DELETE; PRAGMA cache_size = -65536");
    return database;
}

IndexDatabase IndexDatabase::OpenForSearch(const std::string& file) {
    // Without SQLITE_OPEN_CREATE a missing file is an error, yet the
    // connection may write: after an interrupted update it must roll back
    // the journal left behind before it can read. A search writes nothing
    // else; a file it may not write is opened read-only.
    if (!FileExists(file)) throw DatabaseError("no such file", SQLITE_CANTOPEN);
    IndexDatabase database(Connection(file, SQLITE_OPEN_READWRITE));
    sqlite3_busy_timeout(database.connection_.Handle(), kBusyTimeoutMs);
    database.CheckFormat(false);
    return database;
}

void IndexDatabase::CheckFormat(bool mayCreate) {
    // Reading the header inside an immediate transaction also takes the
    // write lock up front: a locked index is reported before any work.
    connection_.Execute(mayCreate ? "BEGIN IMMEDIATE" : "BEGIN");
    try {
        std::int64_t applicationId = connection_.QueryInteger("PRAGMA application_id");
        std::int64_t version = connection_.QueryInteger("PRAGMA user_version");
        std::int64_t objects = connection_.QueryInteger("SELECT count(*) FROM sqlite_schema");
        if (applicationId == 0 && version == 0 && objects == 0) {
            if (!mayCreate) throw DatabaseError("the file is empty, not an index", SQLITE_NOTADB);
            connection_.Execute(kSchema);
            connection_.Execute(("PRAGMA application_id = " + std::to_string(kApplicationId) +
                                 "; PRAGMA user_version = " + std::to_string(kFormatVersion))
                                    .c_str());
        } else if (applicationId != kApplicationId) {
            throw DatabaseError("an SQLite database of another program, not an index of idxfilter",
                                SQLITE_NOTADB);
        } else if (version < kFormatVersion && version >= 1 && mayCreate) {
            if (version == 1) connection_.Execute(kUpgradeFromFormat1);
            connection_.Execute(kUpgradeFromFormat2);
            connection_.Execute(("PRAGMA user_version = " + std::to_string(kFormatVersion)).c_str());
        } else if (version < kFormatVersion && version >= 1) {
            // Searching reads older formats as they are: the text is
            // searched, titles are shown where the format has them.
        } else if (version != kFormatVersion) {
            throw DatabaseError("an index in format " + std::to_string(version) +
                                    "; this idxfilter reads format " +
                                    std::to_string(kFormatVersion),
                                SQLITE_NOTADB);
        }
        connection_.Execute("COMMIT");
    } catch (...) {
        sqlite3_exec(connection_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

std::unordered_map<std::string, StoredFile> IndexDatabase::FilesUnder(
    const std::vector<std::string>& roots) {
    std::unordered_map<std::string, StoredFile> files;
    Statement select(connection_,
                     "SELECT path, id, size, modified_ns, result, reason, transient, reader,"
                     " ansi_codepage, tool_version FROM files"
                     " WHERE path = ?1 OR (path >= ?2 AND path < ?3)");
    for (const std::string& root : roots) {
        std::string prefix = root.ends_with('/') ? root : root + '/';
        std::string prefixEnd = PrefixEnd(prefix);
        select.Reset().BindBlob(1, root).BindBlob(2, prefix).BindBlob(3, prefixEnd);
        while (select.Step()) {
            StoredFile& file = files[std::string(select.Bytes(0))];
            file.id = select.Integer(1);
            file.size = select.Integer(2);
            file.modifiedNs = select.Integer(3);
            file.result = static_cast<std::int32_t>(select.Integer(4));
            file.reason = select.Bytes(5);
            file.transient = select.Integer(6) != 0;
            file.reader = select.Bytes(7);
            file.ansiCodePage = select.IsNull(8) ? -1 : select.Integer(8);
            file.toolVersion = select.Bytes(9);
        }
    }
    return files;
}

std::int64_t IndexDatabase::RemoveUnder(const std::vector<std::string>& paths) {
    constexpr const char* kBelow = "path = ?1 OR (path >= ?2 AND path < ?3)";
    Statement texts(connection_, (std::string("DELETE FROM texts WHERE rowid IN"
                                              " (SELECT id FROM files WHERE ") +
                                  kBelow + ")")
                                     .c_str());
    Statement rows(connection_, (std::string("DELETE FROM files WHERE ") + kBelow).c_str());
    std::int64_t removed = 0;
    for (const std::string& path : paths) {
        std::string prefix = path.ends_with('/') ? path : path + '/';
        std::string prefixEnd = PrefixEnd(prefix);
        texts.Reset().BindBlob(1, path).BindBlob(2, prefix).BindBlob(3, prefixEnd).Step();
        rows.Reset().BindBlob(1, path).BindBlob(2, prefix).BindBlob(3, prefixEnd).Step();
        removed += sqlite3_changes64(connection_.Handle());
    }
    return removed;
}

void IndexDatabase::Begin() {
    connection_.Execute("BEGIN IMMEDIATE");
    inTransaction_ = true;
}

void IndexDatabase::Commit() {
    connection_.Execute("COMMIT");
    inTransaction_ = false;
}

void IndexDatabase::Rollback() {
    if (!inTransaction_) return;
    inTransaction_ = false;
    sqlite3_exec(connection_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

bool IndexDatabase::Store(FileRecord& record, const FilterSettings& settings) {
    try {
        StoreRow(record, settings);
        return true;
    } catch (const DatabaseError& error) {
        if (!IsFailureOfOneFile(connection_.Handle(), error.Code())) throw;
        FileRecord failed;
        failed.path = record.path;
        failed.size = record.size;
        failed.modifiedNs = record.modifiedNs;
        failed.result = -1;
        failed.transient = error.Code() == SQLITE_NOMEM;
        failed.reason = error.Code() == SQLITE_NOMEM ? "out of memory"
                        : error.Code() == SQLITE_TOOBIG
                            ? "too large"
                            : "cannot be stored (" + std::string(error.what()) + ")";
        StoreRow(failed, settings);
        record = std::move(failed);
        return false;
    }
}

void IndexDatabase::StoreRow(const FileRecord& record, const FilterSettings& settings) {
    if (!upsert_) {
        upsert_ = std::make_unique<Statement>(
            connection_,
            "INSERT INTO files(path, size, modified_ns, result, reason, transient, truncated,"
            " reader, ansi_codepage, tool_version, title, author)"
            " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)"
            " ON CONFLICT(path) DO UPDATE SET size = excluded.size,"
            " modified_ns = excluded.modified_ns, result = excluded.result,"
            " reason = excluded.reason, transient = excluded.transient,"
            " truncated = excluded.truncated, reader = excluded.reader,"
            " ansi_codepage = excluded.ansi_codepage, tool_version = excluded.tool_version,"
            " title = excluded.title, author = excluded.author"
            " RETURNING id");
        deleteText_ = std::make_unique<Statement>(connection_, "DELETE FROM texts WHERE rowid = ?1");
        insertText_ =
            std::make_unique<Statement>(connection_, "INSERT INTO texts(rowid, text, title, author) VALUES(?1, ?2, ?3, ?4)");
    }
    upsert_->Reset().BindBlob(1, record.path).Bind(2, record.size).Bind(3, record.modifiedNs);
    upsert_->Bind(4, record.result);
    if (record.result < 0) upsert_->BindText(5, record.reason);
    upsert_->Bind(6, record.transient ? 1 : 0).Bind(7, record.truncated ? 1 : 0);
    upsert_->BindText(8, settings.reader).Bind(9, settings.ansiCodePage);
    upsert_->BindText(10, settings.toolVersion);
    if (!record.title.empty()) upsert_->BindText(11, record.title);
    if (!record.author.empty()) upsert_->BindText(12, record.author);
    if (!upsert_->Step()) throw DatabaseError("storing a file gave no row id", SQLITE_INTERNAL);
    std::int64_t id = upsert_->Integer(0);
    while (upsert_->Step()) {
    }
    deleteText_->Reset().Bind(1, id).Step();
    if (record.result >= 0) {
        insertText_->Reset().Bind(1, id).BindText(2, record.text);
        if (!record.title.empty()) insertText_->BindText(3, record.title);
        if (!record.author.empty()) insertText_->BindText(4, record.author);
        insertText_->Step();
    }
}

void IndexDatabase::Remove(std::int64_t id) {
    if (!deleteFile_) {
        deleteFile_ = std::make_unique<Statement>(connection_, "DELETE FROM files WHERE id = ?1");
        if (!deleteText_)
            deleteText_ =
                std::make_unique<Statement>(connection_, "DELETE FROM texts WHERE rowid = ?1");
    }
    deleteFile_->Reset().Bind(1, id).Step();
    deleteText_->Reset().Bind(1, id).Step();
}

std::string ExplainDatabaseError(const DatabaseError& error) {
    switch (error.Code()) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "the index is locked by another program (" + std::string(error.what()) + ")";
    case SQLITE_READONLY:
        return "the index is read-only (" + std::string(error.what()) + ")";
    case SQLITE_CORRUPT:
        return "the index is damaged (" + std::string(error.what()) + ")";
    case SQLITE_NOTADB:
        return "not an index of idxfilter: " + std::string(error.what());
    case SQLITE_CANTOPEN:
        return "cannot open the index (" + std::string(error.what()) + ")";
    default:
        return error.what();
    }
}

}  // namespace idxfilter::cli
