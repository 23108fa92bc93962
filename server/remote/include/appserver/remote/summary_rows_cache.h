#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "appserver/stores/lru_cache.h"
#include "appserver/stores/period_summary.h"

namespace appserver {

/// Each operator's rows of a period's summary in wire form as last written,
/// so that a summary asked again copies the text of the operators whose
/// days, name and closings are as they were instead of writing it afresh.
/// One per database (Database::shared), used by every thread at once.
///
/// Kept by the day cells the period cell cache handed out: that cache makes
/// new cells for every read, so the same cells are the same days, and each
/// entry holds its cells so that their address goes to no other. The name
/// and the closed months are compared as well. Holds at
/// most `capacity` operator-periods, the one used longest ago going first:
/// some 3 KB each for a month, 12 MB at the default.
class SummaryRowsCache {
public:
    static constexpr std::size_t kDefaultCapacity = 4096;

    explicit SummaryRowsCache(std::size_t capacity = kDefaultCapacity) : kept_(capacity) {}

    /// The text kept for `op`'s period, or null when his days, name or
    /// closings differ from those it was written from.
    std::shared_ptr<const std::string> find(const OperatorPeriod& op);
    /// Keeps `text`, written from `op`, in place of what was kept for his days.
    void keep(const OperatorPeriod& op, std::shared_ptr<const std::string> text);

    std::size_t size() const { return kept_.size(); }

private:
    struct Kept {
        OperatorPeriod from;  ///< what the text was written from, its cells held
        std::shared_ptr<const std::string> text;
    };

    LruCache<const DayCells*, Kept> kept_;
};

}  // namespace appserver
