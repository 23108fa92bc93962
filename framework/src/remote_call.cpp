#include "framework/remote_call.h"

#include <nlohmann/json.hpp>

#include "framework/errors.h"
#include "framework/utils.h"
#include "platform/dataset/packet_json.h"

namespace framework {

RemoteArg::RemoteArg(std::string text) : text_(std::move(text)) {}
RemoteArg::RemoteArg(const char* text) : text_(text ? text : "") {}
RemoteArg::RemoteArg(const QString& text) : text_(text.toStdString()) {}

RemoteArg RemoteArg::date(const platform::dataset::DateTime& date) {
    if (!date.datePart().isValid())
        throw Error(QStringLiteral("Data inválida como argumento de chamada ao servidor."));
    RemoteArg arg;
    arg.kind_ = Kind::Date;
    arg.when_ = date.datePart();
    return arg;
}

RemoteArg RemoteArg::dateTime(const platform::dataset::DateTime& when) {
    if (!when.isValid())
        throw Error(QStringLiteral("Data e hora inválidas como argumento de chamada ao servidor."));
    RemoteArg arg;
    arg.kind_ = Kind::DateTime;
    arg.when_ = when;
    return arg;
}

RemoteArg RemoteArg::delta(platform::dataset::ChangePacket changes) {
    RemoteArg arg;
    arg.kind_ = Kind::ChangePacket;
    arg.delta_ = std::make_shared<const platform::dataset::ChangePacket>(std::move(changes));
    return arg;
}

nlohmann::json RemoteArg::toJson() const {
    switch (kind_) {
        case Kind::Text:
            return text_;
        case Kind::Date:
            return {{"date", when_.toIsoDate()}};
        case Kind::DateTime:
            return {{"datetime", when_.toIso()}};
        case Kind::ChangePacket:
            return {{"delta", platform::dataset::toJson(*delta_)}};
    }
    return nullptr;
}

QString RemoteResult::failureText() const {
    const QString where = QStringLiteral("%1:%2").arg(QString::fromStdString(host)).arg(port);
    const QString name = QString::fromStdString(method);
    switch (status) {
        case Status::Ok:
            return {};
        case Status::ServerError:
            if (!message.empty()) return QString::fromStdString(message);
            return QStringLiteral("O servidor de aplicação recusou o método %1 (código %2).")
                .arg(name, QString::fromStdString(errorCode));
        case Status::ConnectionFailed:
            return QStringLiteral(
                       "Não foi possível comunicar com o servidor de aplicação em %1. "
                       "Verifique se ele está em execução e se o endereço está correto.")
                .arg(where);
        case Status::BadReply:
            return QStringLiteral(
                       "Resposta inválida do servidor de aplicação (%1) ao método %2: %3")
                .arg(where, name, QString::fromStdString(message));
    }
    return {};
}

platform::dataset::DataPacket CheckResultServ(const RemoteResult& result, bool raise, int minRows) {
    QString failure;
    if (!result.ok()) {
        failure = result.failureText();
    } else {
        platform::dataset::DataPacket packet =
            result.packet.value_or(platform::dataset::DataPacket{});
        if (minRows <= 0 || packet.rows.size() >= static_cast<std::size_t>(minRows)) return packet;
        failure = QStringLiteral("O servidor de aplicação não retornou dados para o método %1.")
                      .arg(QString::fromStdString(result.method));
    }
    ServerCallError error(failure, result.method, result.errorCode, result.httpStatus);
    if (raise) throw error;
    MensErro(failure, true);
    throw error;  // not reached: MensErro aborts
}

}  // namespace framework
