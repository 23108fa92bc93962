// Benchmark of the appropriation screen against a real appserver on
// loopback: the time from IniProc to the end of the first activation, the
// time of a day load (panFiltroExit with its remote calls and the controls
// refreshed), and of a save and a delete (the posting checks, the change
// sent, the refresh and the day load), each with the remote calls it made
// and the part of it spent waiting for them, and of the day screen's two
// shortcuts (shortcuts_bench.h); then the repaint of the appropriation grid
// holding a day of 200 rows; last the summary screen's opening on a team of
// 50 and its chart's redraw. The login is done once, before anything is timed.
#include <CLI/CLI.hpp>

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMdiArea>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "appserver_process.h"
#include "bench_database.h"
#include "entry/cria_apropriacao.h"
#include "framework/application.h"
#include "framework/corvix.h"
#include "framework/date_edit_plus.h"
#include "framework/net_connection.h"
#include "grid_repaint.h"
#include "platform/dataset/errors.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/ui/focus_manager.h"
#include "platform/ui/masked_edit.h"
#include "platform/ui/scripted_dialog_service.h"
#include "screen/cli_zep00700.h"
#include "screen/frm_apropriacao_access.h"
#include "shortcuts_bench.h"
#include "summary_open.h"

using TfrmApropriacao = Cli_Zep00700::TfrmApropriacaoAccess;

