#include "field_list_cache.h"

namespace platform::dataset::detail {

std::optional<FieldListCache::Found> FieldListCache::findAtStart(std::string_view text) const {
    for (const Entry& e : entries_)
        if (text.starts_with(e.text)) return Found{e.fields, e.text.size()};
    return std::nullopt;
}

void FieldListCache::add(std::string_view text, const std::vector<FieldDef>& fields) {
    if (text.size() > kMaxTextBytes) return;
    if (entries_.size() < kEntries) {
        entries_.push_back({std::string(text), fields});
        return;
    }
    entries_[next_] = {std::string(text), fields};
    next_ = (next_ + 1) % kEntries;
}

FieldListCache& FieldListCache::forThisThread() {
    thread_local FieldListCache cache;
    return cache;
}

}  // namespace platform::dataset::detail
