#include "framework/messages.h"

#include <QFile>

#include "framework/errors.h"

namespace framework {

TMessages TMessages::fromText(const QString& text) {
    TMessages table;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (line.trimmed().isEmpty()) continue;
        const auto bar = line.indexOf(QLatin1Char('|'));
        if (bar < 0)
            throw Error(
                QStringLiteral("Tabela de mensagens, linha %1: falta a barra entre chave e texto.")
                    .arg(i + 1));
        if (bar == 0)
            throw Error(QStringLiteral("Tabela de mensagens, linha %1: chave vazia.").arg(i + 1));
        try {
            table.Add(line.left(bar), line.mid(bar + 1));
        } catch (const Error& e) {
            throw Error(
                QStringLiteral("Tabela de mensagens, linha %1: %2").arg(i + 1).arg(e.message()));
        }
    }
    return table;
}

TMessages TMessages::fromFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Error(QStringLiteral("Não foi possível ler a tabela de mensagens %1: %2")
                        .arg(path, file.errorString()));
    }
    return fromText(QString::fromUtf8(file.readAll()));
}

void TMessages::Add(const QString& key, const QString& text) {
    if (findEntry(key))
        throw Error(QStringLiteral("a chave \"%1\" aparece mais de uma vez.").arg(key));
    entries_.push_back({key, key.toCaseFolded(), text});
}

const TMessages::Entry* TMessages::findEntry(const QString& key) const {
    const QString folded = key.toCaseFolded();
    for (const Entry& e : entries_) {
        if (e.folded == folded) return &e;
    }
    return nullptr;
}

QString TMessages::Msg(const QString& key) const {
    if (const Entry* e = findEntry(key)) return e->text;
    throw Error(QStringLiteral("Mensagem \"%1\" não encontrada na tabela de mensagens.").arg(key));
}

bool TMessages::Contains(const QString& key) const {
    return findEntry(key) != nullptr;
}

QStringList TMessages::Keys() const {
    QStringList keys;
    for (const Entry& e : entries_) keys.append(e.key);
    return keys;
}

}  // namespace framework
