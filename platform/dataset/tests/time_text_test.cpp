// The one rule for an appropriation's time of day, shared by the screen's
// checks and the server's re-checks.
#include <gtest/gtest.h>

#include "platform/dataset/time_text.h"

namespace tt = platform::dataset::time_text;

namespace {

TEST(TimeText, ValidTimesReadAsSecondsSinceMidnight) {
    EXPECT_EQ(tt::parse("08:30:15"), 8 * 3600 + 30 * 60 + 15);
    EXPECT_EQ(tt::parse(" 8:30:00"), 8 * 3600 + 30 * 60) << "the mask's one-digit hour";
    EXPECT_EQ(tt::parse("00:00:00"), 0);
    EXPECT_EQ(tt::parse("23:59:59"), tt::kDaySeconds - 1);
    EXPECT_EQ(tt::parse("12: 5:00"), 12 * 3600 + 5 * 60) << "a leading blank reads as a number";
}

TEST(TimeText, EachFaultIsNamed) {
    const struct {
        const char* text;
        tt::Fault fault;
    } cases[] = {
        {"", tt::Fault::Short},
        {"08:30", tt::Fault::Short},
        {"8:30:00", tt::Fault::Short},
        {"08:30:000", tt::Fault::Long},
        {"08-30-00", tt::Fault::BadSeparator},
        {"083:0:00", tt::Fault::BadSeparator},
        {"ab:cd:ef", tt::Fault::NotANumber},
        {"8 :30:00", tt::Fault::NotANumber},
        {"  :30:00", tt::Fault::NotANumber},
        {"08:30:  ", tt::Fault::NotANumber},
        {"+8:30:00", tt::Fault::NotANumber},
        {"24:00:00", tt::Fault::OutOfRange},
        {"12:60:00", tt::Fault::OutOfRange},
        {"12:00:60", tt::Fault::OutOfRange},
        {"99:99:99", tt::Fault::OutOfRange},
    };
    for (const auto& c : cases) {
        const tt::Reading r = tt::read(c.text);
        EXPECT_EQ(r.fault, c.fault) << '"' << c.text << '"';
        EXPECT_FALSE(tt::parse(c.text)) << '"' << c.text << '"';
    }
    EXPECT_EQ(tt::read("08:x5:00").badPart, "x5") << "the part at fault is the one the user reads";
}

TEST(TimeText, BlankTextsAreEmptyWhateverTheSeparators) {
    EXPECT_TRUE(tt::isBlank(""));
    EXPECT_TRUE(tt::isBlank("  :  :  "));
    EXPECT_TRUE(tt::isBlank("        "));
    EXPECT_FALSE(tt::isBlank(" 8:  :  "));
    EXPECT_FALSE(tt::isBlank("  :  : 1"));
}

TEST(TimeText, ASpanLiesWithinOneDayStartBeforeEnd) {
    EXPECT_TRUE(tt::isSpanWithinDay(8 * 3600, 9 * 3600));
    EXPECT_TRUE(tt::isSpanWithinDay(0, tt::kDaySeconds - 1));
    EXPECT_FALSE(tt::isSpanWithinDay(9 * 3600, 9 * 3600)) << "equal ends are no span";
    EXPECT_FALSE(tt::isSpanWithinDay(10 * 3600, 9 * 3600));
    EXPECT_FALSE(tt::isSpanWithinDay(23 * 3600, tt::kDaySeconds))
        << "midnight belongs to the next day";
    EXPECT_FALSE(tt::isSpanWithinDay(-1, 60));
}

}  // namespace
