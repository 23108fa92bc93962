// The month calendar: marked days from the data set, date elements, the
// change event and its suspension, week layout and the program's today.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QTest>
#include <QVBoxLayout>

#include <stdexcept>

#include "platform/dataset/data_set.h"
#include "platform/dataset/data_source.h"
#include "platform/dbcontrols/db_calendar.h"
#include "platform/ui/focus_manager.h"
#include "platform/ui/scripted_dialog_service.h"

namespace {

using platform::dataset::DataPacket;
using platform::dataset::DateTime;
using platform::dataset::FieldDef;
using platform::dataset::FieldType;
using platform::dataset::Value;
using platform::dbcontrols::DBCalendar;

struct CalendarTest : ::testing::Test {
    CalendarTest() : installed(dialogs), ds("cdsDatas"), source(&ds) {
        ds.addField(FieldDef{.name = "DTIAPATIVTAR", .type = FieldType::DateTime});
        calendar.setDataSource(&source);
        calendar.setDataField(QStringLiteral("DTIAPATIVTAR"));
        calendar.resize(124 * 2, 90 * 2);
        calendar.onChange = [this](DBCalendar& c) { changes.push_back(c.date()); };
    }

    void loadDays(const std::vector<DateTime>& days) {
        DataPacket p;
        p.fields = ds.fieldDefs();
        for (const DateTime& d : days) p.rows.push_back({Value(d)});
        ds.load(std::move(p));
    }

    platform::ui::ScriptedDialogService dialogs;
    platform::ui::ScopedDialogService installed;
    platform::dataset::DataSet ds;
    platform::dataset::DataSource source;
    DBCalendar calendar;
    std::vector<QDate> changes;
};

TEST_F(CalendarTest, marks_the_days_the_data_set_holds_whatever_their_time) {
    loadDays({{2026, 12, 3, 8, 30, 0}, {2026, 12, 24, 0, 0, 0}, {2027, 1, 2, 23, 59, 59}});
    EXPECT_TRUE(calendar.isMarked(QDate(2026, 12, 3)));
    EXPECT_TRUE(calendar.isMarked(QDate(2027, 1, 2)));
    EXPECT_FALSE(calendar.isMarked(QDate(2026, 12, 4)));
    EXPECT_TRUE(calendar.dayBold(QDate(2026, 12, 24)));
    EXPECT_FALSE(calendar.dayBold(QDate(2026, 12, 25)));
    EXPECT_EQ(ds.recNo(), 1) << "reading the marks does not move the cursor";

    loadDays({{2026, 12, 4, 0, 0, 0}});
    EXPECT_FALSE(calendar.isMarked(QDate(2026, 12, 3)));
    EXPECT_TRUE(calendar.isMarked(QDate(2026, 12, 4)));
    ds.close();
    EXPECT_FALSE(calendar.isMarked(QDate(2026, 12, 4)));
}

TEST_F(CalendarTest, marked_days_take_the_mark_colour_and_sundays_the_holiday_colour) {
    loadDays({{2026, 12, 8, 0, 0, 0}});
    calendar.setHolidayColor(Qt::red);
    EXPECT_EQ(calendar.dayColor(QDate(2026, 12, 6)), QColor(Qt::red));  // a Sunday
    EXPECT_NE(calendar.dayColor(QDate(2026, 12, 7)), QColor(Qt::red));
    calendar.setMarkColor(Qt::blue);
    EXPECT_EQ(calendar.dayColor(QDate(2026, 12, 8)), QColor(Qt::blue));
}

/// The month as drawing every text where it lies would draw it: the
/// picture the calendar's copied day numbers must give, pixel for pixel.
QImage drawnText(const DBCalendar& c, const QDate& shown, bool focused) {
    QImage image(c.size(), QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    const QPalette& palette = c.palette();
    p.fillRect(image.rect(), palette.color(QPalette::Base));
    QFont font = c.dayFont();
    const int w = c.width() / 7, h = c.height() / 7;
    const char* const initials[] = {"D", "S", "T", "Q", "Q", "S", "S"};
    for (int col = 0; col < 7; ++col) {
        const int weekday = (col + c.startOfWeek()) % 7;
        p.setFont(font);
        p.setPen(weekday == 0 ? c.holidayColor() : palette.color(QPalette::WindowText));
        p.drawText(QRect(col * w, 0, w, h), Qt::AlignCenter,
                   QString::fromLatin1(initials[weekday]));
    }
    for (int day = 1; day <= shown.daysInMonth(); ++day) {
        const QDate d(shown.year(), shown.month(), day);
        const QRect r = c.dayRect(d);
        if (d == shown)
            p.fillRect(r, palette.color(focused ? QPalette::Highlight : QPalette::Midlight));
        font.setBold(c.dayBold(d));
        p.setFont(font);
        p.setPen(d == shown && focused ? palette.color(QPalette::HighlightedText) : c.dayColor(d));
        p.drawText(r, Qt::AlignCenter, QString::number(day));
        if (c.showCurrentDay() && d == c.today()) {
            p.setPen(palette.color(QPalette::WindowText));
            p.drawRect(r.adjusted(0, 0, -1, -1));
        }
    }
    return image;
}

TEST_F(CalendarTest, day_numbers_drawn_once_and_copied_are_the_pixels_of_drawing_them_in_place) {
    calendar.setMarkColor(Qt::blue);
    loadDays({{2026, 12, 3, 8, 30, 0}, {2026, 12, 24, 0, 0, 0}});
    calendar.setToday(QDate(2026, 12, 9));
    calendar.setDate(QDate(2026, 12, 3));
    calendar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&calendar));
    EXPECT_EQ(calendar.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
              drawnText(calendar, QDate(2026, 12, 3), calendar.hasFocus()));

