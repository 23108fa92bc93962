#include "platform/dbcontrols/db_grid_column.h"

#include "platform/dataset/data_set.h"
#include "platform/dbcontrols/db_grid.h"

namespace platform::dbcontrols {

platform::dataset::Field* DBGridColumn::field() const {
    platform::dataset::DataSet* ds = grid_->dataSet();
    if (!ds || !ds->active()) return nullptr;
    return ds->findField(def_.fieldName.toStdString());
}

int DBGridColumn::width() const {
    if (def_.width > 0) return def_.width;
    return grid_->defaultColumnWidth(field(), title());
}

void DBGridColumn::setWidth(int width) {
    def_.width = width > 0 ? width : 0;
    grid_->columnChanged();
}

QString DBGridColumn::title() const {
    if (!def_.title.isEmpty()) return def_.title;
    if (const platform::dataset::Field* f = field())
        return QString::fromStdString(f->displayLabel());
    return def_.fieldName;
}

void DBGridColumn::setTitle(const QString& title) {
    def_.title = title;
    grid_->columnChanged();
}

void DBGridColumn::setReadOnly(bool readOnly) {
    if (readOnly == def_.readOnly) return;
    def_.readOnly = readOnly;
    grid_->columnChanged();
}

void DBGridColumn::setButtonStyle(ColumnButtonStyle style) {
    if (style == def_.buttonStyle) return;
    def_.buttonStyle = style;
    grid_->columnChanged();
}

}  // namespace platform::dbcontrols
