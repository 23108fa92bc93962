#include "screen_fixture.h"

#include <QApplication>
#include <QElapsedTimer>

#include "framework/application.h"
#include "framework/busy.h"
#include "framework/corvix.h"
#include "framework/date_edit_plus.h"
#include "framework/net_connection.h"
#include "framework/remote_call.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/focus_manager.h"
#include "protocol/apropriacao.h"
#include "screen/cli_zep00700.h"

namespace screen_testing {

OtherClient::OtherClient() {
    net_.setHost(framework::WebURL());
    net_.setPort(framework::WebPort());
    const std::string_view server = protocol::apropriacao::module.name;
    net_.setServerName(QString::fromUtf8(server.data(), static_cast<qsizetype>(server.size())));
}

void OtherClient::loadDay(platform::dataset::DataSet& rows,
                          const platform::dataset::DateTime& day) {
    rows.load(net_.AppServer().call(
        protocol::apropriacao::getAtividades,
        {QStringLiteral("000000000101"), QStringLiteral("0001"), framework::RemoteArg::date(day)}));
}

void OtherClient::save(const platform::dataset::DataSet& rows) {
    net_.AppServer().call(protocol::apropriacao::setAtividades,
                          {framework::RemoteArg::delta(rows.changePacket())});
}

std::unique_ptr<ScreenServer> ScreenTest::server;

void ScreenTest::SetUpTestSuite() {
    server = std::make_unique<ScreenServer>();
}

void ScreenTest::TearDownTestSuite() {
    server.reset();
}

void ScreenTest::SetUp() {
    area = new QMdiArea;
    window.setCentralWidget(area);
    window.resize(1000, 750);
    window.show();
    framework::Application().SetMainForm(&window, area);
    Cli_Zep00700::UnitInitialization();
    Cli_Zep00700::boFiltrado = false;
    framework::NetScript::reset();
}

void ScreenTest::TearDown() {
    screen.reset();
    framework::Application().DestroyForms();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    framework::Application().SetMainForm(nullptr, nullptr);
    Cli_Zep00700::UnitFinalization();
    Cli_Zep00700::frmApropriacao = nullptr;
    framework::NetScript::reset();
}

Screen& ScreenTest::open(const QString& user, const QString& password) {
    server->logIn(user, password);
    framework::TApplication& app = framework::Application();
    form = app.CreateForm(Cli_Zep00700::frmApropriacao);
    screen = std::make_unique<Screen>(*form);
    Cli_Zep00700::boIdCriado = true;
    app.ShowChild(form);
    QElapsedTimer waited;
    waited.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    } while (waited.elapsed() < 100 || (framework::busyShowing() && waited.elapsed() < 10000));
    return *screen;
}

void ScreenTest::pump(int ms) {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void ScreenTest::loadDay(const platform::dataset::DateTime& day) {
    screen->depAgenda->SetDate(day);
    // As the focus manager runs it: a failure is shown.
    platform::ui::dispatch([&] { screen->panFiltroExit(); });
}

void ScreenTest::workOn(const platform::dataset::DateTime& day) {
    screen->focusManager().setFocusTo(screen->depAgenda);
    screen->depAgenda->SetDate(day);
    screen->focusManager().setFocusTo(screen->dbgAtividades);
}

int ScreenTest::calls(const char* method) {
    return framework::NetScript::callCount(method);
}

}  // namespace screen_testing
