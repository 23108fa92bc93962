#include "appserver/remote/summary_rows_cache.h"

namespace appserver {

namespace {

bool sameSource(const OperatorPeriod& a, const OperatorPeriod& b) {
    return a.days == b.days && a.code == b.code && a.name == b.name && a.closed == b.closed;
}

}  // namespace

std::shared_ptr<const std::string> SummaryRowsCache::find(const OperatorPeriod& op) {
    return kept_.find<std::shared_ptr<const std::string>>(
        op.days.get(), [&](const Kept& k) { return sameSource(k.from, op) ? k.text : nullptr; });
}

void SummaryRowsCache::keep(const OperatorPeriod& op, std::shared_ptr<const std::string> text) {
    if (!op.days) return;
    kept_.keep(op.days.get(), Kept{op, std::move(text)});
}

}  // namespace appserver
