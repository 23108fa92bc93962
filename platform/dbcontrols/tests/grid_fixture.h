#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <ostream>
#include <string>
#include <vector>

#include "platform/dataset/data_set.h"
#include "platform/dataset/data_source.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/ui/focus_manager.h"
#include "platform/ui/scripted_dialog_service.h"

/// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace dbtest {

using platform::dataset::DataPacket;
using platform::dataset::DataSet;
using platform::dataset::DataSetState;
using platform::dataset::DataSource;
using platform::dataset::DateTime;
using platform::dataset::FieldDef;
using platform::dataset::FieldType;
using platform::dataset::Value;
using platform::dbcontrols::ColumnButtonStyle;
using platform::dbcontrols::DBGrid;
using platform::dbcontrols::DBGridColumnDef;
using Kind = platform::ui::ScriptedDialogService::Kind;

inline const char* const kTimeMask = "!90:00:00;1; ";

/// A window with an appropriation-like grid and one other control, under a
/// focus manager, with a scripted dialog service.
///
/// Columns: 0 NRTAREFA (ellipsis), 1 HORAINI, 2 HORAFIN, 3 QTHRAPRO,
/// 4 DTHFAPATIVTA (read-only column).
struct GridFixture : ::testing::Test {
    GridFixture() : installed(dialogs), ds("cdsAtividades"), source(&ds) {
        ds.addField(FieldDef{.name = "HORAINI",
                             .size = 8,
                             .label = "Hora Início",
                             .displayWidth = 12,
                             .editMask = kTimeMask});
        ds.addField(FieldDef{.name = "HORAFIN",
                             .size = 8,
                             .label = "Hora Término",
                             .displayWidth = 12,
                             .editMask = kTimeMask});
        ds.addField(FieldDef{.name = "NRTAREFA", .size = 10, .label = "Tarefa"});
        ds.addField(
            FieldDef{.name = "DSREFETAREFA", .size = 100, .label = "Descrição", .visible = false});
        ds.addField(
            FieldDef{.name = "DTHFAPATIVTA", .type = FieldType::DateTime, .label = "Fim Ap."});
        ds.addField(FieldDef{.name = "QTHRAPRO", .size = 8, .label = "Duração"});

        auto* layout = new QVBoxLayout(&window);
        grid = new DBGrid(&window);
        other = new QLineEdit(&window);
        layout->addWidget(grid);
        layout->addWidget(other);
        grid->setDataSource(&source);
        grid->setOptions(DBGrid::defaultOptions() | DBGrid::Option::AlwaysShowSelection);
        grid->setColumns({{QStringLiteral("NRTAREFA"), 120, {}, false, ColumnButtonStyle::Ellipsis},
                          {QStringLiteral("HORAINI"), 66},
                          {QStringLiteral("HORAFIN"), 75},
                          {QStringLiteral("QTHRAPRO"), 71},
                          {QStringLiteral("DTHFAPATIVTA"), 0, {}, true}});
        focus = new platform::ui::FocusManager(&window);
        window.resize(700, 300);
    }

    void SetUp() override {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    /// Loads `rows` rows: task "T<n>", 08:00-09:00, 09:00-10:00 …
    void load(int rows) {
        DataPacket p;
        p.fields = ds.fieldDefs();
        for (int i = 0; i < rows; ++i) {
            const auto two = [](int n) { return (n < 10 ? "0" : "") + std::to_string(n); };
            p.rows.push_back({Value(two(8 + i) + ":00:00"), Value(two(9 + i) + ":00:00"),
                              Value("T" + std::to_string(i + 1)),
                              Value("Tarefa " + std::to_string(i + 1)),
                              Value(DateTime{2026, 12, 8, 9 + i, 0, 0}), Value("01:00:00")});
        }
        ds.load(std::move(p));
    }

    /// Keys go where the keyboard focus is, as a user's keys do.
    static QWidget* focused() { return QApplication::focusWidget(); }
    static void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(focused(), key, mods);
    }
    static void type(const QString& text) { QTest::keyClicks(focused(), text); }

    void click(int row, int column) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->cellRect(row, column).center());
    }
    void focusGrid() {
        grid->setFocus();
        QApplication::processEvents();
    }
    std::string text(const char* field) const { return ds.fieldByName(field).text(); }

    platform::ui::ScriptedDialogService dialogs;
    platform::ui::ScopedDialogService installed;
    DataSet ds;
    DataSource source;
    QWidget window;
    DBGrid* grid = nullptr;
    QLineEdit* other = nullptr;
    platform::ui::FocusManager* focus = nullptr;
};

}  // namespace dbtest
