// Field objects: texts, conversions, sizes, handlers, and declared fields.
#include <gtest/gtest.h>

#include "data_set_fixture.h"
#include "platform/dataset/errors.h"
#include "platform/dataset/packet_json.h"

using namespace platform::dataset;
using platform::dataset::testing::dayPacket;

namespace {

// The way the screen declares cdsAtividades: named field members, kept across loads.
struct Atividades {
    DataSet ds{"cdsAtividades"};
    Field& HORAINI = ds.addField({.name = "HORAINI",
                                  .size = 8,
                                  .label = "Hora Início",
                                  .displayWidth = 12,
                                  .editMask = "!90:00:00;1; ",
                                  .flags = {.where = true}});
    Field& NRTAREFA = ds.addField({.name = "NRTAREFA", .size = 10, .label = "Tarefa"});
    Field& DTHFAPATIVTA =
        ds.addField({.name = "DTHFAPATIVTA", .type = FieldType::DateTime, .label = "Fim Ap."});
    Field& QT = ds.addField({.name = "QT", .type = FieldType::Float, .visible = false});
};

DataPacket packetFor(std::vector<FieldDef> fields, std::vector<Row> rows) {
    DataPacket p;
    p.fields = std::move(fields);
    p.rows = std::move(rows);
    return p;
}

}  // namespace

TEST(Field, DefaultTextsAndTypedReads) {
    DataSet ds;
    DataPacket p = packetFor(
        {FieldDef{.name = "D", .type = FieldType::DateTime},
         FieldDef{.name = "N", .type = FieldType::Integer},
         FieldDef{.name = "F", .type = FieldType::Float},
         FieldDef{.name = "B", .type = FieldType::Boolean}, FieldDef{.name = "S", .size = 5}},
        {{Value(DateTime{2026, 1, 2, 3, 4, 5}), Value(42), Value(2.5), Value(true), Value("12")},
         {Value(), Value(), Value(), Value(), Value()}});
    ds.load(std::move(p));
    EXPECT_EQ(ds.fieldByName("d").asString(), "02/01/2026 03:04:05");
    EXPECT_EQ(ds.fieldByName("D").displayText(), "02/01/2026 03:04:05");
    EXPECT_EQ(ds.fieldByName("N").asString(), "42");
    EXPECT_EQ(ds.fieldByName("F").asString(), "2,5");
    EXPECT_EQ(ds.fieldByName("B").asString(), "True");
    EXPECT_EQ(ds.fieldByName("S").asInteger(), 12);
    EXPECT_DOUBLE_EQ(ds.fieldByName("N").asFloat(), 42.0);
    ds.next();
    for (int i = 0; i < ds.fieldCount(); ++i) {
        EXPECT_TRUE(ds.field(i).isNull());
        EXPECT_EQ(ds.field(i).asString(), "");
    }
    EXPECT_EQ(ds.fieldByName("D").asDateTime(), DateTime{});
    EXPECT_EQ(ds.fieldByName("N").asInteger(), 0);
}

TEST(Field, TextOverTheSizeIsRefusedNamingTheFieldAndNeverCut) {
    Atividades a;
    a.ds.createDataSet();
    a.ds.append();
    a.HORAINI.setText("08:00:00");
    try {
        a.HORAINI.setText("08:00:00 ");
        FAIL() << "accepted a 9-character time";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("HORAINI"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find('8'), std::string::npos) << e.what();
    }
    EXPECT_EQ(a.HORAINI.asString(), "08:00:00");
    a.NRTAREFA.setText("çççççççççç");  // ten characters, twenty bytes
    EXPECT_THROW(a.NRTAREFA.setText("ççççççççççç"), Error);
}

