#include "appserver/transfer/data_import.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <optional>
#include <sstream>

#include "appserver/stores/appropriation_store.h"
#include "platform/dataset/text.h"

namespace appserver {

using nlohmann::json;
using platform::dataset::DateTime;

namespace {

/// One object of the file, with the path that names it in messages ("operators[3]").
class Item {
public:
    Item(const json& j, std::string where) : j_(j), where_(std::move(where)) {
        if (!j_.is_object()) fail("deve ser um objeto");
    }

    [[noreturn]] void fail(const std::string& what) const {
        throw ImportError(fmt::format("{}: {}", where_, what));
    }

    std::string text(const char* key, std::size_t maxLength, bool required = true) const {
        auto it = j_.find(key);
        if (it == j_.end() || it->is_null()) {
            if (required) fail(fmt::format("falta \"{}\"", key));
            return {};
        }
        if (!it->is_string()) fail(fmt::format("\"{}\" deve ser um texto", key));
        std::string s = it->get<std::string>();
        if (required && s.empty()) fail(fmt::format("\"{}\" não pode ser vazio", key));
        if (platform::dataset::utf8Length(s) > maxLength)
            fail(fmt::format("\"{}\" tem mais de {} caracteres", key, maxLength));
        return s;
    }

    std::optional<DateTime> stamp(const char* key, bool nullable, bool dateOnly = false) const {
        auto it = j_.find(key);
        if (it == j_.end() || it->is_null()) {
            if (!nullable) fail(fmt::format("falta \"{}\"", key));
            return std::nullopt;
        }
        const std::string s = it->is_string() ? it->get<std::string>() : std::string();
        auto parsed = DateTime::parseIso(s);
        if (!parsed || s.size() != (dateOnly ? 10u : 19u))
            fail(fmt::format(
                "\"{}\" deve ser {}", key,
                dateOnly ? "uma data AAAA-MM-DD" : "uma data e hora AAAA-MM-DDTHH:MM:SS"));
        return parsed;
    }

    std::vector<std::string> list(const char* key, std::size_t maxLength) const {
        std::vector<std::string> out;
        auto it = j_.find(key);
        if (it == j_.end() || it->is_null()) return out;
        if (!it->is_array()) fail(fmt::format("\"{}\" deve ser uma lista", key));
        for (std::size_t i = 0; i < it->size(); ++i) {
            const json& v = (*it)[i];
            if (!v.is_string() || v.get<std::string>().empty() ||
                platform::dataset::utf8Length(v.get<std::string>()) > maxLength)
                fail(fmt::format("\"{}\"[{}] deve ser um código de até {} caracteres", key, i,
                                 maxLength));
            out.push_back(v.get<std::string>());
        }
        return out;
    }

