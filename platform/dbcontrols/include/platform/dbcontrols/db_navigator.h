#pragma once

#include <QFlags>
#include <QWidget>

#include <array>

#include "platform/dbcontrols/export.h"
#include "platform/dbcontrols/field_link.h"

class QToolButton;

namespace platform::dataset {
class DataSource;
}

namespace platform::dbcontrols {

/// A row of buttons that move the cursor of the data set behind its data
/// source: first, prior, next and last. The buttons take no focus, so a
/// click leaves the focus (and any edit in progress) where it is; moving
/// posts or cancels that edit as every move of the data set does. A button
/// is disabled when its move would go nowhere.
class PLATFORM_DBCONTROLS_EXPORT DBNavigator : public QWidget {
    Q_OBJECT
public:
    enum class Button { First = 0x1, Prior = 0x2, Next = 0x4, Last = 0x8 };
    Q_DECLARE_FLAGS(Buttons, Button)

    explicit DBNavigator(QWidget* parent = nullptr);
    ~DBNavigator() override;

    void setDataSource(platform::dataset::DataSource* source);
    platform::dataset::DataSource* dataSource() const;

    /// The buttons shown (all four by default).
    void setVisibleButtons(Buttons buttons);
    Buttons visibleButtons() const { return visible_; }
    /// The widget of a button, for layout and tests.
    QToolButton* button(Button which) const;

    /// Runs a button's move as a click does (errors shown, not thrown).
    void click(Button which);

private:
    void updateButtons();
    static int slot(Button which);

    FieldLink link_;
    std::array<QToolButton*, 4> buttons_{};
    Buttons visible_ = Buttons(Button::First) | Button::Prior | Button::Next | Button::Last;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(DBNavigator::Buttons)

}  // namespace platform::dbcontrols
