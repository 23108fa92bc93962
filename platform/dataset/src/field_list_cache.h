#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dataset/field_def.h"

namespace platform::dataset::detail {

/// The field lists of data packets already read, by the text that carried
/// them. Every answer of a method carries the same list, and reading it (a
/// name, a type, a size and flags a field, then their checks) cost a day's
/// answer as much as its five rows. A list is only kept once read and
/// checked; the same text always reads the same, so a list found here is
/// the one reading its text would give. One per thread (no lock); a few
/// lists, the oldest replaced first; a list in a text longer than
/// kMaxTextBytes is never kept.
class FieldListCache {
public:
    static constexpr std::size_t kEntries = 16;
    static constexpr std::size_t kMaxTextBytes = 16 * 1024;

    /// A list kept whose text begins `text`, or nullptr. A list's text is
    /// a whole JSON array, which ends where it ends whatever follows it: the
    /// array at the start of `text` is that text, and is not scanned.
    struct Found {
        const std::vector<FieldDef>& fields;
        std::size_t length;  ///< of its text
    };
    std::optional<Found> findAtStart(std::string_view text) const;
    /// Keeps `fields` as the list read from `text` (when short enough).
    void add(std::string_view text, const std::vector<FieldDef>& fields);

    static FieldListCache& forThisThread();

private:
    struct Entry {
        std::string text;
        std::vector<FieldDef> fields;
    };
    std::vector<Entry> entries_;
    std::size_t next_ = 0;  ///< the entry replaced next once all are in use
};

}  // namespace platform::dataset::detail
