// Rows: what a vector of values did, they still do (copies, growth, an
// argument that is one of the row's own values), and the rows a decoder
// reads, which share blocks of storage, stay values of their own: they
// outlive their packet, copies and edits touch one row only, a row that
// grows leaves its neighbours as they were, and rows of one packet may end
// on different threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/dataset/data_set.h"
#include "platform/dataset/packet_json.h"

using namespace platform::dataset;

namespace {

/// Longer than a string keeps within itself: a value with its own allocation.
std::string longText(int i) {
    return "descrição longa da linha número " + std::to_string(i);
}

/// A packet of `rows` rows as the server writes it (texts long and short,
/// dates, nulls), decoded: enough rows for several blocks of storage.
DataPacket decodedPacket(int rows) {
    DataPacket p;
    p.fields = {{"CODIGO", FieldType::String, 10},
                {"DESCRICAO", FieldType::String, 60},
                {"DIA", FieldType::DateTime},
                {"OBS", FieldType::String, 20}};
    for (int i = 0; i < rows; ++i)
        p.rows.push_back({std::to_string(i), longText(i), DateTime::date(2026, 5, 1 + i % 28),
                          i % 3 == 0 ? Value() : Value("obs")});
    return decodeDataPacket(encodeDataPacket(p));
}

void expectRowOf(const Row& row, int i) {
    ASSERT_EQ(row.size(), 4u);
    EXPECT_EQ(row[0], Value(std::to_string(i)));
    EXPECT_EQ(row[1], Value(longText(i)));
    EXPECT_EQ(row[2], Value(DateTime::date(2026, 5, 1 + i % 28)));
    EXPECT_EQ(row[3], i % 3 == 0 ? Value() : Value("obs"));
}

}  // namespace

TEST(Row, behaves_as_a_vector_of_values) {
    Row r{Value("a"), Value(1), Value()};
    EXPECT_EQ(r.size(), 3u);
    EXPECT_EQ(r.front(), Value("a"));
    EXPECT_EQ(r.back(), Value());
    EXPECT_EQ(r.at(1), Value(1));
    EXPECT_THROW((void)r.at(3), std::out_of_range);

    for (int i = 0; i < 40; ++i) r.push_back(Value(longText(i)));
    EXPECT_EQ(r.size(), 43u);
    EXPECT_EQ(r[42], Value(longText(39)));
    EXPECT_EQ(std::count(r.begin(), r.end(), Value(longText(7))), 1);

    r.resize(2);
    EXPECT_EQ(r, (Row{Value("a"), Value(1)}));
    r.resize(4, Value(true));
    EXPECT_EQ(r, (Row{Value("a"), Value(1), Value(true), Value(true)}));
    r.pop_back();
    EXPECT_EQ(r.size(), 3u);
    r.assign(2, Value("x"));
    EXPECT_EQ(r, (Row{Value("x"), Value("x")}));
    EXPECT_NE(r, (Row{Value("x")}));
    EXPECT_NE(r, (Row{Value("x"), Value("y")}));
    r.clear();
    EXPECT_TRUE(r.empty());
    EXPECT_EQ(Row(3), (Row{Value(), Value(), Value()}));
    EXPECT_EQ(Row(), Row{});
}

TEST(Row, a_value_of_the_row_itself_may_be_added_while_it_grows) {
    Row r;
    r.push_back(Value(longText(1)));
    int grown = 0;
    for (int i = 0; i < 100; ++i) {
        if (r.size() == r.capacity()) ++grown;
        r.push_back(i % 2 == 0 ? r.front() : r.back());
    }
    EXPECT_GE(grown, 6);
    EXPECT_EQ(r.size(), 101u);
    r.resize(r.capacity() + 7, r[50]);
    EXPECT_GT(r.size(), 101u);
    EXPECT_EQ(static_cast<std::size_t>(std::count(r.begin(), r.end(), Value(longText(1)))),
              r.size());
}

TEST(Row, copies_and_assignments_are_independent) {
    const Row original{Value(longText(1)), Value(2)};
    Row copy = original;
    copy[0] = Value("other");
    EXPECT_EQ(original[0], Value(longText(1)));

    Row shorter{Value("a")};
    shorter = original;  // grows
    EXPECT_EQ(shorter, original);
    Row longer{Value("a"), Value("b"), Value(longText(3))};
    longer = original;  // in place, the extra value dropped
    EXPECT_EQ(longer, original);
    const Row& itself = longer;
    longer = itself;
    EXPECT_EQ(longer, original);
    longer = {Value(1)};
    EXPECT_EQ(longer, Row{Value(1)});

    Row moved = std::move(copy);
    EXPECT_EQ(moved[0], Value("other"));
    EXPECT_TRUE(copy.empty());  // NOLINT(bugprone-use-after-move): a moved-from row is empty
    copy.push_back(Value(5));   // and usable
    EXPECT_EQ(copy, Row{Value(5)});
}

