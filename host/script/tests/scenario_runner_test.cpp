// The runner against a small screen built on the framework's base screen,
// shown in an MDI area as the host shows the real one.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "framework/application.h"
#include "framework/busy.h"
#include "framework/net_connection.h"
#include "framework/padrao_simples.h"
#include "host/script/scenario.h"
#include "host/script/scenario_runner.h"
#include "platform/dataset/data_set.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/dbcontrols/grid_canvas.h"
#include "platform/ui/dialog_service.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/focus_manager.h"

namespace {

using host::script::parseScenario;
using host::script::runScenario;

/// A screen with an edit, a label, a button that asks before acting, a
/// button that reports an error, and a grid over its data set.
class ItensScreen : public framework::TfrmPadraoSimples {
public:
    explicit ItensScreen(QWidget* parent = nullptr) : TfrmPadraoSimples(parent) {
        setObjectName(QStringLiteral("frmItens"));
        setWindowTitle(QStringLiteral("Cadastro de Itens"));
        cds.addField({.name = "CODIGO", .size = 4, .label = "Código"});
        cds.addField({.name = "NOME", .size = 30, .label = "Nome"});
        cds.addField({.name = "QTHRAPRO", .size = 8, .label = "Duração"});
        dtsPadrao.setDataSet(&cds);
        registerDataSet(QStringLiteral("cdsItens"), &cds);

        auto* layout = new QVBoxLayout(clientArea());
        edtNome = new QLineEdit(clientArea());
        edtNome->setObjectName(QStringLiteral("edtNome"));
        edtNome->setToolTip(QStringLiteral("Nome do item"));
        lblAviso = new QLabel(QStringLiteral("Pronto"), clientArea());
        lblAviso->setObjectName(QStringLiteral("lblAviso"));
        auto* btnLimpar = new QPushButton(QStringLiteral("Limpar"), clientArea());
        btnLimpar->setObjectName(QStringLiteral("btnLimpar"));
        auto* btnErro = new QPushButton(QStringLiteral("Erro"), clientArea());
        btnErro->setObjectName(QStringLiteral("btnErro"));
        auto* btnBusca = new QPushButton(QStringLiteral("Buscar"), clientArea());
        btnBusca->setObjectName(QStringLiteral("btnBusca"));
        layout->addWidget(btnBusca);
        QObject::connect(btnBusca, &QPushButton::clicked, this, [this] {
            platform::ui::dispatch([this] {
                platform::ui::PickList list{QStringLiteral("Itens"), {QStringLiteral("Nome")}, {}};
                list.rows = {{QStringLiteral("Parafuso")}, {QStringLiteral("Porca")}};
                const std::optional<int> row = platform::ui::dialogs().pick(list);
                lblAviso->setText(row ? list.rows.at(static_cast<std::size_t>(*row)).at(0)
                                      : QStringLiteral("Cancelado"));
            });
        });
        dbgItens = new platform::dbcontrols::DBGrid(clientArea());
        dbgItens->setObjectName(QStringLiteral("dbgItens"));
        dbgItens->setDataSource(&dtsPadrao);
        dbgItens->setColumns({{QStringLiteral("CODIGO"),
                               80,
                               {},
                               false,
                               platform::dbcontrols::ColumnButtonStyle::Ellipsis},
                              {QStringLiteral("NOME"), 200},
                              {QStringLiteral("QTHRAPRO"), 80}});
        dbgItens->onEditButtonClick = [this](platform::dbcontrols::DBGrid&) {
            lblAviso->setText(QStringLiteral("Busca do código"));
        };
        // "Porca" is drawn red and bold, with a bitmap in its duration cell.
        marker.fill(Qt::blue);
        dbgItens->onDrawColumnCell = [this](platform::dbcontrols::DBGrid&,
                                            platform::dbcontrols::Canvas& canvas, const QRect& rect,
                                            int column, platform::dbcontrols::DBGridColumn&,
                                            platform::dbcontrols::DBGrid::DrawState) {
            if (cds.fieldByName("NOME").text() != "Porca") return;
            canvas.fillRect(rect);
            canvas.setFontColor(Qt::red);
            canvas.setFontBold(true);
            const platform::dataset::Field& field = cds.field(column);
            if (column == 2) canvas.brushCopy(rect, marker, marker.rect(), Qt::white);
            canvas.textRect(rect, rect.left() + 20, rect.top() + 2,
                            QString::fromStdString(field.displayText()));
        };
        // Leaving the name with "?" in it is refused, as a validation would.
        focusManager().setOnExit(edtNome, [this] {
            if (edtNome->text().contains(QLatin1Char('?')))
                throw std::runtime_error("Nome inválido.");
        });
        for (QWidget* w :
             std::initializer_list<QWidget*>{edtNome, lblAviso, btnLimpar, btnErro, dbgItens}) {
            layout->addWidget(w);
        }
        QObject::connect(btnLimpar, &QPushButton::clicked, this, [this] {
            platform::ui::dispatch([this] {
                if (platform::ui::dialogs().confirm(QStringLiteral("Limpar o nome?")))
                    edtNome->clear();
            });
        });
        QObject::connect(btnErro, &QPushButton::clicked, this, [] {
            platform::ui::dialogs().error(QStringLiteral("Item \"A\" não cadastrado."));
        });
        Create();
        platform::dataset::DataPacket packet{cds.fieldDefs(), {}};
        for (const char* nome : {"Parafuso", "Porca", "Arruela"}) {
            packet.rows.push_back({std::string("00") + std::to_string(packet.rows.size() + 1),
                                   std::string(nome), std::string("01:00:00")});
        }
        cds.load(packet);
        resize(500, 400);
    }
    ~ItensScreen() override { BeforeDestruction(); }

