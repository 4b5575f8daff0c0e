#include "cli/sqlite_statement.h"

namespace idxfilter::cli {

void Check(sqlite3* db, int result, const char* what) {
    if (result == SQLITE_OK || result == SQLITE_ROW || result == SQLITE_DONE) return;
    // SQLite's message says what went wrong; `what` is kept for the cases
    // where the connection has none.
    std::string message = db ? sqlite3_errmsg(db) : std::string(what) + ": " + sqlite3_errstr(result);
    throw DatabaseError(message, result & 0xFF);
}

Connection::Connection(const std::string& file, int flags) {
    int result = sqlite3_open_v2(file.c_str(), &db_, flags, nullptr);
    if (result != SQLITE_OK) {
        std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(result);
        sqlite3_close(db_);
        db_ = nullptr;
        throw DatabaseError("cannot open: " + message, result & 0xFF);
    }
    sqlite3_extended_result_codes(db_, 0);
}

Connection& Connection::operator=(Connection&& other) noexcept {
    if (this != &other) {
        sqlite3_close(db_);
        db_ = other.db_;
        other.db_ = nullptr;
    }
    return *this;
}

Connection::~Connection() { sqlite3_close(db_); }

void Connection::Execute(const char* sql) {
    Check(db_, sqlite3_exec(db_, sql, nullptr, nullptr, nullptr), sql);
}

std::int64_t Connection::QueryInteger(const char* sql) {
    Statement statement(*this, sql);
    return statement.Step() ? statement.Integer(0) : 0;
}

Statement::Statement(const Connection& connection, const char* sql) : db_(connection.Handle()) {
    Check(db_, sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement_, nullptr),
          sql);
}

Statement::~Statement() { sqlite3_finalize(statement_); }

Statement& Statement::Reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
    return *this;
}

Statement& Statement::Bind(int index, std::int64_t value) {
    Check(db_, sqlite3_bind_int64(statement_, index, value), "binding a value");
    return *this;
}

Statement& Statement::BindText(int index, std::string_view text) {
    Check(db_,
          sqlite3_bind_text64(statement_, index, text.data(), text.size(), SQLITE_STATIC,
                              SQLITE_UTF8),
          "binding a text");
    return *this;
}

Statement& Statement::BindBlob(int index, std::string_view bytes) {
    // A zero-length blob must still be a blob, not NULL: SQLite needs a
    // non-null pointer for that.
    Check(db_,
          sqlite3_bind_blob64(statement_, index, bytes.empty() ? "" : bytes.data(), bytes.size(),
                              SQLITE_STATIC),
          "binding a blob");
    return *this;
}

bool Statement::Step() {
    int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return true;
    if (result == SQLITE_DONE) return false;
    // The error is reported by sqlite3_reset with the statement's message.
    int code = sqlite3_reset(statement_);
    Check(db_, code == SQLITE_OK ? result : code, sqlite3_sql(statement_));
    return false;
}

double Statement::Real(int column) const { return sqlite3_column_double(statement_, column); }

std::int64_t Statement::Integer(int column) const { return sqlite3_column_int64(statement_, column); }

std::string_view Statement::Bytes(int column) const {
    const void* data = sqlite3_column_blob(statement_, column);
    int size = sqlite3_column_bytes(statement_, column);
    return data ? std::string_view(static_cast<const char*>(data), size) : std::string_view();
}

bool Statement::IsNull(int column) const {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

}  // namespace idxfilter::cli
