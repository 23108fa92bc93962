// Construction of the screen: controls, data sets, messages and the binding
// of every handler by name. The handlers themselves live in the other
// frm_apropriacao_*.cpp files, one concern each.
#include "screen/frm_apropriacao.h"

#include <QAction>
#include <QFontMetrics>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSplitter>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "apropriacao_client.h"
#include "framework/btn_pesquisa.h"
#include "framework/button_flat.h"
#include "framework/calendar.h"
#include "framework/date_edit_plus.h"
#include "framework/errors.h"
#include "framework/operator_search.h"
#include "framework/standard_icon.h"
#include "platform/dbcontrols/db_edit.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/dbcontrols/db_navigator.h"
#include "platform/dbcontrols/db_text.h"
#include "platform/ui/masked_edit.h"
#include "protocol/apropriacao.h"
#include "screen_resources.h"
#include "ui_frm_apropriacao.h"

namespace Cli_Zep00700 {

namespace {

bool failNextConstruction = false;

constexpr int kDesignWidth = 785;
constexpr int kDesignHeight = 543;
constexpr int kDesignLeft = 154;
constexpr int kDesignTop = 161;
constexpr int kLowerRegionHeight = 270;
/// Where the grid's drawing starts a cell's text (frm_apropriacao_drawing.cpp).
constexpr int kDurationTextLeft = 5;

/// The colour a control's `apropColour` names: "info" is the tooltip
/// background (editable fields), "face" the button face (read-only ones),
/// or an explicit "#RRGGBB".
QColor designColour(const QWidget* widget, const QString& name) {
    if (name == QStringLiteral("info")) return widget->palette().color(QPalette::ToolTipBase);
    if (name == QStringLiteral("face")) return widget->palette().color(QPalette::Button);
    const QColor colour = QColor::fromString(name);
    if (!colour.isValid())
        throw framework::Error(
            QStringLiteral("%1: cor desconhecida \"%2\"").arg(widget->objectName(), name));
    return colour;
}

void paintBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void paintText(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

/// Shrinks a caption's font until its text fits `width`: the design sizes
/// were made for a smaller system font than the desktop's default.
void fitCaption(QLabel* label, int width) {
    QFont font = label->font();
    while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(label->text()) > width)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    label->setFont(font);
}

/// The duration column's width: its design width, or what a flagged row
/// needs when the font in use is larger than the design's (the alert icon,
/// its gap and the widest duration drawn beside it, and two pixels to spare).
int durationColumnWidth(const QFont& font, int designWidth) {
    const QFontMetrics metrics(font);
    int digit = 0;
    for (char c = '0'; c <= '9'; ++c)
        digit = std::max(digit, metrics.horizontalAdvance(QLatin1Char(c)));
    const int widest = 6 * digit + 2 * metrics.horizontalAdvance(QLatin1Char(':'));
    constexpr int kIconWidth = 16;  // imgAlerta
    return std::max(designWidth, kDurationTextLeft + kIconWidth + widest + 2);
}

/// A grid column titled with its field's label.
platform::dbcontrols::DBGridColumnDef column(const platform::dataset::DataSet& dataSet,
                                             const char* field, int width, bool readOnly = false) {
    platform::dbcontrols::DBGridColumnDef def;
    def.fieldName = QString::fromLatin1(field);
    def.title = QString::fromStdString(dataSet.fieldByName(field).displayLabel());
    def.width = width;
    def.readOnly = readOnly;
    return def;
}

}  // namespace

void TfrmApropriacao::FailNextConstructionForTesting() {
    failNextConstruction = true;
}

TfrmApropriacao::TfrmApropriacao(QWidget* parent)
    : framework::TfrmPadraoSimples(parent),
      remote_(std::make_unique<ApropriacaoClient>(netApropriacao)),
      ui_(std::make_unique<Ui::TfrmApropriacaoClient>()) {
    setObjectName(QStringLiteral("frmApropriacao"));
    setWindowTitle(QStringLiteral("Manutenção da Apropriação"));
    setGeometry(kDesignLeft, kDesignTop, kDesignWidth, kDesignHeight);
    lblCodTela->setText(QStringLiteral("Zep00700"));

    buildToolbarAdditions();
    buildClientArea();
    applyDesignColours();
    buildDataSets();
    bindControls();
    bindHandlers();
    msgPadrao = readMessages();

    if (failNextConstruction) {
        failNextConstruction = false;
        throw framework::Error(QStringLiteral("Falha de construção provocada pelo teste."));
    }
    // Last statement: a failing FormCreate leaves the constructor.
    Create();
}

TfrmApropriacao::~TfrmApropriacao() {
    BeforeDestruction();
    // Nothing of the screen may run while its parts go: focus moves and
    // data-set notices raised by the teardown are ignored from here on.
    tearingDown_ = true;
    tmrAgenda.stop();
    delete client_;
    client_ = nullptr;
}

void TfrmApropriacao::buildToolbarAdditions() {
    btnHojeDia = new framework::TButtonFlat(panMenu);
    btnHojeDia->setObjectName(QStringLiteral("btnHojeDia"));
    btnHojeDia->setToolTip(QStringLiteral("Hoje"));
    btnHojeDia->setIcon(framework::StandardIcon(this, QStyle::SP_ArrowDown));
    btnHojeDia->setGeometry(182, 4, 21, 21);

    imgAlerta = new QLabel(panMenu);
    imgAlerta->setObjectName(QStringLiteral("imgAlerta"));
    imgAlerta->setPixmap(QPixmap(alertIconResource()));
    imgAlerta->setAttribute(Qt::WA_TranslucentBackground);
    imgAlerta->setGeometry(557, 5, 16, 16);
    imgAlerta->setVisible(false);

    mnuLinha4 = mnuManutencao->addSeparator();
    mnuLinha4->setObjectName(QStringLiteral("mnuLinha4"));
    mnuLinha4->setText(QStringLiteral("-"));
    mnuHoje = mnuManutencao->addAction(QStringLiteral("&Hoje"));
    mnuHoje->setObjectName(QStringLiteral("mnuHoje"));
    // Function keys: the grid's editors take Ctrl with letters (copy, paste,
    // undo), and F7 and F8 are no other command's (the grid's own is F2).
    mnuPreencherPontos = mnuManutencao->addAction(QStringLiteral("Preencher pelos &Pontos"));
    mnuPreencherPontos->setObjectName(QStringLiteral("mnuPreencherPontos"));
    mnuPreencherPontos->setShortcut(QKeySequence(Qt::Key_F7));
    mnuCopiarDia = mnuManutencao->addAction(QStringLiteral("&Copiar Dia Anterior"));
    mnuCopiarDia->setObjectName(QStringLiteral("mnuCopiarDia"));
    mnuCopiarDia->setShortcut(QKeySequence(Qt::Key_F8));
    // The keys work while the focus is in this screen, not in another
    // window of the host's: the screen carries the actions besides its menu.
    for (QAction* shortcut : {mnuPreencherPontos, mnuCopiarDia}) {
        shortcut->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(shortcut);
    }
}

void TfrmApropriacao::buildClientArea() {
    auto* layout = new QVBoxLayout(clientArea());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    client_ = new QWidget(clientArea());
    layout->addWidget(client_);
    ui_->setupUi(client_);

    panFiltro = ui_->panFiltro;
    lblOperador = ui_->lblOperador;
    medCdOper = ui_->medCdOper;
    btnPesqOper = ui_->btnPesqOper;
    edtNmOper = ui_->edtNmOper;
    lblDataRef = ui_->lblDataRef;
    depAgenda = ui_->depAgenda;
    pgcApropr = ui_->pgcApropr;
    tshApropr = ui_->tshApropr;
    dbgAtividades = ui_->dbgAtividades;
    lblTotal = ui_->lblTotal;
    dbeTotApro = ui_->dbeTotApro;
    panCalendario = ui_->panCalendario;
    sbtCalendDiaAnt = ui_->sbtCalendDiaAnt;
    sbtCalendDiaPost = ui_->sbtCalendDiaPost;
    dbcDia = ui_->dbcDia;
    panDescricao = ui_->panDescricao;
    memDesc = ui_->memDesc;
    dbgCtrlPonto = ui_->dbgCtrlPonto;
    medHrTotal = ui_->medHrTotal;
    dbnPadrao = ui_->dbnPadrao;
    DBText1 = ui_->DBText1;

    // The scroll boxes are containers, not controls: a click on a button
    // inside them (a month step) must not take the focus out of the filter.
    for (QScrollArea* box : client_->findChildren<QScrollArea*>()) box->setFocusPolicy(Qt::NoFocus);
    // One page whose tab is hidden.
    pgcApropr->tabBar()->hide();
    // The lower region keeps its design height; the grid takes what is left.
    ui_->Splitter2->setStretchFactor(0, 1);
    ui_->Splitter2->setStretchFactor(1, 0);
    ui_->Splitter2->setSizes({kDesignHeight, kLowerRegionHeight});
    ui_->Panel1->setMinimumHeight(kLowerRegionHeight);
}

void TfrmApropriacao::applyDesignColours() {
    const QByteArray property("apropColour");
    for (QWidget* widget : client_->findChildren<QWidget*>()) {
        const QVariant value = widget->property(property.constData());
        if (value.isValid()) paintBackground(widget, designColour(widget, value.toString()));
    }
    fitCaption(lblOperador, lblOperador->width());
    fitCaption(lblDataRef, lblDataRef->width());
    paintText(panCalendario, Qt::black);
    paintText(panDescricao, Qt::white);
    paintText(dbcDia, QColor(0, 0, 128));
}

void TfrmApropriacao::buildDataSets() {
    const std::pair<const char*, platform::dataset::DataSet*> sets[] = {
        {"cdsAtividades", &cdsAtividades},
        {"cdsPonto", &cdsPonto},
        {"cdsDatas", &cdsDatas},
        {"cdsHoraServidor", &cdsHoraServidor},
        {"cdsPesqTarefa", &cdsPesqTarefa},
        {"cdsPesqAtiv", &cdsPesqAtiv},
        {"cdsVdTarefa", &cdsVdTarefa},
        {"cdsVdAtiv", &cdsVdAtiv},
        {"cdsApropria", &cdsApropria},
        {"cdsTotApro", &cdsTotApro},
        {"cdsTotPontoReal", &cdsTotPontoReal},
        {"cdsOperEquip", &cdsOperEquip},
        {"cdsCtrlAcesso", &cdsCtrlAcesso},
    };
    const std::pair<const char*, platform::dataset::DataSource*> sources[] = {
        {"dtsPadrao", &dtsPadrao},       {"dtsPonto", &dtsPonto},
        {"dtsDatas", &dtsDatas},         {"dtsPesqTarefa", &dtsPesqTarefa},
        {"dtsPesqAtiv", &dtsPesqAtiv},   {"dtsApropria", &dtsApropria},
        {"dtsTotApro", &dtsTotApro},     {"dtsTotPontoReal", &dtsTotPontoReal},
        {"dtsOperEquip", &dtsOperEquip},
    };
    const QString path = dataSetsResource();
    const std::vector<DataSetDefinition> definitions = readDataSetDefinitions(path);
    for (const auto& [name, dataSet] : sets) {
        const QString wanted = QString::fromLatin1(name);
        auto found = std::find_if(definitions.begin(), definitions.end(),
                                  [&](const DataSetDefinition& d) { return d.name == wanted; });
        if (found == definitions.end())
            throw framework::Error(
                QStringLiteral("%1: falta o conjunto de dados %2").arg(path, wanted));
        for (const platform::dataset::FieldDef& field : found->fields) dataSet->addField(field);
        registerDataSet(wanted, dataSet);
        if (found->source.isEmpty()) continue;
        auto source = std::find_if(std::begin(sources), std::end(sources), [&](const auto& s) {
            return found->source == QString::fromLatin1(s.first);
        });
        if (source == std::end(sources))
            throw framework::Error(QStringLiteral("%1: %2: fonte de dados desconhecida %3")
                                       .arg(path, wanted, found->source));
        source->second->setDataSet(dataSet);
    }
}

void TfrmApropriacao::bindControls() {
    netApropriacao.setObjectName(QStringLiteral("netApropriacao"));
    const std::string_view server = protocol::apropriacao::module.name;
    netApropriacao.setServerName(
        QString::fromUtf8(server.data(), static_cast<qsizetype>(server.size())));

    tmrAgenda.setObjectName(QStringLiteral("tmrAgenda"));
    tmrAgenda.setInterval(1500);
    tmrAgenda.stop();

    framework::ConfiguraPesqOperador(*btnPesqOper, medCdOper, dtsOperEquip);

    // Display only: the enable rules switch every control of the filter on.
    edtNmOper->setReadOnly(true);

    depAgenda->setWeekdayNames({QStringLiteral("Domingo"), QStringLiteral("Segunda"),
                                QStringLiteral("Terça"), QStringLiteral("Quarta"),
                                QStringLiteral("Quinta"), QStringLiteral("Sexta"),
                                QStringLiteral("Sábado")});
    depAgenda->setValidDateColor(Qt::blue);
    depAgenda->setKeepTime(false);

    using Option = platform::dbcontrols::DBGrid::Option;
    dbgAtividades->setDataSource(&dtsPadrao);
    dbgAtividades->setOptions(platform::dbcontrols::DBGrid::Options(Option::Editing) |
                              Option::Titles | Option::ColumnResize | Option::ColLines |
                              Option::RowLines | Option::Tabs | Option::AlwaysShowSelection |
                              Option::ConfirmDelete | Option::CancelOnExit);
    dbgAtividades->setColumns(
        {column(cdsAtividades, "NRTAREFA", 227), column(cdsAtividades, "NRPLATIVTARE", 220),
         column(cdsAtividades, "HORAINI", 66), column(cdsAtividades, "HORAFIN", 75),
         column(cdsAtividades, "QTHRAPRO", durationColumnWidth(dbgAtividades->font(), 71)),
         column(cdsAtividades, "DTHIAPATIVTA", 0, true),
         column(cdsAtividades, "DTHFAPATIVTA", 0, true)});

    dbgCtrlPonto->setDataSource(&dtsPonto);
    dbgCtrlPonto->setOptions(platform::dbcontrols::DBGrid::Options(Option::Titles) |
                             Option::ColumnResize | Option::ColLines | Option::RowLines |
                             Option::Tabs | Option::RowSelect | Option::ConfirmDelete |
                             Option::CancelOnExit);
    dbgCtrlPonto->setReadOnly(true);
    dbgCtrlPonto->setColumns({column(cdsPonto, "DTBATIDAPTO", 186),
                              column(cdsPonto, "IDEVENPONTO", 343),
                              column(cdsPonto, "IDORIGPTO", 76)});

    dbeTotApro->setDataSource(&dtsTotApro);
    dbeTotApro->setDataField(QStringLiteral("QTHRAPRO"));
    dbnPadrao->setDataSource(&dtsPadrao);
    dbnPadrao->setVisibleButtons(platform::dbcontrols::DBNavigator::Buttons(
                                     platform::dbcontrols::DBNavigator::Button::First) |
                                 platform::dbcontrols::DBNavigator::Button::Prior |
                                 platform::dbcontrols::DBNavigator::Button::Next |
                                 platform::dbcontrols::DBNavigator::Button::Last);
    DBText1->setDataSource(&dtsPadrao);
    DBText1->setDataField(QStringLiteral("ATIVIDADE"));

    dbcDia->SetDataSource(&dtsDatas);
    dbcDia->SetDataField(QStringLiteral("DTIAPATIVTAR"));
    dbcDia->SetHolidayColor(Qt::red);
    dbcDia->SetStartOfWeek(0);
    dbcDia->setShowCurrentDay(true);
}

void TfrmApropriacao::bindHandlers() {
    bindLifecycle();
    bindFilter();
    bindCalendar();
    bindEditing();
    bindPosting();
    bindSaving();
    bindPunches();
    bindDrawing();
    bindShortcuts();
}

}  // namespace Cli_Zep00700