    platform::dataset::DataSet cds{"cdsItens"};
    QImage marker{8, 8, QImage::Format_RGB32};
    QLineEdit* edtNome = nullptr;
    QLabel* lblAviso = nullptr;
    platform::dbcontrols::DBGrid* dbgItens = nullptr;
};

ItensScreen* g_screen = nullptr;
/// The screen while it exists (the creation reference is not cleared when it is freed).
QPointer<ItensScreen> g_live;

void openItens() {
    if (!g_live) g_live = framework::Application().CreateForm(g_screen);
    framework::Application().ShowChild(g_live);
}

void destroyScreens() {
    framework::Application().DestroyForms();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    g_screen = nullptr;
}

class ScenarioRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.setObjectName(QStringLiteral("frmPrincipal"));
        window.setCentralWidget(area);
        window.resize(800, 600);
        framework::Application().SetMainForm(&window, area);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        host.mainWindow = &window;
        host.mdiArea = area;
        host.openScreen = openItens;
        framework::NetScript::reset();
    }
    void TearDown() override {
        destroyScreens();
        framework::Application().SetMainForm(nullptr, nullptr);
    }

    /// Runs `text` as the scenario "s.txt" from no screen open; the report goes to `out`.
    int run(const char* text) {
        destroyScreens();
        out.str({});
        return runScenario(parseScenario(QString::fromUtf8(text), QStringLiteral("s.txt")), host,
                           out, {std::chrono::milliseconds(5000), std::chrono::milliseconds(20)});
    }

    QMainWindow window;
    QMdiArea* area = new QMdiArea(&window);
    host::script::ScenarioHost host;
    std::ostringstream out;
};

TEST_F(ScenarioRunnerTest, MovesAndExpectationsThatHoldEndWithZeroAndNoReport) {
    const int status = run(R"(
open
expect caption frmItens "Cadastro de Itens"
expect windowstate normal
expect busy no
expect cursor default
expect hint edtNome "Nome do item"
expect text lblAviso "Pronto"
expect caption sbtFechar ""
expect enabled sbtAjuda yes
expect enabled sbtConfirmar no
expect visible edtNome yes
focus edtNome
expect focus edtNome
type "Porca ""sextavada"" ç"
expect text edtNome "Porca ""sextavada"" ç"
answer yes
click btnLimpar
expect message "Limpar o nome?"
expect text edtNome ""
expect no message
expect state cdsItens browse
expect rows dbgItens 3
row dbgItens 2
expect recno cdsItens 2
expect field cdsItens NOME "Porca"
expect cell dbgItens 3 NOME "Arruela"
expect focus dbgItens.CODIGO
key Down
expect recno cdsItens 3
expect readonly dbgItens.NOME no
expect button dbgItens.NOME no
expect button dbgItens.CODIGO yes
maximize
expect windowstate maximized
minimize
expect windowstate minimized
restore
expect windowstate normal
focus edtNome
deactivate
activate
expect focus edtNome
expect windowstate normal
fail getNada 2
expect calls getNada 0
reset calls
expect calls getNada 0
)");
    EXPECT_EQ(status, 0) << out.str();
    EXPECT_EQ(out.str(), "");
}