    // Another day, and back: what changed is drawn anew, the rest copied.
    calendar.setDate(QDate(2026, 12, 24));
    calendar.grab();
    calendar.setDate(QDate(2026, 12, 3));
    calendar.setStartOfWeek(1);
    EXPECT_EQ(calendar.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
              drawnText(calendar, QDate(2026, 12, 3), calendar.hasFocus()));
}

TEST_F(CalendarTest, date_elements_read_and_set_year_month_and_day) {
    calendar.setDate(QDate(2024, 1, 31));
    EXPECT_EQ(calendar.GetDateElement(1), 2024);
    EXPECT_EQ(calendar.GetDateElement(2), 1);
    EXPECT_EQ(calendar.GetDateElement(3), 31);
    calendar.SetDateElement(2, 2);
    EXPECT_EQ(calendar.date(), QDate(2024, 2, 29)) << "a day the month lacks becomes its last day";
    calendar.SetDateElement(1, 2023);
    EXPECT_EQ(calendar.date(), QDate(2023, 2, 28));
    calendar.SetDateElement(3, 31);
    EXPECT_EQ(calendar.date(), QDate(2023, 2, 28));
    calendar.SetDateElement(3, 15);
    EXPECT_EQ(calendar.date(), QDate(2023, 2, 15));
    EXPECT_THROW(calendar.GetDateElement(4), std::invalid_argument);
    EXPECT_THROW(calendar.SetDateElement(2, 13), std::invalid_argument);
    EXPECT_THROW(calendar.SetDateElement(3, 0), std::invalid_argument);
    EXPECT_EQ(calendar.date(), QDate(2023, 2, 15)) << "a refused element changes nothing";
}

TEST_F(CalendarTest, a_change_is_raised_unless_suspended_and_suspensions_nest) {
    calendar.setDate(QDate(2026, 12, 8));
    ASSERT_EQ(changes.size(), 1u);
    calendar.setDate(QDate(2026, 12, 8));
    EXPECT_EQ(changes.size(), 1u) << "the same date is no change";

    {
        DBCalendar::SuspendedChange outer(calendar);
        calendar.suspendChange();
        calendar.SetDateElement(1, 2025);
        calendar.SetDateElement(2, 3);
        calendar.resumeChange();
        calendar.clickDay(QDate(2025, 3, 10));
        EXPECT_EQ(changes.size(), 1u);
    }
    EXPECT_EQ(changes.size(), 1u) << "nothing is replayed on resume";
    calendar.resumeChange();  // one too many is harmless
    calendar.clickDay(QDate(2025, 3, 11));
    EXPECT_EQ(changes.back(), QDate(2025, 3, 11));
}

