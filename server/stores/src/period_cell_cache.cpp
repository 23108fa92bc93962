#include "appserver/stores/period_cell_cache.h"

#include <charconv>

namespace appserver {

std::string PeriodCellCache::keyOf(const std::string& op, const std::string& branch, long long from,
                                   long long to) {
    // Parted by the unit separator, which no code holds; asked for every
    // operator of every summary, so written without a format's parsing.
    std::string key;
    key.reserve(op.size() + branch.size() + 2 * 21 + 3);
    key += op;
    key += '\x1f';
    key += branch;
    for (const long long day : {from, to}) {
        char digits[21];
        key += '\x1f';
        key.append(digits, std::to_chars(digits, digits + sizeof digits, day).ptr);
    }
    return key;
}

std::shared_ptr<const DayCells> PeriodCellCache::find(const std::string& op,
                                                      const std::string& branch, long long from,
                                                      long long to, long long version) {
    const std::string key = keyOf(op, branch, from, to);
    std::lock_guard lock(mutex_);
    const auto at = index_.find(key);
    if (at == index_.end() || at->second->version != version) return nullptr;
    entries_.splice(entries_.begin(), entries_, at->second);
    return at->second->cells;
}

void PeriodCellCache::keep(const std::string& op, const std::string& branch, long long from,
                           long long to, long long version, std::shared_ptr<const DayCells> cells) {
    if (capacity_ == 0) return;
    std::string key = keyOf(op, branch, from, to);
    std::lock_guard lock(mutex_);
    if (const auto at = index_.find(key); at != index_.end()) {
        at->second->version = version;
        at->second->cells = std::move(cells);
        entries_.splice(entries_.begin(), entries_, at->second);
        return;
    }
    if (entries_.size() == capacity_) {
        index_.erase(entries_.back().key);
        entries_.pop_back();
    }
    entries_.push_front(Entry{key, version, std::move(cells)});
    index_.emplace(std::move(key), entries_.begin());
}

std::size_t PeriodCellCache::size() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

}  // namespace appserver
