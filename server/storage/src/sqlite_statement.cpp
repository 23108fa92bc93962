#include "appserver/storage/sqlite_statement.h"

#include <fmt/format.h>
#include <soci/sqlite3/soci-sqlite3.h>

namespace appserver {

using namespace sqlite_api;

namespace {

sqlite3* connectionOf(soci::session& s) {
    return static_cast<soci::sqlite3_session_backend*>(s.get_backend())->conn_;
}

}  // namespace

SqliteStatement::SqliteStatement(soci::session& sql, const std::string& text) : session_(sql) {
    const int rc = sqlite3_prepare_v2(connectionOf(sql), text.c_str(),
                                      static_cast<int>(text.size()) + 1, &stmt_, nullptr);
    if (rc != SQLITE_OK) fail(rc, "preparar a consulta");
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(stmt_);
}

void SqliteStatement::reset() {
    // The code of the last step was already reported by step().
    sqlite3_reset(stmt_);
}

void SqliteStatement::bind(const char* name, const std::string& value) {
    const int rc = sqlite3_bind_text(stmt_, parameter(name), value.data(),
                                     static_cast<int>(value.size()), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) fail(rc, "ligar um valor");
}

void SqliteStatement::bind(const char* name, long long value) {
    const int rc = sqlite3_bind_int64(stmt_, parameter(name), value);
    if (rc != SQLITE_OK) fail(rc, "ligar um valor");
}

bool SqliteStatement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3_reset(stmt_);
    fail(rc, "ler as linhas");
}

long long SqliteStatement::int64(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

std::string_view SqliteStatement::text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return bytes ? std::string_view(bytes,
                                    static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
                 : std::string_view();
}

bool SqliteStatement::isNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

int SqliteStatement::parameter(const char* name) const {
    const int index = sqlite3_bind_parameter_index(stmt_, name);
    if (index == 0) throw soci::soci_error(fmt::format("A consulta não tem o parâmetro {}.", name));
    return index;
}

void SqliteStatement::fail(int code, const char* what) const {
    throw soci::sqlite3_soci_error(
        fmt::format("Não foi possível {}: {}", what, sqlite3_errmsg(connectionOf(session_))), code);
}

}  // namespace appserver
