#include <gtest/gtest.h>

#include <QHBoxLayout>
#include <QLineEdit>
#include <QTest>

#include <string>
#include <vector>

#include "framework/btn_pesquisa.h"
#include "framework/errors.h"
#include "framework/indice_col.h"
#include "framework/pesquisar.h"
#include "platform/dataset/data_set.h"
#include "platform/dataset/data_source.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/ui/focus_manager.h"
#include "platform/ui/scripted_dialog_service.h"

namespace {

using platform::ui::ScriptedDialogService;

// The scripted service, also keeping the lists it was shown.
class RecordingDialogs : public ScriptedDialogService {
public:
    std::optional<int> pick(const platform::ui::PickList& list) override {
        lists.push_back(list);
        return ScriptedDialogService::pick(list);
    }
    std::vector<platform::ui::PickList> lists;
};

// cdsOperEquip-like list: code and name shown, a hidden note.
struct OperatorList {
    platform::dataset::DataSet ds{"cdsOperEquip"};
    platform::dataset::DataSource source{&ds};
    int scrolls = 0;

    OperatorList() {
        ds.addField({.name = "CDOPERADOR", .size = 15, .label = "Código"});
        ds.addField({.name = "NMOPERADOR", .size = 40, .label = "Nome"});
        ds.addField({.name = "OBS", .size = 10, .label = "Obs", .visible = false});
        ds.events.afterScroll = [this](platform::dataset::DataSet&) { ++scrolls; };
    }
    void load(const std::vector<std::pair<std::string, std::string>>& rows) {
        platform::dataset::DataPacket packet{ds.fieldDefs(), {}};
        for (const auto& [code, name] : rows) packet.rows.push_back({code, name, "x"});
        ds.load(packet);
    }
    std::string current() const { return ds.fieldByName("CDOPERADOR").asString(); }
};

TEST(Pesquisar, OffersVisibleFieldsByLabelAndPositionsOnThePickedRow) {
    RecordingDialogs dialogs;
    platform::ui::ScopedDialogService installed(dialogs);
    OperatorList list;
    list.load({{"000001", "Ana"}, {"000002", "Bruno"}, {"000003", "Carla"}});
    list.scrolls = 0;

    dialogs.queuePick(2);
    EXPECT_TRUE(framework::Pesquisar(&list.source, QStringLiteral("Operador"), false, true));
    EXPECT_EQ(list.current(), "000003");
    EXPECT_EQ(list.scrolls, 1);  // only the move to the picked row

    ASSERT_EQ(dialogs.lists.size(), 1u);
    const platform::ui::PickList& shown = dialogs.lists[0];
    EXPECT_EQ(shown.title, QStringLiteral("Operador"));
    EXPECT_EQ(shown.columnTitles, (QStringList{QStringLiteral("Código"), QStringLiteral("Nome")}));
    ASSERT_EQ(shown.rows.size(), 3u);
    EXPECT_EQ(shown.rows[1], (QStringList{QStringLiteral("000002"), QStringLiteral("Bruno")}));

    // allFields adds the hidden one.
    dialogs.queuePick(0);
    EXPECT_TRUE(framework::Pesquisar(&list.source, QStringLiteral("Operador"), true, true));
    EXPECT_EQ(dialogs.lists[1].columnTitles.size(), 3);
    EXPECT_EQ(list.current(), "000001");
}

TEST(Pesquisar, CancelLeavesTheRowWhereItWas) {
    RecordingDialogs dialogs;
    platform::ui::ScopedDialogService installed(dialogs);
    OperatorList list;
    list.load({{"000001", "Ana"}, {"000002", "Bruno"}});
    list.ds.next();
    list.scrolls = 0;

    dialogs.queuePick(std::nullopt);
    EXPECT_FALSE(framework::Pesquisar(&list.source, QStringLiteral("Operador|vazio"), false, true));
    EXPECT_EQ(list.current(), "000002");
    EXPECT_EQ(list.scrolls, 0);
    EXPECT_TRUE(dialogs.texts(ScriptedDialogService::Kind::Error).isEmpty());
}

TEST(Pesquisar, EmptyListShowsTheTextAfterTheBarInsteadOfAList) {
    RecordingDialogs dialogs;
    platform::ui::ScopedDialogService installed(dialogs);
    OperatorList list;
    list.load({});
    const QString text =
        QStringLiteral("Não há atividades cadastradas para o operador Ana na tarefa 0000000012.");

    EXPECT_FALSE(
        framework::Pesquisar(&list.source, QStringLiteral("Atividade|") + text, false, true));
    EXPECT_TRUE(dialogs.lists.empty());
    EXPECT_EQ(dialogs.texts(ScriptedDialogService::Kind::Error), QStringList{text});

    // As information when asked, and with the default text without a bar.
    dialogs.clear();
    EXPECT_FALSE(framework::Pesquisar(&list.source, QStringLiteral("Atividade"), false, false));
    EXPECT_EQ(dialogs.texts(ScriptedDialogService::Kind::Information),
              QStringList{framework::PesquisarEmptyText()});

    // A closed data set and a missing source are empty lists too.
    dialogs.clear();
    list.ds.close();
    EXPECT_FALSE(framework::Pesquisar(&list.source, QStringLiteral("T|fechado"), false, true));
    EXPECT_FALSE(framework::Pesquisar(nullptr, QStringLiteral("T|sem fonte"), false, true));
    EXPECT_EQ(dialogs.texts(ScriptedDialogService::Kind::Error),
              (QStringList{QStringLiteral("fechado"), QStringLiteral("sem fonte")}));
    EXPECT_TRUE(dialogs.lists.empty());
}

TEST(Pesquisar, FilteredRowsAreTheOnesOfferedAndPicked) {
    RecordingDialogs dialogs;
    platform::ui::ScopedDialogService installed(dialogs);
    OperatorList list;
    list.load({{"000001", "Ana"}, {"000002", "Bruno"}, {"000003", "Carla"}});
    list.ds.setFilter("NMOPERADOR <> 'Ana'");
    list.ds.setFiltered(true);

    dialogs.queuePick(1);
    EXPECT_TRUE(framework::Pesquisar(&list.source, QStringLiteral("Operador"), false, true));
    ASSERT_EQ(dialogs.lists[0].rows.size(), 2u);
    EXPECT_EQ(dialogs.lists[0].rows[0][1], QStringLiteral("Bruno"));
    EXPECT_EQ(list.current(), "000003");
}

// --- TBtnPesquisa ----------------------------------------------------------------

struct SearchForm {
    QWidget form;
    QLineEdit* code = new QLineEdit(&form);
    QLineEdit* other = new QLineEdit(&form);
    framework::TBtnPesquisa* button = new framework::TBtnPesquisa(&form);
    platform::ui::FocusManager focus{&form};
    OperatorList list;
    std::vector<std::string> events;

