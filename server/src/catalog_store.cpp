#include "catalog_store.h"

namespace appserver {

namespace {

const char* kTaskColumns = "SELECT branch, task, description, project, baseline, process_code, process_name FROM tasks";

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

std::vector<TaskRecord> tasksOfBranch(soci::session& sql, const std::string& branch) {
    std::vector<TaskRecord> out;
    TaskRecord t;
    soci::statement st(sql);
    intoTask(st, t);
    st.exchange(soci::use(branch));
    st.alloc();
    st.prepare(std::string(kTaskColumns) + " WHERE branch = :b ORDER BY task");
    st.define_and_bind();
    st.execute();
    while (st.fetch()) out.push_back(t);
    return out;
}

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
        st.prepare("SELECT branch, task, activity, process_code, process_name, situation, work_item_code,"
                   " work_item_name, responsible FROM activities WHERE branch = :b AND task = :t AND activity = :a");
        st.define_and_bind();
    }
};

struct OpenToQuery {
    int listed = 0, mine = 0;
    std::string op, branch, task, activity;
    soci::statement st;

    explicit OpenToQuery(soci::session& sql) : st(sql) {
        st.exchange(soci::into(listed));
        st.exchange(soci::into(mine));
        st.exchange(soci::use(op));
        st.exchange(soci::use(branch));
        st.exchange(soci::use(task));
        st.exchange(soci::use(activity));
        st.alloc();
        st.prepare("SELECT COUNT(*), COALESCE(SUM(CASE WHEN operator = :o THEN 1 ELSE 0 END), 0) FROM activity_operators"
                   " WHERE branch = :b AND task = :t AND activity = :a");
        st.define_and_bind();
    }
};

/// Runs a prepared single-row query and steps it to its end, so that no read stays open on the session.
bool fetchOne(soci::statement& st) {
    const bool found = st.execute(true);
    if (found)
        while (st.fetch()) {
        }
    return found;
}

}  // namespace

std::optional<TaskRecord> findTask(const Database::Lease& db, const std::string& branch, const std::string& task) {
    return db.withPrepared<TaskQuery>([&](TaskQuery& q) -> std::optional<TaskRecord> {
        q.branch = branch;
        q.task = task;
        if (!fetchOne(q.st)) return std::nullopt;
        return q.t;
    });
}

std::optional<ActivityRecord> findActivity(const Database::Lease& db, const std::string& branch, const std::string& task,
                                           const std::string& activity) {
    return db.withPrepared<ActivityQuery>([&](ActivityQuery& q) -> std::optional<ActivityRecord> {
        q.branch = branch;
        q.task = task;
        q.activity = activity;
        if (!fetchOne(q.st)) return std::nullopt;
        return q.a;
    });
}

bool activityOpenTo(const Database::Lease& db, const std::string& branch, const std::string& task,
                    const std::string& activity, const std::string& op) {
    return db.withPrepared<OpenToQuery>([&](OpenToQuery& q) {
        q.op = op;
        q.branch = branch;
        q.task = task;
        q.activity = activity;
        q.listed = 0;
        q.mine = 0;
        fetchOne(q.st);
        return q.listed == 0 || q.mine > 0;
    });
}

std::vector<ActivityRecord> activitiesOpenTo(soci::session& sql, const std::string& branch, const std::string& task,
                                             const std::string& op) {
    std::vector<ActivityRecord> out;
    ActivityRecord a;
    soci::statement st(sql);
    intoActivity(st, a);
    st.exchange(soci::use(branch));
    st.exchange(soci::use(task));
    st.exchange(soci::use(op));
    st.alloc();
    st.prepare("SELECT v.branch, v.task, v.activity, v.process_code, v.process_name, v.situation, v.work_item_code,"
               " v.work_item_name, v.responsible FROM activities v WHERE v.branch = :b AND v.task = :t AND ("
               " NOT EXISTS (SELECT 1 FROM activity_operators x WHERE x.branch = v.branch AND x.task = v.task"
               " AND x.activity = v.activity) OR EXISTS (SELECT 1 FROM activity_operators y WHERE y.branch = v.branch"
               " AND y.task = v.task AND y.activity = v.activity AND y.operator = :o)) ORDER BY v.activity");
    st.define_and_bind();
    st.execute();
    while (st.fetch()) out.push_back(a);
    return out;
}

void markActivityStarted(soci::session& sql, const std::string& branch, const std::string& task,
                         const std::string& activity) {
    sql << "UPDATE activities SET situation = 'A' WHERE branch = :b AND task = :t AND activity = :a AND situation = 'P'",
        soci::use(branch), soci::use(task), soci::use(activity);
}

}  // namespace appserver
