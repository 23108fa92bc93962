#include "appserver/stores/catalog_store.h"

namespace appserver {

namespace {

const char* kTaskColumns =
    "SELECT branch, task, description, project, baseline, process_code, process_name FROM tasks";

void intoTask(soci::statement& st, TaskRecord& t) {
    st.exchange(soci::into(t.branch));
    st.exchange(soci::into(t.task));
    st.exchange(soci::into(t.description));
    st.exchange(soci::into(t.project));
    st.exchange(soci::into(t.baseline));
    st.exchange(soci::into(t.processCode));
    st.exchange(soci::into(t.processName));
}

void intoActivity(soci::statement& st, ActivityRecord& a) {
    st.exchange(soci::into(a.branch));
    st.exchange(soci::into(a.task));
    st.exchange(soci::into(a.activity));
    st.exchange(soci::into(a.processCode));
    st.exchange(soci::into(a.processName));
    st.exchange(soci::into(a.situation));
    st.exchange(soci::into(a.workItemCode));
    st.exchange(soci::into(a.workItemName));
    st.exchange(soci::into(a.responsible));
}

}  // namespace

namespace {

// The lookups every appropriation check makes, prepared once per database session.

struct TaskQuery {
    TaskRecord t;
    std::string branch, task;
    soci::statement st;

    explicit TaskQuery(soci::session& sql) : st(sql) {
        intoTask(st, t);
        st.exchange(soci::use(branch));
        st.exchange(soci::use(task));
        st.alloc();
        st.prepare(std::string(kTaskColumns) + " WHERE branch = :b AND task = :t");
        st.define_and_bind();
    }
};

struct ActivityQuery {
    ActivityRecord a;
    std::string branch, task, activity;
    soci::statement st;

    explicit ActivityQuery(soci::session& sql) : st(sql) {
        intoActivity(st, a);
        st.exchange(soci::use(branch));
        st.exchange(soci::use(task));
        st.exchange(soci::use(activity));
        st.alloc();
        st.prepare(
            "SELECT branch, task, activity, process_code, process_name, situation, work_item_code,"
            " work_item_name, responsible FROM activities WHERE branch = :b AND task = :t AND "
            "activity = :a");
        st.define_and_bind();
    }
};

const char* kActivityColumns =
    "SELECT v.branch, v.task, v.activity, v.process_code, v.process_name, v.situation, "
    "v.work_item_code,"
    " v.work_item_name, v.responsible";

/// The activity with whether it is open to an operator, in one query.
struct ActivityCheckQuery {
    ActivityRecord a;
    int listed = 0, mine = 0;
    std::string op, branch, task, activity;
    soci::statement st;

    explicit ActivityCheckQuery(soci::session& sql) : st(sql) {
        intoActivity(st, a);
        st.exchange(soci::into(listed));
        st.exchange(soci::into(mine));
        st.exchange(soci::use(op));
        st.exchange(soci::use(branch));
        st.exchange(soci::use(task));
        st.exchange(soci::use(activity));
        st.alloc();
        st.prepare(std::string(kActivityColumns) +
                   ", (SELECT COUNT(*) FROM activity_operators x WHERE x.branch = v.branch AND "
                   "x.task = v.task"
                   " AND x.activity = v.activity), (SELECT COUNT(*) FROM activity_operators y "
                   "WHERE y.branch = v.branch"
                   " AND y.task = v.task AND y.activity = v.activity AND y.operator = :o)"
                   " FROM activities v WHERE v.branch = :b AND v.task = :t AND v.activity = :a");
        st.define_and_bind();
    }
};

// The lists of the search dialogs.

struct BranchTasksQuery {
    TaskRecord t;
    std::string branch;
    soci::statement st;

