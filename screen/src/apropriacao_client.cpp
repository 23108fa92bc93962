#include "apropriacao_client.h"

#include "protocol/apropriacao.h"

namespace Cli_Zep00700 {

namespace apropriacao = protocol::apropriacao;
using framework::RemoteArg;

ApropriacaoClient::DataPacket ApropriacaoClient::access(const QString& branch,
                                                        const QString& user) {
    return connection_.AppServer().call(apropriacao::getCtrlAcesso, {branch, user});
}

ApropriacaoClient::DataPacket ApropriacaoClient::serverTime() {
    return connection_.AppServer().call(apropriacao::getHoraServidor);
}

ApropriacaoClient::DataPacket ApropriacaoClient::teamMember(const QString& user,
                                                            const QString& code) {
    return connection_.AppServer().call(apropriacao::getOperEquip, {user, code, ""});
}

ApropriacaoClient::DataPacket ApropriacaoClient::team(const QString& user) {
    return connection_.AppServer().call(apropriacao::getOperEquip, {user, "", "T"});
}

ApropriacaoClient::DataPacket ApropriacaoClient::day(const QString& operatorCode,
                                                     const QString& branch, const DateTime& day) {
    return connection_.AppServer().call(apropriacao::getAtividades,
                                        {operatorCode, branch, RemoteArg::date(day)});
}

ApropriacaoClient::DataPacket ApropriacaoClient::previousDay(const QString& operatorCode,
                                                             const QString& branch,
                                                             const DateTime& day) {
    return connection_.AppServer().call(apropriacao::getDiaAnterior,
                                        {operatorCode, branch, RemoteArg::date(day)});
}

ApropriacaoClient::DataPacket ApropriacaoClient::dayTotal(const QString& operatorCode,
                                                          const QString& branch,
                                                          const DateTime& day) {
    return connection_.AppServer().call(apropriacao::getTotApro,
                                        {operatorCode, branch, RemoteArg::date(day)});
}

ApropriacaoClient::DataPacket ApropriacaoClient::punches(const QString& operatorCode,
                                                         const DateTime& day) {
    return connection_.AppServer().call(apropriacao::getPonto,
                                        {operatorCode, RemoteArg::date(day)});
}

ApropriacaoClient::DataPacket ApropriacaoClient::punchedTotal(const QString& operatorCode,
                                                              const DateTime& day) {
    return connection_.AppServer().call(apropriacao::getTotPontoReal,
                                        {operatorCode, RemoteArg::date(day)});
}

ApropriacaoClient::DataPacket ApropriacaoClient::markedDays(const QString& operatorCode,
                                                            const QString& branch,
                                                            const QString& year) {
    return connection_.AppServer().call(apropriacao::getDatas, {operatorCode, branch, year});
}

ApropriacaoClient::DataPacket ApropriacaoClient::tasks(const QString& branch) {
    return connection_.AppServer().call(apropriacao::getPesqTarefa, {branch});
}

ApropriacaoClient::DataPacket ApropriacaoClient::task(const QString& branch, const QString& task) {
    return connection_.AppServer().call(apropriacao::getVdTarefa, {branch, task});
}

ApropriacaoClient::DataPacket ApropriacaoClient::activities(const QString& branch,
                                                            const QString& task,
                                                            const QString& user) {
    return connection_.AppServer().call(apropriacao::getPesqAtiv, {branch, task, user});
}

ApropriacaoClient::DataPacket ApropriacaoClient::activity(const QString& branch,
                                                          const QString& task,
                                                          const QString& operatorCode,
                                                          const QString& activity) {
    return connection_.AppServer().call(apropriacao::getVdAtiv,
                                        {branch, task, operatorCode, activity});
}

ApropriacaoClient::DataPacket ApropriacaoClient::clashes(const QString& operatorCode,
                                                         const QString& branch, const DateTime& day,
                                                         const QString& start, const QString& end) {
    return connection_.AppServer().call(apropriacao::getApropria,
                                        {operatorCode, branch, RemoteArg::date(day), start, end});
}

void ApropriacaoClient::save(platform::dataset::ChangePacket changes) {
    connection_.AppServer().call(apropriacao::setAtividades,
                                 {RemoteArg::delta(std::move(changes))});
}

void ApropriacaoClient::startActivity(const QString& branch, const QString& task,
                                      const QString& activity) {
    connection_.AppServer().call(apropriacao::getUpdateAtiv, {branch, task, activity});
}

}  // namespace Cli_Zep00700
