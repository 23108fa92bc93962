#include "appserver/stores/period_cell_cache.h"

#include <functional>

namespace appserver {

std::size_t PeriodCellCache::KeyHash::operator()(const Key& k) const noexcept {
    std::size_t h = std::hash<std::string>()(k.op);
    for (const std::size_t part : {std::hash<std::string>()(k.branch),
                                   std::hash<long long>()(k.from), std::hash<long long>()(k.to)})
        h ^= part + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    return h;
}

std::shared_ptr<const DayCells> PeriodCellCache::find(const std::string& op,
                                                      const std::string& branch, long long from,
                                                      long long to, long long version) {
    const Key key{op, branch, from, to};
    std::lock_guard lock(mutex_);
    const auto at = index_.find(key);
    if (at == index_.end() || at->second->version != version) return nullptr;
    entries_.splice(entries_.begin(), entries_, at->second);
    return at->second->cells;
}

void PeriodCellCache::keep(const std::string& op, const std::string& branch, long long from,
                           long long to, long long version, std::shared_ptr<const DayCells> cells) {
    if (capacity_ == 0) return;
    Key key{op, branch, from, to};
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
