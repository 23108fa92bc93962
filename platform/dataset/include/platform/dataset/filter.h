#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dataset/export.h"
#include "platform/dataset/field_def.h"
#include "platform/dataset/packet.h"

namespace platform::dataset {

/// `text` as a quoted filter constant: in single quotes, each quote inside
/// doubled, so that any text can be compared safely ("O'Brien" gives
/// "'O''Brien'").
PLATFORM_DATASET_EXPORT std::string quoteFilterText(std::string_view text);

/// A compiled filter over the fields of a row. The syntax:
///
///   expr       := term { OR term }
///   term       := factor { AND factor }
///   factor     := NOT factor | "(" expr ")" | operand IS [NOT] NULL | operand op operand
///   op         := "=" | "<>" | "<" | ">" | "<=" | ">="
///   operand    := field name (letters, digits, "_"; or any text in [brackets])
///               | 'text' (a doubled quote stands for one) | number | TRUE | FALSE
///
/// Keywords and field names match without regard to letter case. A text
/// constant compared with a date-time field is read as "dd/mm/yyyy[ hh:nn:ss]"
/// or "YYYY-MM-DD[THH:MM:SS]". A comparison with a null value is unknown, as in
/// SQL: `NOT` of unknown is unknown, and only rows whose filter is true pass.
/// Texts compare character by character; `*` has no special meaning.
class PLATFORM_DATASET_EXPORT FilterExpression {
public:
    /// Parses `text`; throws Error (quoting the filter and the position) when it is malformed.
    static FilterExpression parse(std::string_view text);

    FilterExpression(FilterExpression&&) noexcept;
    FilterExpression& operator=(FilterExpression&&) noexcept;
    ~FilterExpression();

    /// Resolves field names against `fields` and checks that each comparison
    /// compares compatible types; throws Error naming the unknown field or the
    /// mismatch. Must succeed before `matches`.
    void bind(const std::vector<FieldDef>& fields, bool caseInsensitive = false);

    /// True when the bound filter holds for `row` (values in field order).
    bool matches(const Row& row) const;

    const std::string& text() const { return text_; }

    struct Node;

private:
    FilterExpression() = default;
    std::string text_;
    std::unique_ptr<Node> root_;
    bool caseInsensitive_ = false;
    bool bound_ = false;
};

}  // namespace platform::dataset
