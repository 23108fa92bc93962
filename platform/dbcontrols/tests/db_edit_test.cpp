// The data edit, the data label and the navigator.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/dataset/data_set.h"
#include "platform/dataset/data_source.h"
#include "platform/dataset/errors.h"
#include "platform/dbcontrols/db_edit.h"
#include "platform/dbcontrols/db_navigator.h"
#include "platform/dbcontrols/db_text.h"
#include "platform/ui/focus_manager.h"
#include "platform/ui/scripted_dialog_service.h"

namespace {

using platform::dataset::DataPacket;
using platform::dataset::DataSetState;
using platform::dataset::FieldDef;
using platform::dataset::Value;
using platform::dbcontrols::DBNavigator;

struct DataControlsTest : ::testing::Test {
    DataControlsTest() : installed(dialogs), ds("cdsAtividades"), source(&ds) {
        ds.addField(FieldDef{.name = "HORAINI", .size = 8, .editMask = "!90:00:00;1; "});
        ds.addField(FieldDef{.name = "ATIVIDADE", .size = 121});
        auto* layout = new QVBoxLayout(&window);
        edit = new platform::dbcontrols::DBEdit(&window);
        label = new platform::dbcontrols::DBText(&window);
        nav = new DBNavigator(&window);
        other = new QLineEdit(&window);
        for (QWidget* w : {static_cast<QWidget*>(edit), static_cast<QWidget*>(label),
                           static_cast<QWidget*>(nav), static_cast<QWidget*>(other)})
            layout->addWidget(w);
        edit->setDataSource(&source);
        edit->setDataField(QStringLiteral("HORAINI"));
        label->setDataSource(&source);
        label->setDataField(QStringLiteral("ATIVIDADE"));
        nav->setDataSource(&source);
        new platform::ui::FocusManager(&window);
    }

    void SetUp() override {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void load() {
        DataPacket p;
        p.fields = ds.fieldDefs();
        p.rows = {{Value("08:00:00"), Value("Análise")},
                  {Value("09:00:00"), Value("Testes")},
                  {Value("10:00:00"), Value("Revisão")}};
        ds.load(std::move(p));
    }

    platform::ui::ScriptedDialogService dialogs;
    platform::ui::ScopedDialogService installed;
    platform::dataset::DataSet ds;
    platform::dataset::DataSource source;
    QWidget window;
    platform::dbcontrols::DBEdit* edit = nullptr;
    platform::dbcontrols::DBText* label = nullptr;
    DBNavigator* nav = nullptr;
    QLineEdit* other = nullptr;
};

TEST_F(DataControlsTest, the_edit_shows_the_field_and_writes_it_back_when_posted) {
    EXPECT_TRUE(edit->QLineEdit::isReadOnly()) << "nothing to edit while closed";
    load();
    EXPECT_FALSE(edit->QLineEdit::isReadOnly());
    EXPECT_EQ(edit->text(), QStringLiteral("08:00:00"));
    edit->setFocus();
    edit->setCursorPosition(0);
    QTest::keyClicks(edit, QStringLiteral("11"));
    EXPECT_EQ(ds.state(), DataSetState::Edit);
    EXPECT_EQ(ds.fieldByName("HORAINI").text(), "08:00:00") << "written on post, not per key";
    ds.post();
    EXPECT_EQ(ds.fieldByName("HORAINI").text(), "11:00:00");
}

TEST_F(DataControlsTest, the_edit_writes_when_the_focus_leaves_and_esc_restores_the_field) {
    load();
    edit->setFocus();
    edit->setCursorPosition(0);
    QTest::keyClicks(edit, QStringLiteral("07"));
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(edit->text(), QStringLiteral("08:00:00"));
    edit->setCursorPosition(0);
    QTest::keyClicks(edit, QStringLiteral("07"));
    other->setFocus();
    EXPECT_EQ(ds.fieldByName("HORAINI").text(), "07:00:00");
}

TEST_F(DataControlsTest, the_edit_follows_the_row_and_honours_read_only_and_refusals) {
    load();
    ds.next();
    EXPECT_EQ(edit->text(), QStringLiteral("09:00:00"));
    edit->setReadOnly(true);
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("1"));
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    edit->setReadOnly(false);
    ds.events.beforeEdit = [](platform::dataset::DataSet&) { throw platform::dataset::Abort(); };
    edit->setCursorPosition(0);
    QTest::keyClicks(edit, QStringLiteral("1"));
    EXPECT_EQ(edit->text(), QStringLiteral("09:00:00"));
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(DataControlsTest, a_focus_request_for_the_edits_field_puts_the_focus_there) {
    load();
    other->setFocus();
    EXPECT_TRUE(ds.fieldByName("HORAINI").focusControl());
    EXPECT_TRUE(edit->hasFocus());
}

TEST_F(DataControlsTest, the_label_shows_the_display_text_of_the_current_row) {
    EXPECT_EQ(label->text(), QString());
    load();
    EXPECT_EQ(label->text(), QString::fromUtf8("Análise"));
    ds.last();
    EXPECT_EQ(label->text(), QString::fromUtf8("Revisão"));
}

/// Counts the layout requests a widget receives.
struct LayoutRequests : QObject {
    int count = 0;
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::LayoutRequest) ++count;
        return false;
    }
};

