// States of a data set and the order in which it raises its events.
#include <gtest/gtest.h>

#include "data_set_fixture.h"
#include "platform/dataset/errors.h"

using namespace platform::dataset;
using platform::dataset::testing::dayPacket;
using platform::dataset::testing::EventLog;
using Names = std::vector<std::string>;

TEST(DataSetEvents, LoadWithRowsOpensAndScrollsToTheFirstRow) {
    DataSet ds("cdsAtividades");
    EventLog log(ds);
    ds.load(dayPacket(2));
    EXPECT_EQ(log.take(),
              (Names{"beforeOpen", "state:browse", "data", "afterOpen", "afterScroll"}));
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(ds.recNo(), 1);
    EXPECT_TRUE(ds.bof());
    EXPECT_FALSE(ds.eof());
}

TEST(DataSetEvents, LoadWithoutRowsRaisesNoAfterScroll) {
    DataSet ds;
    EventLog log(ds);
    ds.load(dayPacket(0));
    EXPECT_EQ(log.take(), (Names{"beforeOpen", "state:browse", "data", "afterOpen"}));
    EXPECT_TRUE(ds.isEmpty());
    EXPECT_EQ(ds.recNo(), 0);
    EXPECT_TRUE(ds.bof() && ds.eof());
}

TEST(DataSetEvents, ReloadClosesFirstAndDropsAnEditWithoutCancelEvents) {
    DataSet ds;
    ds.load(dayPacket(2));
    EventLog log(ds);
    ds.edit();
    ds.fieldByName("NRTAREFA").setText("X");
    log.take();
    ds.load(dayPacket(1));
    EXPECT_EQ(log.take(), (Names{"beforeClose", "state:inactive", "afterClose", "beforeOpen",
                                 "state:browse", "data", "afterOpen", "afterScroll"}));
    EXPECT_EQ(ds.fieldByName("NRTAREFA").asString(), "T1");
    EXPECT_EQ(ds.changeCount(), 0);
}

TEST(DataSetEvents, EditPostAndCancelOrder) {
    DataSet ds;
    ds.load(dayPacket(2));
    EventLog log(ds);
    ds.edit();
    EXPECT_EQ(log.take(), (Names{"beforeEdit", "state:edit", "data", "afterEdit"}));
    ds.fieldByName("NRTAREFA").setText("T9");
    EXPECT_EQ(log.take(), (Names{"data:NRTAREFA"}));
    ds.post();
    EXPECT_EQ(log.take(), (Names{"beforePost", "state:browse", "data", "afterPost"}));
    ds.edit();
    log.take();
    ds.cancel();
    EXPECT_EQ(log.take(), (Names{"beforeCancel", "state:browse", "data", "afterCancel"}));
    ds.post();  // browse: nothing
    ds.cancel();
    EXPECT_TRUE(log.take().empty());
}

TEST(DataSetEvents, InsertAppendAndCancelledInsertScroll) {
    DataSet ds;
    ds.load(dayPacket(2));
    EventLog log(ds);
    ds.insert();
    EXPECT_EQ(log.take(), (Names{"beforeInsert", "beforeScroll", "state:insert", "newRecord",
                                 "data", "afterInsert", "afterScroll"}));
    ds.cancel();
    EXPECT_EQ(log.take(), (Names{"beforeCancel", "beforeScroll", "state:browse", "data",
                                 "afterCancel", "afterScroll"}));
    EXPECT_EQ(ds.recordCount(), 2);
    EXPECT_EQ(ds.recNo(), 1);
}

TEST(DataSetEvents, DeleteOrder) {
    DataSet ds;
    ds.load(dayPacket(2));
    EventLog log(ds);
    ds.deleteRecord();
    EXPECT_EQ(log.take(),
              (Names{"beforeDelete", "beforeScroll", "data", "afterDelete", "afterScroll"}));
    ds.edit();
    log.take();
    ds.deleteRecord();  // deleting the row being edited also leaves edit state
    EXPECT_EQ(log.take(), (Names{"beforeDelete", "beforeScroll", "state:browse", "data",
                                 "afterDelete", "afterScroll"}));
    EXPECT_TRUE(ds.isEmpty());
    EXPECT_THROW(ds.deleteRecord(), Error);
}

