// The change log: pending changes, the change packet, cancel-updates and merge.
#include <gtest/gtest.h>

#include "data_set_fixture.h"
#include "platform/dataset/errors.h"
#include "platform/dataset/packet_json.h"

using namespace platform::dataset;
using platform::dataset::testing::dayPacket;

namespace {

std::vector<std::string> column(DataSet& ds, const char* name) {
    std::vector<std::string> out;
    ds.first();
    while (!ds.eof()) {
        out.push_back(ds.fieldByName(name).asString());
        ds.next();
    }
    return out;
}

}  // namespace

TEST(ChangeLog, MixOfInsertEditDeleteGivesOneChangePerRow) {
    DataSet ds;
    ds.load(dayPacket(4));  // T1..T4
    ds.setRecNo(2);
    ds.edit();
    ds.fieldByName("NRTAREFA").setText("T2a");
    ds.post();
    ds.edit();  // a second edit of the same row stays one update against the loaded values
    ds.fieldByName("NRTAREFA").setText("T2b");
    ds.post();
    ds.setRecNo(3);
    ds.deleteRecord();  // T3
    ds.append();
    ds.fieldByName("NRTAREFA").setText("NEW");
    ds.post();
    ds.insert();  // inserted, then deleted: leaves no trace
    ds.fieldByName("NRTAREFA").setText("GONE");
    ds.post();
    ds.deleteRecord();
    ds.first();  // T1 changed and deleted: a delete with the loaded values
    ds.edit();
    ds.fieldByName("NRTAREFA").setText("T1x");
    ds.post();
    ds.deleteRecord();

    EXPECT_EQ(ds.changeCount(), 4);
    ChangePacket cp = ds.changePacket();
    ASSERT_EQ(cp.changes.size(), 4u);
    const int task = cp.fieldIndex("NRTAREFA");
    EXPECT_EQ(cp.changes[0].op, RowChange::Op::Update);
    EXPECT_EQ(cp.changes[0].oldValues[task], Value("T2"));
    EXPECT_EQ(cp.changes[0].newValues[task], Value("T2b"));
    EXPECT_EQ(cp.changes[1].op, RowChange::Op::Delete);
    EXPECT_EQ(cp.changes[1].oldValues[task], Value("T3"));
    EXPECT_EQ(cp.changes[2].op, RowChange::Op::Insert);
    EXPECT_EQ(cp.changes[2].newValues[task], Value("NEW"));
    EXPECT_EQ(cp.changes[3].op, RowChange::Op::Delete);
    EXPECT_EQ(cp.changes[3].oldValues[task], Value("T1"));
    EXPECT_TRUE(cp.fields[cp.fieldIndex("HORAINI")].flags.where);
    EXPECT_FALSE(cp.fields[task].flags.where);

    // Through the wire and back, unchanged.
    ChangePacket back = decodeChangePacket(encodeChangePacket(cp));
    ASSERT_EQ(back.changes.size(), cp.changes.size());
    for (std::size_t i = 0; i < cp.changes.size(); ++i) {
        EXPECT_EQ(back.changes[i].op, cp.changes[i].op);
        EXPECT_EQ(back.changes[i].oldValues, cp.changes[i].oldValues);
        EXPECT_EQ(back.changes[i].newValues, cp.changes[i].newValues);
    }
    EXPECT_EQ(back.fields[0].flags, cp.fields[0].flags);
}

