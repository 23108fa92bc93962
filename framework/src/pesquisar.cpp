#include "framework/pesquisar.h"

#include "framework/errors.h"
#include "platform/dataset/data_set.h"
#include "platform/dataset/data_source.h"
#include "platform/ui/dialog_service.h"

namespace framework {

namespace {

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

platform::ui::PickList buildPickList(platform::dataset::DataSet& ds, const QString& title,
                                     bool allFields) {
    platform::ui::PickList list;
    list.title = title;
    std::vector<platform::dataset::Field*> shown;
    for (int i = 0; i < ds.fieldCount(); ++i) {
        platform::dataset::Field& field = ds.field(i);
        if (!allFields && !field.visible()) continue;
        shown.push_back(&field);
        list.columnTitles.append(fromStd(field.displayLabel()));
    }
    const int rows = ds.recordCount();
    list.rows.reserve(static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        auto scope = ds.showDisplayRow(row);
        QStringList texts;
        for (platform::dataset::Field* field : shown) texts.append(fromStd(field->displayText()));
        list.rows.push_back(std::move(texts));
    }
    return list;
}

}  // namespace

QString PesquisarEmptyText() {
    return QStringLiteral("Não há registros para pesquisar.");
}

bool Pesquisar(platform::dataset::DataSource* source, const QString& title, bool allFields,
               bool emptyAsError) {
    const qsizetype bar = title.indexOf(QLatin1Char('|'));
    const QString dialogTitle = bar < 0 ? title : title.left(bar);
    const QString emptyText = bar < 0 ? PesquisarEmptyText() : title.mid(bar + 1);

    // A disabled source shows its data set as closed, as it does to controls.
    platform::dataset::DataSet* ds =
        source && source->state() != platform::dataset::DataSetState::Inactive ? source->dataSet()
                                                                               : nullptr;
    if (ds) ds->checkBrowseMode();
    if (!ds || ds->isEmpty()) {
        if (emptyAsError) {
            platform::ui::dialogs().error(emptyText);
        } else {
            platform::ui::dialogs().information(emptyText);
        }
        return false;
    }

    const platform::ui::PickList list = buildPickList(*ds, dialogTitle, allFields);
    const std::optional<int> picked = platform::ui::dialogs().pick(list);
    if (!picked) return false;
    if (*picked < 0 || static_cast<std::size_t>(*picked) >= list.rows.size()) {
        throw Error(QStringLiteral("A pesquisa \"%1\" devolveu a linha %2, que não existe.")
                        .arg(dialogTitle)
                        .arg(*picked + 1));
    }
    ds->setRecNo(*picked + 1);
    return true;
}

}  // namespace framework
