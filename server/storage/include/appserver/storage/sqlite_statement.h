#pragma once

#include <string>
#include <string_view>

#include "appserver/storage/soci_includes.h"

namespace sqlite_api {
struct sqlite3_stmt;
}  // namespace sqlite_api

namespace appserver {

/// A statement prepared straight on the connection of a SQLite session, for
/// the reads that return thousands of rows (a team's month): there the
/// library's row-by-row fetch costs more than SQLite's own stepping, while a
/// day's few rows do not notice it. Prepared once, kept with its session
/// like a prepared query (Database::Lease::prepared), and finalised before
/// the session closes.
///
/// Failures throw soci::sqlite3_soci_error with SQLite's code, as the
/// library's own statements do, so that the pool tells a busy or full
/// database from a fault the same way.
class SqliteStatement {
public:
    /// `sql` names its parameters (":w"); the session must be a SQLite one.
    SqliteStatement(soci::session& sql, const std::string& text);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    /// Ends the last run (its read with it) so that the statement runs again.
    void reset();
    void bind(const char* name, const std::string& value);
    void bind(const char* name, long long value);
    /// The next row; false past the last one.
    bool step();

    long long int64(int column) const;
    /// Valid until the next step.
    std::string_view text(int column) const;
    bool isNull(int column) const;

private:
    int parameter(const char* name) const;
    [[noreturn]] void fail(int code, const char* what) const;

    soci::session& session_;
    sqlite_api::sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace appserver