TEST(DataSetEvents, MovesScrollEvenAtTheEnds) {
    DataSet ds;
    ds.load(dayPacket(2));
    EventLog log(ds);
    ds.next();
    EXPECT_EQ(log.take(), (Names{"beforeScroll", "data", "afterScroll"}));
    EXPECT_FALSE(ds.eof());
    ds.next();
    EXPECT_TRUE(ds.eof());
    EXPECT_EQ(ds.recNo(), 2);
    EXPECT_EQ(log.take(), (Names{"beforeScroll", "data", "afterScroll"}));
    ds.first();
    ds.prior();
    EXPECT_TRUE(ds.bof());
    EXPECT_EQ(ds.recNo(), 1);
}

TEST(DataSetEvents, BeforeEditAbortKeepsBrowseSilently) {
    DataSet ds;
    ds.load(dayPacket(1));
    EventLog watch(ds);
    ds.events.beforeEdit = [](DataSet&) { throw Abort(); };
    EXPECT_THROW(ds.edit(), Abort);
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_TRUE(watch.take().empty());
    EXPECT_THROW(ds.fieldByName("NRTAREFA").setText("X"), Error);
}

TEST(DataSetEvents, BeforePostFailureKeepsStateAndWrittenValues) {
    DataSet ds;
    ds.load(dayPacket(1));
    int attempts = 0;
    ds.events.beforePost = [&](DataSet& d) {
        ++attempts;
        d.fieldByName("CHAVE2").setText("stamped");  // written before the refusal
        throw Error("Hora término deve ser informada.");
    };
    ds.insert();
    ds.fieldByName("HORAINI").setText("10:00:00");
    EXPECT_THROW(ds.post(), Error);
    EXPECT_EQ(ds.state(), DataSetState::Insert);
    EXPECT_EQ(ds.fieldByName("HORAINI").asString(), "10:00:00");
    EXPECT_EQ(ds.fieldByName("CHAVE2").asString(), "stamped");
    EXPECT_EQ(ds.recordCount(), 1);
    EXPECT_EQ(ds.changeCount(), 0);
    // Moving away tries to post the modified row: the refusal stops the move too.
    EXPECT_THROW(ds.first(), Error);
    EXPECT_EQ(ds.state(), DataSetState::Insert);
    EXPECT_EQ(attempts, 2);
    ds.events.beforePost = nullptr;
    ds.post();
    EXPECT_EQ(ds.recordCount(), 2);
    EXPECT_EQ(ds.changeCount(), 1);
}

TEST(DataSetEvents, MovingOffAnEditPostsModifiedAndCancelsUnmodified) {
    DataSet ds;
    ds.load(dayPacket(3));
    EventLog log(ds);
    ds.edit();
    log.take();
    ds.next();
    EXPECT_EQ(log.take(), (Names{"beforeCancel", "state:browse", "data", "afterCancel",
                                 "beforeScroll", "data", "afterScroll"}));
    ds.edit();
    ds.fieldByName("NRTAREFA").setText("T7");
    log.take();
    ds.next();
    EXPECT_EQ(log.take(), (Names{"beforePost", "state:browse", "data", "afterPost", "beforeScroll",
                                 "data", "afterScroll"}));
    EXPECT_EQ(ds.changeCount(), 1);
}

TEST(DataSetEvents, NewRecordFailureReturnsToBrowse) {
    DataSet ds;
    ds.load(dayPacket(1));
    ds.events.onNewRecord = [](DataSet&) { throw Error("no defaults"); };
    EXPECT_THROW(ds.append(), Error);
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(ds.recordCount(), 1);
}

TEST(DataSetEvents, AfterPostMayReloadTheSameDataSet) {
    // The screen's save sends the change packet from afterPost and reloads.
    DataSet ds;
    ds.load(dayPacket(2));
    ChangePacket sent;
    ds.events.afterPost = [&](DataSet& d) {
        sent = d.changePacket();
        d.load(dayPacket(3));
    };
    ds.append();
    ds.fieldByName("HORAINI").setText("11:00:00");
    ds.post();
    ASSERT_EQ(sent.changes.size(), 1u);
    EXPECT_EQ(sent.changes[0].op, RowChange::Op::Insert);
    EXPECT_EQ(ds.recordCount(), 3);
    EXPECT_EQ(ds.changeCount(), 0);
    EXPECT_EQ(ds.state(), DataSetState::Browse);
}

