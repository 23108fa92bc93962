#include "protocol/apropriacao.h"

#include "common_fields.h"

namespace protocol::apropriacao {

namespace {

using namespace protocol::common;

// The flags the screen sends back in its change packets: the where-fields
// identify the row the server compares before it changes it.
constexpr UpdateFlags kWhere{.where = true};
constexpr UpdateFlags kWhereHidden{.where = true, .hidden = true};

// The answers: each is exactly the field list of the screen's data set it is loaded into.

constexpr Field kAtividadesFields[] = {
    text("HORAINI", 8, kWhere),
    text("HORAFIN", 8, kWhere),
    text("NRTAREFA", 10),
    text("NRPLATIVTARE", 5),
    stamp("DTIAPATIVTAR"),
    stamp("DTFAPATIVTAR"),
    text("CDFILIAL", 4),
    text("NMPROCESSO", 100),
    stamp("DATA", kWhere),
    text("TXAPRATIVTAR", 4000),
    text("CDOPERADOR", 12),
    text("DSREFETAREFA", 100),
    text("CHAVE", 27, kWhere),
    text("CHAVE2", 35, kWhere),
    text("IDSITATIVTAR", 1),
    stamp("DTHIAPATIVTA"),
    stamp("DTHFAPATIVTA"),
    text("QTHRAPRO", 8, kWhereHidden),
    text("ATIVIDADE", 121, kWhere),
    text("IDCHECK", 1, kWhere),
};
constexpr Answer kAtividades{kAtividadesFields};

constexpr Field kPontoFields[] = {text("CDEMPRESA", 2),    stamp("DTBATIDAPTO"),
                                  text("IDSENTBATIDA", 1), text("IDEVENPONTO", 2),
                                  stamp("DTPONTO"),        text("IDORIGPTO", 3)};
constexpr Answer kPonto{kPontoFields};

constexpr Field kDatasFields[] = {stamp("DTIAPATIVTAR")};
constexpr Answer kDatas{kDatasFields};

/// A task: what GetPesqTarefa lists and getVdTarefa finds.
constexpr Field kTarefaFields[] = {text("NRTAREFA", 10),     text("DSREFETAREFA", 100),
                                   text("CDPROJETO", 10),    text("NRBASELINEPR", 3),
                                   text("CDARVPROCESS", 20), text("NMPROCESSO", 100)};
constexpr Answer kTarefa{kTarefaFields};

constexpr Field kPesqAtivFields[] = {text("NRPLATIVTARE", 5), text("CDPROCESSO", 10),
                                     text("NMPROCESSO", 100), text("IDSITATIVTAR", 1),
                                     text("CDARVITTRAB", 20), text("NMITEMTRAB", 100)};
constexpr Answer kPesqAtiv{kPesqAtivFields};

constexpr Field kVdAtivFields[] = {text("CDOPERRESP", 12), text("NMPROCESSO", 100)};
constexpr Answer kVdAtiv{kVdAtivFields};

constexpr Field kApropriaFields[] = {
    stamp("DTIAPATIVTAR"),  stamp("DTFAPATIVTAR"), text("HORAINI", 8),   text("HORAFIN", 8),
    stamp("DATA"),          text("CDFILIAL", 4),   text("NRTAREFA", 10), text("NRPLATIVTARE", 5),
    text("CDOPERADOR", 12), text("CHAVE2", 35)};
constexpr Answer kApropria{kApropriaFields};

constexpr Field kTotAproFields[] = {text("QTHRAPRO", 8)};
constexpr Answer kTotApro{kTotAproFields};

constexpr Field kTotPontoRealFields[] = {text("HR", 8)};
constexpr Answer kTotPontoReal{kTotPontoRealFields};

// The latest earlier day of an operator's appropriations that a day can be
// copied from; read by the screen itself, into no data set.
constexpr Field kDiaAnteriorFields[] = {stamp("DATA")};
constexpr Answer kDiaAnterior{kDiaAnteriorFields};

// The trail of a day; no data set of the screen loads it yet. The values are
// JSON objects: a description of 4000 characters, escaped, and the rest.
constexpr Field kHistoricoFields[] = {
    stamp("DTHALTERACAO"), text("CDUSUARIO", 12), text("DSENDERECO", 45), text("DSACAO", 6),
    text("DSCHAVE", 35),   text("DSANTES", 9000), text("DSDEPOIS", 9000)};
constexpr Answer kHistorico{kHistoricoFields};

// The arguments.
constexpr Arg kOperatorBranchDay[] = {{kText, "operador"}, {kText, "filial"}, {kDate, "dia"}};
constexpr Arg kOperatorDay[] = {{kText, "operador"}, {kDate, "dia"}};
constexpr Arg kOperatorBranchYear[] = {{kText, "operador"}, {kText, "filial"}, {kText, "ano"}};
constexpr Arg kBranch[] = {{kText, "filial"}};
constexpr Arg kBranchTask[] = {{kText, "filial"}, {kText, "tarefa"}};
constexpr Arg kBranchTaskUser[] = {{kText, "filial"}, {kText, "tarefa"}, {kText, "usuário"}};
constexpr Arg kBranchTaskOperatorActivity[] = {
    {kText, "filial"}, {kText, "tarefa"}, {kText, "operador"}, {kText, "atividade"}};
constexpr Arg kOperatorBranchDaySpan[] = {
    {kText, "operador"}, {kText, "filial"}, {kDate, "dia"}, {kText, "início"}, {kText, "término"}};
constexpr Arg kChanges[] = {{ArgKind::ChangePacket, "pacote de alterações"}};
constexpr Arg kBranchTaskActivity[] = {{kText, "filial"}, {kText, "tarefa"}, {kText, "atividade"}};

}  // namespace

constinit const Method getCtrlAcesso{"GetCtrlAcesso", kBranchUser, &kCtrlAcesso};
constinit const Method getHoraServidor{"getHoraServidor", {}, &kHoraServidor};
constinit const Method getOperEquip{"GetOperEquip", kUserCodeKind, &kOperEquip};
constinit const Method getAtividades{"getAtividades", kOperatorBranchDay, &kAtividades};
constinit const Method getTotApro{"getTotApro", kOperatorBranchDay, &kTotApro};
constinit const Method getPonto{"getPonto", kOperatorDay, &kPonto};
constinit const Method getTotPontoReal{"GetTotPontoReal", kOperatorDay, &kTotPontoReal};
constinit const Method getDatas{"GetDatas", kOperatorBranchYear, &kDatas};
constinit const Method getPesqTarefa{"GetPesqTarefa", kBranch, &kTarefa};
constinit const Method getVdTarefa{"getVdTarefa", kBranchTask, &kTarefa};
constinit const Method getPesqAtiv{"GetPesqAtiv", kBranchTaskUser, &kPesqAtiv};
constinit const Method getVdAtiv{"getVdAtiv", kBranchTaskOperatorActivity, &kVdAtiv};
constinit const Method getApropria{"getApropria", kOperatorBranchDaySpan, &kApropria};
constinit const Method setAtividades{"SetAtividades", kChanges, nullptr, Effect::Writes};
constinit const Method getUpdateAtiv{"GetUpdateAtiv", kBranchTaskActivity, nullptr, Effect::Writes};
constinit const Method getHistorico{"GetHistorico", kOperatorBranchDay, &kHistorico};
constinit const Method getDiaAnterior{"GetDiaAnterior", kOperatorBranchDay, &kDiaAnterior};

namespace {

constexpr const Method* kMethods[] = {
    &getCtrlAcesso,   &getHoraServidor, &getOperEquip,  &getAtividades, &getTotApro,     &getPonto,
    &getTotPontoReal, &getDatas,        &getPesqTarefa, &getVdTarefa,   &getPesqAtiv,    &getVdAtiv,
    &getApropria,     &setAtividades,   &getUpdateAtiv, &getHistorico,  &getDiaAnterior,
};

}  // namespace

constinit const Module module{"Zep00700.rdmApropriacao", kMethods};

}  // namespace protocol::apropriacao
