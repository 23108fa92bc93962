#pragma once

#include <gtest/gtest.h>

#include <QMainWindow>
#include <QMdiArea>

#include <memory>

#include "platform/dbcontrols/grid_canvas.h"
#include "platform/ui/scripted_dialog_service.h"
#include "screen_server.h"
#include "summary/frm_resumo_apropriacao.h"

namespace summary_testing {

/// Carla Dias: the summary and the closing of months, teams EQ02 and EQ01.
inline const QString kSupervisor = QStringLiteral("000000000103");
/// Ana Souza: the summary without the closing, team EQ01.
inline const QString kAna = QStringLiteral("000000000101");
/// Bruno Lima: the day screen only.
inline const QString kBruno = QStringLiteral("000000000102");
/// Eva Ramos: team EQ01, no row and no punch at all.
inline const QString kEva = QStringLiteral("000000000105");

/// The summary screen opened as its module opens it, in a main window,
/// against a real server seeded with March 2025 of team EQ01 (the server's
/// today is 2025-03-31).
class ResumoTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    /// Logs `user` in (password "senha" + the last three digits), creates
    /// and shows the screen and waits for its first load.
    Cli_Zep00710::TfrmResumoApropriacao& open(const QString& user = kSupervisor);
    static void pump(int ms = 50);
    /// Waits until no busy animation shows (bounded).
    static void settle();
    /// The row of `code` in the grid, or -1.
    int rowOf(const QString& code) const;
    /// Text of field `field` on the row of `code`.
    QString cell(const QString& code, const char* field) const;
    /// What the grid last painted in the cell of `code` and `field`, drawn
    /// unselected when the grid has another row (the grid is scrolled there
    /// and repainted first).
    platform::dbcontrols::CellDrawing drawn(const QString& code, const char* field);
    QStringList errors() const {
        return dialogs.texts(platform::ui::ScriptedDialogService::Kind::Error);
    }

    static std::unique_ptr<screen_testing::ScreenServer> server;
    platform::ui::ScriptedDialogService dialogs;
    platform::ui::ScopedDialogService installed{dialogs};
    QMainWindow window;
    QMdiArea* area = nullptr;
    Cli_Zep00710::TfrmResumoApropriacao* form = nullptr;
};

}  // namespace summary_testing