TEST_F(ScenarioRunnerTest, AFailedExpectationReportsFileLineCommandAndWhatWasSeenAndStops) {
    const int status =
        run("open\n# a comment\nexpect text lblAviso \"Feito\"\nexpect text lblAviso \"Outro\"\n");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out.str(), "s.txt:3: expect text lblAviso \"Feito\"\n  saw: the text \"Pronto\"\n");
}

TEST_F(ScenarioRunnerTest, MessagesAreExpectedOldestFirstAndOnlyOnce) {
    EXPECT_EQ(run("open\nclick btnErro\nclick btnErro\nexpect message \"Item \"\"A\"\" não "
                  "cadastrado.\"\n"
                  "expect message \"Item \"\"A\"\" não cadastrado.\"\nexpect no message\n"),
              0)
        << out.str();

    EXPECT_EQ(run("open\nclick btnErro\nexpect no message\n"), 1);
    EXPECT_NE(out.str().find("saw: the error \"Item \"\"A\"\" não cadastrado.\""),
              std::string::npos)
        << out.str();

    // After a failure, the messages not yet expected are listed as clues.
    EXPECT_EQ(run("open\nclick btnErro\nexpect text lblAviso \"Feito\"\n"), 1);
    EXPECT_EQ(out.str(),
              "s.txt:3: expect text lblAviso \"Feito\"\n  saw: the text \"Pronto\"\n"
              "note: error not expected: \"Item \"A\" não cadastrado.\"\n");

    EXPECT_EQ(run("open\nexpect message \"Algo\"\n"), 1);
    EXPECT_NE(out.str().find("saw: no message waiting"), std::string::npos) << out.str();

    // A message whose end varies (a port, a time) is expected by its start.
    EXPECT_EQ(run("open\nclick btnErro\nexpect message starting \"Item \"\"A\"\"\"\n"), 0)
        << out.str();
    EXPECT_EQ(run("open\nclick btnErro\nexpect message starting \"cadastrado\"\n"), 1);
    EXPECT_NE(out.str().find("saw: the error"), std::string::npos) << out.str();
}

TEST_F(ScenarioRunnerTest, AQuestionWithoutAnAnswerFailsAtTheMoveThatRaisedIt) {
    EXPECT_EQ(run("open\nfocus edtNome\ntype \"x\"\nclick btnLimpar\nexpect text edtNome \"x\"\n"),
              1);
    EXPECT_EQ(out.str().rfind(
                  "s.txt:4: click btnLimpar\n  saw: a question without a fitting answer: ", 0),
              0u)
        << out.str();

    // A queued "no" answers it; the edit keeps its text.
    EXPECT_EQ(run("open\nfocus edtNome\ntype \"x\"\nanswer no\nclick btnLimpar\nexpect message "
                  "\"Limpar o nome?\"\n"
                  "expect text edtNome \"x\"\n"),
              0)
        << out.str();
}

TEST_F(ScenarioRunnerTest, FocusMovesAsAClickAndTabDoSoAnExitVetoKeepsTheFocus) {
    EXPECT_EQ(run(R"(open
focus edtNome
type "Porca?"
focus dbgItens.NOME
expect message "Nome inválido."
expect focus edtNome
key Backspace
key Tab
expect no message
expect focus btnLimpar
focus dbgItens.NOME
expect focus dbgItens.NOME
focus dbgItens.CODIGO
editbutton
expect text lblAviso "Busca do código"
)"),
              0)
        << out.str();
}

TEST_F(ScenarioRunnerTest, SearchListsTakeTheQueuedPickOrCancelInOrder) {
    EXPECT_EQ(
        run("open\nanswer pick 2\nanswer cancel\nclick btnBusca\nexpect text lblAviso \"Porca\"\n"
            "click btnBusca\nexpect text lblAviso \"Cancelado\"\nexpect no message\n"),
        0)
        << out.str();

    EXPECT_EQ(run("open\nanswer pick 3\nclick btnBusca\n"), 1);
    EXPECT_NE(
        out.str().find("s.txt:3: click btnBusca\n  saw: a question without a fitting answer: "),
        std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("which has 2 rows"), std::string::npos) << out.str();

    // An answer of the other kind does not answer a search list.
    EXPECT_EQ(run("open\nanswer yes\nclick btnBusca\n"), 1);
    EXPECT_NE(out.str().find("s.txt:3: click btnBusca"), std::string::npos) << out.str();
}