    explicit BranchTasksQuery(soci::session& sql) : st(sql) {
        intoTask(st, t);
        st.exchange(soci::use(branch));
        st.alloc();
        st.prepare(std::string(kTaskColumns) + " WHERE branch = :b ORDER BY task");
        st.define_and_bind();
    }
};

struct OpenActivitiesQuery {
    ActivityRecord a;
    std::string branch, task, op;
    soci::statement st;

    explicit OpenActivitiesQuery(soci::session& sql) : st(sql) {
        intoActivity(st, a);
        st.exchange(soci::use(branch));
        st.exchange(soci::use(task));
        st.exchange(soci::use(op));
        st.alloc();
        st.prepare(std::string(kActivityColumns) +
                   " FROM activities v WHERE v.branch = :b AND v.task = :t AND ("
                   " NOT EXISTS (SELECT 1 FROM activity_operators x WHERE x.branch = v.branch AND "
                   "x.task = v.task"
                   " AND x.activity = v.activity) OR EXISTS (SELECT 1 FROM activity_operators y "
                   "WHERE y.branch = v.branch"
                   " AND y.task = v.task AND y.activity = v.activity AND y.operator = :o)) ORDER "
                   "BY v.activity");
        st.define_and_bind();
    }
};

/// Runs a prepared query and collects every row it yields.
template <typename Q, typename Record>
std::vector<Record> fetchAll(Q& q, const Record& row) {
    std::vector<Record> out;
    q.st.execute();
    while (q.st.fetch()) out.push_back(row);
    return out;
}

}  // namespace

std::optional<TaskRecord> findTask(const Database::Lease& db, const std::string& branch,
                                   const std::string& task) {
    return db.withPrepared<TaskQuery>([&](TaskQuery& q) -> std::optional<TaskRecord> {
        q.branch = branch;
        q.task = task;
        if (!fetchSingleRow(q.st)) return std::nullopt;
        return q.t;
    });
}

std::optional<ActivityRecord> findActivity(const Database::Lease& db, const std::string& branch,
                                           const std::string& task, const std::string& activity) {
    return db.withPrepared<ActivityQuery>([&](ActivityQuery& q) -> std::optional<ActivityRecord> {
        q.branch = branch;
        q.task = task;
        q.activity = activity;
        if (!fetchSingleRow(q.st)) return std::nullopt;
        return q.a;
    });
}

ActivityCheck checkActivity(const Database::Lease& db, const std::string& branch,
                            const std::string& task, const std::string& activity,
                            const std::string& op) {
    return db.withPrepared<ActivityCheckQuery>([&](ActivityCheckQuery& q) {
        q.op = op;
        q.branch = branch;
        q.task = task;
        q.activity = activity;
        q.listed = 0;
        q.mine = 0;
        ActivityCheck check;
        if (fetchSingleRow(q.st)) {
            check.activity = q.a;
            check.openToOperator = q.listed == 0 || q.mine > 0;
        }
        return check;
    });
}

std::vector<TaskRecord> tasksOfBranch(const Database::Lease& db, const std::string& branch) {
    return db.withPrepared<BranchTasksQuery>([&](BranchTasksQuery& q) {
        q.branch = branch;
        return fetchAll(q, q.t);
    });
}

std::vector<ActivityRecord> activitiesOpenTo(const Database::Lease& db, const std::string& branch,
                                             const std::string& task, const std::string& op) {
    return db.withPrepared<OpenActivitiesQuery>([&](OpenActivitiesQuery& q) {
        q.branch = branch;
        q.task = task;
        q.op = op;
        return fetchAll(q, q.a);
    });
}

bool markActivityStarted(soci::session& sql, const std::string& branch, const std::string& task,
                         const std::string& activity) {
    soci::statement st =
        (sql.prepare << "UPDATE activities SET situation = 'A' WHERE branch = :b AND task = :t AND "
                        "activity = :a AND situation = 'P'",
         soci::use(branch), soci::use(task), soci::use(activity));
    st.execute(true);
    return st.get_affected_rows() > 0;
}

}  // namespace appserver