TEST(DataSetEvents, AfterCancelMayStartAndPostAnotherEdit) {
    // The screen's afterCancel resets the memo, which edits the row again and posts it.
    DataSet ds;
    ds.load(dayPacket(1));
    int posts = 0;
    ds.events.afterPost = [&](DataSet&) { ++posts; };
    ds.events.afterCancel = [](DataSet& d) {
        d.cancelUpdates();
        d.edit();
        d.fieldByName("NRTAREFA").setText("T1b");
        d.post();
    };
    ds.edit();
    ds.fieldByName("NRTAREFA").setText("typed");
    ds.cancel();
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(ds.fieldByName("NRTAREFA").asString(), "T1b");
}

TEST(DataSetEvents, ClosedDataSetRefusesOperations) {
    DataSet ds("cdsAtividades");
    EXPECT_THROW(ds.edit(), Error);
    EXPECT_THROW(ds.first(), Error);
    try {
        ds.insert();
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "cdsAtividades: Cannot perform this operation on a closed dataset");
    }
    ds.post();    // nothing to post
    ds.cancel();  // nothing to cancel
    EXPECT_EQ(ds.state(), DataSetState::Inactive);
}

TEST(DataSetEvents, EditOnAnEmptySetInserts) {
    DataSet ds;
    ds.load(dayPacket(0));
    ds.edit();
    EXPECT_EQ(ds.state(), DataSetState::Insert);
}

TEST(DataSetEvents, CloseOrderAndARefusedClose) {
    DataSet ds;
    ds.load(dayPacket(2));
    EventLog log(ds);
    ds.events.beforeClose = [](DataSet&) { throw Abort(); };
    EXPECT_THROW(ds.close(), Abort);
    EXPECT_THROW(ds.load(dayPacket(1)), Abort);  // a reload closes first, so it is refused too
    EXPECT_EQ(ds.recordCount(), 2);
    EXPECT_TRUE(log.take().empty());
    ds.events.beforeClose = nullptr;
    ds.close();
    EXPECT_EQ(log.take(), (Names{"state:inactive", "afterClose"}));
    EXPECT_EQ(ds.recNo(), 0);
    EXPECT_TRUE(ds.fieldCount() == 0);
}

TEST(DataSetEvents, RefusedPacketRaisesNoEventAndKeepsTheRows) {
    DataSet ds;
    ds.load(dayPacket(2));
    EventLog log(ds);
    DataPacket bad = dayPacket(3);
    bad.rows[2].pop_back();
    EXPECT_THROW(ds.load(std::move(bad)), PacketError);
    bad = dayPacket(1);
    bad.rows[0][0] = Value("08:00:00 too long");
    EXPECT_THROW(ds.load(std::move(bad)), PacketError);
    EXPECT_TRUE(log.take().empty());
    EXPECT_EQ(ds.recordCount(), 2);
    EXPECT_EQ(ds.state(), DataSetState::Browse);
}

TEST(DataSetEvents, AfterDeleteThatCancelsUpdatesBringsTheRowBackBeforeAfterScroll) {
    // The screen's save discards pending changes when the server refuses a delete.
    DataSet ds;
    ds.load(dayPacket(3));
    ds.setRecNo(2);
    std::string currentAtAfterScroll;
    ds.events.afterDelete = [](DataSet& d) { d.cancelUpdates(); };
    ds.events.afterScroll = [&](DataSet& d) {
        currentAtAfterScroll = d.fieldByName("NRTAREFA").asString();
    };
    ds.deleteRecord();
    EXPECT_EQ(ds.recordCount(), 3);
    EXPECT_EQ(ds.changeCount(), 0);
    EXPECT_EQ(currentAtAfterScroll, "T3");  // the cursor stayed on the row that followed
}
