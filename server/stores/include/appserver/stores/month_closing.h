#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "appserver/storage/database.h"
#include "platform/dataset/datetime.h"

namespace appserver {

/// A calendar month, written "YYYY-MM".
struct CalendarMonth {
    int year = 0;
    int month = 0;

    /// "YYYY-MM" with a month from 01 to 12 and a year from 0001; nullopt otherwise.
    static std::optional<CalendarMonth> parse(std::string_view text);
    static CalendarMonth of(const platform::dataset::DateTime& day);

    platform::dataset::DateTime firstDay() const;
    platform::dataset::DateTime lastDay() const;
    std::string text() const;  ///< "YYYY-MM"

    bool operator==(const CalendarMonth&) const = default;
};

/// An operator's month closed at a branch: no row of his at that branch on
/// its days may be inserted, changed or deleted until it is reopened.
struct MonthClosing {
    std::string operatorCode, branch;
    CalendarMonth month;
    std::string closedBy;  ///< who closed it: a user's code, or the account of a command
    platform::dataset::DateTime closedAt;
};

/// Closing or reopening a month, as a user or a command asks it.
struct MonthClosingChange {
    std::string operatorCode, branch;
    CalendarMonth month;
    bool close = true;    ///< false: reopen
    std::string by;       ///< who asks
    std::string address;  ///< from where (a client's address, or the command line)
    platform::dataset::DateTime at;
};

/// Closes or reopens the month inside the caller's write transaction, after
/// taking the operator's save lock (so that a save of his rows either
/// finished before or sees the month closed), and records the change in the
/// audit trail: action "close" or "reopen", the month as the key, under the
/// month's first day. A month already as asked is left alone and recorded
/// nowhere. True when it changed.
bool changeMonthClosing(const Database::Lease& db, WriteTransaction& tx,
                        const MonthClosingChange& change);

/// True when the operator's month of `day` is closed at the branch (one
/// lookup by primary key, prepared once per session: the save path asks it
/// for every row).
bool isMonthClosed(const Database::Lease& db, const std::string& op, const std::string& branch,
                   const platform::dataset::DateTime& day);

/// The closings of months that touch [from, to], every operator's and branch's.
std::vector<MonthClosing> monthClosings(soci::session& sql, const platform::dataset::DateTime& from,
                                        const platform::dataset::DateTime& to);

}  // namespace appserver