TEST_F(ScenarioRunnerTest, UnknownNamesAndImpossibleMovesFailWithTheReason) {
    EXPECT_EQ(run("open\nexpect enabled btnNada yes\n"), 1);
    EXPECT_EQ(
        out.str(),
        "s.txt:2: expect enabled btnNada yes\n  saw: no control named btnNada is on the screen\n");

    EXPECT_EQ(run("open\nexpect rows dbgItens 4\n"), 1);
    EXPECT_EQ(out.str(), "s.txt:2: expect rows dbgItens 4\n  saw: 3 row(s)\n");

    EXPECT_EQ(run("open\nrow dbgItens 4\n"), 1);
    EXPECT_NE(out.str().find("dbgItens has 3 row(s), no row 4"), std::string::npos) << out.str();

    EXPECT_EQ(run("open\nexpect state cdsNada browse\n"), 1);
    EXPECT_NE(out.str().find("the screen has no data set cdsNada"), std::string::npos) << out.str();

    EXPECT_EQ(run("open\nexpect cell dbgItens 1 PRECO \"1\"\n"), 1);
    EXPECT_NE(out.str().find("dbgItens has no column of field PRECO"), std::string::npos)
        << out.str();

    EXPECT_EQ(run("open\nfocus dbgItens.NOME\neditbutton\n"), 1);
    EXPECT_NE(out.str().find("the current cell of dbgItens shows no ellipsis button"),
              std::string::npos)
        << out.str();
}

TEST_F(ScenarioRunnerTest, WhatACellShowsIsCheckedAsDrawnAndEachDrawingExpectationCanFail) {
    EXPECT_EQ(run("open\n"
                  "expect cell dbgItens 2 NOME \"Porca\"\n"
                  "expect colour dbgItens 2 NOME #ff0000\n"
                  "expect bold dbgItens 2 NOME yes\n"
                  "expect cell dbgItens 3 NOME \"Arruela\"\n"
                  "expect colour dbgItens 3 NOME #000000\n"
                  "expect bold dbgItens 3 NOME no\n"
                  "expect icon dbgItens 2 yes\n"
                  "expect icon dbgItens 3 no\n"),
              0)
        << out.str();

    const std::pair<const char*, const char*> failing[] = {
        {"expect cell dbgItens 2 NOME \"Parafuso\"", "saw: the text \"Porca\""},
        {"expect colour dbgItens 2 NOME #000000", "saw: the colour #FF0000"},
        {"expect colour dbgItens 3 NOME #FF0000", "saw: the colour #000000"},
        {"expect bold dbgItens 3 NOME yes", "saw: bold: no"},
        {"expect bold dbgItens 2 CODIGO no", "saw: bold: yes"},
        {"expect cell dbgItens 4 NOME \"\"", "saw: dbgItens has 3 row(s), no row 4"},
        {"expect icon dbgItens 3 yes", "saw: icon: no"},
        {"expect icon dbgItens 2 no", "saw: icon: yes"},
    };
    for (const auto& [line, seen] : failing) {
        EXPECT_EQ(run((std::string("open\n") + line + "\n").c_str()), 1) << line;
        EXPECT_EQ(out.str(), std::string("s.txt:2: ") + line + "\n  " + seen + "\n");
    }
}

TEST_F(ScenarioRunnerTest, CloseDestroysTheScreenAndOpenBuildsAnother) {
    EXPECT_EQ(run("open\nclose\nexpect windowstate normal\n"), 1);
    EXPECT_EQ(out.str(), "s.txt:3: expect windowstate normal\n  saw: no screen is open\n");
    EXPECT_TRUE(g_live.isNull()) << "the base screen frees itself on close";
    EXPECT_TRUE(area->subWindowList().isEmpty());

    EXPECT_EQ(run("open\nfocus edtNome\ntype \"abc\"\nclose\nopen\nexpect text edtNome \"\"\n"), 0)
        << out.str();
}

TEST_F(ScenarioRunnerTest, OpenWaitsForTheBusyAnimationToEnd) {
    host.openScreen = [] {
        openItens();
        framework::ActiveShowAvi(nullptr, 1);
        // The activation's work ends later, from the event loop.
        QTimer::singleShot(150, g_live.data(), [] { framework::DeactiveShowAvi(); });
    };
    EXPECT_EQ(run("open\nexpect busy no\n"), 0) << out.str();

    host.openScreen = [] { framework::ActiveShowAvi(nullptr, 1); };
    const int status =
        runScenario(parseScenario(QStringLiteral("open\n"), QStringLiteral("s.txt")), host, out,
                    {std::chrono::milliseconds(200), std::chrono::milliseconds(20)});
    framework::DeactiveShowAvi();
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.str().find("the busy animation was still showing after 200 ms"),
              std::string::npos)
        << out.str();
}

}  // namespace
