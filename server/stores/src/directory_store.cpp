#include "appserver/stores/directory_store.h"

namespace appserver {

std::optional<OperatorRecord> findOperator(soci::session& sql, const std::string& code) {
    OperatorRecord r;
    sql << "SELECT code, name, password_hash FROM operators WHERE code = :c", soci::into(r.code),
        soci::into(r.name), soci::into(r.passwordHash), soci::use(code);
    if (!sql.got_data()) return std::nullopt;
    return r;
}

bool branchExists(soci::session& sql, const std::string& code) {
    int n = 0;
    sql << "SELECT COUNT(*) FROM branches WHERE code = :c", soci::into(n), soci::use(code);
    return n > 0;
}

bool operatorHasBranch(soci::session& sql, const std::string& op, const std::string& branch) {
    int n = 0;
    sql << "SELECT COUNT(*) FROM operator_branches WHERE operator = :o AND branch = :b",
        soci::into(n), soci::use(op), soci::use(branch);
    return n > 0;
}

namespace {

struct ScreenAccessQuery {
    int n = 0;
    std::string op, branch, screen;
    soci::statement st;

    explicit ScreenAccessQuery(soci::session& sql) : st(sql) {
        st.exchange(soci::into(n));
        st.exchange(soci::use(op));
        st.exchange(soci::use(branch));
        st.exchange(soci::use(screen));
        st.alloc();
        st.prepare(
            "SELECT COUNT(*) FROM operator_branches b JOIN operator_screens s ON s.operator = "
            "b.operator"
            " WHERE b.operator = :o AND b.branch = :b AND s.screen = :s");
        st.define_and_bind();
    }
};

/// A count over two keys, prepared once per session (each SQL text its own
/// type, so that each has its own place in the session's statement cache).
template <const char* const* Sql>
struct PairCountQuery {
    int n = 0;
    std::string first, second;
    soci::statement st;

    explicit PairCountQuery(soci::session& sql) : st(sql) {
        st.exchange(soci::into(n));
        st.exchange(soci::use(first));
        st.exchange(soci::use(second));
        st.alloc();
        st.prepare(*Sql);
        st.define_and_bind();
    }

    static bool any(const Database::Lease& db, const std::string& first,
                    const std::string& second) {
        return db.withPrepared<PairCountQuery>([&](PairCountQuery& q) {
            q.first = first;
            q.second = second;
            q.n = 0;
            fetchSingleRow(q.st);
            return q.n > 0;
        });
    }
};

constexpr const char* kTeamMateSql =
    "SELECT COUNT(*) FROM team_members mine JOIN team_members theirs ON theirs.team = mine.team"
    " WHERE mine.operator = :u AND theirs.operator = :o";
/// Asked on every call of the summary.
constexpr const char* kTeamMemberSql =
    "SELECT COUNT(*) FROM team_members WHERE team = :t AND operator = :u";

}  // namespace

bool inWorkTeam(const Database::Lease& db, const std::string& user, const std::string& op) {
    // The user is in his own team even when he belongs to none (as workTeam() has it), if he
    // exists.
    if (op == user) return findOperator(db.sql(), user).has_value();
    return PairCountQuery<&kTeamMateSql>::any(db, user, op);
}

bool operatorMayUseScreen(const Database::Lease& db, const std::string& op,
                          const std::string& branch, const std::string& screen) {
    return db.withPrepared<ScreenAccessQuery>([&](ScreenAccessQuery& q) {
        q.op = op;
        q.branch = branch;
        q.screen = screen;
        q.n = 0;
        fetchSingleRow(q.st);
        return q.n > 0;
    });
}

std::vector<TeamRecord> teamsOf(const Database::Lease& db, const std::string& user) {
    std::vector<TeamRecord> out;
    TeamRecord t;
    const std::string order =
        db.kind() == DatabaseKind::Postgres ? "t.code COLLATE \"C\"" : "t.code";
    soci::statement st =
        (db.sql().prepare << "SELECT t.code, t.name FROM team_members m JOIN teams t"
                             " ON t.code = m.team WHERE m.operator = :u ORDER BY " +
                                 order,
         soci::into(t.code), soci::into(t.name), soci::use(user));
    st.execute();
    while (st.fetch()) out.push_back(t);
    return out;
}

bool isTeamMember(const Database::Lease& db, const std::string& team, const std::string& user) {
    return PairCountQuery<&kTeamMemberSql>::any(db, team, user);
}

std::string listedName(const std::string& name) {
    constexpr std::size_t kListedLength = 40;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        // A character starts at every byte that is not a UTF-8 continuation byte.
        if ((static_cast<unsigned char>(name[i]) & 0xC0) != 0x80 && chars++ == kListedLength)
            return name.substr(0, i);
    }
    return name;
}

std::vector<TeamMember> workTeam(soci::session& sql, const std::string& user) {
    std::vector<TeamMember> out;
    TeamMember m;
    soci::statement st =
        (sql.prepare << "SELECT o.code, o.name FROM operators o WHERE o.code = :u OR EXISTS ("
                        " SELECT 1 FROM team_members mine JOIN team_members theirs"
                        " ON theirs.team = mine.team WHERE mine.operator = :u2 AND theirs.operator "
                        "= o.code)"
                        " ORDER BY o.name, o.code",
         soci::into(m.code), soci::into(m.name), soci::use(user), soci::use(user));
    st.execute();
    while (st.fetch()) out.push_back(m);
    return out;
}

}  // namespace appserver
