#pragma once

#include <QString>

#include <vector>

#include "framework/messages.h"
#include "platform/dataset/field_def.h"

namespace Cli_Zep00700 {

/// One data set of the screen as its resource declares it: its fields in
/// order and the name of the data source behind which it sits (empty when
/// it has none).
struct DataSetDefinition {
    QString name;
    QString source;
    std::vector<platform::dataset::FieldDef> fields;
};

/// The module's resource files (Qt resource paths).
QString dataSetsResource();
QString messagesResource();
/// The picture of imgAlerta (made by resources/make_imgalerta.py).
QString alertIconResource();

/// Reads the data set definitions ({"datasets": [{"name", "source",
/// "fields": [{"name", "type", "size", "label", "visible", "readOnly",
/// "displayWidth", "editMask", "flags": ["where", "key", "hidden"]}]}]}).
/// Throws framework::Error naming the file and the member at fault.
std::vector<DataSetDefinition> readDataSetDefinitions(const QString& path);

/// The screen's message table.
framework::TMessages readMessages();

}  // namespace Cli_Zep00700
