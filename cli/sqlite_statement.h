// Thin ownership wrappers over the SQLite C interface: a connection, a
// prepared statement, and the error that carries SQLite's own message.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace idxfilter::cli {

// A database failure, with SQLite's primary result code (SQLITE_BUSY,
// SQLITE_CORRUPT, ...) so that callers can explain it.
class DatabaseError : public std::runtime_error {
public:
    DatabaseError(const std::string& message, int code) : std::runtime_error(message), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};

// Throws DatabaseError naming `what` with the connection's last message
// unless `result` is one of the success codes.
void Check(sqlite3* db, int result, const char* what);

class Connection {
public:
    Connection() = default;
    // Opens with sqlite3_open_v2 `flags`; throws DatabaseError.
    Connection(const std::string& file, int flags);
    Connection(Connection&& other) noexcept : db_(other.db_) { other.db_ = nullptr; }
    Connection& operator=(Connection&& other) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    sqlite3* Handle() const { return db_; }
    // Runs statements without results (schema, pragmas, BEGIN/COMMIT).
    void Execute(const char* sql);
    // The first column of the first row of `sql` as an integer.
    std::int64_t QueryInteger(const char* sql);

private:
    sqlite3* db_ = nullptr;
};

// A prepared statement, reset before each use. Bound text and blobs are
// copied by SQLite only when the caller asks; Bind* here use SQLITE_STATIC,
// so the bound buffers must outlive the step.
class Statement {
public:
    Statement(const Connection& connection, const char* sql);
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    Statement& Reset();
    Statement& Bind(int index, std::int64_t value);
    Statement& BindText(int index, std::string_view text);
    Statement& BindBlob(int index, std::string_view bytes);
    // True when a row is available; false when done. Throws on errors.
    bool Step();
    std::int64_t Integer(int column) const;
    double Real(int column) const;
    // Text or blob column as bytes, valid until the next step or reset.
    std::string_view Bytes(int column) const;
    bool IsNull(int column) const;

private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

}  // namespace idxfilter::cli
