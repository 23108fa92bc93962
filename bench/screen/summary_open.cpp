#include "summary_open.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_database.h"
#include "framework/application.h"
#include "framework/busy.h"
#include "framework/net_connection.h"
#include "month_chart.h"
#include "month_summary.h"
#include "platform/ui/scripted_dialog_service.h"
#include "summary/cli_zep00710.h"
#include "summary/frm_resumo_apropriacao.h"
#include "summary_entry/cria_resumo.h"

namespace screen_bench {

namespace {

double elapsedMs(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

void failOnErrors(const platform::ui::ScriptedDialogService& dialogs, const char* during) {
    const QStringList errors = dialogs.texts(platform::ui::ScriptedDialogService::Kind::Error);
    if (!errors.isEmpty())
        throw std::runtime_error(std::string("the summary showed an error during ") + during +
                                 ": " + errors.front().toStdString());
}

void releaseSummary() {
    framework::Application().DestroyForms();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Cli_Zep00710::frmResumoApropriacao = nullptr;
    Cli_Zep00710::UnitInitialization();
}

/// The remote methods the summary calls when it opens.
int summaryCalls() {
    int total = 0;
    for (const char* method : {"GetCtrlAcesso", "GetCtrlFechamento", "GetEquipes",
                               "getHoraServidor", "GetOperadoresResumo", "GetResumoPeriodo"})
        total += framework::NetScript::callCount(method);
    return total;
}

struct Opening {
    double ms = 0;
    double remoteMs = 0;  ///< of ms, waiting for the remote calls
    int calls = 0;
};

/// IniProc up to the team's month in the grid and the events it left
/// behind processed (painting included).
Opening openSummary(platform::ui::ScriptedDialogService& dialogs) {
    framework::NetScript::reset();
    QElapsedTimer t;
    t.start();
    Cli_Zep00710::IniProc();
    const auto shown = [] {
        const auto* form = Cli_Zep00710::frmResumoApropriacao;
        return form && form->cdsResumo.active() && !framework::busyShowing();
    };
    while (!shown()) {
        if (t.elapsed() > 30000) throw std::runtime_error("the summary did not open within 30 s");
        failOnErrors(dialogs, "its opening");
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QCoreApplication::processEvents();
    const Opening opening{elapsedMs(t), framework::NetScript::callSeconds() * 1000.0,
                          summaryCalls()};
    failOnErrors(dialogs, "its opening");
    const int rows = Cli_Zep00710::frmResumoApropriacao->cdsResumo.recordCount();
    if (rows != kSummaryTeamSize)
        throw std::runtime_error("the summary opened on " + std::to_string(rows) +
                                 " operators, not the " + std::to_string(kSummaryTeamSize) +
                                 " of its team");
    return opening;
}

double median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

void print(const char* what, std::vector<double> ms, double goalMs, const std::string& note) {
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    std::printf(
        "%-18s median %7.2f ms  p90 %7.2f ms  (min %.2f, max %.2f, %zu runs)  %s  goal %.0f ms: "
        "%s\n",
        what, median, ms[std::min(ms.size() - 1, ms.size() * 9 / 10)], ms.front(), ms.back(),
        ms.size(), note.c_str(), goalMs, median <= goalMs ? "met" : "NOT met");
}

}  // namespace

void measureSummary(platform::ui::ScriptedDialogService& dialogs, int openings, int redraws) {
    Cli_Zep00710::UnitInitialization();
    const Opening cold = openSummary(dialogs);
    releaseSummary();
    std::vector<double> opened, remote, own;
    int calls = 0;
    for (int i = 0; i < openings; ++i) {
        const Opening o = openSummary(dialogs);
        opened.push_back(o.ms);
        remote.push_back(o.remoteMs);
        own.push_back(o.ms - o.remoteMs);
        calls = o.calls;
        if (i + 1 < openings) releaseSummary();
    }

    Cli_Zep00710::TfrmResumoApropriacao& form = *Cli_Zep00710::frmResumoApropriacao;
    const int days = form.resumo().daysInMonth();
    std::vector<double> redrawn;
    for (int i = 0; i < redraws; ++i) {
        QElapsedTimer t;
        t.start();
        // Another operator: the chart refilled for him, then painted.
        form.cdsResumo.moveToDisplayRow((i + 1) % kSummaryTeamSize);
        form.chtResumo->viewport()->repaint();
        redrawn.push_back(elapsedMs(t));
    }
    failOnErrors(dialogs, "the chart's redraws");
    releaseSummary();
    Cli_Zep00710::UnitFinalization();

    std::printf("\nsummary of team %s (%d operators), %d days of the server's month\n",
                kSummaryTeam, kSummaryTeamSize, days);
    std::printf("%-18s %7.2f ms  remote calls %d\n", "first opening", cold.ms, cold.calls);
    print("summary opening", opened, 50, "remote calls " + std::to_string(calls));
    std::printf(
        "%-18s of which waiting for the remote calls median %.2f ms, the screen's own work"
        " median %.2f ms\n",
        "", median(remote), median(own));
    print("chart redraw", redrawn, 10, "another operator");
}

}  // namespace screen_bench
