#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "appserver/stores/lru_cache.h"
#include "appserver/stores/period_summary.h"

namespace appserver {

/// Operators' parts of a period's summary as last read (name, closed months
/// and day cells, or that he is not listed at the branch), each with the
/// version of what a summary shows of him it was read at, so that a summary
/// asked again reads only the operators whose version has moved since. One
/// per database (Database::shared), used by every thread at once.
///
/// Holds at most `capacity` operator-periods; the one used longest ago goes
/// first. An entry is some 40 bytes a day: the default, 4,096 entries of at
/// most two months, stays under 11 MB.
class PeriodCellCache {
public:
    static constexpr std::size_t kDefaultCapacity = 4096;

    /// What is kept of one operator-period: `period` null when he is not
    /// listed (not at the branch, or no operator at all).
    struct Found {
        bool found = false;
        std::shared_ptr<const OperatorPeriod> period;
        explicit operator bool() const { return found; }
    };

    explicit PeriodCellCache(std::size_t capacity = kDefaultCapacity) : kept_(capacity) {}

    /// What was kept for `op` at `branch` over [from, to] (day numbers),
    /// when it was read at `version`; nothing found otherwise.
    Found find(const std::string& op, const std::string& branch, long long from, long long to,
               long long version);
    /// Keeps `period` (null: not listed), read at `version`, in place of
    /// what was kept for the same operator-period.
    void keep(const std::string& op, const std::string& branch, long long from, long long to,
              long long version, std::shared_ptr<const OperatorPeriod> period);

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
        std::shared_ptr<const OperatorPeriod> period;
    };

    LruCache<Key, Kept, KeyHash> kept_;
};

}  // namespace appserver
