#include "appserver/storage/database_error.h"

#include <soci/postgresql/soci-postgresql.h>
#include <soci/sqlite3/soci-sqlite3.h>
#include "appserver/storage/soci_includes.h"

#include <string_view>

namespace appserver {

std::string DatabaseUnavailable::userMessage() const {
    switch (reason_) {
        case Reason::Unreachable:
            return "O banco de dados está fora do ar. Tente novamente em instantes.";
        case Reason::Busy:
            return "O banco de dados está ocupado. Tente novamente em instantes.";
        case Reason::Full:
            return "O banco de dados está sem espaço. Avise o suporte; tente novamente mais tarde.";
    }
    return "O banco de dados não está disponível. Tente novamente em instantes.";
}

std::string failureText(const std::exception& e) {
    const auto* db = dynamic_cast<const soci::soci_error*>(&e);
    // The library's what() appends the statement and every bound value to
    // the database's message; get_error_message() is the message alone.
    std::string text = db ? db->get_error_message() : std::string(e.what());
    // PostgreSQL's messages go on with DETAIL lines that quote stored values.
    if (const auto eol = text.find('\n'); eol != std::string::npos) text.erase(eol);
    if (text.rfind("ERROR:  ", 0) == 0) text.erase(0, 8);
    return text;
}

std::optional<DatabaseUnavailable::Reason> unavailabilityOf(const std::exception& e) {
    using Reason = DatabaseUnavailable::Reason;
    if (const auto* s = dynamic_cast<const soci::sqlite3_soci_error*>(&e)) {
        switch (s->result() & 0xff) {
            case SQLITE_BUSY:
            case SQLITE_LOCKED:
                return Reason::Busy;
            case SQLITE_FULL:
                return Reason::Full;
            default:
                return std::nullopt;
        }
    }
    if (const auto* p = dynamic_cast<const soci::postgresql_soci_error*>(&e)) {
        const std::string state = p->sqlstate();
        if (state.rfind("08", 0) == 0 || state.rfind("57P", 0) == 0) return Reason::Unreachable;
        if (state == "55P03" || state == "40001" || state == "40P01") return Reason::Busy;
        if (state == "53100") return Reason::Full;
        if (p->get_error_category() == soci::soci_error::connection_error)
            return Reason::Unreachable;
        return std::nullopt;
    }
    if (const auto* s = dynamic_cast<const soci::soci_error*>(&e);
        s && s->get_error_category() == soci::soci_error::connection_error)
        return Reason::Unreachable;
    return std::nullopt;
}

}  // namespace appserver
