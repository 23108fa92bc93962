#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "appserver/storage/database.h"
#include "platform/dataset/datetime.h"

namespace appserver {

/// What a period export covers. Days are whole days, both bounds included.
struct ExportFilter {
    platform::dataset::DateTime from, to;
    std::string branch;        ///< empty: every branch
    std::string operatorCode;  ///< empty: every operator
    std::string team;          ///< empty: every operator; else only the team's members
};

/// One cell of the export, typed so that a spreadsheet format can write
/// dates and durations as numbers while a text format writes them as text.
struct ExportCell {
    enum class Kind {
        Empty,
        Text,      ///< `text`
        Date,      ///< `value`: a day number
        Time,      ///< `value`: seconds since midnight
        DateTime,  ///< `value`: seconds since 1970-01-01 of the civil time
        Duration,  ///< `value`: seconds, signed
        Integer,   ///< `value`
    };
    Kind kind = Kind::Empty;
    std::string text;
    std::int64_t value = 0;
};

/// Where an export goes. The exporter calls header() once, then row() for
/// each row in order, then finish(); a writer throws when it cannot write.
class ExportWriter {
public:
    virtual ~ExportWriter() = default;
    virtual void header(const std::vector<std::string>& names) = 0;
    /// The cells of one row, in the order of the header; valid during the call only.
    virtual void row(const std::vector<ExportCell>& cells) = 0;
    virtual void finish() = 0;
};

/// The values of the "tipo" column.
inline constexpr const char* kExportAppropriationKind = "apropriação";
inline constexpr const char* kExportDayKind = "dia";
/// The values of the "mês fechado" column.
inline constexpr const char* kExportMonthClosed = "S";
inline constexpr const char* kExportMonthOpen = "N";

/// The header of the export, in column order.
const std::vector<std::string>& exportColumns();

struct ExportCounts {
    long long appropriations = 0;  ///< appropriation rows written
    long long days = 0;            ///< operator-day rows written
};

/// Writes the appropriations of the period, ordered by operator, day and
/// start, each operator-day followed by one "dia" row with the day's
/// appropriated total (closed rows only), the number of open rows, the
/// punched total (the same pairing of entries and exits as GetTotPontoReal)
/// and appropriated minus punched. A day with punches and no appropriation
/// gets its "dia" row alone. The last column marks a row whose month is
/// closed: an appropriation's at its branch; a day's at the filter's branch,
/// or with none at every branch the operator works at. The day totals appear only on the "dia"
/// rows, so no column sums a time twice. Reads in one read transaction, a batch of rows at a time:
/// memory does not grow with the period. Throws std::invalid_argument when `from` is after `to`, or
/// when the filter names a branch, operator or team that does not exist.
ExportCounts exportPeriod(Database& db, const ExportFilter& filter, ExportWriter& out);

}  // namespace appserver
