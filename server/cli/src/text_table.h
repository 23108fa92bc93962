#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace appserver {

/// A table for the terminal: a header line, then the rows, each column as
/// wide as its widest text (counted in characters, not bytes).
class TextTable {
public:
    explicit TextTable(std::vector<std::string> header) : header_(std::move(header)) {}
    void add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
    bool empty() const { return rows_.empty(); }
    void print(std::ostream& out) const;

private:
    std::vector<std::string> header_;
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace appserver
