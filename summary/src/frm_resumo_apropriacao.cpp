// Construction of the summary screen: controls, data sets and messages; the
// handlers live in the other frm_resumo_*.cpp files, one concern each.
#include "summary/frm_resumo_apropriacao.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>

#include "framework/btn_pesquisa.h"
#include "framework/button_flat.h"
#include "framework/date_edit_plus.h"
#include "framework/operator_search.h"
#include "month_chart.h"
#include "month_summary.h"
#include "platform/ui/masked_edit.h"
#include "protocol/resumo.h"
#include "resumo_messages.h"

namespace Cli_Zep00710 {

namespace {

constexpr int kDesignWidth = 960;
constexpr int kDesignHeight = 600;
constexpr int kChartHeight = 240;

QLabel* caption(const QString& name, const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

TfrmResumoApropriacao::TfrmResumoApropriacao(QWidget* parent)
    : framework::TfrmPadraoSimples(parent), summary_(std::make_unique<MonthSummary>()) {
    setObjectName(QStringLiteral("frmResumoApropriacao"));
    setWindowTitle(QStringLiteral("Resumo da Apropriação"));
    resize(kDesignWidth, kDesignHeight);
    lblCodTela->setText(QStringLiteral("Zep00710"));

    buildFilter();
    buildGridAndButtons();
    buildDataSets();
    bindLifecycle();
    bindFilter();
    bindClosing();
    bindDrawing();
    bindDrillDown();
    msgPadrao = resumoMessages();

    // Last statement: a failing FormCreate leaves the constructor.
    Create();
}

TfrmResumoApropriacao::~TfrmResumoApropriacao() {
    BeforeDestruction();
    tearingDown_ = true;
}

void TfrmResumoApropriacao::buildFilter() {
    auto* layout = new QVBoxLayout(clientArea());
    layout->setContentsMargins(4, 4, 4, 4);

    panFiltro = new QFrame(clientArea());
    panFiltro->setObjectName(QStringLiteral("panFiltro"));
    panFiltro->setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(panFiltro);
    row->setContentsMargins(6, 4, 6, 4);

    cbxEquipe = new QComboBox(panFiltro);
    cbxEquipe->setObjectName(QStringLiteral("cbxEquipe"));
    cbxEquipe->setMinimumContentsLength(18);
    lblEquipe =
        caption(QStringLiteral("lblEquipe"), QStringLiteral("&Equipe"), cbxEquipe, panFiltro);

    medCdOper = new platform::ui::MaskedEdit(panFiltro);
    medCdOper->setObjectName(QStringLiteral("medCdOper"));
    medCdOper->setMaxLength(12);
    medCdOper->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("000000000000")) + 12);
    lblOperador =
        caption(QStringLiteral("lblOperador"), QStringLiteral("&Operador"), medCdOper, panFiltro);
    btnPesqOper = new framework::TBtnPesquisa(panFiltro);
    btnPesqOper->setObjectName(QStringLiteral("btnPesqOper"));
    framework::ConfiguraPesqOperador(*btnPesqOper, medCdOper, dtsOperEquip);
    edtNmOper = new QLineEdit(panFiltro);
    edtNmOper->setObjectName(QStringLiteral("edtNmOper"));
    edtNmOper->setReadOnly(true);
    edtNmOper->setFocusPolicy(Qt::NoFocus);

    sbtMesAnt = new framework::TButtonFlat(panFiltro);
    sbtMesAnt->setObjectName(QStringLiteral("sbtMesAnt"));
    sbtMesAnt->setToolTip(QStringLiteral("Mês anterior"));
    sbtMesAnt->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
    depMes = new framework::TDateEditPlus(panFiltro);
    depMes->setObjectName(QStringLiteral("depMes"));
    depMes->setKeepTime(false);
    lblMes = caption(QStringLiteral("lblMes"), QStringLiteral("&Mês"), depMes, panFiltro);
    sbtMesPost = new framework::TButtonFlat(panFiltro);
    sbtMesPost->setObjectName(QStringLiteral("sbtMesPost"));
    sbtMesPost->setToolTip(QStringLiteral("Próximo mês"));
    sbtMesPost->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    lblNomeMes = new QLabel(panFiltro);
    lblNomeMes->setObjectName(QStringLiteral("lblNomeMes"));