TEST(ChangeLog, CancelUpdatesRestoresEveryRowInPlace) {
    DataSet ds;
    ds.load(dayPacket(4));
    ds.setRecNo(2);
    ds.deleteRecord();  // T2
    ds.edit();          // now on T3
    ds.fieldByName("NRTAREFA").setText("T3x");
    ds.post();
    ds.append();
    ds.fieldByName("NRTAREFA").setText("NEW");
    ds.post();
    ds.first();
    ds.deleteRecord();  // T1
    ds.setRecNo(2);     // T4
    ASSERT_EQ(ds.fieldByName("NRTAREFA").asString(), "T4");
    ds.edit();
    ds.fieldByName("NRTAREFA").setText("editing");

    ds.cancelUpdates();
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(ds.changeCount(), 0);
    EXPECT_EQ(ds.fieldByName("NRTAREFA").asString(), "T4");  // cursor kept on its row
    EXPECT_EQ(ds.recNo(), 4);
    EXPECT_EQ(column(ds, "NRTAREFA"), (std::vector<std::string>{"T1", "T2", "T3", "T4"}));
    EXPECT_TRUE(ds.changePacket().changes.empty());
}

TEST(ChangeLog, CancelUpdatesAfterAnInsertKeepsThePosition) {
    DataSet ds;
    ds.load(dayPacket(3));
    ds.setRecNo(2);
    ds.insert();  // before T2
    ds.fieldByName("NRTAREFA").setText("NEW");
    ds.post();
    EXPECT_EQ(ds.recNo(), 2);
    ds.cancelUpdates();  // the inserted row is gone; the cursor stays at position 2
    EXPECT_EQ(ds.recNo(), 2);
    EXPECT_EQ(ds.fieldByName("NRTAREFA").asString(), "T2");
}

TEST(ChangeLog, MergeMakesCurrentValuesTheOldOnes) {
    DataSet ds;
    ds.load(dayPacket(2));
    ds.edit();
    ds.fieldByName("HORAINI").setText("07:30:00");
    EXPECT_EQ(ds.fieldByName("HORAINI").oldValue(), Value("08:00:00"));
    ds.post();
    ds.next();
    ds.deleteRecord();
    ds.mergeChangeLog();
    EXPECT_EQ(ds.changeCount(), 0);
    ds.first();
    EXPECT_EQ(ds.fieldByName("HORAINI").oldValue(), Value("07:30:00"));
    ds.edit();
    ds.fieldByName("HORAINI").setText("07:00:00");
    ds.post();
    ds.cancelUpdates();
    EXPECT_EQ(ds.fieldByName("HORAINI").asString(), "07:30:00");
    EXPECT_EQ(ds.recordCount(), 1);
}

TEST(ChangeLog, OldValuesOfInsertedAndEditedRows) {
    DataSet ds;
    ds.load(dayPacket(1));
    ds.append();
    EXPECT_FALSE(ds.fieldByName("CHAVE2").oldValue().has_value());
    ds.fieldByName("HORAINI").setText("12:00:00");
    ds.post();
    EXPECT_FALSE(ds.fieldByName("HORAINI").oldValue().has_value());
    EXPECT_EQ(ds.updateStatus(), UpdateStatus::Inserted);
    ds.first();
    EXPECT_EQ(ds.updateStatus(), UpdateStatus::Unmodified);
    EXPECT_EQ(ds.fieldByName("CHAVE2").oldValue(), Value("K1"));
}

TEST(ChangeLog, PostingTheLoadedValuesBackLeavesNoChange) {
    DataSet ds;
    ds.load(dayPacket(1));
    ds.edit();
    ds.fieldByName("NRTAREFA").setText("T1");
    ds.post();
    EXPECT_EQ(ds.changeCount(), 0);
    ds.edit();
    ds.fieldByName("NRTAREFA").setText("T9");
    ds.post();
    ds.edit();
    ds.fieldByName("NRTAREFA").setText("T1");
    ds.post();
    EXPECT_EQ(ds.changeCount(), 0);
}

TEST(ChangeLog, LoadEmptiesTheLog) {
    DataSet ds;
    ds.load(dayPacket(2));
    ds.deleteRecord();
    ASSERT_EQ(ds.changeCount(), 1);
    ds.load(dayPacket(2));
    EXPECT_EQ(ds.changeCount(), 0);
    ds.cancelUpdates();
    EXPECT_EQ(ds.recordCount(), 2);
}
