#pragma once

#include <string>
#include <vector>

#include "appserver/transfer/period_export.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace appserver {

/// An export as an XLSX workbook, written row by row in the library's
/// constant-memory mode (each row goes to a temporary file as it comes).
/// Texts are always text cells, never formulas; dates, times, stamps and
/// durations are numbers with a date or time format, so that they sort and
/// sum. A sheet holds at most `rowsPerSheet` rows, header included; the
/// rows go on in a new sheet "Apropriação 2", "Apropriação 3"…, each with
/// the header again.
class XlsxWriter : public ExportWriter {
public:
    /// The most rows a sheet of the format holds.
    static constexpr unsigned kMaxRowsPerSheet = 1048576;

    /// The file is written by finish(); throws when the workbook cannot be begun.
    explicit XlsxWriter(const std::string& path, unsigned rowsPerSheet = kMaxRowsPerSheet);
    ~XlsxWriter() override;
    XlsxWriter(const XlsxWriter&) = delete;
    XlsxWriter& operator=(const XlsxWriter&) = delete;

    void header(const std::vector<std::string>& names) override;
    void row(const std::vector<ExportCell>& cells) override;
    /// Writes the file; throws with the library's reason when it cannot.
    void finish() override;

private:
    void newSheet();
    void closeSheet();
    void check(int error, const char* what) const;

    std::string path_;
    std::string tmpdir_;
    unsigned rowsPerSheet_;
    lxw_workbook* book_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format *date_ = nullptr, *time_ = nullptr, *stamp_ = nullptr, *duration_ = nullptr,
               *bold_ = nullptr;
    std::vector<std::string> header_;
    unsigned sheets_ = 0;
    unsigned row_ = 0;  ///< the next row of the current sheet
};

}  // namespace appserver
