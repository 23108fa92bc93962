#include "text_table.h"

#include <algorithm>

#include "platform/dataset/text.h"

namespace appserver {

void TextTable::print(std::ostream& out) const {
    std::vector<std::size_t> widths(header_.size(), 0);
    const auto measure = [&](const std::vector<std::string>& row) {
        for (std::size_t i = 0; i < row.size() && i < widths.size(); ++i)
            widths[i] = std::max(widths[i], platform::dataset::utf8Length(row[i]));
    };
    measure(header_);
    for (const auto& row : rows_) measure(row);
    const auto line = [&](const std::vector<std::string>& row) {
        std::string text;
        for (std::size_t i = 0; i < widths.size(); ++i) {
            const std::string& cell = i < row.size() ? row[i] : std::string();
            text += cell;
            // The last column is not padded: no trailing blanks.
            if (i + 1 < widths.size())
                text.append(widths[i] - platform::dataset::utf8Length(cell) + 2, ' ');
        }
        out << text << '\n';
    };
    line(header_);
    for (const auto& row : rows_) line(row);
}

}  // namespace appserver
