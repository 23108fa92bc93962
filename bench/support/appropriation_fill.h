#pragma once

#include <optional>
#include <string>

#include "appserver/storage/database.h"
#include "appserver/stores/month_closing.h"
#include "platform/dataset/datetime.h"

namespace bench {

/// The operators of a fill: codes 100000 to 100000 + kFillOperators - 1,
/// zero-padded to the plan's width, all in one team, all allowed the screen
/// at branch "0001"; each holds kFillRowsPerDay appropriations a day.
inline constexpr int kFillOperators = 1000;
inline constexpr int kFillRowsPerDay = 5;

struct FillPlan {
    long long rows = 1000000;
    int codeWidth = 6;                     ///< digits of an operator code
    platform::dataset::DateTime firstDay;  ///< the first day that holds appropriations
    std::string password;                  ///< every operator's
};

/// The code of the i-th operator of a fill.
std::string fillOperatorCode(int i, int codeWidth);
/// The number of days that hold appropriations.
long long fillDayCount(long long rows);

/// The first day of a fill of `rows` made on `today`: far enough back that
/// every row lies before it.
platform::dataset::DateTime fillFirstDay(long long rows, const platform::dataset::DateTime& today);
/// The first day of the fill `db` holds, if it holds one. A copy filled on
/// another day starts on another day than a fill made today: the days a
/// benchmark asks for must be the copy's, or some of its calls read empty days.
std::optional<platform::dataset::DateTime> storedFillFirstDay(appserver::Database& db);
/// The first calendar month whose every day holds the rows of a fill of
/// `rows` from `first`: the summary benchmarks' month. None when the fill is shorter.
std::optional<appserver::CalendarMonth> fillFirstWholeMonth(
    const platform::dataset::DateTime& first, long long rows);

/// Fills an empty, migrated database in one transaction of set-based
/// inserts (a million rows in seconds, where row-by-row inserts take
/// minutes): the operators, nine tasks of four activities, and for row i
/// operator i % kFillOperators on day (i / kFillOperators) / kFillRowsPerDay,
/// the ((i / kFillOperators) % kFillRowsPerDay)-th hour from 08:00, 50 minutes
/// long; and each operator-day's entry and exit punches around its rows.
void fillAppropriations(appserver::Database& db, const FillPlan& plan);

}  // namespace bench
