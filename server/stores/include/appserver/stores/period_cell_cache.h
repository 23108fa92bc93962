#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "appserver/stores/lru_cache.h"
#include "appserver/stores/period_summary.h"

namespace appserver {

/// Operators' day cells of a period as last read, each with the version of
/// his day totals it was read at, so that a summary asked again reads only
/// the totals of the operators whose version has moved since. One per
/// database (Database::shared), used by every thread at once.
///
/// Holds at most `capacity` operator-periods; the one used longest ago goes
/// first. An entry is some 40 bytes a day: the default, 4,096 entries of at
/// most two months, stays under 11 MB.
class PeriodCellCache {
public:
    static constexpr std::size_t kDefaultCapacity = 4096;

    explicit PeriodCellCache(std::size_t capacity = kDefaultCapacity) : kept_(capacity) {}

    /// The cells kept for `op` at `branch` over [from, to] (day numbers),
    /// when they were read at `version`; null otherwise.
    std::shared_ptr<const DayCells> find(const std::string& op, const std::string& branch,
                                         long long from, long long to, long long version);
    /// Keeps `cells`, read at `version`, in place of what was kept for the same period.
    void keep(const std::string& op, const std::string& branch, long long from, long long to,
              long long version, std::shared_ptr<const DayCells> cells);

    std::size_t size() const { return kept_.size(); }

private:
    /// An operator-period: asked for every operator of every summary, so
    /// made of its parts (short codes, kept inline) rather than one text.
    struct Key {
        std::string op, branch;
        long long from = 0, to = 0;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const noexcept;
    };
    struct Kept {
        long long version = 0;
        std::shared_ptr<const DayCells> cells;
    };

    LruCache<Key, Kept, KeyHash> kept_;
};

}  // namespace appserver
