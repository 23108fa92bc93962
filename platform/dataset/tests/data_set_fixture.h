#pragma once

#include <string>
#include <vector>

#include "platform/dataset/data_set.h"
#include "platform/dataset/data_source.h"

namespace platform::dataset::testing {

/// A small appropriation-like packet: HORAINI, HORAFIN (text 8, where),
/// NRTAREFA (text 10), DTHFAPATIVTA (date-time), CHAVE2 (text 35, where).
inline DataPacket dayPacket(int rows) {
    DataPacket p;
    p.fields = {
        FieldDef{.name = "HORAINI", .type = FieldType::String, .size = 8, .flags = {.where = true}},
        FieldDef{.name = "HORAFIN", .type = FieldType::String, .size = 8, .flags = {.where = true}},
        FieldDef{.name = "NRTAREFA", .type = FieldType::String, .size = 10},
        FieldDef{.name = "DTHFAPATIVTA", .type = FieldType::DateTime},
        FieldDef{
            .name = "CHAVE2", .type = FieldType::String, .size = 35, .flags = {.where = true}}};
    for (int i = 0; i < rows; ++i) {
        const std::string h = (i + 8 < 10 ? "0" : "") + std::to_string(i + 8);
        const std::string h1 = (i + 9 < 10 ? "0" : "") + std::to_string(i + 9);
        p.rows.push_back(
            {Value(h + ":00:00"), Value(h1 + ":00:00"), Value("T" + std::to_string(i + 1)),
             Value(DateTime{2026, 12, 8, i + 9, 0, 0}), Value("K" + std::to_string(i + 1))});
    }
    return p;
}

/// Records every event of a data set, and the state and data notices of a data
/// source linked to it, as one ordered list of names.
class EventLog {
public:
    explicit EventLog(DataSet& ds) : source_(&ds) {
        auto rec = [this](const char* name) {
            return [this, name](DataSet&) { names.emplace_back(name); };
        };
        DataSetEvents& e = ds.events;
        e.beforeOpen = rec("beforeOpen");
        e.afterOpen = rec("afterOpen");
        e.beforeClose = rec("beforeClose");
        e.afterClose = rec("afterClose");
        e.beforeInsert = rec("beforeInsert");
        e.afterInsert = rec("afterInsert");
        e.onNewRecord = rec("newRecord");
        e.beforeEdit = rec("beforeEdit");
        e.afterEdit = rec("afterEdit");
        e.beforePost = rec("beforePost");
        e.afterPost = rec("afterPost");
        e.beforeCancel = rec("beforeCancel");
        e.afterCancel = rec("afterCancel");
        e.beforeDelete = rec("beforeDelete");
        e.afterDelete = rec("afterDelete");
        e.beforeScroll = rec("beforeScroll");
        e.afterScroll = rec("afterScroll");
        source_.onStateChange = [this](DataSource& s) {
            names.push_back("state:" + std::string(stateName(s.state())));
        };
        source_.onDataChange = [this](DataSource&, Field* f) {
            names.push_back(f ? "data:" + f->name() : "data");
        };
    }

    /// Returns the names logged so far and starts a new list.
    std::vector<std::string> take() {
        std::vector<std::string> out;
        out.swap(names);
        return out;
    }

    std::vector<std::string> names;

private:
    DataSource source_;
};

}  // namespace platform::dataset::testing
