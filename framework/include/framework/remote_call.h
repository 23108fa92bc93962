#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "framework/export.h"
#include "platform/dataset/datetime.h"
#include "platform/dataset/packet.h"
#include "protocol/method.h"

namespace framework {

/// One argument of a remote method: a text, a date, a date-time or a change
/// packet. Wire forms: "text", {"date": "YYYY-MM-DD"},
/// {"datetime": "YYYY-MM-DDTHH:MM:SS"}, {"delta": CHANGE_PACKET}.
class FRAMEWORK_EXPORT RemoteArg {
public:
    using Kind = protocol::ArgKind;

    RemoteArg(std::string text);
    RemoteArg(const char* text);
    RemoteArg(const QString& text);
    /// Throw framework::Error for a date that is not valid.
    static RemoteArg date(const platform::dataset::DateTime& date);
    static RemoteArg dateTime(const platform::dataset::DateTime& when);
    static RemoteArg delta(platform::dataset::ChangePacket changes);

    Kind kind() const { return kind_; }
    nlohmann::json toJson() const;

private:
    RemoteArg() = default;
    Kind kind_ = Kind::Text;
    std::string text_;
    platform::dataset::DateTime when_;
    std::shared_ptr<const platform::dataset::ChangePacket> delta_;
};

/// What one request of a remote call came back with, as the connection
/// read it. A failure is a value here; CheckResultServ turns it into the
/// error the caller sees.
struct FRAMEWORK_EXPORT RemoteResult {
    enum class Status {
        Ok,                ///< `packet` holds the result, or nothing for a null result
        ServerError,       ///< the server refused the call: `message` is its text
        ConnectionFailed,  ///< no answer came: not reached, or the connection broke
        BadReply,          ///< the server answered something unreadable
    };
    Status status = Status::Ok;
    std::optional<platform::dataset::DataPacket> packet;
    std::string method;
    std::string errorCode;  ///< the server's code, for ServerError
    std::string message;    ///< the server's text, or what went wrong
    std::string host;
    int port = 0;
    int httpStatus = 0;
    /// The seconds the server asked to wait before trying again (its
    /// Retry-After), when it said so.
    std::optional<int> retryAfterSeconds;

    bool ok() const { return status == Status::Ok; }
    /// The message a user can act on, for any status other than Ok.
    QString failureText() const;
};

/// The text of every failure that trying again later may mend (no answer,
/// the server busy or its database down): the server is unavailable.
FRAMEWORK_EXPORT QString ServerUnavailableText();

/// The data packet of a successful result (an empty packet for a null
/// result). Any other result throws ServerCallError with the server's code,
/// the HTTP status and a message the user can act on.
FRAMEWORK_EXPORT platform::dataset::DataPacket CheckResultServ(const RemoteResult& result);
/// As above, the packet moved out of `result` rather than copied: a large
/// answer's rows are not made twice.
FRAMEWORK_EXPORT platform::dataset::DataPacket CheckResultServ(RemoteResult&& result);

}  // namespace framework
