// Data sources and the links of data-aware controls.
#include <gtest/gtest.h>

#include <memory>

#include "data_set_fixture.h"
#include "platform/dataset/errors.h"

using namespace platform::dataset;
using platform::dataset::testing::dayPacket;

namespace {

struct Recorder : DataLink {
    std::vector<std::string> seen;
    std::string pendingText;  // what an in-place editor holds before a post
    void activeChanged() override { seen.push_back(active() ? "active" : "inactive"); }
    void editingChanged() override { seen.push_back(editing() ? "editing" : "browsing"); }
    void dataSetChanged() override { seen.push_back("changed"); }
    void dataSetScrolled() override { seen.push_back("scrolled"); }
    void recordChanged(Field* f) override { seen.push_back(f ? "field:" + f->name() : "record"); }
    void updateData() override {
        seen.push_back("update");
        if (!pendingText.empty()) dataSet()->fieldByName("NRTAREFA").setText(pendingText);
    }
};

}  // namespace

TEST(DataSource, PassesStateAndDataChangesToEveryLink) {
    DataSet ds;
    DataSource dts(&ds);
    Recorder grid, navigator;
    grid.setDataSource(&dts);
    navigator.setDataSource(&dts);
    ds.load(dayPacket(2));
    EXPECT_EQ(grid.seen, (std::vector<std::string>{"active", "changed"}));
    EXPECT_EQ(navigator.seen, grid.seen);
    grid.seen.clear();
    ds.next();
    ds.edit();
    ds.fieldByName("HORAINI").setText("09:30:00");
    ds.post();
    EXPECT_EQ(grid.seen, (std::vector<std::string>{"scrolled", "editing", "record", "field:HORAINI",
                                                   "update", "browsing", "changed"}));
    EXPECT_EQ(dts.state(), DataSetState::Browse);
}

TEST(DataSource, UpdateDataWritesPendingControlEditsBeforeThePost) {
    DataSet ds;
    DataSource dts(&ds);
    Recorder grid;
    grid.setDataSource(&dts);
    ds.load(dayPacket(1));
    std::string seenByBeforePost;
    ds.events.beforePost = [&](DataSet& d) {
        seenByBeforePost = d.fieldByName("NRTAREFA").asString();
    };
    ds.edit();
    grid.pendingText = "T42";
    ds.post();
    EXPECT_EQ(seenByBeforePost, "T42");
    EXPECT_EQ(ds.fieldByName("NRTAREFA").asString(), "T42");
}

TEST(DataSource, DisabledOrUnboundSourceShowsInactive) {
    DataSet ds;
    ds.load(dayPacket(1));
    DataSource dts;
    EXPECT_EQ(dts.state(), DataSetState::Inactive);
    Recorder link;
    link.setDataSource(&dts);
    dts.setDataSet(&ds);
    EXPECT_TRUE(link.active());
    EXPECT_EQ(link.seen, (std::vector<std::string>{"active", "changed"}));
    int stateChanges = 0;
    dts.onStateChange = [&](DataSource&) { ++stateChanges; };
    dts.setEnabled(false);
    EXPECT_EQ(dts.state(), DataSetState::Inactive);
    EXPECT_FALSE(link.active());
    ds.edit();  // not passed on while disabled
    EXPECT_EQ(stateChanges, 1);
    dts.setEnabled(true);
    EXPECT_TRUE(link.editing());
    EXPECT_EQ(stateChanges, 2);
}

TEST(DataSource, LinksAndSourcesMayGoAwayInAnyOrder) {
    auto ds = std::make_unique<DataSet>();
    auto dts = std::make_unique<DataSource>(ds.get());
    auto link = std::make_unique<Recorder>();
    link->setDataSource(dts.get());
    ds->load(dayPacket(1));
    link.reset();  // a control destroyed first
    ds->next();
    auto other = std::make_unique<Recorder>();
    other->setDataSource(dts.get());
    ds.reset();  // then the data set
    EXPECT_EQ(dts->dataSet(), nullptr);
    EXPECT_EQ(dts->state(), DataSetState::Inactive);
    dts.reset();  // then the source: the remaining link is detached
    EXPECT_EQ(other->dataSource(), nullptr);
}

TEST(DataSource, ALinkMayDetachItselfWhileBeingTold) {
    DataSet ds;
    DataSource dts(&ds);
    struct OneShot : DataLink {
        int calls = 0;
        void dataSetChanged() override {
            ++calls;
            setDataSource(nullptr);
        }
    } first;
    Recorder second;
    first.setDataSource(&dts);
    second.setDataSource(&dts);
    ds.load(dayPacket(1));
    ds.load(dayPacket(1));
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(std::count(second.seen.begin(), second.seen.end(), "changed"), 2);
}
