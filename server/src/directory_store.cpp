#include "directory_store.h"

namespace appserver {

std::optional<OperatorRecord> findOperator(soci::session& sql, const std::string& code) {
    OperatorRecord r;
    sql << "SELECT code, name, password_hash FROM operators WHERE code = :c", soci::into(r.code), soci::into(r.name),
        soci::into(r.passwordHash), soci::use(code);
    if (!sql.got_data()) return std::nullopt;
    return r;
}

bool operatorHasBranch(soci::session& sql, const std::string& op, const std::string& branch) {
    int n = 0;
    sql << "SELECT COUNT(*) FROM operator_branches WHERE operator = :o AND branch = :b", soci::into(n), soci::use(op),
        soci::use(branch);
    return n > 0;
}

bool operatorMayUseScreen(soci::session& sql, const std::string& op, const std::string& branch,
                          const std::string& screen) {
    int n = 0;
    sql << "SELECT COUNT(*) FROM operator_branches b JOIN operator_screens s ON s.operator = b.operator"
           " WHERE b.operator = :o AND b.branch = :b AND s.screen = :s",
        soci::into(n), soci::use(op), soci::use(branch), soci::use(screen);
    return n > 0;
}

namespace {

struct TeamQuery {
    std::string user, op;
    int n = 0;
    soci::statement st;

    explicit TeamQuery(soci::session& sql) : st(sql) {
        st.exchange(soci::into(n));
        st.exchange(soci::use(user));
        st.exchange(soci::use(op));
        st.alloc();
        st.prepare("SELECT COUNT(*) FROM team_members mine JOIN team_members theirs ON theirs.team = mine.team"
                   " WHERE mine.operator = :u AND theirs.operator = :o");
        st.define_and_bind();
    }
};

}  // namespace

bool inWorkTeam(const Database::Lease& db, const std::string& user, const std::string& op) {
    if (user == op) return true;
    TeamQuery& q = db.prepared<TeamQuery>();
    try {
        q.user = user;
        q.op = op;
        q.n = 0;
        q.st.execute(true);
        // Step to the end so that no read stays open on the session.
        while (q.st.fetch()) {
        }
        return q.n > 0;
    } catch (...) {
        db.forget<TeamQuery>();
        throw;
    }
}

std::vector<TeamMember> workTeam(soci::session& sql, const std::string& user) {
    std::vector<TeamMember> out;
    TeamMember m;
    soci::statement st = (sql.prepare << "SELECT o.code, o.name FROM operators o WHERE o.code = :u OR EXISTS ("
                                         " SELECT 1 FROM team_members mine JOIN team_members theirs"
                                         " ON theirs.team = mine.team WHERE mine.operator = :u2 AND theirs.operator = o.code)"
                                         " ORDER BY o.name, o.code",
                          soci::into(m.code), soci::into(m.name), soci::use(user), soci::use(user));
    st.execute();
    while (st.fetch()) out.push_back(m);
    return out;
}

}  // namespace appserver