TEST(Field, WritesNeedEditOrInsertAndConvertibleText) {
    Atividades a;
    a.ds.createDataSet();
    a.ds.append();
    a.ds.post();
    try {
        a.NRTAREFA.setText("T1");
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "cdsAtividades: Dataset not in edit or insert mode");
    }
    a.ds.edit();
    a.DTHFAPATIVTA.setText("08/12/2026  8:05:00");
    EXPECT_EQ(a.DTHFAPATIVTA.asDateTime(), (DateTime{2026, 12, 8, 8, 5, 0}));
    a.DTHFAPATIVTA.setText("08/12/2026");
    EXPECT_EQ(a.DTHFAPATIVTA.asString(), "08/12/2026 00:00:00");
    EXPECT_THROW(a.DTHFAPATIVTA.setText("31/02/2026"), Error);
    EXPECT_EQ(a.DTHFAPATIVTA.asString(), "08/12/2026 00:00:00");
    a.DTHFAPATIVTA.setText("");
    EXPECT_TRUE(a.DTHFAPATIVTA.isNull());
    a.QT.setText("1,25");
    EXPECT_DOUBLE_EQ(a.QT.asFloat(), 1.25);
    a.QT.setAsInteger(3);
    EXPECT_TRUE(a.QT.value().isFloat());
    EXPECT_THROW(a.QT.setText("abc"), Error);
    a.NRTAREFA.setAsInteger(17);
    EXPECT_EQ(a.NRTAREFA.value(), Value("17"));
    EXPECT_THROW(a.DTHFAPATIVTA.setAsBoolean(true), Error);
    a.NRTAREFA.setReadOnly(true);
    EXPECT_THROW(a.NRTAREFA.setText("T2"), Error);
}

TEST(Field, GetTextHandlerSuppliesDisplayAndEditText) {
    DataSet ds("cdsPonto");
    Field& evento = ds.addField({.name = "IDEVENPONTO", .size = 2, .label = "Evento"});
    std::vector<bool> asked;
    evento.onGetText = [&](Field& f, std::string& text, bool display) {
        asked.push_back(display);
        text = f.asString() == "E1" ? "1ª Entrada" : f.asString();
    };
    DataPacket p =
        packetFor({FieldDef{.name = "IDEVENPONTO", .size = 2}}, {{Value("E1")}, {Value("S1")}});
    ds.load(std::move(p));
    EXPECT_EQ(evento.displayText(), "1ª Entrada");
    EXPECT_EQ(evento.text(), "1ª Entrada");
    EXPECT_EQ(evento.asString(), "E1");
    EXPECT_EQ(asked, (std::vector<bool>{true, false}));
    ds.next();
    EXPECT_EQ(evento.displayText(), "S1");
}

TEST(Field, DeclaredFieldsSurviveLoadsAndTakeTheirValuesByName) {
    Atividades a;
    const Field* kept = &a.HORAINI;
    DataPacket p = packetFor(
        {FieldDef{.name = "extra", .type = FieldType::Integer},
         FieldDef{.name = "qt", .type = FieldType::Integer},
         FieldDef{.name = "dthfapativta", .type = FieldType::DateTime},
         FieldDef{.name = "nrtarefa", .size = 10}, FieldDef{.name = "horaini", .size = 30}},
        {{Value(1), Value(3), Value(), Value("T1"), Value("08:00:00")}});
    a.ds.load(p);
    a.ds.load(p);
    EXPECT_EQ(&a.ds.fieldByName("horaini"), kept);
    EXPECT_EQ(a.ds.fieldCount(), 4);
    EXPECT_EQ(a.HORAINI.asString(), "08:00:00");
    EXPECT_EQ(a.HORAINI.displayLabel(), "Hora Início");
    EXPECT_EQ(a.HORAINI.editMask(), "!90:00:00;1; ");
    EXPECT_TRUE(a.QT.value().isFloat());  // an integer column widens into a float field
    EXPECT_EQ(a.ds.findField("extra"), nullptr);
    EXPECT_TRUE(a.ds.changePacket().fields[0].flags.where);  // the declared flags travel
}