TEST_F(DataControlsTest, the_labels_text_changing_with_the_row_lays_nothing_out_again) {
    // Every step of the cursor changes the label's text: were its size
    // hint to follow, every panel up to the window would be laid out again.
    load();
    QCoreApplication::processEvents();
    const QSize hint = label->sizeHint();
    LayoutRequests requests;
    window.installEventFilter(&requests);
    ds.last();
    QCoreApplication::processEvents();
    EXPECT_EQ(label->text(), QString::fromUtf8("Revisão"));
    EXPECT_EQ(requests.count, 0);
    EXPECT_EQ(label->sizeHint(), hint);
}

TEST_F(DataControlsTest, the_label_draws_its_text_plain_and_within_its_bounds) {
    DataPacket p;
    p.fields = ds.fieldDefs();
    p.rows = {{Value("08:00:00"), Value("<b>x</b>")}};
    ds.load(std::move(p));
    // A field's text is never markup: a label laying it out as rich text
    // would show "x" in bold instead of what was typed.
    label->resize(200, label->height());
    QImage drawn = label->grab().toImage();
    const int inked = [&] {
        int columns = 0;
        for (int x = 0; x < drawn.width(); ++x)
            for (int y = 0; y < drawn.height(); ++y)
                if (qGray(drawn.pixel(x, y)) < 128) {
                    ++columns;
                    break;
                }
        return columns;
    }();
    const int plainWidth = label->fontMetrics().horizontalAdvance(QStringLiteral("<b>x</b>"));
    EXPECT_GT(inked, plainWidth / 2);
    EXPECT_LE(inked, plainWidth + 2);
}

TEST_F(DataControlsTest, the_navigator_moves_and_disables_the_moves_that_go_nowhere) {
    EXPECT_FALSE(nav->button(DBNavigator::Button::Next)->isEnabled());
    load();
    EXPECT_FALSE(nav->button(DBNavigator::Button::First)->isEnabled());
    EXPECT_FALSE(nav->button(DBNavigator::Button::Prior)->isEnabled());
    QTest::mouseClick(nav->button(DBNavigator::Button::Next), Qt::LeftButton);
    EXPECT_EQ(ds.recNo(), 2);
    QTest::mouseClick(nav->button(DBNavigator::Button::Last), Qt::LeftButton);
    EXPECT_EQ(ds.recNo(), 3);
    EXPECT_FALSE(nav->button(DBNavigator::Button::Next)->isEnabled());
    EXPECT_TRUE(nav->button(DBNavigator::Button::Prior)->isEnabled());
    QTest::mouseClick(nav->button(DBNavigator::Button::Prior), Qt::LeftButton);
    EXPECT_EQ(ds.recNo(), 2);
    QTest::mouseClick(nav->button(DBNavigator::Button::First), Qt::LeftButton);
    EXPECT_EQ(ds.recNo(), 1);
}

TEST_F(DataControlsTest, a_navigator_move_posts_the_edit_in_progress_and_buttons_can_be_hidden) {
    load();
    ds.edit();
    ds.fieldByName("ATIVIDADE").setText("Outra");
    nav->click(DBNavigator::Button::Next);
    EXPECT_EQ(ds.state(), DataSetState::Browse);
    EXPECT_EQ(ds.changeCount(), 1);
    nav->setVisibleButtons(DBNavigator::Buttons(DBNavigator::Button::First) |
                           DBNavigator::Button::Last);
    EXPECT_TRUE(nav->button(DBNavigator::Button::First)->isVisible());
    EXPECT_FALSE(nav->button(DBNavigator::Button::Next)->isVisible());
}

}  // namespace
