#include "resumo_fixture.h"

#include <QApplication>
#include <QElapsedTimer>

#include "framework/application.h"
#include "framework/busy.h"
#include "platform/dataset/data_set.h"
#include "summary/cli_zep00710.h"

namespace summary_testing {

std::unique_ptr<screen_testing::ScreenServer> ResumoTest::server;

void ResumoTest::SetUpTestSuite() {
    server = std::make_unique<screen_testing::ScreenServer>(QStringLiteral(APROP_SUMMARY_SEED));
}

void ResumoTest::TearDownTestSuite() {
    server.reset();
}

void ResumoTest::SetUp() {
    area = new QMdiArea;
    window.setCentralWidget(area);
    window.resize(1200, 700);
    window.show();
    framework::Application().SetMainForm(&window, area);
    Cli_Zep00710::UnitInitialization();
}

void ResumoTest::TearDown() {
    framework::Application().DestroyForms();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    framework::Application().SetMainForm(nullptr, nullptr);
    Cli_Zep00710::UnitFinalization();
    Cli_Zep00710::frmResumoApropriacao = nullptr;
}

Cli_Zep00710::TfrmResumoApropriacao& ResumoTest::open(const QString& user) {
    server->logIn(user, QStringLiteral("senha") + user.right(3));
    framework::TApplication& app = framework::Application();
    form = app.CreateForm(Cli_Zep00710::frmResumoApropriacao);
    Cli_Zep00710::boIdCriado = true;
    app.ShowChild(form);
    app.SetWindowState(form, framework::FormWindowState::Maximized);
    pump(100);
    settle();
    return *form;
}

void ResumoTest::pump(int ms) {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void ResumoTest::settle() {
    QElapsedTimer waited;
    waited.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    } while (framework::busyShowing() && waited.elapsed() < 10000);
}

int ResumoTest::rowOf(const QString& code) const {
    platform::dataset::DataSet& rows = form->cdsResumo;
    for (int row = 0; row < rows.displayRowCount(); ++row) {
        const auto scope = rows.showDisplayRow(row);
        if (QString::fromStdString(rows.fieldByName("CDOPERADOR").text()) == code) return row;
    }
    return -1;
}

QString ResumoTest::cell(const QString& code, const char* field) const {
    const int row = rowOf(code);
    if (row < 0) return QStringLiteral("<sem linha>");
    const auto scope = form->cdsResumo.showDisplayRow(row);
    return QString::fromStdString(form->cdsResumo.fieldByName(field).text());
}

platform::dbcontrols::CellDrawing ResumoTest::drawn(const QString& code, const char* field) {
    const int row = rowOf(code);
    const int column = form->dbgResumo->columnIndex(QString::fromLatin1(field));
    EXPECT_GE(row, 0) << code.toStdString();
    EXPECT_GE(column, 0) << field;
    // Selecting its column scrolls the cell into view; the cursor stays on
    // another row when there is one, so that the cell is drawn unselected.
    form->dbgResumo->setSelectedIndex(column);
    form->cdsResumo.moveToDisplayRow(row == 0 && form->cdsResumo.displayRowCount() > 1 ? 1 : 0);
    form->dbgResumo->viewport()->repaint();
    pump(20);
    const auto drawing = form->dbgResumo->cellDrawing(row, column);
    EXPECT_TRUE(drawing.has_value()) << code.toStdString() << " " << field;
    return drawing.value_or(platform::dbcontrols::CellDrawing{});
}

}  // namespace summary_testing