    SearchForm() {
        auto* layout = new QHBoxLayout(&form);
        layout->addWidget(code);
        layout->addWidget(button);
        layout->addWidget(other);
        button->SetAssociate(code);
        button->SetDataSource(&list.source);
        button->SetTitle(QStringLiteral("Operador"));
        button->SetEmptyError(
            QStringLiteral("Não há operador cadastrado para equipe de trabalho do usuário."));
        focus.setOnExit(other, [this] { events.push_back("exit other"); });
        focus.setOnEnter(code, [this] { events.push_back("enter code"); });
        form.show();
    }
};

TEST(TBtnPesquisa, ClickRaisesBeforeThenListThenAfterThenFocusesTheAssociate) {
    RecordingDialogs dialogs;
    platform::ui::ScopedDialogService installed(dialogs);
    SearchForm f;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.form));
    ASSERT_TRUE(f.focus.setFocusTo(f.other));
    f.events.clear();
    f.button->OnBeforePesq = [&](framework::TBtnPesquisa& sender, bool& proceed) {
        EXPECT_EQ(&sender, f.button);
        EXPECT_TRUE(proceed);
        f.events.push_back("before");
        f.list.load({{"000001", "Ana"}, {"000002", "Bruno"}});
    };
    f.button->OnAfterPesq = [&](framework::TBtnPesquisa&) {
        f.events.push_back("after " + f.list.current());
        f.code->setText(QString::fromStdString(f.list.current()));
    };
    dialogs.queuePick(1);

    QTest::mouseClick(f.button, Qt::LeftButton);

    EXPECT_EQ(f.events,
              (std::vector<std::string>{"before", "after 000002", "exit other", "enter code"}));
    EXPECT_EQ(dialogs.texts(ScriptedDialogService::Kind::Pick),
              QStringList{QStringLiteral("Operador")});
    EXPECT_EQ(f.code->text(), QStringLiteral("000002"));
    EXPECT_EQ(QApplication::focusWidget(), f.code);
}

