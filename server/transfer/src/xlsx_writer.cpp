#include "appserver/transfer/xlsx_writer.h"

#include <fmt/format.h>
#include <xlsxwriter.h>

#include <filesystem>
#include <stdexcept>

namespace appserver {

namespace {

/// Spreadsheet day numbers count from 1899-12-30; ours from 1970-01-01.
constexpr double kSpreadsheetEpochDays = 25569.0;
constexpr double kSecondsPerDay = 86400.0;

}  // namespace

XlsxWriter::XlsxWriter(const std::string& path, unsigned rowsPerSheet)
    : path_(path), rowsPerSheet_(rowsPerSheet < 2 ? 2 : rowsPerSheet) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    // The sheets' XML waits in temporary files until the workbook is zipped:
    // in the folder TMPDIR names, like every other temporary file, rather
    // than always in /tmp.
    tmpdir_ = std::filesystem::temp_directory_path().string();
    options.tmpdir = tmpdir_.data();
    book_ = workbook_new_opt(path_.c_str(), &options);
    if (!book_)
        throw std::runtime_error(fmt::format("Não foi possível começar a planilha {}", path_));
    date_ = workbook_add_format(book_);
    format_set_num_format(date_, "yyyy-mm-dd");
    time_ = workbook_add_format(book_);
    format_set_num_format(time_, "hh:mm:ss");
    stamp_ = workbook_add_format(book_);
    format_set_num_format(stamp_, "yyyy-mm-dd hh:mm:ss");
    // [h] lets a total pass 24 hours; the second section writes a negative
    // difference as -h:mm:ss where the reader supports it.
    duration_ = workbook_add_format(book_);
    format_set_num_format(duration_, "[h]:mm:ss;-[h]:mm:ss");
    bold_ = workbook_add_format(book_);
    format_set_bold(bold_);
}

XlsxWriter::~XlsxWriter() {
    // Not finished (a failure on the way): the library still owns temporary
    // files and memory; closing frees them and writes a partial workbook,
    // which the caller discards.
    if (book_) workbook_close(book_);
}

void XlsxWriter::check(int error, const char* what) const {
    if (error != LXW_NO_ERROR)
        throw std::runtime_error(fmt::format("Falha ao gravar a planilha {} ({}): {}", path_, what,
                                             lxw_strerror(static_cast<lxw_error>(error))));
}

void XlsxWriter::newSheet() {
    closeSheet();
    ++sheets_;
    const std::string name =
        sheets_ == 1 ? std::string("Apropriação") : fmt::format("Apropriação {}", sheets_);
    sheet_ = workbook_add_worksheet(book_, name.c_str());
    if (!sheet_) throw std::runtime_error(fmt::format("Falha ao criar a folha {}", name));
    worksheet_freeze_panes(sheet_, 1, 0);
    worksheet_set_column(sheet_, 0, static_cast<lxw_col_t>(header_.size() - 1), 14, nullptr);
    row_ = 0;
    for (std::size_t c = 0; c < header_.size(); ++c)
        check(
            worksheet_write_string(sheet_, 0, static_cast<lxw_col_t>(c), header_[c].c_str(), bold_),
            "cabeçalho");
    row_ = 1;
}

void XlsxWriter::closeSheet() {
    if (!sheet_ || header_.empty()) return;
    // A filter over the whole sheet, so that "tipo" picks rows or day totals at once.
    check(worksheet_autofilter(sheet_, 0, 0, row_ - 1, static_cast<lxw_col_t>(header_.size() - 1)),
          "filtro");
}

void XlsxWriter::header(const std::vector<std::string>& names) {
    header_ = names;
    newSheet();
}

void XlsxWriter::row(const std::vector<ExportCell>& cells) {
    if (row_ >= rowsPerSheet_) newSheet();
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const ExportCell& cell = cells[c];
        const auto col = static_cast<lxw_col_t>(c);
        const auto v = static_cast<double>(cell.value);
        lxw_error e = LXW_NO_ERROR;
        switch (cell.kind) {
            case ExportCell::Kind::Empty:
                break;
            case ExportCell::Kind::Text:
                if (!cell.text.empty())
                    e = worksheet_write_string(sheet_, row_, col, cell.text.c_str(), nullptr);
                break;
            case ExportCell::Kind::Date:
                e = worksheet_write_number(sheet_, row_, col, v + kSpreadsheetEpochDays, date_);
                break;
            case ExportCell::Kind::Time:
                e = worksheet_write_number(sheet_, row_, col, v / kSecondsPerDay, time_);
                break;
            case ExportCell::Kind::DateTime:
                e = worksheet_write_number(sheet_, row_, col,
                                           v / kSecondsPerDay + kSpreadsheetEpochDays, stamp_);
                break;
            case ExportCell::Kind::Duration:
                e = worksheet_write_number(sheet_, row_, col, v / kSecondsPerDay, duration_);
                break;
            case ExportCell::Kind::Integer:
                e = worksheet_write_number(sheet_, row_, col, v, nullptr);
                break;
        }
        check(e, "célula");
    }
    ++row_;
}

void XlsxWriter::finish() {
    closeSheet();
    lxw_workbook* book = book_;
    book_ = nullptr;
    check(workbook_close(book), "arquivo");
}

}  // namespace appserver
