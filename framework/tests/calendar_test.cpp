#include <gtest/gtest.h>

#include <QDate>
#include <QTest>

#include "framework/calendar.h"
#include "framework/errors.h"
#include "platform/dataset/data_set.h"
#include "platform/dataset/data_source.h"
#include "platform/ui/scripted_dialog_service.h"

namespace {

using platform::dataset::DateTime;

TEST(TNCalendar, DateElementsReadAndSetYearMonthDay) {
    framework::TNCalendar calendar;
    calendar.SetCalendarDate(DateTime::date(2003, 7, 31));
    EXPECT_EQ(calendar.GetDateElement(1), 2003);
    EXPECT_EQ(calendar.GetDateElement(2), 7);
    EXPECT_EQ(calendar.GetDateElement(3), 31);

    // The day kept when moving to a shorter month becomes its last day.
    calendar.SetDateElement(2, 2);
    EXPECT_EQ(calendar.CalendarDate(), DateTime::date(2003, 2, 28));
    calendar.SetDateElement(1, 2004);
    calendar.SetDateElement(3, 29);
    EXPECT_EQ(calendar.CalendarDate(), DateTime::date(2004, 2, 29));

    EXPECT_THROW(calendar.GetDateElement(4), framework::Error);
    EXPECT_THROW(calendar.SetDateElement(2, 13), framework::Error);
    EXPECT_THROW(calendar.SetDateElement(0, 1), framework::Error);
    EXPECT_THROW(calendar.SetCalendarDate(DateTime::date(2003, 2, 30)), framework::Error);
    EXPECT_THROW(calendar.SetStartOfWeek(7), framework::Error);
    EXPECT_EQ(calendar.CalendarDate(), DateTime::date(2004, 2, 29));
}

TEST(TNCalendar, ChangeEventCanBeSuspendedAndOneResumeEndsAnySuspension) {
    framework::TNCalendar calendar;
    calendar.SetCalendarDate(DateTime::date(2003, 7, 1));
    std::vector<DateTime> changes;
    calendar.OnChange = [&](framework::TNCalendar& sender) {
        EXPECT_EQ(&sender, &calendar);
        changes.push_back(sender.CalendarDate());
    };

    calendar.SetDateElement(3, 2);
    ASSERT_EQ(changes.size(), 1u);

    // A load sets year, month and day under suspension: no change event,
    // and none replayed on resume.
    calendar.SuspendChange();
    calendar.SetDateElement(1, 2004);
    calendar.SetDateElement(2, 8);
    calendar.SetDateElement(3, 15);
    // A load that failed half-way left it suspended; the next load suspends
    // again and its single resume must bring the event back.
    calendar.SuspendChange();
    calendar.ResumeChange();
    EXPECT_FALSE(calendar.ChangeSuspended());
    EXPECT_EQ(changes.size(), 1u);

    calendar.SetDateElement(3, 16);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes.back(), DateTime::date(2004, 8, 16));

    // Setting the date it already has is no change.
    calendar.SetDateElement(3, 16);
    EXPECT_EQ(changes.size(), 2u);
}

TEST(TNCalendar, ChangeSuspensionRestoresTheStateItFound) {
    framework::TNCalendar calendar;
    int changes = 0;
    calendar.OnChange = [&](framework::TNCalendar&) { ++changes; };
    {
        framework::TNCalendar::ChangeSuspension quiet(calendar);
        calendar.SetDateElement(1, 2010);
        EXPECT_TRUE(calendar.ChangeSuspended());
    }
    EXPECT_FALSE(calendar.ChangeSuspended());
    calendar.SuspendChange();
    { framework::TNCalendar::ChangeSuspension quiet(calendar); }
    EXPECT_TRUE(calendar.ChangeSuspended());
    calendar.ResumeChange();
    calendar.SetDateElement(1, 2011);
    EXPECT_EQ(changes, 1);
}