    const std::string& where() const { return where_; }

private:
    const json& j_;
    std::string where_;
};

/// An optional PIS or CPF: its 11 digits, the usual dots, dash and blanks left out.
std::optional<std::string> personNumber(const Item& it, const char* key) {
    const std::string raw = it.text(key, 20, false);
    if (raw.empty()) return std::nullopt;
    std::string digits;
    for (char c : raw) {
        if (c >= '0' && c <= '9')
            digits += c;
        else if (c != '.' && c != '-' && c != ' ')
            it.fail(fmt::format("\"{}\" deve ter só dígitos (11)", key));
    }
    if (digits.size() != 11) it.fail(fmt::format("\"{}\" deve ter 11 dígitos", key));
    return digits;
}

template <typename F>
std::size_t eachItem(const json& data, const char* member, F&& f) {
    auto it = data.find(member);
    if (it == data.end() || it->is_null()) return 0;
    if (!it->is_array()) throw ImportError(fmt::format("{}: deve ser uma lista", member));
    for (std::size_t i = 0; i < it->size(); ++i) {
        Item item((*it)[i], fmt::format("{}[{}]", member, i));
        try {
            f(item);
        } catch (const ImportError&) {
            throw;
        } catch (const std::exception& e) {
            item.fail(e.what());
        }
    }
    return it->size();
}

}  // namespace

ImportSummary importData(Database& db, const json& data, const PasswordHasher& hasher) {
    if (!data.is_object()) throw ImportError("O arquivo deve conter um objeto JSON");
    auto lease = db.acquire();
    soci::session& sql = lease.sql();
    WriteTransaction tx(lease);
    ImportSummary s;

    s.branches = eachItem(data, "branches", [&](const Item& it) {
        const std::string code = it.text("code", 4), name = it.text("name", 100, false);
        sql << "INSERT INTO branches (code, name) VALUES (:c, :n)", soci::use(code),
            soci::use(name);
    });
    s.teams = eachItem(data, "teams", [&](const Item& it) {
        const std::string code = it.text("code", 20), name = it.text("name", 100, false);
        sql << "INSERT INTO teams (code, name) VALUES (:c, :n)", soci::use(code), soci::use(name);
    });
    s.operators = eachItem(data, "operators", [&](const Item& it) {
        const std::string code = it.text("code", 12), name = it.text("name", 40);
        const std::string password = it.text("password", 1024);
        const auto branches = it.list("branches", 4), screens = it.list("screens", 20),
                   teams = it.list("teams", 20);
        const auto pis = personNumber(it, "pis"), cpf = personNumber(it, "cpf");
        const std::string hash = hasher.hash(password);
        const std::string pisText = pis.value_or(""), cpfText = cpf.value_or("");
        soci::indicator pisInd = pis ? soci::i_ok : soci::i_null,
                        cpfInd = cpf ? soci::i_ok : soci::i_null;
        sql << "INSERT INTO operators (code, name, password_hash, pis, cpf)"
               " VALUES (:c, :n, :h, :p, :f)",
            soci::use(code), soci::use(name), soci::use(hash), soci::use(pisText, pisInd),
            soci::use(cpfText, cpfInd);
        for (const std::string& b : branches)
            sql << "INSERT INTO operator_branches (operator, branch) VALUES (:o, :b)",
                soci::use(code), soci::use(b);
        for (const std::string& sc : screens)
            sql << "INSERT INTO operator_screens (operator, screen) VALUES (:o, :s)",
                soci::use(code), soci::use(sc);
        for (const std::string& t : teams)
            sql << "INSERT INTO team_members (team, operator) VALUES (:t, :o)", soci::use(t),
                soci::use(code);
    });
    s.tasks = eachItem(data, "tasks", [&](const Item& it) {
        const std::string branch = it.text("branch", 4), task = it.text("task", 10);
        const std::string description = it.text("description", 100, false),
                          project = it.text("project", 10, false);
        const std::string baseline = it.text("baseline", 3, false),
                          processCode = it.text("processCode", 20, false);
        const std::string processName = it.text("processName", 100, false);
        sql << "INSERT INTO tasks (branch, task, description, project, baseline, process_code, "
               "process_name)"
               " VALUES (:b, :t, :d, :p, :l, :c, :n)",
            soci::use(branch), soci::use(task), soci::use(description), soci::use(project),
            soci::use(baseline), soci::use(processCode), soci::use(processName);
    });
    s.activities = eachItem(data, "activities", [&](const Item& it) {
        const std::string branch = it.text("branch", 4), task = it.text("task", 10),
                          activity = it.text("activity", 5);
        const std::string processCode = it.text("processCode", 10, false),
                          processName = it.text("processName", 100, false);
        const std::string situation = it.text("situation", 1, false);
        const std::string workItemCode = it.text("workItemCode", 20, false),
                          workItemName = it.text("workItemName", 100, false);
        const std::string responsible = it.text("responsible", 12, false);
        const auto operators = it.list("operators", 12);
        if (processName.size() + task.size() + activity.size() + 6 > 121)
            it.fail("legenda da atividade passa de 121 caracteres");
        sql << "INSERT INTO activities (branch, task, activity, process_code, process_name, "
               "situation, work_item_code,"
               " work_item_name, responsible) VALUES (:b, :t, :a, :c, :n, :s, :wc, :wn, :r)",
            soci::use(branch), soci::use(task), soci::use(activity), soci::use(processCode),
            soci::use(processName), soci::use(situation), soci::use(workItemCode),
            soci::use(workItemName), soci::use(responsible);
        for (const std::string& op : operators)
            sql << "INSERT INTO activity_operators (branch, task, activity, operator) VALUES (:b, "
                   ":t, :a, :o)",
                soci::use(branch), soci::use(task), soci::use(activity), soci::use(op);
    });
    s.appropriations = eachItem(data, "appropriations", [&](const Item& it) {
        AppropriationRecord r;
        r.operatorCode = it.text("operator", 12);
        r.branch = it.text("branch", 4);
        r.task = it.text("task", 10);
        r.activity = it.text("activity", 5);
        r.start = *it.stamp("start", false);
        r.end = it.stamp("end", true);
        r.stampStart = *it.stamp("stampStart", false);
        r.stampEnd = it.stamp("stampEnd", true);
        r.description = it.text("description", 4000, false);
        if (r.end && (*r.end <= r.start || r.end->datePart() != r.start.datePart()))
            it.fail("\"end\" deve ser depois de \"start\", no mesmo dia");
        insertAppropriation(sql, r);
    });
    s.punches = eachItem(data, "punches", [&](const Item& it) {
        PunchRecord p;
        p.company = it.text("company", 2, false);
        p.operatorCode = it.text("operator", 12);
        p.at = *it.stamp("at", false);
        p.direction = it.text("direction", 1);
        p.event = it.text("event", 2, false);
        p.day = it.stamp("day", true, true).value_or(p.at.datePart());
        p.origin = it.text("origin", 3, false);
        insertPunch(sql, p);
    });
    tx.commit();
    return s;
}

ImportSummary importFile(Database& db, const std::string& path, const PasswordHasher& hasher) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ImportError(fmt::format("Não foi possível ler o arquivo {}", path));
    std::stringstream buffer;
    buffer << in.rdbuf();
    json data;
    try {
        data = json::parse(buffer.str());
    } catch (const json::parse_error& e) {
        throw ImportError(fmt::format("{}: JSON inválido: {}", path, e.what()));
    }
    return importData(db, data, hasher);
}

bool databaseIsEmpty(Database& db) {
    auto lease = db.acquire();
    int n = 0;
    lease.sql() << "SELECT COUNT(*) FROM operators", soci::into(n);
    return n == 0;
}

}  // namespace appserver
