#pragma once

#include <cstddef>
#include <functional>
#include <list>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace appserver {

/// A map of at most `capacity` entries, the one used longest ago dropped
/// first, safe for every thread at once: the memory of what a server keeps
/// between calls stays bounded however many keys it is asked for.
template <class Key, class Value, class Hash = std::hash<Key>>
class LruCache {
public:
    explicit LruCache(std::size_t capacity) : capacity_(capacity) {}

    /// `pick(value)` for the value kept under `key`, which then counts as
    /// used when what it picked is true; a default `R` when none is kept.
    template <class R, class Pick>
    R find(const Key& key, Pick pick) {
        std::lock_guard lock(mutex_);
        const auto at = index_.find(key);
        if (at == index_.end()) return R{};
        R picked = pick(std::as_const(at->second->second));
        if (picked) entries_.splice(entries_.begin(), entries_, at->second);
        return picked;
    }

    /// Keeps `value` under `key`, in place of what was kept there.
    void keep(Key key, Value value) {
        if (capacity_ == 0) return;
        std::lock_guard lock(mutex_);
        if (const auto at = index_.find(key); at != index_.end()) {
            at->second->second = std::move(value);
            entries_.splice(entries_.begin(), entries_, at->second);
            return;
        }
        if (entries_.size() == capacity_) {
            index_.erase(entries_.back().first);
            entries_.pop_back();
        }
        entries_.emplace_front(key, std::move(value));
        index_.emplace(std::move(key), entries_.begin());
    }

    std::size_t size() const {
        std::lock_guard lock(mutex_);
        return entries_.size();
    }

private:
    using Entry = std::pair<Key, Value>;

    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::list<Entry> entries_;  ///< most recently used first
    std::unordered_map<Key, typename std::list<Entry>::iterator, Hash> index_;
};

}  // namespace appserver