TEST(TNCalendar, UserClickRaisesChangeAndErrorsAreShownNotThrown) {
    platform::ui::ScriptedDialogService dialogs;
    platform::ui::ScopedDialogService installed(dialogs);
    framework::TNCalendar calendar;
    calendar.resize(168, 120);
    calendar.SetCalendarDate(DateTime::date(2003, 7, 1));
    calendar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&calendar));
    calendar.OnChange = [](framework::TNCalendar& sender) {
        if (sender.GetDateElement(3) == 20) throw framework::Error(QStringLiteral("Dia recusado."));
    };

    const QRect day20 = calendar.dayRect(QDate(2003, 7, 20));
    ASSERT_FALSE(day20.isEmpty());
    QTest::mouseClick(&calendar, Qt::LeftButton, {}, day20.center());

    EXPECT_EQ(calendar.CalendarDate(), DateTime::date(2003, 7, 20));
    EXPECT_EQ(dialogs.texts(platform::ui::ScriptedDialogService::Kind::Error),
              QStringList{QStringLiteral("Dia recusado.")});

    // Suspended, a click chooses the day silently.
    calendar.SuspendChange();
    calendar.OnChange = [](framework::TNCalendar&) { FAIL() << "suspended"; };
    QTest::mouseClick(&calendar, Qt::LeftButton, {}, calendar.dayRect(QDate(2003, 7, 21)).center());
    EXPECT_EQ(calendar.GetDateElement(3), 21);
}

TEST(TNCalendar, TodayIsOnlyTheDateTheProgramGivesNeverTheLocalClock) {
    framework::TNCalendar calendar;
    // Nothing from the machine's clock: no today, and the chosen date is
    // not the local date either.
    EXPECT_TRUE(calendar.Today().isZero());
    EXPECT_FALSE(calendar.today().isValid());
    EXPECT_NE(calendar.date(), QDate::currentDate());

    // The server's today, however far from the local clock, is what is framed.
    calendar.SetToday(DateTime{2003, 7, 15, 13, 45, 0});
    EXPECT_EQ(calendar.Today(), DateTime::date(2003, 7, 15));
    EXPECT_EQ(calendar.today(), QDate(2003, 7, 15));
    // Choosing other days does not move it.
    calendar.SetCalendarDate(DateTime::date(2003, 8, 1));
    EXPECT_EQ(calendar.Today(), DateTime::date(2003, 7, 15));

    calendar.SetToday(DateTime{});
    EXPECT_TRUE(calendar.Today().isZero());
    EXPECT_THROW(calendar.SetToday(DateTime::date(2003, 2, 31)), framework::Error);
}

TEST(TDBCalendar, MarksTheDaysOfTheBoundDateFieldAndKeepsHolidayColourAndWeekStart) {
    platform::dataset::DataSet cdsDatas("cdsDatas");
    cdsDatas.addField({.name = "DTIAPATIVTAR", .type = platform::dataset::FieldType::DateTime});
    platform::dataset::DataSource dtsDatas(&cdsDatas);
    framework::TDBCalendar calendar;
    calendar.SetDataSource(&dtsDatas);
    calendar.SetDataField(QStringLiteral("DTIAPATIVTAR"));
    calendar.SetHolidayColor(Qt::red);
    calendar.SetStartOfWeek(0);
    calendar.SetCalendarDate(DateTime::date(2003, 7, 1));
    EXPECT_EQ(calendar.DataSource(), &dtsDatas);

    cdsDatas.load(
        {cdsDatas.fieldDefs(), {{DateTime{2003, 7, 3, 8, 0, 0}}, {DateTime::date(2003, 7, 14)}}});
    EXPECT_TRUE(calendar.IsMarked(DateTime::date(2003, 7, 3)));
    EXPECT_TRUE(calendar.IsMarked(DateTime::date(2003, 7, 14)));
    EXPECT_FALSE(calendar.IsMarked(DateTime::date(2003, 7, 4)));
    EXPECT_TRUE(calendar.dayBold(QDate(2003, 7, 3)));
    // 6 July 2003 is a Sunday: the holiday colour.
    EXPECT_EQ(calendar.dayColor(QDate(2003, 7, 6)), QColor(Qt::red));
    EXPECT_EQ(calendar.StartOfWeek(), 0);

    cdsDatas.close();
    EXPECT_FALSE(calendar.IsMarked(DateTime::date(2003, 7, 3)));
}

}  // namespace
