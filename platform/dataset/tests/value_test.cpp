// Values made from texts: a view takes exactly its characters, and is only
// taken for a value when asked.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <type_traits>

#include "platform/dataset/errors.h"
#include "platform/dataset/value.h"

using namespace platform::dataset;

namespace {

// A view is never taken for a value unasked (as an argument or in a
// comparison), so no call that passed a text before changes constructor.
static_assert(std::is_constructible_v<Value, std::string_view>);
static_assert(!std::is_convertible_v<std::string_view, Value>);
static_assert(std::is_convertible_v<std::string, Value>);
static_assert(std::is_convertible_v<const char*, Value>);

TEST(Value, ViewTakesExactlyItsCharacters) {
    // A view in the middle of a packet's text: no terminator after it.
    const std::string packet = R"(["100000","Operador 7"])";
    const std::string_view name = std::string_view(packet).substr(11, 10);
    const Value v(name);
    ASSERT_TRUE(v.isString());
    EXPECT_EQ(v.asString(), "Operador 7");
    EXPECT_EQ(v, Value("Operador 7"));
    EXPECT_EQ(v, Value(std::string("Operador 7")));

    // An escaped NUL reaches the view as a character of the text.
    const std::string withNul("a\0b", 3);
    EXPECT_EQ(Value(std::string_view(withNul)).asString().size(), 3U);
    EXPECT_EQ(Value(std::string_view(withNul)), Value(withNul));

    // A text longer than what a string keeps in itself.
    const std::string longText(100, 'x');
    EXPECT_EQ(Value(std::string_view(longText)).asString(), longText);
}

TEST(Value, EmptyViewIsAnEmptyTextNotNull) {
    const Value v{std::string_view()};
    EXPECT_FALSE(v.isNull());
    ASSERT_TRUE(v.isString());
    EXPECT_TRUE(v.asString().empty());
    EXPECT_THROW((void)v.asInteger(), Error);
}

}  // namespace
