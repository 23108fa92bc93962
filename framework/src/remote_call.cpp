#include "framework/remote_call.h"

#include <nlohmann/json.hpp>

#include <utility>

#include "framework/errors.h"
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

namespace {

/// Statuses that say "not now": the same request may be served a little later.
bool unavailableStatus(int httpStatus) {
    return httpStatus == 0 || httpStatus == 408 || httpStatus == 429 || httpStatus == 502 ||
           httpStatus == 503 || httpStatus == 504;
}

}  // namespace

bool ServerCallError::isUnavailable() const {
    return unavailableStatus(httpStatus_);
}

bool ServerCallError::isRefusal() const {
    return httpStatus_ >= 400 && httpStatus_ < 500 && !isUnauthenticated() && !isUnavailable();
}

QString ServerUnavailableText() {
    return QStringLiteral(
        "O servidor de aplicação não está disponível no momento. Tente novamente em instantes.");
}

QString RemoteResult::failureText() const {
    const QString where = QStringLiteral("%1:%2").arg(QString::fromStdString(host)).arg(port);
    const QString name = QString::fromStdString(method);
    switch (status) {
        case Status::Ok:
            return {};
        case Status::ConnectionFailed:
            return ServerUnavailableText();
        case Status::ServerError:
            // One text for every "not now", whatever a proxy or the database said.
            if (unavailableStatus(httpStatus)) return ServerUnavailableText();
            if (!message.empty()) return QString::fromStdString(message);
            if (httpStatus == 401)
                return QStringLiteral(
                    "Sua sessão no servidor de aplicação terminou. Entre novamente.");
            return QStringLiteral("O servidor de aplicação recusou o método %1 (código %2).")
                .arg(name, QString::fromStdString(errorCode));
        case Status::BadReply:
            if (unavailableStatus(httpStatus)) return ServerUnavailableText();
            return QStringLiteral(
                       "Resposta inválida do servidor de aplicação (%1) ao método %2 (estado %3).")
                .arg(where, name)
                .arg(httpStatus);
    }
    return {};
}

namespace {

[[noreturn]] void throwFailure(const RemoteResult& result) {
    const int status =
        result.status == RemoteResult::Status::ConnectionFailed ? 0 : result.httpStatus;
    throw ServerCallError(result.failureText(), result.method, result.errorCode, status);
}

}  // namespace

platform::dataset::DataPacket CheckResultServ(const RemoteResult& result) {
    if (result.ok()) return result.packet.value_or(platform::dataset::DataPacket{});
    throwFailure(result);
}

platform::dataset::DataPacket CheckResultServ(RemoteResult&& result) {
    if (result.ok()) return std::move(result.packet).value_or(platform::dataset::DataPacket{});
    throwFailure(result);
}

}  // namespace framework
