#pragma once

#include <gtest/gtest.h>

#include <QMainWindow>
#include <QMdiArea>

#include <memory>

#include "framework/net_connection.h"
#include "platform/dataset/data_set.h"
#include "platform/dataset/datetime.h"
#include "platform/ui/scripted_dialog_service.h"
#include "screen/frm_apropriacao.h"
#include "screen/frm_apropriacao_access.h"
#include "screen_server.h"

namespace screen_testing {

/// A second client of the same server: its own connection, the same login.
class OtherClient {
public:
    OtherClient();
    /// Loads Ana's day into `rows` (declared like the screen's).
    void loadDay(platform::dataset::DataSet& rows, const platform::dataset::DateTime& day);
    void save(const platform::dataset::DataSet& rows);

private:
    framework::TNetConnection net_;
};

/// The screen as the tests reach it.
using Screen = Cli_Zep00700::TfrmApropriacaoAccess;

/// The screen opened as the module opens it, in a main window, against the
/// shared seeded server, logged in as `user` (Ana Souza by default).
class ScreenTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    /// Creates and shows the screen; its first activation runs. Logs in first.
    Screen& open(const QString& user = QStringLiteral("000000000101"),
                 const QString& password = QStringLiteral("senha101"));
    /// Lets queued events run for at least `ms` milliseconds.
    static void pump(int ms = 50);
    /// Runs the day load for `day` as leaving the filter does (a failure is shown).
    void loadDay(const platform::dataset::DateTime& day);
    /// As a user would: the focus into depAgenda (leaving medCdOper checks
    /// the operator and loads the year), `day` typed, then the focus to the
    /// grid, which loads the day.
    void workOn(const platform::dataset::DateTime& day);
    QStringList errors() const {
        return dialogs.texts(platform::ui::ScriptedDialogService::Kind::Error);
    }
    static int calls(const char* method);

    static std::unique_ptr<ScreenServer> server;
    platform::ui::ScriptedDialogService dialogs;
    platform::ui::ScopedDialogService installed{dialogs};
    QMainWindow window;
    QMdiArea* area = nullptr;
    Cli_Zep00700::TfrmApropriacao* form = nullptr;
    /// The opened screen's parts (null before open()).
    std::unique_ptr<Screen> screen;
};

}  // namespace screen_testing
