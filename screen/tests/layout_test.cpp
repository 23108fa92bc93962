// The screen as built, before any handler ran: controls, captions, hints,
// initial states, data sets and their fields.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>

#include <memory>

#include "framework/btn_pesquisa.h"
#include "framework/button_flat.h"
#include "framework/calendar.h"
#include "framework/date_edit_plus.h"
#include "platform/dataset/data_set.h"
#include "platform/dbcontrols/db_edit.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/dbcontrols/db_grid_column.h"
#include "platform/dbcontrols/db_navigator.h"
#include "platform/dbcontrols/db_text.h"
#include "platform/ui/masked_edit.h"
#include "screen/frm_apropriacao.h"
#include "screen/frm_apropriacao_access.h"

using Cli_Zep00700::TfrmApropriacao;

namespace {

struct LayoutTest : ::testing::Test {
    std::unique_ptr<TfrmApropriacao> form = std::make_unique<TfrmApropriacao>();
    Cli_Zep00700::TfrmApropriacaoAccess screen{*form};

    template <typename T = QWidget>
    T* child(const char* name) {
        T* found = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString hint(const char* name) { return child(name)->toolTip(); }
    bool enabled(const char* name) { return child(name)->isEnabled(); }
};

TEST_F(LayoutTest, FormAndInheritedControls) {
    EXPECT_EQ(form->objectName(), QStringLiteral("frmApropriacao"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Manutenção da Apropriação"));
    EXPECT_EQ(form->size(), QSize(785, 543));
    EXPECT_EQ(child<QLabel>("lblCodTela")->text(), QStringLiteral("Zep00700"));
    EXPECT_EQ(form->dbtNome->x(), 314);
    EXPECT_EQ(form->sbtImprimir->x(), 218);
    EXPECT_EQ(form->sbtAjuda->x(), 253);
    EXPECT_EQ(form->sbtFechar->x(), 288);
    for (const char* name : {"sbtConfirmar", "sbtCancelar", "sbtIncluir", "sbtAlterar",
                             "sbtExcluir", "sbtProcurar", "sbtVerificar", "sbtImprimir"})
        EXPECT_FALSE(enabled(name)) << name;
    EXPECT_TRUE(enabled("sbtAjuda"));
    EXPECT_TRUE(enabled("sbtFechar"));
}

TEST_F(LayoutTest, ToolbarAndMenuAdditions) {
    auto* hoje = child<framework::TButtonFlat>("btnHojeDia");
    EXPECT_EQ(hoje->parentWidget(), form->panMenu);
    EXPECT_EQ(hoje->geometry(), QRect(182, 4, 21, 21));
    EXPECT_EQ(hoje->toolTip(), QStringLiteral("Hoje"));
    auto* alerta = child<QLabel>("imgAlerta");
    EXPECT_EQ(alerta->parentWidget(), form->panMenu);
    EXPECT_EQ(alerta->geometry(), QRect(557, 5, 16, 16));
    EXPECT_TRUE(alerta->isHidden());

    const QList<QAction*> items = form->mnuManutencao->actions();
    QStringList names;
    for (QAction* item : items) names << item->objectName();
    EXPECT_EQ(names, QStringList({QStringLiteral("mnuIncluir"), QStringLiteral("mnuAlterar"),
                                  QStringLiteral("mnuExcluir"), QStringLiteral("mnuProcurar"),
                                  QStringLiteral("mnuVerificar"), QStringLiteral("mnuCancelar"),
                                  QStringLiteral("mnuConfirmar"), QStringLiteral("mnuLinha4"),
                                  QStringLiteral("mnuHoje"), QStringLiteral("mnuPreencherPontos"),
                                  QStringLiteral("mnuCopiarDia")}));
    EXPECT_TRUE(screen.mnuLinha4->isSeparator());
    EXPECT_EQ(screen.mnuLinha4->text(), QStringLiteral("-"));
    EXPECT_EQ(screen.mnuHoje->text(), QStringLiteral("&Hoje"));
    for (int i = 0; i < 7; ++i) EXPECT_FALSE(items.at(i)->isEnabled()) << names.at(i).toStdString();
    EXPECT_FALSE(form->mnuListagem->isEnabled());
    EXPECT_FALSE(form->mnuConfigImpressora->isEnabled());
}

TEST_F(LayoutTest, FilterPanel) {
    auto* filtro = child("panFiltro");
    EXPECT_EQ(filtro->height(), 55);
    EXPECT_EQ(child<QLabel>("lblOperador")->text(), QStringLiteral("Operador"));
    EXPECT_TRUE(child<QLabel>("lblOperador")->font().bold());
    auto* oper = child<platform::ui::MaskedEdit>("medCdOper");
    EXPECT_EQ(oper->geometry().topLeft(), QPoint(105, 7));
    EXPECT_EQ(oper->width(), 98);
    EXPECT_EQ(oper->maxLength(), 12);
    EXPECT_EQ(oper->palette().color(QPalette::Base), oper->palette().color(QPalette::ToolTipBase));

    auto* pesq = child<framework::TBtnPesquisa>("btnPesqOper");
    EXPECT_EQ(pesq->toolTip(), QStringLiteral("Pesquisar"));
    EXPECT_EQ(pesq->Associate(), oper);
    EXPECT_EQ(pesq->Title(), QStringLiteral("Operador"));
    EXPECT_EQ(pesq->DataSource(), &screen.dtsOperEquip);
    EXPECT_EQ(pesq->EmptyError(),
              QStringLiteral("Não há operador cadastrado para equipe de trabalho do usuário."));

    auto* nome = child<QLineEdit>("edtNmOper");
    // The enable rules, applied at creation, switch on every control of the
    // filter; the name box stays display-only.
    EXPECT_TRUE(nome->isReadOnly());
    EXPECT_EQ(nome->width(), 250);
    EXPECT_EQ(nome->palette().color(QPalette::Base), nome->palette().color(QPalette::Button));

    EXPECT_EQ(child<QLabel>("lblDataRef")->text(), QStringLiteral("Data Referência"));
    auto* agenda = child<framework::TDateEditPlus>("depAgenda");
    EXPECT_EQ(agenda->geometry().topLeft(), QPoint(105, 30));
    EXPECT_EQ(agenda->validDateColor(), QColor(Qt::blue));
    EXPECT_FALSE(agenda->keepTime());
    EXPECT_EQ(agenda->weekdayNames().value(2), QStringLiteral("Terça"));
    EXPECT_EQ(agenda->weekdayNames().value(6), QStringLiteral("Sábado"));
    // Tab order: the operator first, the date second.
    EXPECT_EQ(oper->nextInFocusChain(), agenda);
}

TEST_F(LayoutTest, GridsAndTheirColumns) {
    auto* grid = child<platform::dbcontrols::DBGrid>("dbgAtividades");
    EXPECT_EQ(grid->dataSource(), &form->dtsPadrao);
    using Option = platform::dbcontrols::DBGrid::Option;
    for (Option on :
         {Option::Editing, Option::Titles, Option::ColumnResize, Option::ColLines, Option::RowLines,
          Option::Tabs, Option::AlwaysShowSelection, Option::ConfirmDelete, Option::CancelOnExit})
        EXPECT_TRUE(grid->hasOption(on));
    EXPECT_FALSE(grid->hasOption(Option::RowSelect));
    const std::pair<const char*, int> columns[] = {{"NRTAREFA", 227},
                                                   {"NRPLATIVTARE", 220},
                                                   {"HORAINI", 66},
                                                   {"HORAFIN", 75},
                                                   {"QTHRAPRO", 71}};
    ASSERT_EQ(grid->columnCount(), 7);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(grid->column(i).fieldName(), QString::fromLatin1(columns[i].first));
        // The duration's may grow beyond its design width, to what a flagged
        // row needs in the font in use (DrawingTest checks that it fits).
        if (i == 4)
            EXPECT_GE(grid->column(i).width(), columns[i].second) << columns[i].first;
        else
            EXPECT_EQ(grid->column(i).width(), columns[i].second) << columns[i].first;
        EXPECT_FALSE(grid->column(i).readOnly());
    }
    EXPECT_EQ(grid->column(5).fieldName(), QStringLiteral("DTHIAPATIVTA"));
    EXPECT_TRUE(grid->column(5).readOnly());
    EXPECT_EQ(grid->column(6).fieldName(), QStringLiteral("DTHFAPATIVTA"));
    EXPECT_TRUE(grid->column(6).readOnly());
    EXPECT_EQ(grid->column(2).title(), QStringLiteral("Hora Início"));

    auto* ponto = child<platform::dbcontrols::DBGrid>("dbgCtrlPonto");
    EXPECT_EQ(ponto->dataSource(), &screen.dtsPonto);
    EXPECT_TRUE(ponto->hasOption(Option::RowSelect));
    EXPECT_FALSE(ponto->hasOption(Option::Editing));
    ASSERT_EQ(ponto->columnCount(), 3);
    EXPECT_EQ(ponto->column(0).width(), 186);
    EXPECT_EQ(ponto->column(1).width(), 343);
    EXPECT_EQ(ponto->column(2).width(), 76);
    EXPECT_EQ(ponto->column(1).fieldName(), QStringLiteral("IDEVENPONTO"));
}

TEST_F(LayoutTest, CalendarDescriptionAndTotals) {
    EXPECT_EQ(child<QLabel>("panCalendario")->text(), QStringLiteral("Julho 2003"));
    EXPECT_EQ(hint("sbtCalendDiaAnt"), QStringLiteral("Anterior"));
    EXPECT_EQ(hint("sbtCalendDiaPost"), QStringLiteral("Próximo"));
    auto* dia = child<framework::TDBCalendar>("dbcDia");
    EXPECT_EQ(dia->size(), QSize(124, 90));
    EXPECT_EQ(dia->DataSource(), &screen.dtsDatas);
    EXPECT_EQ(dia->DataField(), QStringLiteral("DTIAPATIVTAR"));
    EXPECT_EQ(dia->HolidayColor(), QColor(Qt::red));
    EXPECT_EQ(dia->StartOfWeek(), 0);
    EXPECT_TRUE(dia->Today().isZero())
        << "the current day comes from the server, never the local clock";

    auto* descricao = child<QLabel>("panDescricao");
    EXPECT_EQ(descricao->text(), QStringLiteral("Descrição"));
    EXPECT_EQ(descricao->palette().color(QPalette::Window), QColor(68, 130, 181));
    EXPECT_EQ(descricao->palette().color(QPalette::WindowText), QColor(Qt::white));
    auto* memo = child<QPlainTextEdit>("memDesc");
    EXPECT_FALSE(memo->isEnabled());
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    EXPECT_EQ(child<QLabel>("lblTotal")->text(), QStringLiteral("Apropriado no Dia"));
    auto* total = child<platform::dbcontrols::DBEdit>("dbeTotApro");
    EXPECT_FALSE(total->isEnabled());
    EXPECT_EQ(total->dataSource(), &screen.dtsTotApro);
    EXPECT_EQ(total->dataField(), QStringLiteral("QTHRAPRO"));
    EXPECT_EQ(child<QLabel>("Panel5")->text(), QStringLiteral("Ponto"));
    EXPECT_EQ(child<QLabel>("Label2")->text(), QStringLiteral("Total"));
    EXPECT_EQ(child<QLabel>("Label2")->x(), 525);
    auto* horas = child<platform::ui::MaskedEdit>("medHrTotal");
    EXPECT_FALSE(horas->isEnabled());
    EXPECT_EQ(horas->geometry().x(), 563);
    EXPECT_EQ(horas->width(), 68);

    auto* navegador = child<platform::dbcontrols::DBNavigator>("dbnPadrao");
    EXPECT_EQ(navegador->dataSource(), &form->dtsPadrao);
    auto* atividade = child<platform::dbcontrols::DBText>("DBText1");
    EXPECT_EQ(atividade->dataField(), QStringLiteral("ATIVIDADE"));
    EXPECT_TRUE(atividade->font().bold());

    EXPECT_TRUE(child<QTabWidget>("pgcApropr")->tabBar()->isHidden());
    EXPECT_EQ(child<QTabWidget>("pgcApropr")->focusPolicy(), Qt::NoFocus);
}

TEST_F(LayoutTest, NonVisualComponents) {
    EXPECT_EQ(screen.netApropriacao.ServerName(), QStringLiteral("Zep00700.rdmApropriacao"));
    EXPECT_FALSE(screen.tmrAgenda.isActive());
    EXPECT_EQ(screen.tmrAgenda.interval(), 1500);
    EXPECT_EQ(form->dtsPadrao.dataSet(), &screen.cdsAtividades);
    EXPECT_EQ(screen.dtsOperEquip.dataSet(), &screen.cdsOperEquip);
    EXPECT_EQ(screen.dtsDatas.dataSet(), &screen.cdsDatas);
    EXPECT_EQ(screen.dtsApropria.dataSet(), &screen.cdsApropria);
    EXPECT_EQ(form->dataSetNames().size(), 13);
    for (const QString& name : form->dataSetNames()) {
        platform::dataset::DataSet* ds = form->findDataSet(name);
        ASSERT_NE(ds, nullptr);
        EXPECT_FALSE(ds->active()) << name.toStdString() << " is open at design state";
    }
}

TEST_F(LayoutTest, AppropriationFieldsInOrderWithTheirFlags) {
    const platform::dataset::DataSet& ds = screen.cdsAtividades;
    const char* names[] = {"HORAINI",      "HORAFIN",      "NRTAREFA",     "NRPLATIVTARE",
                           "DTIAPATIVTAR", "DTFAPATIVTAR", "CDFILIAL",     "NMPROCESSO",
                           "DATA",         "TXAPRATIVTAR", "CDOPERADOR",   "DSREFETAREFA",
                           "CHAVE",        "CHAVE2",       "IDSITATIVTAR", "DTHIAPATIVTA",
                           "DTHFAPATIVTA", "QTHRAPRO",     "ATIVIDADE",    "IDCHECK"};
    ASSERT_EQ(ds.fieldCount(), 20);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(ds.field(i).name(), names[i]);

    const platform::dataset::FieldDef ini = ds.fieldByName("HORAINI").def();
    EXPECT_EQ(ini.size, 8);
    EXPECT_EQ(ini.label, "Hora Início");
    EXPECT_EQ(ini.displayWidth, 12);
    EXPECT_EQ(ini.editMask, "!90:00:00;1; ");
    EXPECT_TRUE(ini.flags.where);
    const platform::dataset::FieldDef dur = ds.fieldByName("QTHRAPRO").def();
    EXPECT_TRUE(dur.visible);
    EXPECT_TRUE(dur.flags.where);
    EXPECT_TRUE(dur.flags.hidden);
    EXPECT_EQ(dur.label, "Duração");
    EXPECT_EQ(ds.fieldByName("TXAPRATIVTAR").size(), 4000);
    EXPECT_FALSE(ds.fieldByName("TXAPRATIVTAR").visible());
    EXPECT_EQ(ds.fieldByName("DTHFAPATIVTA").type(), platform::dataset::FieldType::DateTime);
    EXPECT_EQ(ds.fieldByName("DTHFAPATIVTA").displayLabel(), "Fim Ap.");
    EXPECT_TRUE(ds.fieldByName("DSREFETAREFA").def().label == "Descrição");
    EXPECT_FALSE(ds.fieldByName("DSREFETAREFA").visible());
    EXPECT_FALSE(ds.fieldByName("NRTAREFA").def().flags.where);
}

TEST_F(LayoutTest, SearchAndLookupFields) {
    EXPECT_EQ(screen.cdsOperEquip.fieldByName("CDOPERADOR").size(), 15);
    EXPECT_EQ(screen.cdsOperEquip.fieldByName("NMOPERADOR").displayLabel(), "Nome");
    EXPECT_EQ(screen.cdsCtrlAcesso.fieldByName("CDOPERADOR").size(), 12);
    EXPECT_EQ(screen.cdsHoraServidor.fieldByName("SYSDATE").type(),
              platform::dataset::FieldType::DateTime);
    EXPECT_EQ(screen.cdsPesqAtiv.fieldByName("NRPLATIVTARE").displayLabel(), "Número");
    EXPECT_EQ(screen.cdsPesqAtiv.fieldByName("NRPLATIVTARE").displayWidth(), 10);
    EXPECT_FALSE(screen.cdsPesqAtiv.fieldByName("IDSITATIVTAR").visible());
    EXPECT_EQ(screen.cdsPesqTarefa.fieldByName("CDARVPROCESS").displayLabel(), "Cód. Processo");
    EXPECT_TRUE(screen.cdsApropria.fieldByName("CHAVE2").readOnly());
    EXPECT_FALSE(screen.cdsApropria.fieldByName("CDFILIAL").readOnly());
    EXPECT_EQ(screen.cdsPonto.fieldByName("IDORIGPTO").displayLabel(), "Origem");
    EXPECT_EQ(screen.cdsTotPontoReal.fieldByName("HR").size(), 8);
}

}  // namespace
