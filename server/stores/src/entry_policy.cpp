#include "appserver/stores/entry_policy.h"

#include <fmt/format.h>

#include <stdexcept>

#include "appserver/stores/directory_store.h"

namespace appserver {

using platform::dataset::DateTime;

namespace {

/// Binds the columns of one policy row.
struct PolicyReader {
    long long from = 0, to = 0;
    int ownOnly = 0, requirePunches = 0;
    soci::indicator fromInd = soci::i_ok, toInd = soci::i_ok;
    std::string branch;

    void bind(soci::statement& st) {
        st.exchange(soci::into(branch));
        st.exchange(soci::into(from, fromInd));
        st.exchange(soci::into(to, toInd));
        st.exchange(soci::into(ownOnly));
        st.exchange(soci::into(requirePunches));
    }

    EntryPolicy policy() const {
        EntryPolicy p;
        p.branch = branch;
        if (fromInd != soci::i_null) p.periodFrom = DateTime::fromDayNumber(from);
        if (toInd != soci::i_null) p.periodTo = DateTime::fromDayNumber(to);
        p.ownOnly = ownOnly != 0;
        p.requirePunches = requirePunches != 0;
        return p;
    }
};

const char* kColumns =
    "SELECT branch, period_from, period_to, own_only, require_punches FROM entry_policies";

struct BranchQuery {
    PolicyReader reader;
    std::string branch;
    soci::statement st;

    explicit BranchQuery(soci::session& sql) : st(sql) {
        reader.bind(st);
        st.exchange(soci::use(branch));
        st.alloc();
        st.prepare(std::string(kColumns) + " WHERE branch = :b");
        st.define_and_bind();
    }
};

}  // namespace

bool EntryPolicy::outsidePeriod(const DateTime& day) const {
    if (!hasPeriod()) return false;
    const DateTime d = day.datePart();
    return d < *periodFrom || d > *periodTo;
}

EntryPolicy entryPolicyOf(const Database::Lease& db, const std::string& branch) {
    return db.withPrepared<BranchQuery>([&](BranchQuery& q) {
        q.branch = branch;
        q.reader.fromInd = q.reader.toInd = soci::i_ok;
        if (!fetchSingleRow(q.st)) {
            EntryPolicy none;
            none.branch = branch;
            return none;
        }
        return q.reader.policy();
    });
}

std::vector<EntryPolicy> entryPolicies(soci::session& sql) {
    PolicyReader reader;
    soci::statement st(sql);
    reader.bind(st);
    st.alloc();
    st.prepare(std::string(kColumns) + " ORDER BY branch");
    st.define_and_bind();
    st.execute();
    std::vector<EntryPolicy> out;
    while (st.fetch()) out.push_back(reader.policy());
    return out;
}

void saveEntryPolicy(const Database::Lease& db, const EntryPolicy& p) {
    if (p.periodFrom.has_value() != p.periodTo.has_value())
        throw std::invalid_argument("O período precisa de início e de fim.");
    if (p.hasPeriod() && p.periodTo->datePart() < p.periodFrom->datePart())
        throw std::invalid_argument(fmt::format("O período termina ({}) antes de começar ({}).",
                                                p.periodTo->toDisplayDate(),
                                                p.periodFrom->toDisplayDate()));
    WriteTransaction tx(db);
    soci::session& sql = db.sql();
    if (!branchExists(sql, p.branch))
        throw std::invalid_argument(fmt::format("A filial \"{}\" não está cadastrada.", p.branch));
    long long from = p.periodFrom ? p.periodFrom->dayNumber() : 0;
    long long to = p.periodTo ? p.periodTo->dayNumber() : 0;
    soci::indicator fromInd = p.periodFrom ? soci::i_ok : soci::i_null;
    soci::indicator toInd = p.periodTo ? soci::i_ok : soci::i_null;
    int ownOnly = p.ownOnly ? 1 : 0;
    int requirePunches = p.requirePunches ? 1 : 0;
    sql << "DELETE FROM entry_policies WHERE branch = :b", soci::use(p.branch);
    sql << "INSERT INTO entry_policies (branch, period_from, period_to, own_only, require_punches)"
           " VALUES (:b, :f, :t, :o, :p)",
        soci::use(p.branch), soci::use(from, fromInd), soci::use(to, toInd), soci::use(ownOnly),
        soci::use(requirePunches);
    tx.commit();
}

}  // namespace appserver