namespace {

struct Options {
    long long rows = 1000000;
    int activations = 20;
    int dayLoads = 200;
    int saves = 50;
    int repaints = 200;
    int summaryOpenings = 20;
    int chartRedraws = 200;
    int copies = 20;
    int fills = 200;
    std::string folder = (std::filesystem::temp_directory_path() / "screen-bench").string();
    std::string appserver = APROP_APPSERVER;
    unsigned seed = 7;
};

/// The remote methods the screen calls when it opens, loads a day and saves.
const std::vector<std::string> kMethods = {
    "GetCtrlAcesso", "GetOperEquip",  "getHoraServidor", "GetDatas",    "getAtividades",
    "getTotApro",    "getPonto",      "GetTotPontoReal", "getVdTarefa", "getVdAtiv",
    "getApropria",   "SetAtividades", "GetUpdateAtiv"};

int totalCalls() {
    int total = 0;
    for (const auto& m : kMethods) total += framework::NetScript::callCount(m);
    return total;
}

std::string callBreakdown() {
    std::string text;
    for (const auto& m : kMethods) {
        const int n = framework::NetScript::callCount(m);
        if (n == 0) continue;
        if (!text.empty()) text += ", ";
        text += m + " " + std::to_string(n);
    }
    return text;
}

struct Sample {
    double ms = 0;
    int calls = 0;
    /// Of ms, the part spent processing the events left behind (painting).
    double eventsMs = 0;
    /// Of ms, the part spent waiting for the remote calls.
    double remoteMs = 0;
};

struct Summary {
    double median = 0, p90 = 0, min = 0, max = 0;
    int callsMin = 0, callsMax = 0;
};

Summary summarise(const std::vector<Sample>& samples) {
    Summary s;
    if (samples.empty()) return s;
    std::vector<double> ms;
    s.callsMin = s.callsMax = samples.front().calls;
    for (const auto& x : samples) {
        ms.push_back(x.ms);
        s.callsMin = std::min(s.callsMin, x.calls);
        s.callsMax = std::max(s.callsMax, x.calls);
    }
    std::sort(ms.begin(), ms.end());
    s.median = ms[ms.size() / 2];
    s.p90 = ms[std::min(ms.size() - 1, ms.size() * 9 / 10)];
    s.min = ms[0];
    s.max = ms[ms.size() - 1];
    return s;
}

void printSummary(const char* what, const std::vector<Sample>& samples, double goalMs) {
    const Summary s = summarise(samples);
    const std::string calls = s.callsMin == s.callsMax
                                  ? std::to_string(s.callsMin)
                                  : std::to_string(s.callsMin) + "–" + std::to_string(s.callsMax);
    std::printf(
        "%-18s median %7.2f ms  p90 %7.2f ms  (min %.2f, max %.2f, %zu runs)  remote calls %s"
        "  goal %.0f ms: %s\n",
        what, s.median, s.p90, s.min, s.max, samples.size(), calls.c_str(), goalMs,
        s.median <= goalMs ? "met" : "NOT met");
}

double elapsedMs(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

void failOnMessages(const platform::ui::ScriptedDialogService& dialogs, const char* during) {
    const QStringList errors = dialogs.texts(platform::ui::ScriptedDialogService::Kind::Error);
    if (!errors.isEmpty())
        throw std::runtime_error(std::string("the screen showed an error during ") + during + ": " +
                                 errors.front().toStdString());
}

/// The screen as the host leaves it between openings: none created.
void releaseScreen() {
    framework::Application().DestroyForms();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Cli_Zep00700::UnitFinalization();
    Cli_Zep00700::frmApropriacao = nullptr;
    Cli_Zep00700::UnitInitialization();
}

/// IniProc up to the end of the first activation's work (the year load
/// done) and the events it left behind processed: painting included.
[[gnu::noinline]] Sample openScreen(platform::ui::ScriptedDialogService& dialogs) {
    framework::NetScript::reset();
    QElapsedTimer t;
    t.start();
    Cli_Zep00700::IniProc();
    while (Cli_Zep00700::boPrimVez) {
        if (t.elapsed() > 30000)
            throw std::runtime_error("the first activation did not end within 30 s");
        failOnMessages(dialogs, "the first activation");
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QCoreApplication::processEvents();
    Sample s{elapsedMs(t), totalCalls()};
    failOnMessages(dialogs, "the first activation");
    return s;
}

/// The timed part of a day load, in a function of its own so that a
/// profiler can be pointed at it alone (callgrind's --toggle-collect).
[[gnu::noinline]] Sample timedDayLoad(TfrmApropriacao& form) {
    framework::NetScript::reset();
    QElapsedTimer t;
    t.start();
    form.panFiltroExit();
    const double handlerMs = elapsedMs(t);
    QCoreApplication::processEvents();
    Sample s{elapsedMs(t), totalCalls()};
    s.eventsMs = s.ms - handlerMs;
    s.remoteMs = framework::NetScript::callSeconds() * 1000.0;
    return s;
}

/// One day of one operator, as leaving the filter loads it.
Sample loadDay(TfrmApropriacao& form, const QString& operatorCode,
               const platform::dataset::DateTime& day,
               platform::ui::ScriptedDialogService& dialogs) {
    form.medCdOper->setText(operatorCode);
    form.depAgenda->SetDate(day);
    QCoreApplication::processEvents();
    const Sample s = timedDayLoad(form);
    failOnMessages(dialogs, "a day load");
    if (!Cli_Zep00700::boFiltrado || form.cdsAtividades.recordCount() != screen_bench::kRowsPerDay)
        throw std::runtime_error("the day load of " + operatorCode.toStdString() + " on " +
                                 day.toIso() + " did not show the day's " +
                                 std::to_string(screen_bench::kRowsPerDay) + " appropriations");
    return s;
}

/// A free hour of every filled operator-day (its rows lie from 08:00 to 12:50).
constexpr const char* kFreeStart = "13:00:00";
constexpr const char* kFreeEnd = "13:50:00";

/// Posts, turning a refusal the screen showed into an error naming it.
void postOrExplain(platform::dataset::DataSet& rows,
                   const platform::ui::ScriptedDialogService& dialogs) {
    try {
        rows.post();
    } catch (const platform::dataset::Abort&) {
        const auto& shown = dialogs.shown();
        throw std::runtime_error(
            "the screen refused the save: " +
            (shown.empty() ? std::string("(nothing shown)") : shown.back().text.toStdString()));
    }
}

Sample finish(const QElapsedTimer& t, platform::ui::ScriptedDialogService& dialogs,
              const char* what) {
    QCoreApplication::processEvents();
    Sample s{elapsedMs(t), totalCalls()};
    s.remoteMs = framework::NetScript::callSeconds() * 1000.0;
    failOnMessages(dialogs, what);
    return s;
}

/// A new row in the loaded day's free hour, posted: the posting checks,
/// SetAtividades, the refresh, the day load and the cursor put back. Timed
/// from the post: what a user typed has been on screen since he typed it
/// (the event loop runs between keystrokes), so it is drawn before the
/// clock starts, as it would be.
Sample saveNewRow(TfrmApropriacao& form, platform::ui::ScriptedDialogService& dialogs) {
    platform::dataset::DataSet& rows = form.cdsAtividades;
    form.sbtIncluirClick();
    rows.fieldByName("NRTAREFA").setText("1");
    rows.fieldByName("NRPLATIVTARE").setText("1");
    rows.fieldByName("HORAINI").setText(kFreeStart);
    rows.fieldByName("HORAFIN").setText(kFreeEnd);
    QCoreApplication::processEvents();
    framework::NetScript::reset();
    QElapsedTimer t;
    t.start();
    postOrExplain(rows, dialogs);
    const Sample s = finish(t, dialogs, "a save");
    if (rows.recordCount() != screen_bench::kRowsPerDay + 1 || rows.changeCount() != 0)
        throw std::runtime_error("the saved row is not among the reloaded day's rows");
    return s;
}

/// The row saveNewRow added, deleted: SetAtividades, the refresh and the day load.
Sample deleteNewRow(TfrmApropriacao& form, platform::ui::ScriptedDialogService& dialogs) {
    platform::dataset::DataSet& rows = form.cdsAtividades;
    if (!rows.locate("HORAINI", platform::dataset::Value(std::string(kFreeStart))))
        throw std::runtime_error("the saved row is not there to delete");
    QCoreApplication::processEvents();  // the row the user picks is shown picked
    framework::NetScript::reset();
    QElapsedTimer t;
    t.start();
    rows.deleteRecord();
    const Sample s = finish(t, dialogs, "a delete");
    if (rows.recordCount() != screen_bench::kRowsPerDay)
        throw std::runtime_error("the deleted row is still among the day's rows");
    return s;
}

void printRemoteSplit(const std::vector<Sample>& samples) {
    std::vector<Sample> remote, screen;
    for (const auto& x : samples) {
        remote.push_back({x.remoteMs, 0});
        screen.push_back({x.ms - x.remoteMs, 0});
    }
    const Summary r = summarise(remote), w = summarise(screen);
    std::printf(
        "%-18s of which waiting for the remote calls median %.2f ms (p90 %.2f), the screen's own"
        " work median %.2f ms (p90 %.2f)\n",
        "", r.median, r.p90, w.median, w.p90);
}

int run(const Options& o, QApplication& /*app*/) {
    const auto database = screen_bench::preparedDatabase(o.folder, o.rows);
    aprop_testing::AppServerProcess server(
        QString::fromStdString(o.appserver),
        {QStringLiteral("--db"),
         QStringLiteral("sqlite:") + QString::fromStdString(database.string()),
         QStringLiteral("--clock"), QString::fromLatin1(screen_bench::kServerNow)});
    std::printf("appserver on 127.0.0.1:%d, its clock from %s\n", server.port(),
                screen_bench::kServerNow);

    // The login, once and untimed, as the host does before any screen opens.
    const QString host = QStringLiteral("127.0.0.1");
    const framework::LoginAnswer answer = framework::ServerLogin(
        host, server.port(), QString::fromLatin1(screen_bench::kUser),
        QString::fromLatin1(screen_bench::kPassword), QStringLiteral("0001"));
    framework::LoginValues values;
    values.operador = answer.user;
    values.nomeOperador = answer.name;
    values.filial = answer.branch;
    values.webURL = host;
    values.webPort = server.port();
    values.sessionToken = answer.token;
    framework::SetLoginValues(values);

    platform::ui::ScriptedDialogService dialogs;
    platform::ui::ScopedDialogService installed{dialogs};
    QMainWindow window;
    auto* area = new QMdiArea;
    window.setCentralWidget(area);
    window.resize(1000, 750);
    window.show();
    framework::Application().SetMainForm(&window, area);
    Cli_Zep00700::UnitInitialization();

    // The first opening in the process pays for loading resources and the
    // first connection; it is shown apart from the repeated ones.
    const Sample cold = openScreen(dialogs);
    const std::string openCalls = callBreakdown();
    releaseScreen();
    std::vector<Sample> openings;
    for (int i = 0; i < o.activations; ++i) {
        openings.push_back(openScreen(dialogs));
        if (i + 1 < o.activations) releaseScreen();
    }

    TfrmApropriacao screen(*Cli_Zep00700::frmApropriacao);
    TfrmApropriacao* form = &screen;
    // Where a user works on the day: in the grid, the filter left (untimed).
    form->focusManager().setFocusTo(form->dbgAtividades);
    QCoreApplication::processEvents();
    std::mt19937 rng(o.seed);
    std::uniform_int_distribution<int> anyOperator(0, screen_bench::kOperators - 1);
    std::uniform_int_distribution<long long> anyDay(0, screen_bench::filledDayCount(o.rows) - 1);
    const platform::dataset::DateTime first = screen_bench::firstFilledDay(o.rows);
    std::vector<Sample> days;
    std::string dayCalls;
    for (int i = 0; i < o.dayLoads; ++i) {
        const QString code =
            QStringLiteral("%1").arg(100000 + anyOperator(rng), 12, 10, QLatin1Char('0'));
        days.push_back(loadDay(*form, code, first.addDays(anyDay(rng)), dialogs));
        if (i == 0) dayCalls = callBreakdown();
    }

    // Each save is undone by a delete, so a cached database stays as filled.
    std::vector<Sample> saves, deletes;
    std::string saveCalls, deleteCalls;
    for (int i = 0; i < o.saves; ++i) {
        const QString code =
            QStringLiteral("%1").arg(100000 + anyOperator(rng), 12, 10, QLatin1Char('0'));
        loadDay(*form, code, first.addDays(anyDay(rng)), dialogs);
        saves.push_back(saveNewRow(*form, dialogs));
        if (i == 0) saveCalls = callBreakdown();
        deletes.push_back(deleteNewRow(*form, dialogs));
        if (i == 0) deleteCalls = callBreakdown();
    }
    screen_bench::measureShortcuts(*form, dialogs, o.copies, o.fills);
    screen_bench::measureGridRepaint(*form, o.repaints);
    failOnMessages(dialogs, "the grid's repaints");
    releaseScreen();
    screen_bench::measureSummary(dialogs, o.summaryOpenings, o.chartRedraws);
    framework::Application().SetMainForm(nullptr, nullptr);
    framework::SetLoginValues({});

    std::printf("\n%lld appropriations, %d operators, %lld days; login not counted\n", o.rows,
                screen_bench::kOperators, screen_bench::filledDayCount(o.rows));
    std::printf("%-18s %7.2f ms  remote calls %d (%s)\n", "first opening", cold.ms, cold.calls,
                openCalls.c_str());
    printSummary("first activation", openings, 20);
    printSummary("day load", days, 4);
    std::printf("%-18s remote calls: %s\n", "", dayCalls.c_str());
    std::vector<Sample> handler, events;
    for (const auto& d : days) {
        handler.push_back({d.ms - d.eventsMs, d.calls, 0});
        events.push_back({d.eventsMs, 0, 0});
    }
    const Summary h = summarise(handler), e = summarise(events);
    std::printf(
        "%-18s of which panFiltroExit median %.2f ms (p90 %.2f), the events after it median %.2f ms"
        " (p90 %.2f)\n",
        "", h.median, h.p90, e.median, e.p90);
    printRemoteSplit(days);
    printSummary("save", saves, 10);
    std::printf("%-18s remote calls: %s\n", "", saveCalls.c_str());
    printRemoteSplit(saves);
    printSummary("delete", deletes, 8);
    std::printf("%-18s remote calls: %s\n", "", deleteCalls.c_str());
    printRemoteSplit(deletes);
    return 0;
}

}  // namespace

// What the benchmark does not handle itself ends it with its message (and
// status 1), not through std::terminate.
int main(int argc, char** argv) try {
    Options o;
    CLI::App cli{"Benchmark of the appropriation screen against a real appserver on loopback"};
    cli.add_option("--rows", o.rows, "Appropriations in the database (at least 5000)")
        ->capture_default_str();
    cli.add_option("--activations", o.activations,
                   "Openings to measure, after a first (cold) opening reported apart")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    cli.add_option("--day-loads", o.dayLoads, "Day loads to measure, on random operator-days")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    cli.add_option("--saves", o.saves,
                   "Saves of a new row, each followed by its delete, on random operator-days")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    cli.add_option("--repaints", o.repaints,
                   "Repaints of the 200-row grid to measure for each figure")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    cli.add_option("--summary-openings", o.summaryOpenings,
                   "Openings of the summary to measure, after a first (cold) one reported apart")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    cli.add_option("--chart-redraws", o.chartRedraws,
                   "Redraws of the summary's chart to measure, each on another operator")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    cli.add_option("--copies", o.copies,
                   "Copies of a 10-row day onto an empty day to measure, each on another operator")
        ->check(CLI::Range(1, 1000))
        ->capture_default_str();
    cli.add_option("--fills", o.fills, "Rows filled from the punches to measure")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    cli.add_option("--folder", o.folder,
                   "Where the filled databases are kept, one for each row count")
        ->capture_default_str();
    cli.add_option("--appserver", o.appserver, "The appserver program")->capture_default_str();
    cli.add_option("--seed", o.seed, "Seed of the random operator-days")->capture_default_str();
    CLI11_PARSE(cli, argc, argv);

    QApplication app(argc, argv);
    try {
        return run(o, app);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "screen_bench: %s\n", e.what());
        return 1;
    }
} catch (const std::exception& e) {
    std::fprintf(stderr, "screen_bench: %s\n", e.what());
    return 1;
}