TEST_F(CalendarTest, a_click_or_an_arrow_key_chooses_a_day_of_the_shown_month) {
    calendar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&calendar));
    calendar.suspendChange();
    calendar.setDate(QDate(2026, 12, 8));
    calendar.resumeChange();
    QApplication::processEvents();  // December is drawn: the user clicks on what is shown
    QTest::mouseClick(&calendar, Qt::LeftButton, {},
                      calendar.dayRect(QDate(2026, 12, 17)).center());
    ASSERT_EQ(changes, std::vector<QDate>{QDate(2026, 12, 17)});
    QTest::keyClick(&calendar, Qt::Key_Down);
    QTest::keyClick(&calendar, Qt::Key_Right);
    EXPECT_EQ(calendar.date(), QDate(2026, 12, 25));
    QTest::keyClick(&calendar, Qt::Key_Down);  // would leave December
    EXPECT_EQ(calendar.date(), QDate(2026, 12, 25));
    EXPECT_EQ(changes.size(), 3u);
    calendar.clickDay(QDate(2027, 1, 5));  // not shown
    EXPECT_EQ(calendar.date(), QDate(2026, 12, 25));
}

TEST_F(CalendarTest, picking_a_day_as_a_click_takes_the_focus_through_the_manager_first) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* other = new QLineEdit(&window);
    auto* calendarInWindow = new DBCalendar(&window);
    layout->addWidget(other);
    layout->addWidget(calendarInWindow);
    auto* focus = new platform::ui::FocusManager(&window);
    std::vector<std::string> log;
    focus->setOnEnter(calendarInWindow, [&] { log.push_back("enter"); });
    calendarInWindow->onChange = [&](DBCalendar& c) {
        log.push_back("change " + c.date().toString(Qt::ISODate).toStdString());
    };
    calendarInWindow->suspendChange();
    calendarInWindow->setDate(QDate(2026, 12, 8));
    calendarInWindow->resumeChange();
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    focus->setFocusTo(other);

    focus->setOnExit(other, [] { throw std::runtime_error("Operador deve ser informado."); });
    calendarInWindow->clickDay(QDate(2026, 12, 9));
    EXPECT_TRUE(log.empty()) << "a refused focus move chooses nothing";
    EXPECT_EQ(calendarInWindow->date(), QDate(2026, 12, 8));

    focus->setOnExit(other, nullptr);
    calendarInWindow->clickDay(QDate(2026, 12, 9));
    EXPECT_EQ(log, (std::vector<std::string>{"enter", "change 2026-12-09"}));
    EXPECT_TRUE(calendarInWindow->hasFocus());
}

TEST_F(CalendarTest,
       a_click_picks_the_day_drawn_under_it_though_leaving_a_control_moved_the_month) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* other = new QLineEdit(&window);
    auto* calendarInWindow = new DBCalendar(&window);
    calendarInWindow->setMinimumSize(124 * 2, 90 * 2);
    layout->addWidget(other);
    layout->addWidget(calendarInWindow);
    auto* focus = new platform::ui::FocusManager(&window);
    calendarInWindow->suspendChange();
    calendarInWindow->setDate(QDate(2025, 1, 15));
    calendarInWindow->resumeChange();
    std::vector<QDate> chosen;
    calendarInWindow->onChange = [&](DBCalendar& c) { chosen.push_back(c.date()); };
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    focus->setFocusTo(other);
    QApplication::processEvents();  // January is drawn
    // Leaving the other control brings the calendar to another month.
    focus->setOnExit(other, [&] {
        const DBCalendar::SuspendedChange quiet(*calendarInWindow);
        calendarInWindow->setDate(QDate(2025, 3, 31));
    });
    QTest::mouseClick(calendarInWindow, Qt::LeftButton, {},
                      calendarInWindow->dayRect(QDate(2025, 1, 20)).center());
    EXPECT_EQ(chosen, std::vector<QDate>{QDate(2025, 1, 20)});
    EXPECT_EQ(calendarInWindow->date(), QDate(2025, 1, 20));
}

