#pragma once

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "appserver/storage/database.h"
#include "platform/dataset/datetime.h"

namespace appserver {

/// Which of an export's rows fall in a closed month. The period's closings
/// are read once, inside the export's transaction, so that the marks and
/// the rows come from the same snapshot.
class ClosedMonthMarks {
public:
    ClosedMonthMarks(soci::session& sql, const platform::dataset::DateTime& from,
                     const platform::dataset::DateTime& to);

    /// The operator's month of `day` (a day number) is closed at the branch.
    bool closedAt(const std::string& op, const std::string& branch, long long day) const;
    /// The operator's month of `day` is closed at every branch he works at:
    /// no row of his on that day may change anywhere.
    bool closedEverywhere(const std::string& op, long long day);

private:
    static long long monthStart(long long day);
    const std::vector<std::string>& branchesOf(const std::string& op);

    soci::session& sql_;
    std::set<std::tuple<std::string, std::string, long long>> closed_;  ///< op, branch, month start
    // The export goes operator by operator: his branches are asked day after day.
    std::string branchesOp_;
    std::vector<std::string> branches_;
};

}  // namespace appserver
