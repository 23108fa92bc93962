#pragma once

#include <QString>

#include "platform/dataset/data_set.h"

namespace Cli_Zep00700 {

/// The text of a field on the data set's current row.
inline QString fieldText(const platform::dataset::DataSet& dataSet, const char* name) {
    return QString::fromStdString(dataSet.fieldByName(name).text());
}

/// Writes a field's text on the row being edited or inserted (an empty text writes null).
inline void setFieldText(platform::dataset::DataSet& dataSet, const char* name,
                         const QString& text) {
    dataSet.fieldByName(name).setText(text.toStdString());
}

}  // namespace Cli_Zep00700
