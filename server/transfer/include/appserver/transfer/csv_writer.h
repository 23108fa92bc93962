#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "appserver/transfer/period_export.h"

namespace appserver {

/// An export as RFC 4180 text in UTF-8: a header row, CRLF after every row,
/// a field quoted when it holds a comma, a double quote, CR or LF, and its
/// double quotes doubled. Dates as yyyy-mm-dd, times and durations as
/// hh:mm:ss (a negative duration with a leading minus), stamps as
/// "yyyy-mm-dd hh:mm:ss". Texts are written as they are stored.
class CsvWriter : public ExportWriter {
public:
    /// Writes to `out`, which must outlive the writer.
    explicit CsvWriter(std::ostream& out) : out_(out) {}

    void header(const std::vector<std::string>& names) override;
    void row(const std::vector<ExportCell>& cells) override;
    /// Flushes; throws when the stream failed at any point.
    void finish() override;

private:
    void field(const std::string& text);
    void endRow();
    void check();

    std::ostream& out_;
    std::string line_;
    std::size_t fields_ = 0;  ///< fields of the row under construction
};

/// The CSV form of one cell's value (unquoted), appended to `out`.
void appendCsvText(std::string& out, const ExportCell& cell);
std::string csvText(const ExportCell& cell);

}  // namespace appserver
