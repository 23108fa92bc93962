#include "csv_writer.h"

#include <stdexcept>

#include "appserver/time_text.h"
#include "platform/dataset/datetime.h"

namespace appserver {

using platform::dataset::DateTime;

std::string csvText(const ExportCell& cell) {
    switch (cell.kind) {
        case ExportCell::Kind::Empty:
            return {};
        case ExportCell::Kind::Text:
            return cell.text;
        case ExportCell::Kind::Date:
            return DateTime::fromDayNumber(cell.value).toIsoDate();
        case ExportCell::Kind::Time:
            return formatDuration(cell.value);
        case ExportCell::Kind::DateTime: {
            std::string iso = DateTime::fromSeconds(cell.value).toIso();
            iso[10] = ' ';  // what spreadsheets read as a date and time
            return iso;
        }
        case ExportCell::Kind::Duration:
            return cell.value < 0 ? "-" + formatDuration(-cell.value) : formatDuration(cell.value);
        case ExportCell::Kind::Integer:
            return std::to_string(cell.value);
    }
    return {};
}

void CsvWriter::field(const std::string& text) {
    if (fields_++ > 0) line_ += ',';
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
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
    for (const ExportCell& c : cells) field(c.kind == ExportCell::Kind::Text ? c.text : csvText(c));
    endRow();
    if (!out_) check();
}

void CsvWriter::finish() {
    out_.flush();
    check();
}

}  // namespace appserver
