#include "shortcuts_bench.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_database.h"
#include "framework/corvix.h"
#include "framework/date_edit_plus.h"
#include "framework/net_connection.h"
#include "framework/remote_call.h"
#include "platform/dataset/data_set.h"
#include "platform/ui/masked_edit.h"
#include "platform/ui/scripted_dialog_service.h"
#include "protocol/apropriacao.h"
#include "screen/frm_apropriacao_access.h"

namespace screen_bench {

namespace {

using platform::dataset::DateTime;
using TfrmApropriacao = Cli_Zep00700::TfrmApropriacaoAccess;

/// The day copied: the fill's kRowsPerDay from 08:00 and these from 13:00, an hour apart.
constexpr int kCopiedRows = 10;
constexpr int kAddedRows = kCopiedRows - kRowsPerDay;
/// The first gap between a filled day's rows (08:00–08:50, 09:00–09:50, ...).
constexpr const char* kFirstGap = "08:50:00";

double elapsedMs(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

int allCalls() {
    int total = 0;
    for (const protocol::Method* m : protocol::apropriacao::module.methods)
        total += framework::NetScript::callCount(std::string(m->name));
    return total;
}

void failOnErrors(const platform::ui::ScriptedDialogService& dialogs, const char* during) {
    const QStringList errors = dialogs.texts(platform::ui::ScriptedDialogService::Kind::Error);
    if (!errors.isEmpty())
        throw std::runtime_error(std::string("the screen showed an error during ") + during + ": " +
                                 errors.front().toStdString());
}

/// A connection of its own to the benchmark's server, logged in as the
/// screen is, for what is set up and removed around the timed copies.
class Direct {
public:
    explicit Direct(const platform::dataset::DataSet& like) {
        net_.setHost(framework::WebURL());
        net_.setPort(framework::WebPort());
        const std::string_view server = protocol::apropriacao::module.name;
        net_.setServerName(QString::fromUtf8(server.data(), static_cast<qsizetype>(server.size())));
        for (const platform::dataset::FieldDef& def : like.fieldDefs()) rows_.addField(def);
    }

    /// The operator's day, loaded into rows().
    platform::dataset::DataSet& day(const QString& op, const DateTime& day) {
        rows_.load(
            net_.AppServer().call(protocol::apropriacao::getAtividades,
                                  {op, QStringLiteral("0001"), framework::RemoteArg::date(day)}));
        return rows_;
    }

    /// Rows of an hour from 13:00 added to the operator's day, up to kCopiedRows.
    void addAfternoon(const QString& op, const DateTime& d) {
        day(op, d);
        for (int i = 0; i < kAddedRows; ++i) {
            rows_.append();
            const int start = (13 + i) * 3600;
            rows_.fieldByName("NRTAREFA").setText("0000000001");
            rows_.fieldByName("NRPLATIVTARE").setText("00001");
            rows_.fieldByName("HORAINI").setText(time(start));
            rows_.fieldByName("HORAFIN").setText(time(start + 3000));
            rows_.fieldByName("CDOPERADOR").setText(op.toStdString());
            rows_.fieldByName("CDFILIAL").setText("0001");
            rows_.fieldByName("DTIAPATIVTAR").setAsDateTime(d.addSeconds(start));
            rows_.fieldByName("DTFAPATIVTAR").setAsDateTime(d.addSeconds(start + 3000));
            rows_.post();
        }
        save();
    }

    /// Deletes the operator's rows of the day that start at `from` or later.
    void removeFrom(const QString& op, const DateTime& d, const std::string& from) {
        day(op, d);
        rows_.first();
        while (!rows_.eof() && !rows_.isEmpty()) {
            if (rows_.fieldByName("HORAINI").text() >= from)
                rows_.deleteRecord();
            else
                rows_.next();
        }
        if (rows_.changeCount() > 0) save();
    }

private:
    static std::string time(int seconds) {
        return QString::asprintf("%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60)
            .toStdString();
    }
    void save() {
        net_.AppServer().call(protocol::apropriacao::setAtividades,
                              {framework::RemoteArg::delta(rows_.changePacket())});
    }

    framework::TNetConnection net_;
    platform::dataset::DataSet rows_{"direct"};
};

/// The day load of `day` for `op`, as leaving the filter runs it (untimed).
void standOn(TfrmApropriacao& form, const QString& op, const DateTime& day,
             platform::ui::ScriptedDialogService& dialogs) {
    form.medCdOper->setText(op);
    form.depAgenda->SetDate(day);
    QCoreApplication::processEvents();
    form.panFiltroExit();
    QCoreApplication::processEvents();
    failOnErrors(dialogs, "a day load");
}

struct Sample {
    double ms = 0;
    double remoteMs = 0;
    int calls = 0;
};

Sample timed(const std::function<void()>& action,
             const platform::ui::ScriptedDialogService& dialogs, const char* what) {
    framework::NetScript::reset();
    QElapsedTimer t;
    t.start();
    action();
    QCoreApplication::processEvents();
    const Sample s{elapsedMs(t), framework::NetScript::callSeconds() * 1000.0, allCalls()};
    failOnErrors(dialogs, what);
    return s;
}

void print(const char* what, const std::vector<Sample>& samples, double goalMs) {
    std::vector<double> ms, remote;
    int callsMin = samples.front().calls, callsMax = callsMin;
    for (const Sample& s : samples) {
        ms.push_back(s.ms);
        remote.push_back(s.remoteMs);
        callsMin = std::min(callsMin, s.calls);
        callsMax = std::max(callsMax, s.calls);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(remote.begin(), remote.end());
    const double median = ms[ms.size() / 2];
    std::printf(
        "%-18s median %7.2f ms  p90 %7.2f ms  (min %.2f, max %.2f, %zu runs)  remote calls %d–%d"
        " (waiting median %.2f ms)  goal %.0f ms: %s\n",
        what, median, ms[std::min(ms.size() - 1, ms.size() * 9 / 10)], ms.front(), ms.back(),
        ms.size(), callsMin, callsMax, remote[remote.size() / 2], goalMs,
        median <= goalMs ? "met" : "NOT met");
}

}  // namespace

void measureShortcuts(TfrmApropriacao& form, platform::ui::ScriptedDialogService& dialogs,
                      int copies, int fills) {
    const DateTime today = DateTime::parseIso(kServerNow)->datePart();
    // The last filled day, and an empty day after it that copies it.
    const DateTime source = today.addDays(-4);
    const DateTime target = today.addDays(-1);
    Direct direct(form.cdsAtividades);

    std::vector<Sample> copied;
    for (int i = 0; i < copies; ++i) {
        const QString op = QStringLiteral("%1").arg(100000 + i, 12, 10, QLatin1Char('0'));
        if (direct.day(op, source).recordCount() != kRowsPerDay ||
            !direct.day(op, target).isEmpty())
            throw std::runtime_error("the days a copy needs are not as filled for " +
                                     op.toStdString());
        direct.addAfternoon(op, source);
        standOn(form, op, target, dialogs);
        dialogs.queueConfirmation(true);
        copied.push_back(timed([&] { form.mnuCopiarDia->trigger(); }, dialogs, "a copy"));
        if (form.cdsAtividades.recordCount() != kCopiedRows)
            throw std::runtime_error("the copy did not show the day's " +
                                     std::to_string(kCopiedRows) + " rows");
        direct.removeFrom(op, target, "");
        direct.removeFrom(op, source, "13:00:00");
    }

    std::vector<Sample> filled;
    const QString op = QStringLiteral("%1").arg(100000, 12, 10, QLatin1Char('0'));
    standOn(form, op, source, dialogs);
    for (int i = 0; i < fills; ++i) {
        filled.push_back(timed([&] { form.mnuPreencherPontos->trigger(); }, dialogs, "a fill"));
        if (form.cdsAtividades.fieldByName("HORAINI").text() != kFirstGap)
            throw std::runtime_error("the fill did not begin a row at " + std::string(kFirstGap));
        form.sbtCancelarClick();
    }

    std::printf("\nshortcuts of the day screen\n");
    print("copy of 10 rows", copied, 20);
    print("fill from punches", filled, 2);
}

}  // namespace screen_bench