    for (QWidget* widget : std::initializer_list<QWidget*>{
             lblEquipe, cbxEquipe, lblOperador, medCdOper, btnPesqOper, edtNmOper, lblMes,
             sbtMesAnt, depMes, sbtMesPost, lblNomeMes})
        row->addWidget(widget);
    row->setStretchFactor(edtNmOper, 1);
    layout->addWidget(panFiltro);
    setTabOrder(cbxEquipe, medCdOper);
    setTabOrder(medCdOper, depMes);
}

void TfrmResumoApropriacao::buildGridAndButtons() {
    auto* layout = static_cast<QVBoxLayout*>(clientArea()->layout());
    dbgResumo = new platform::dbcontrols::DBGrid(clientArea());
    dbgResumo->setObjectName(QStringLiteral("dbgResumo"));
    using Option = platform::dbcontrols::DBGrid::Option;
    dbgResumo->setOptions(platform::dbcontrols::DBGrid::Options(Option::Titles) |
                          Option::ColumnResize | Option::ColLines | Option::RowLines |
                          Option::AlwaysShowSelection);
    dbgResumo->setReadOnly(true);
    dbgResumo->setDataSource(&dtsResumo);
    chtResumo = new TGraficoMes(clientArea());
    auto* splitter = new QSplitter(Qt::Vertical, clientArea());
    splitter->setObjectName(QStringLiteral("splResumo"));
    splitter->addWidget(dbgResumo);
    splitter->addWidget(chtResumo);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setSizes({kDesignHeight - kChartHeight, kChartHeight});
    chtResumo->setMinimumHeight(kChartHeight / 2);
    layout->addWidget(splitter, 1);

    auto* buttons = new QHBoxLayout;
    btnFecharMes = new QPushButton(QStringLiteral("Fechar Mês"), clientArea());
    btnFecharMes->setObjectName(QStringLiteral("btnFecharMes"));
    btnReabrirMes = new QPushButton(QStringLiteral("Reabrir Mês"), clientArea());
    btnReabrirMes->setObjectName(QStringLiteral("btnReabrirMes"));
    buttons->addStretch(1);
    buttons->addWidget(btnFecharMes);
    buttons->addWidget(btnReabrirMes);
    layout->addLayout(buttons);
    setTabOrder(depMes, dbgResumo);
    setTabOrder(dbgResumo, btnFecharMes);
    setTabOrder(btnFecharMes, btnReabrirMes);
}

void TfrmResumoApropriacao::buildDataSets() {
    // The search list's columns carry titles; the other sets take the
    // fields of the server's answers, and cdsResumo those of the month.
    platform::dataset::FieldDef code;
    code.name = "CDOPERADOR";
    code.size = 15;
    code.label = "Código";
    platform::dataset::FieldDef name;
    name.name = "NMOPERADOR";
    name.size = 40;
    name.label = "Nome";
    cdsOperEquip.addField(code);
    cdsOperEquip.addField(name);
    dtsOperEquip.setDataSet(&cdsOperEquip);
    dtsResumo.setDataSet(&cdsResumo);

    for (platform::dataset::DataSet* dataSet :
         {&cdsResumo, &cdsEquipes, &cdsOperEquip, &cdsCtrlAcesso, &cdsCtrlFechamento,
          &cdsHoraServidor})
        registerDataSet(QString::fromStdString(dataSet->name()), dataSet);

    netResumo.setObjectName(QStringLiteral("netResumo"));
    const std::string_view server = protocol::resumo::module.name;
    netResumo.setServerName(
        QString::fromUtf8(server.data(), static_cast<qsizetype>(server.size())));
}

}  // namespace Cli_Zep00710
