#include "platform/dbcontrols/db_navigator.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

#include "platform/dataset/data_set.h"
#include "platform/dataset/data_source.h"
#include "platform/ui/dispatch.h"

namespace platform::dbcontrols {

int DBNavigator::slot(Button which) {
    switch (which) {
        case Button::First:
            return 0;
        case Button::Prior:
            return 1;
        case Button::Next:
            return 2;
        case Button::Last:
            return 3;
    }
    return 0;
}

DBNavigator::DBNavigator(QWidget* parent)
    : QWidget(parent),
      link_({.activeChanged = [this] { updateButtons(); },
             .editingChanged = [this] { updateButtons(); },
             .dataSetChanged = [this] { updateButtons(); },
             .dataSetScrolled = [this] { updateButtons(); }}) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const struct {
        Button which;
        QStyle::StandardPixmap icon;
        const char* hint;
    } kButtons[] = {{Button::First, QStyle::SP_MediaSkipBackward, "Primeiro"},
                    {Button::Prior, QStyle::SP_MediaSeekBackward, "Anterior"},
                    {Button::Next, QStyle::SP_MediaSeekForward, "Próximo"},
                    {Button::Last, QStyle::SP_MediaSkipForward, "Último"}};
    for (const auto& entry : kButtons) {
        auto* b = new QToolButton(this);
        b->setIcon(style()->standardIcon(entry.icon));
        b->setToolTip(QString::fromUtf8(entry.hint));
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRaise(true);
        layout->addWidget(b);
        const Button which = entry.which;
        connect(b, &QToolButton::clicked, this, [this, which] { click(which); });
        buttons_[static_cast<std::size_t>(slot(which))] = b;
    }
    updateButtons();
}

DBNavigator::~DBNavigator() {
    link_.setDataSource(nullptr);
}

void DBNavigator::setDataSource(platform::dataset::DataSource* source) {
    link_.setDataSource(source);
    updateButtons();
}

platform::dataset::DataSource* DBNavigator::dataSource() const {
    return link_.dataSource();
}

void DBNavigator::setVisibleButtons(Buttons buttons) {
    visible_ = buttons;
    for (Button b : {Button::First, Button::Prior, Button::Next, Button::Last})
        button(b)->setVisible(visible_.testFlag(b));
}

QToolButton* DBNavigator::button(Button which) const {
    return buttons_[static_cast<std::size_t>(slot(which))];
}

void DBNavigator::click(Button which) {
    platform::dataset::DataSet* ds = link_.openDataSet();
    if (!ds) return;
    ui::dispatch([&] {
        switch (which) {
            case Button::First:
                ds->first();
                break;
            case Button::Prior:
                ds->prior();
                break;
            case Button::Next:
                ds->next();
                break;
            case Button::Last:
                ds->last();
                break;
        }
    });
    updateButtons();
}

void DBNavigator::updateButtons() {
    const platform::dataset::DataSet* ds = link_.openDataSet();
    const int row = ds ? ds->recNo() : 0;
    const int count = ds ? ds->recordCount() : 0;
    const bool inserting = ds && ds->state() == platform::dataset::DataSetState::Insert;
    // A new row can always be left towards the stored ones.
    const bool canGoBack = ds && !ds->isEmpty() && (row > 1 || inserting);
    const bool canGoOn = ds && !ds->isEmpty() && (row < count || inserting);
    button(Button::First)->setEnabled(canGoBack);
    button(Button::Prior)->setEnabled(canGoBack);
    button(Button::Next)->setEnabled(canGoOn);
    button(Button::Last)->setEnabled(canGoOn);
}

}  // namespace platform::dbcontrols
