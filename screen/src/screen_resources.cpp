#include "screen_resources.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "framework/errors.h"

// The resources live in this static library: register them explicitly, since
// nothing else would pull their initializer into the module.
static void registerScreenResources() {
    Q_INIT_RESOURCE(screen);
}

namespace Cli_Zep00700 {

namespace {

void ensureResources() {
    static const bool registered = (registerScreenResources(), true);
    (void)registered;
}

[[noreturn]] void fail(const QString& path, const QString& where, const QString& what) {
    throw framework::Error(QStringLiteral("%1: %2: %3").arg(path, where, what));
}

platform::dataset::FieldDef readField(const QString& path, const QString& where,
                                      const QJsonObject& object) {
    platform::dataset::FieldDef def;
    const QString name = object.value(QStringLiteral("name")).toString();
    if (name.isEmpty()) fail(path, where, QStringLiteral("campo sem \"name\""));
    def.name = name.toStdString();
    const QString type = object.value(QStringLiteral("type")).toString(QStringLiteral("string"));
    if (type == QStringLiteral("string")) {
        def.type = platform::dataset::FieldType::String;
    } else if (type == QStringLiteral("datetime")) {
        def.type = platform::dataset::FieldType::DateTime;
    } else {
        fail(path, where, QStringLiteral("tipo desconhecido \"%1\"").arg(type));
    }
    def.size = object.value(QStringLiteral("size")).toInt(platform::dataset::kDefaultStringSize);
    def.label = object.value(QStringLiteral("label")).toString().toStdString();
    def.visible = object.value(QStringLiteral("visible")).toBool(true);
    def.readOnly = object.value(QStringLiteral("readOnly")).toBool(false);
    def.displayWidth = object.value(QStringLiteral("displayWidth")).toInt(0);
    def.editMask = object.value(QStringLiteral("editMask")).toString().toStdString();
    for (const QJsonValue flag : object.value(QStringLiteral("flags")).toArray()) {
        const QString text = flag.toString();
        if (text == QStringLiteral("where")) {
            def.flags.where = true;
        } else if (text == QStringLiteral("key")) {
            def.flags.key = true;
        } else if (text == QStringLiteral("hidden")) {
            def.flags.hidden = true;
        } else {
            fail(path, where, QStringLiteral("marca desconhecida \"%1\"").arg(text));
        }
    }
    return def;
}

}  // namespace

QString dataSetsResource() {
    ensureResources();
    return QStringLiteral(":/apropriacao/datasets.json");
}

QString messagesResource() {
    ensureResources();
    return QStringLiteral(":/apropriacao/messages.txt");
}

QString alertIconResource() {
    ensureResources();
    return QStringLiteral(":/apropriacao/imgAlerta.xpm");
}

std::vector<DataSetDefinition> readDataSetDefinitions(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) fail(path, QStringLiteral("arquivo"), file.errorString());
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (document.isNull()) fail(path, QStringLiteral("JSON"), error.errorString());

    std::vector<DataSetDefinition> result;
    const QJsonArray sets = document.object().value(QStringLiteral("datasets")).toArray();
    for (qsizetype i = 0; i < sets.size(); ++i) {
        const QJsonObject object = sets.at(i).toObject();
        DataSetDefinition definition;
        definition.name = object.value(QStringLiteral("name")).toString();
        const QString where = QStringLiteral("datasets[%1]").arg(i);
        if (definition.name.isEmpty()) fail(path, where, QStringLiteral("sem \"name\""));
        definition.source = object.value(QStringLiteral("source")).toString();
        const QJsonArray fields = object.value(QStringLiteral("fields")).toArray();
        for (qsizetype f = 0; f < fields.size(); ++f)
            definition.fields.push_back(readField(
                path, QStringLiteral("%1.fields[%2]").arg(where).arg(f), fields.at(f).toObject()));
        result.push_back(std::move(definition));
    }
    return result;
}

framework::TMessages readMessages() {
    return framework::TMessages::fromFile(messagesResource());
}

}  // namespace Cli_Zep00700
