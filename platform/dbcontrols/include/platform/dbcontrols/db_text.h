#pragma once

#include <QFrame>

#include "platform/dbcontrols/export.h"
#include "platform/dbcontrols/field_link.h"

namespace platform::dataset {
class DataSource;
class Field;
}  // namespace platform::dataset

namespace platform::dbcontrols {

/// A label showing the display text of one field of the current row; empty
/// while the data set is closed or lacks the field. Its size is the one its
/// layout or owner gives it, never its text's: the text changes with every
/// row, and a label that asked for a new size each time would lay out and
/// repaint every panel around it with each step of the cursor. A text wider
/// than the label is cut at its edge. The text is plain, whatever it holds.
class PLATFORM_DBCONTROLS_EXPORT DBText : public QFrame {
    Q_OBJECT
    Q_PROPERTY(QString text READ text)
public:
    explicit DBText(QWidget* parent = nullptr);
    ~DBText() override;

    void setDataSource(platform::dataset::DataSource* source);
    platform::dataset::DataSource* dataSource() const;
    void setDataField(const QString& fieldName);
    const QString& dataField() const { return link_.dataField(); }
    platform::dataset::Field* field() const;

    const QString& text() const { return text_; }
    Qt::Alignment alignment() const { return alignment_; }
    void setAlignment(Qt::Alignment alignment);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void load();

    FieldLink link_;
    QString text_;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
};

}  // namespace platform::dbcontrols
