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

PeriodCellCache::Found PeriodCellCache::find(const std::string& op, const std::string& branch,
                                             long long from, long long to, long long version) {
    return kept_.find<Found>(Key{op, branch, from, to}, [&](const Kept& k) {
        return k.version == version ? Found{true, k.period} : Found{};
    });
}

void PeriodCellCache::keep(const std::string& op, const std::string& branch, long long from,
                           long long to, long long version,
                           std::shared_ptr<const OperatorPeriod> period) {
    kept_.keep(Key{op, branch, from, to}, Kept{version, std::move(period)});
}

}  // namespace appserver
