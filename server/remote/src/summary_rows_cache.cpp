#include "appserver/remote/summary_rows_cache.h"

namespace appserver {

namespace {

bool sameSource(const OperatorPeriod& a, const OperatorPeriod& b) {
    return a.days == b.days && a.code == b.code && a.name == b.name && a.closed == b.closed;
}

}  // namespace

std::shared_ptr<const std::string> SummaryRowsCache::find(const OperatorPeriod& op) {
    std::lock_guard lock(mutex_);
    const auto at = index_.find(op.days.get());
    if (at == index_.end() || !sameSource(at->second->from, op)) return nullptr;
    entries_.splice(entries_.begin(), entries_, at->second);
    return at->second->text;
}

void SummaryRowsCache::keep(const OperatorPeriod& op, std::shared_ptr<const std::string> text) {
    if (capacity_ == 0 || !op.days) return;
    std::lock_guard lock(mutex_);
    if (const auto at = index_.find(op.days.get()); at != index_.end()) {
        at->second->from = op;
        at->second->text = std::move(text);
        entries_.splice(entries_.begin(), entries_, at->second);
        return;
    }
    if (entries_.size() == capacity_) {
        index_.erase(entries_.back().from.days.get());
        entries_.pop_back();
    }
    entries_.push_front(Entry{op, std::move(text)});
    index_.emplace(op.days.get(), entries_.begin());
}

std::size_t SummaryRowsCache::size() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

}  // namespace appserver
