#include "appserver/stores/audit_trail.h"

#include <nlohmann/json.hpp>

#include <limits>

namespace appserver {

using platform::dataset::DateTime;

namespace {

const char* kColumns =
    "SELECT id, at, by_user, address, action, operator, branch, day, appropriation, row_key,"
    " before_values, after_values FROM audit_trail";

/// Binds the columns of kColumns and turns each fetched row into an entry.
struct EntryReader {
    long long id = 0, at = 0, day = 0, appropriation = 0;
    soci::indicator appropriationInd = soci::i_ok, beforeInd = soci::i_ok, afterInd = soci::i_ok;
    std::string before, after;
    AuditEntry e;

    void bind(soci::statement& st) {
        st.exchange(soci::into(id));
        st.exchange(soci::into(at));
        st.exchange(soci::into(e.user));
        st.exchange(soci::into(e.address));
        st.exchange(soci::into(e.action));
        st.exchange(soci::into(e.operatorCode));
        st.exchange(soci::into(e.branch));
        st.exchange(soci::into(day));
        st.exchange(soci::into(appropriation, appropriationInd));
        st.exchange(soci::into(e.key));
        st.exchange(soci::into(before, beforeInd));
        st.exchange(soci::into(after, afterInd));
    }

    AuditEntry entry() const {
        AuditEntry out = e;
        out.id = id;
        out.at = DateTime::fromSeconds(at);
        out.day = DateTime::fromDayNumber(day);
        if (appropriationInd != soci::i_null) out.appropriation = appropriation;
        if (beforeInd != soci::i_null) out.before = before;
        if (afterInd != soci::i_null) out.after = after;
        return out;
    }
};

struct InsertQuery {
    long long at = 0, day = 0, appropriation = 0;
    soci::indicator appropriationInd = soci::i_ok, beforeInd = soci::i_ok, afterInd = soci::i_ok;
    std::string user, address, action, op, branch, key, before, after;
    soci::statement st;

    explicit InsertQuery(soci::session& sql) : st(sql) {
        st.exchange(soci::use(at));
        st.exchange(soci::use(user));
        st.exchange(soci::use(address));
        st.exchange(soci::use(action));
        st.exchange(soci::use(op));
        st.exchange(soci::use(branch));
        st.exchange(soci::use(day));
        st.exchange(soci::use(appropriation, appropriationInd));
        st.exchange(soci::use(key));
        st.exchange(soci::use(before, beforeInd));
        st.exchange(soci::use(after, afterInd));
        st.alloc();
        st.prepare(
            "INSERT INTO audit_trail (at, by_user, address, action, operator, branch, day,"
            " appropriation, row_key, before_values, after_values)"
            " VALUES (:at, :u, :ad, :ac, :o, :b, :d, :ap, :k, :bv, :av)");
        st.define_and_bind();
    }
};

struct DayQuery {
    EntryReader reader;
    std::string op, branch;
    long long day = 0;
    soci::statement st;

    explicit DayQuery(soci::session& sql) : st(sql) {
        reader.bind(st);
        st.exchange(soci::use(op));
        st.exchange(soci::use(day));
        st.exchange(soci::use(branch));
        st.alloc();
        st.prepare(std::string(kColumns) +
                   " WHERE operator = :o AND day = :d AND branch = :b ORDER BY id DESC");
        st.define_and_bind();
    }
};

}  // namespace

std::string auditValues(const AppropriationRecord& r) {
    const auto stamp = [](const std::optional<DateTime>& t) {
        return t ? nlohmann::ordered_json(t->toIso()) : nlohmann::ordered_json();
    };
    nlohmann::ordered_json v;
    v["task"] = r.task;
    v["activity"] = r.activity;
    v["start"] = r.start.toIso();
    v["end"] = stamp(r.end);
    v["stampStart"] = r.stampStart.toIso();
    v["stampEnd"] = stamp(r.stampEnd);
    v["description"] = r.description;
    return v.dump();
}

void recordAudit(const Database::Lease& db, const AuditEntry& e) {
    db.withPrepared<InsertQuery>([&](InsertQuery& q) {
        q.at = e.at.toSeconds();
        q.user = e.user;
        q.address = e.address;
        q.action = e.action;
        q.op = e.operatorCode;
        q.branch = e.branch;
        q.day = e.day.dayNumber();
        q.appropriation = e.appropriation.value_or(0);
        q.appropriationInd = e.appropriation ? soci::i_ok : soci::i_null;
        q.key = e.key;
        q.before = e.before.value_or(std::string());
        q.beforeInd = e.before ? soci::i_ok : soci::i_null;
        q.after = e.after.value_or(std::string());
        q.afterInd = e.after ? soci::i_ok : soci::i_null;
        q.st.execute(true);
    });
}

std::vector<AuditEntry> auditOfDay(const Database::Lease& db, const std::string& op,
                                   const std::string& branch, const DateTime& day) {
    return db.withPrepared<DayQuery>([&](DayQuery& q) {
        std::vector<AuditEntry> out;
        q.op = op;
        q.branch = branch;
        q.day = day.dayNumber();
        q.st.execute();
        while (q.st.fetch()) out.push_back(q.reader.entry());
        return out;
    });
}

std::vector<AuditEntry> auditEntries(soci::session& sql, const AuditFilter& filter) {
    EntryReader reader;
    std::string op = filter.operatorCode.value_or(std::string());
    long long from = filter.from ? filter.from->dayNumber() : std::numeric_limits<int>::min();
    long long to = filter.to ? filter.to->dayNumber() : std::numeric_limits<int>::max();
    soci::statement st(sql);
    reader.bind(st);
    st.exchange(soci::use(op));
    st.exchange(soci::use(op));
    st.exchange(soci::use(from));
    st.exchange(soci::use(to));
    st.alloc();
    st.prepare(std::string(kColumns) +
               " WHERE (:o1 = '' OR operator = :o2) AND day BETWEEN :f AND :t ORDER BY id DESC");
    st.define_and_bind();
    st.execute();
    std::vector<AuditEntry> out;
    while (st.fetch()) out.push_back(reader.entry());
    return out;
}

}  // namespace appserver
