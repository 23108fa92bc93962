#pragma once

#include <QString>

#include "framework/net_connection.h"
#include "platform/dataset/datetime.h"
#include "platform/dataset/packet.h"

namespace Cli_Zep00700 {

/// The remote module "Zep00700.rdmApropriacao" as the screen asks it: one
/// function a method of the contract (protocol/apropriacao.h), its
/// arguments named and in the contract's order. Each returns the answer's
/// packet, to be loaded whole into the data set of the same name, or throws
/// framework::ServerCallError (a 401 first asks for a new session, see
/// AppServerProxy::call).
class ApropriacaoClient {
public:
    using DataPacket = platform::dataset::DataPacket;
    using DateTime = platform::dataset::DateTime;

    explicit ApropriacaoClient(framework::TNetConnection& connection) : connection_(connection) {}

    /// GetCtrlAcesso: an empty answer refuses the screen to `user`.
    DataPacket access(const QString& branch, const QString& user);
    /// getHoraServidor: SYSDATE, the server's date and time.
    DataPacket serverTime();
    /// GetOperEquip for one code: empty when `code` is not in `user`'s team.
    DataPacket teamMember(const QString& user, const QString& code);
    /// GetOperEquip for the search list: `user`'s whole team.
    DataPacket team(const QString& user);
    /// getAtividades: the appropriations of `operatorCode` on `day`.
    DataPacket day(const QString& operatorCode, const QString& branch, const DateTime& day);
    /// GetDiaAnterior: DATA, the latest day before `day` holding rows of
    /// `operatorCode` that have an end; empty when there is none.
    DataPacket previousDay(const QString& operatorCode, const QString& branch, const DateTime& day);
    /// getTotApro: QTHRAPRO, the day's appropriated total.
    DataPacket dayTotal(const QString& operatorCode, const QString& branch, const DateTime& day);
    /// getPonto: the day's punches.
    DataPacket punches(const QString& operatorCode, const DateTime& day);
    /// GetTotPontoReal: HR, the time the clock measured that day (may be empty).
    DataPacket punchedTotal(const QString& operatorCode, const DateTime& day);
    /// GetDatas: the days of `year` (four digits) that hold appropriations.
    DataPacket markedDays(const QString& operatorCode, const QString& branch, const QString& year);
    /// GetPesqTarefa: the branch's tasks.
    DataPacket tasks(const QString& branch);
    /// getVdTarefa: empty when there is no such task.
    DataPacket task(const QString& branch, const QString& task);
    /// GetPesqAtiv: the task's activities open to `user`, with IDSITATIVTAR.
    DataPacket activities(const QString& branch, const QString& task, const QString& user);
    /// getVdAtiv: empty when the task has no such activity for the operator.
    DataPacket activity(const QString& branch, const QString& task, const QString& operatorCode,
                        const QString& activity);
    /// getApropria: the recorded appropriations whose spans clash with
    /// `start`–`end` (times as typed, separators included); empty: none.
    DataPacket clashes(const QString& operatorCode, const QString& branch, const DateTime& day,
                       const QString& start, const QString& end);
    /// SetAtividades: applies the change packet, or throws.
    void save(platform::dataset::ChangePacket changes);
    /// GetUpdateAtiv: tells the server that an appropriation was saved
    /// against a pending activity.
    void startActivity(const QString& branch, const QString& task, const QString& activity);

private:
    framework::TNetConnection& connection_;
};

}  // namespace Cli_Zep00700