TEST(TBtnPesquisa, EmptyListShowsEmptyErrorAndNoListNoAfter) {
    RecordingDialogs dialogs;
    platform::ui::ScopedDialogService installed(dialogs);
    SearchForm f;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.form));
    f.button->OnBeforePesq = [&](framework::TBtnPesquisa&, bool&) { f.list.load({}); };
    bool after = false;
    f.button->OnAfterPesq = [&](framework::TBtnPesquisa&) { after = true; };

    QTest::mouseClick(f.button, Qt::LeftButton);

    EXPECT_EQ(dialogs.texts(ScriptedDialogService::Kind::Error),
              QStringList{QStringLiteral(
                  "Não há operador cadastrado para equipe de trabalho do usuário.")});
    EXPECT_TRUE(dialogs.lists.empty());
    EXPECT_FALSE(after);
}

TEST(TBtnPesquisa, FailureOrRefusalBeforeTheListEndsTheSearch) {
    RecordingDialogs dialogs;
    platform::ui::ScopedDialogService installed(dialogs);
    SearchForm f;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.form));
    f.list.load({{"000001", "Ana"}});
    bool after = false;
    f.button->OnAfterPesq = [&](framework::TBtnPesquisa&) { after = true; };

    // An error is shown once by the dispatch point; no list.
    f.button->OnBeforePesq = [](framework::TBtnPesquisa&, bool&) {
        throw framework::ServerCallError(QStringLiteral("Servidor fora do ar"), "GetOperEquip", {},
                                         0);
    };
    QTest::mouseClick(f.button, Qt::LeftButton);
    EXPECT_EQ(dialogs.texts(ScriptedDialogService::Kind::Error),
              QStringList{QStringLiteral("Servidor fora do ar")});

    // The handler may decline quietly.
    f.button->OnBeforePesq = [](framework::TBtnPesquisa&, bool& proceed) { proceed = false; };
    QTest::mouseClick(f.button, Qt::LeftButton);

    // A cancelled list raises no after event either.
    f.button->OnBeforePesq = nullptr;
    dialogs.queuePick(std::nullopt);
    QTest::mouseClick(f.button, Qt::LeftButton);

    EXPECT_EQ(dialogs.lists.size(), 1u);
    EXPECT_EQ(dialogs.shown().size(), 2u);
    EXPECT_FALSE(after);
    EXPECT_EQ(dialogs.pendingAnswers(), 0u);
}

TEST(TBtnPesquisa, PressingItKeepsTheFocusAndRunsNoExitHandler) {
    RecordingDialogs dialogs;
    platform::ui::ScopedDialogService installed(dialogs);
    SearchForm f;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.form));
    ASSERT_TRUE(f.focus.setFocusTo(f.other));
    f.events.clear();
    f.list.load({});

    QTest::mouseClick(f.button, Qt::LeftButton);

    EXPECT_EQ(QApplication::focusWidget(), f.other);
    EXPECT_TRUE(f.events.empty());
}

// --- IndiceCol ----------------------------------------------------------------------

TEST(IndiceCol, FindsTheColumnOfAFieldWithoutRegardToCaseAndRefusesAMissingOne) {
    platform::dataset::DataSet ds("cdsAtividades");
    ds.addField({.name = "HORAINI", .size = 8});
    ds.addField({.name = "NRTAREFA", .size = 10});
    ds.addField({.name = "NRPLATIVTARE", .size = 5});
    ds.createDataSet();
    platform::dataset::DataSource source(&ds);
    platform::dbcontrols::DBGrid grid;
    grid.setObjectName(QStringLiteral("dbgAtividades"));
    grid.setDataSource(&source);
    grid.setColumns({{.fieldName = QStringLiteral("NRTAREFA")},
                     {.fieldName = QStringLiteral("NRPLATIVTARE")},
                     {.fieldName = QStringLiteral("HORAINI")}});

    EXPECT_EQ(framework::IndiceCol(&grid, QStringLiteral("NRTAREFA")), 0);
    EXPECT_EQ(framework::IndiceCol(&grid, QStringLiteral("HORAINI")), 2);
    EXPECT_EQ(framework::IndiceCol(&grid, QStringLiteral("nrPlAtivTare")), 1);
    try {
        framework::IndiceCol(&grid, QStringLiteral("QTHRAPRO"));
        ADD_FAILURE() << "a missing column must not give an index";
    } catch (const framework::Error& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("dbgAtividades")));
        EXPECT_TRUE(e.message().contains(QStringLiteral("QTHRAPRO")));
    }
    EXPECT_THROW(framework::IndiceCol(nullptr, QStringLiteral("NRTAREFA")), framework::Error);
}

}  // namespace
