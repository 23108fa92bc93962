#include "appserver/transfer/csv_writer.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

#include "platform/dataset/datetime.h"

namespace appserver {

using platform::dataset::DateTime;

namespace {

void appendDigits(std::string& out, std::int64_t v, int width) {
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    for (int pad = width - static_cast<int>(end - buf); pad > 0; --pad) out += '0';
    out.append(buf, end);
}

void appendDate(std::string& out, const DateTime& d) {
    appendDigits(out, d.year, 4);
    out += '-';
    appendDigits(out, d.month, 2);
    out += '-';
    appendDigits(out, d.day, 2);
}

/// hh:mm:ss, the hours passing 24 when the duration does; a minus before a negative one.
void appendDuration(std::string& out, std::int64_t seconds) {
    if (seconds < 0) {
        out += '-';
        seconds = -seconds;
    }
    appendDigits(out, seconds / 3600, 2);
    out += ':';
    appendDigits(out, seconds / 60 % 60, 2);
    out += ':';
    appendDigits(out, seconds % 60, 2);
}

}  // namespace

// Written by hand rather than through the general formatters: a row holds
// up to seven of these, and a million rows are a common export.
void appendCsvText(std::string& out, const ExportCell& cell) {
    switch (cell.kind) {
        case ExportCell::Kind::Empty:
            return;
        case ExportCell::Kind::Text:
            out += cell.text;
            return;
        case ExportCell::Kind::Date:
            appendDate(out, DateTime::fromDayNumber(cell.value));
            return;
        case ExportCell::Kind::Time:
        case ExportCell::Kind::Duration:
            appendDuration(out, cell.value);
            return;
        case ExportCell::Kind::DateTime: {
            // "yyyy-mm-dd hh:mm:ss", what spreadsheets read as a date and time.
            const DateTime t = DateTime::fromSeconds(cell.value);
            appendDate(out, t);
            out += ' ';
            appendDuration(out, t.secondsOfDay());
            return;
        }
        case ExportCell::Kind::Integer:
            appendDigits(out, cell.value, 1);
            return;
    }
}

std::string csvText(const ExportCell& cell) {
    std::string out;
    appendCsvText(out, cell);
    return out;
}

void CsvWriter::field(const std::string& text) {
    if (fields_++ > 0) line_ += ',';
    const auto special = [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; };
    if (std::none_of(text.begin(), text.end(), special)) {
        line_ += text;
        return;
    }
    line_ += '"';
    for (char c : text) {
        if (c == '"') line_ += '"';
        line_ += c;
    }
    line_ += '"';
}

void CsvWriter::endRow() {
    line_ += "\r\n";
    out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
    line_.clear();
    fields_ = 0;
}

void CsvWriter::check() {
    if (!out_)
        throw std::runtime_error("Falha ao gravar a exportação (disco cheio ou saída fechada?)");
}

void CsvWriter::header(const std::vector<std::string>& names) {
    for (const std::string& n : names) field(n);
    endRow();
}

void CsvWriter::row(const std::vector<ExportCell>& cells) {
    for (const ExportCell& c : cells) {
        if (c.kind == ExportCell::Kind::Text) {
            field(c.text);
        } else {
            // Dates, times and numbers never hold a character that needs quoting.
            if (fields_++ > 0) line_ += ',';
            appendCsvText(line_, c);
        }
    }
    endRow();
    if (!out_) check();
}

void CsvWriter::finish() {
    out_.flush();
    check();
}

}  // namespace appserver