TEST(Field, DeclaredFieldsRefuseIncompletePackets) {
    Atividades a;
    a.ds.load(
        packetFor({FieldDef{.name = "HORAINI", .size = 8}, FieldDef{.name = "NRTAREFA", .size = 10},
                   FieldDef{.name = "DTHFAPATIVTA", .type = FieldType::DateTime},
                   FieldDef{.name = "QT", .type = FieldType::Float}},
                  {{Value("08:00:00"), Value("T1"), Value(), Value(1.0)}}));
    struct Case {
        DataPacket packet;
        const char* mentions;
    } cases[] = {
        {packetFor(
             {FieldDef{.name = "HORAINI", .size = 8}, FieldDef{.name = "NRTAREFA", .size = 10},
              FieldDef{.name = "QT", .type = FieldType::Float}},
             {}),
         "no field DTHFAPATIVTA"},
        {packetFor({FieldDef{.name = "HORAINI", .type = FieldType::DateTime},
                    FieldDef{.name = "NRTAREFA", .size = 10},
                    FieldDef{.name = "DTHFAPATIVTA", .type = FieldType::DateTime},
                    FieldDef{.name = "QT", .type = FieldType::Float}},
                   {}),
         "HORAINI arrives as datetime"},
        {packetFor(
             {FieldDef{.name = "HORAINI", .size = 9}, FieldDef{.name = "NRTAREFA", .size = 10},
              FieldDef{.name = "DTHFAPATIVTA", .type = FieldType::DateTime},
              FieldDef{.name = "QT", .type = FieldType::Float}},
             {{Value("08:00:00"), Value("T2"), Value(), Value(1.0)},
              {Value("08:00:00 "), Value("T3"), Value(), Value(1.0)}}),
         "Row 2: Field HORAINI holds at most 8"},
        {packetFor(
             {FieldDef{.name = "HORAINI", .size = 8}, FieldDef{.name = "NRTAREFA", .size = 10},
              FieldDef{.name = "DTHFAPATIVTA", .type = FieldType::DateTime},
              FieldDef{.name = "QT", .type = FieldType::Float}},
             {{Value("08:00:00"), Value(5), Value(), Value(1.0)}}),
         "NRTAREFA expects a value of type string"},
    };
    for (Case& c : cases) {
        try {
            a.ds.load(std::move(c.packet));
            ADD_FAILURE() << "accepted a packet that should mention " << c.mentions;
        } catch (const PacketError& e) {
            EXPECT_NE(std::string(e.what()).find(c.mentions), std::string::npos) << e.what();
        }
        // Never half loaded: the rows of the last good load are still there.
        EXPECT_EQ(a.ds.recordCount(), 1);
        EXPECT_EQ(a.NRTAREFA.asString(), "T1");
    }
}

TEST(Field, UndeclaredDataSetTakesThePacketFields) {
    DataSet ds("cdsHoraServidor");
    ds.load(decodeDataPacket(R"({"fields": [{"name": "SYSDATE", "type": "datetime"}],
                                 "rows": [["2026-12-08T14:03:00"]]})"));
    EXPECT_EQ(ds.fieldByName("sysdate").asDateTime(), (DateTime{2026, 12, 8, 14, 3, 0}));
    EXPECT_THROW(ds.fieldByName("NOPE"), Error);
    ds.close();
    EXPECT_EQ(ds.fieldCount(), 0);
}

TEST(Field, FocusControlGoesToTheFirstLinkShowingTheField) {
    struct Column : DataLink {
        std::string shows;
        int asked = 0;
        bool focusControl(Field& f) override {
            ++asked;
            return sameName(f.name(), shows);
        }
    };
    Atividades a;
    DataSource dts(&a.ds);
    Column memo, grid, other;
    memo.shows = "TXAPRATIVTAR";
    grid.shows = "NRTAREFA";
    other.shows = "NRTAREFA";
    memo.setDataSource(&dts);
    grid.setDataSource(&dts);
    other.setDataSource(&dts);
    EXPECT_TRUE(a.NRTAREFA.focusControl());
    EXPECT_EQ(memo.asked, 1);
    EXPECT_EQ(grid.asked, 1);
    EXPECT_EQ(other.asked, 0);
    EXPECT_FALSE(a.HORAINI.focusControl());
}
