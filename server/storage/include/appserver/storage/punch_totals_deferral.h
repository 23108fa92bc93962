#pragma once

#include <map>
#include <string>
#include <utility>

#include "appserver/storage/database.h"

namespace appserver {

/// Lets a writer of many punches in one transaction (the clock import) keep
/// their day totals itself on SQLite: while it is on, the triggers that count
/// each punch inserted or changed stand aside for that transaction alone, and
/// `finish` counts again, from the punches themselves, every day the writer
/// said it touched. A file of a million punches then pays one count per
/// operator instead of a look-up and an upsert per punch.
///
/// The mark the triggers read is a row written inside the transaction: no
/// other connection ever sees it, and a transaction that fails or a process
/// that dies rolls it back with the punches. `finish` must run before the
/// commit; deleting punches is still counted by its trigger.
///
/// On PostgreSQL the triggers keep counting (they take the operator's row
/// in turn with other writers) and this does nothing.
class PunchTotalsDeferral {
public:
    /// Within an open write transaction of `lease`.
    explicit PunchTotalsDeferral(const Database::Lease& lease);

    /// Punches of `op` from `firstDay` to `lastDay` are inserted or changed
    /// (days between with nothing written are counted again too: the same
    /// totals, at the cost of reading them).
    void touch(const std::string& op, long long firstDay, long long lastDay);

    /// Counts the touched days again and takes the mark away.
    void finish();

private:
    const Database::Lease& lease_;
    bool on_ = false;
    std::map<std::string, std::pair<long long, long long>> days_;
};

}  // namespace appserver