TEST_F(CalendarTest, an_error_from_the_change_handler_on_a_click_is_shown_not_thrown) {
    calendar.suspendChange();
    calendar.setDate(QDate(2026, 12, 8));
    calendar.resumeChange();
    calendar.onChange = [](DBCalendar&) { throw std::runtime_error("Servidor indisponível."); };
    calendar.clickDay(QDate(2026, 12, 9));
    EXPECT_EQ(dialogs.texts(platform::ui::ScriptedDialogService::Kind::Error),
              QStringList({QString::fromUtf8("Servidor indisponível.")}));
    EXPECT_EQ(calendar.date(), QDate(2026, 12, 9));
    EXPECT_THROW(calendar.setDate(QDate(2026, 12, 10)), std::runtime_error)
        << "code sees its own handler's error";
}

TEST_F(CalendarTest, the_start_of_the_week_decides_the_first_column) {
    calendar.suspendChange();
    calendar.setDate(QDate(2026, 11, 1));  // a Sunday
    const int sundayLeft = calendar.dayRect(QDate(2026, 11, 1)).left();
    EXPECT_EQ(sundayLeft, 0);
    calendar.setStartOfWeek(1);  // Monday first: Sunday is the last column
    EXPECT_GT(calendar.dayRect(QDate(2026, 11, 1)).left(),
              calendar.dayRect(QDate(2026, 11, 2)).left());
    EXPECT_EQ(calendar.dayRect(QDate(2026, 11, 2)).left(), 0);
    EXPECT_TRUE(calendar.dayRect(QDate(2026, 12, 1)).isEmpty());
    EXPECT_THROW(calendar.setStartOfWeek(7), std::invalid_argument);
}

TEST_F(CalendarTest, the_current_day_is_the_one_the_program_gives) {
    EXPECT_FALSE(calendar.today().isValid()) << "never taken from the local clock";
    calendar.setToday(QDate(2003, 7, 15));
    EXPECT_EQ(calendar.today(), QDate(2003, 7, 15));
    EXPECT_EQ(calendar.date(), QDate(2000, 1, 1))
        << "the calendar does not follow the current day by itself";
}

}  // namespace

namespace {

TEST_F(CalendarTest, two_digit_days_read_apart_at_the_design_size_in_a_large_font) {
    calendar.resize(124, 90);
    QFont large = calendar.font();
    large.setPointSizeF(12);
    calendar.setFont(large);
    calendar.suspendChange();
    calendar.setDate(QDate(2026, 12, 1));
    // The week of the 13th to the 19th, all marked: drawn in bold, the widest.
    std::vector<DateTime> week;
    for (int day = 13; day <= 19; ++day) week.push_back({2026, 12, day, 0, 0, 0});
    loadDays(week);

    const QImage image = calendar.grab().toImage();
    const qreal scale = image.devicePixelRatio();
    const QColor background = calendar.palette().color(QPalette::Base);
    const QRect first = calendar.dayRect(QDate(2026, 12, 13));
    for (int day = 13; day < 19; ++day) {
        // The pixels on both sides of the border between a day and the next are blank.
        const int border = calendar.dayRect(QDate(2026, 12, day + 1)).left();
        for (int x : {border - 1, border}) {
            for (int y = first.top(); y <= first.bottom(); ++y) {
                const QColor seen(image.pixel(int(x * scale), int(y * scale)));
                ASSERT_EQ(seen, background) << "day " << day << ": ink at x " << x << ", y " << y;
            }
        }
    }
    EXPECT_LT(calendar.dayFont().pointSizeF(), 12);

    // With room enough the calendar keeps its own font.
    calendar.resize(600, 400);
    EXPECT_EQ(calendar.dayFont().pointSizeF(), 12);
}

}  // namespace
