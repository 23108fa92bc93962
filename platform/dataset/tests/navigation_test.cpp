// Record numbers, locate and the rows the grid draws.
#include <gtest/gtest.h>

#include "data_set_fixture.h"
#include "platform/dataset/errors.h"

using namespace platform::dataset;
using platform::dataset::testing::dayPacket;
using platform::dataset::testing::EventLog;

TEST(Navigation, RecordNumbersAfterDeletes) {
    DataSet ds;
    ds.load(dayPacket(4));
    ds.setRecNo(4);
    ds.deleteRecord();  // the last row: the cursor goes to the new last row
    EXPECT_EQ(ds.recNo(), 3);
    EXPECT_EQ(ds.fieldByName("NRTAREFA").asString(), "T3");
    ds.first();
    ds.deleteRecord();  // the first row: the row that followed becomes row 1
    EXPECT_EQ(ds.recNo(), 1);
    EXPECT_EQ(ds.fieldByName("NRTAREFA").asString(), "T2");
    EXPECT_EQ(ds.recordCount(), 2);
    ds.deleteRecord();
    ds.deleteRecord();
    EXPECT_TRUE(ds.isEmpty());
    EXPECT_EQ(ds.recNo(), 0);
    EXPECT_TRUE(ds.fieldByName("NRTAREFA").isNull());
}

TEST(Navigation, SetRecNoClampsPastTheEndAndRefusesBelowOne) {
    DataSet ds;
    ds.load(dayPacket(3));
    ds.setRecNo(10);
    EXPECT_EQ(ds.recNo(), 3);
    EXPECT_THROW(ds.setRecNo(0), Error);
    EventLog log(ds);
    ds.setRecNo(3);  // already there: no move, no events
    EXPECT_TRUE(log.take().empty());
    ds.setRecNo(1);
    EXPECT_EQ(log.take(), (std::vector<std::string>{"beforeScroll", "data", "afterScroll"}));
}

TEST(Navigation, LocateMatchesWholeValuesOptionallyWithoutCase) {
    DataSet ds;
    DataPacket p = dayPacket(3);
    p.rows[1][2] = Value("Ação");
    ds.load(std::move(p));
    EventLog log(ds);
    EXPECT_FALSE(ds.locate("NRTAREFA", Value("AÇÃO")));
    EXPECT_EQ(log.take(), (std::vector<std::string>{"beforeScroll"}));
    EXPECT_EQ(ds.recNo(), 1);
    EXPECT_TRUE(ds.locate("nrtarefa", Value("AÇÃO"), {.caseInsensitive = true}));
    EXPECT_EQ(log.take(), (std::vector<std::string>{"beforeScroll", "data", "afterScroll"}));
    EXPECT_EQ(ds.recNo(), 2);
    EXPECT_FALSE(
        ds.locate("NRTAREFA", Value("Aç"), {.caseInsensitive = true}));  // no partial match
    EXPECT_TRUE(ds.locate("HORAINI", Value("10:00:00")));
    EXPECT_EQ(ds.recNo(), 3);
    EXPECT_TRUE(ds.locate("DTHFAPATIVTA", Value(DateTime{2026, 12, 8, 9, 0, 0})));
    EXPECT_EQ(ds.recNo(), 1);
    EXPECT_THROW(ds.locate("NOSUCH", Value("x")), Error);
}

TEST(Navigation, InsertShowsTheNewRowBeforeTheCurrentAppendAfterTheLast) {
    DataSet ds;
    ds.load(dayPacket(3));
    ds.setRecNo(2);
    ds.insert();
    EXPECT_FALSE(ds.appending());
    EXPECT_EQ(ds.recNo(), 2);
    EXPECT_EQ(ds.recordCount(), 3);
    EXPECT_EQ(ds.displayRowCount(), 4);
    EXPECT_EQ(ds.insertDisplayRow(), 1);
    ds.fieldByName("NRTAREFA").setText("NEW");
    {
        auto row = ds.showDisplayRow(2);  // the old row 2 moved down one place on screen
        EXPECT_EQ(ds.fieldByName("NRTAREFA").asString(), "T2");
        EXPECT_THROW(ds.fieldByName("NRTAREFA").setText("x"), Error);
    }
    EXPECT_EQ(ds.displayRowStatus(1), UpdateStatus::Inserted);
    ds.post();
    EXPECT_EQ(ds.recNo(), 2);
    EXPECT_EQ(ds.fieldByName("NRTAREFA").asString(), "NEW");
    ds.append();
    EXPECT_TRUE(ds.appending());
    EXPECT_EQ(ds.insertDisplayRow(), 4);
    ds.cancel();
    EXPECT_EQ(ds.fieldByName("NRTAREFA").asString(), "NEW");  // back on the row current before
}

TEST(Navigation, DisplayRowsShowTheEditBufferOfTheEditedRow) {
    DataSet ds;
    ds.load(dayPacket(2));
    ds.edit();
    ds.fieldByName("NRTAREFA").setText("typed");
    EXPECT_TRUE(ds.modified());
    {
        auto row = ds.showDisplayRow(0);
        EXPECT_EQ(ds.fieldByName("NRTAREFA").asString(), "typed");
        EXPECT_EQ(ds.fieldByName("NRTAREFA").oldValue(), Value("T1"));
    }
    {
        auto row = ds.showDisplayRow(1);
        EXPECT_EQ(ds.fieldByName("NRTAREFA").asString(), "T2");
    }
    EXPECT_EQ(ds.fieldByName("NRTAREFA").asString(), "typed");
    EXPECT_THROW((void)ds.showDisplayRow(2), Error);
}

TEST(Navigation, MoveByStopsAtTheEnds) {
    DataSet ds;
    ds.load(dayPacket(5));
    EXPECT_EQ(ds.moveBy(3), 3);
    EXPECT_EQ(ds.recNo(), 4);
    EXPECT_FALSE(ds.eof());
    EXPECT_EQ(ds.moveBy(3), 1);
    EXPECT_TRUE(ds.eof());
    EXPECT_EQ(ds.recNo(), 5);
    EXPECT_EQ(ds.moveBy(-10), -4);
    EXPECT_TRUE(ds.bof());
    EXPECT_EQ(ds.recNo(), 1);
}

TEST(Navigation, ClickingAnotherRowWhileInsertingLandsOnTheClickedRow) {
    DataSet ds;
    ds.load(dayPacket(4));
    ds.setRecNo(2);
    ds.insert();             // shown at display row 1; T2..T4 at display rows 2..4
    ds.moveToDisplayRow(3);  // T3: the unmodified insert is cancelled first
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(ds.fieldByName("NRTAREFA").asString(), "T3");
    EXPECT_EQ(ds.recNo(), 3);
    ds.insert();
    ds.fieldByName("NRTAREFA").setText("NEW");  // modified: posted first, above T3
    ds.moveToDisplayRow(0);
    EXPECT_EQ(ds.fieldByName("NRTAREFA").asString(), "T1");
    ds.setRecNo(3);
    EXPECT_EQ(ds.fieldByName("NRTAREFA").asString(), "NEW");
    EXPECT_THROW(ds.moveToDisplayRow(5), Error);
}