TEST(Row, decoded_rows_outlive_their_packet) {
    std::vector<Row> kept;
    {
        DataPacket packet = decodedPacket(700);
        kept = std::move(packet.rows);
        packet.rows.clear();
    }
    ASSERT_EQ(kept.size(), 700u);
    for (int i = 0; i < 700; ++i) expectRowOf(kept[static_cast<std::size_t>(i)], i);

    // One row of each end kept alone, the rest dropped.
    Row first = std::move(kept.front());
    Row last = std::move(kept.back());
    kept.clear();
    expectRowOf(first, 0);
    expectRowOf(last, 699);
}

TEST(Row, a_decoded_row_copied_grown_or_edited_leaves_its_neighbours_alone) {
    DataPacket packet = decodedPacket(300);
    Row copy = packet.rows[10];
    copy[1] = Value("editada");
    expectRowOf(packet.rows[10], 10);

    packet.rows[10][1] = Value("editada também");    // in place
    packet.rows[10].push_back(Value(longText(99)));  // past its room: moves out of its block
    packet.rows[11].resize(2);
    packet.rows[12].clear();
    packet.rows[12].push_back(Value("nova"));  // the room it had is its own still

    EXPECT_EQ(packet.rows[10].size(), 5u);
    EXPECT_EQ(packet.rows[10][1], Value("editada também"));
    EXPECT_EQ(packet.rows[10][4], Value(longText(99)));
    EXPECT_EQ(packet.rows[11], (Row{Value("11"), Value(longText(11))}));
    EXPECT_EQ(packet.rows[12], Row{Value("nova")});
    expectRowOf(packet.rows[9], 9);
    expectRowOf(packet.rows[13], 13);
    EXPECT_EQ(copy[1], Value("editada"));
    expectRowOf(decodedPacket(300).rows[10], 10);
}

TEST(Row, rows_of_one_packet_end_on_different_threads) {
    DataPacket packet = decodedPacket(2000);
    std::vector<Row> odd;
    std::vector<Row> even;
    for (std::size_t i = 0; i < packet.rows.size(); ++i)
        (i % 2 == 0 ? even : odd).push_back(std::move(packet.rows[i]));
    packet.rows.clear();
    const auto readAndDrop = [](std::vector<Row> rows, std::size_t& bytes) {
        for (Row& row : rows) {
            bytes += row[1].asString().size();
            row = Row();
        }
    };
    std::size_t oddBytes = 0;
    std::size_t evenBytes = 0;
    std::thread other(readAndDrop, std::move(odd), std::ref(oddBytes));
    readAndDrop(std::move(even), evenBytes);
    other.join();
    std::size_t want = 0;
    for (int i = 0; i < 2000; ++i) want += longText(i).size();
    EXPECT_EQ(oddBytes + evenBytes, want);
    EXPECT_GT(oddBytes, 0u);
}

TEST(Row, a_row_wider_than_a_block_decodes) {
    DataPacket p;
    for (int f = 0; f < 600; ++f)
        p.fields.push_back({"F" + std::to_string(f), FieldType::String, 8});
    for (int r = 0; r < 3; ++r) {
        Row row;
        for (int f = 0; f < 600; ++f) row.push_back(Value(std::to_string(r * 1000 + f)));
        p.rows.push_back(std::move(row));
    }
    const DataPacket decoded = decodeDataPacket(encodeDataPacket(p));
    ASSERT_EQ(decoded.rows.size(), 3u);
    for (std::size_t r = 0; r < 3; ++r) EXPECT_EQ(decoded.rows[r], p.rows[r]) << "row " << r;
}

TEST(Row, a_data_set_edits_decoded_rows_and_keeps_their_old_values) {
    DataSet ds;
    ds.load(decodedPacket(400));
    ds.setRecNo(200);
    ds.edit();
    ds.fieldByName("DESCRICAO").setText("trocada");
    ds.post();
    ds.setRecNo(3);
    ds.deleteRecord();
    ds.append();
    ds.fieldByName("CODIGO").setText("novo");
    ds.post();

    const DataPacket now = ds.data();
    ASSERT_EQ(now.rows.size(), 400u);
    EXPECT_EQ(now.rows[198][1], Value("trocada"));  // row 200, one deleted before it
    expectRowOf(now.rows[197], 198);
    expectRowOf(now.rows[2], 3);
    EXPECT_EQ(now.rows[399][0], Value("novo"));

    const ChangePacket changes = ds.changePacket();
    ASSERT_EQ(changes.changes.size(), 3u);
    expectRowOf(changes.changes[0].oldValues, 199);
    EXPECT_EQ(changes.changes[0].newValues[1], Value("trocada"));
    expectRowOf(changes.changes[1].oldValues, 2);

    ds.cancelUpdates();
    const DataPacket back = ds.data();
    ASSERT_EQ(back.rows.size(), 400u);
    for (int i = 0; i < 400; ++i) expectRowOf(back.rows[static_cast<std::size_t>(i)], i);
}
