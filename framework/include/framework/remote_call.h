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

/// What a remote call came back with. A failure is a value here; it becomes
/// an error the user can act on in CheckResultServ.
struct FRAMEWORK_EXPORT RemoteResult {
    enum class Status {
        Ok,                ///< `packet` holds the result, or nothing for a null result
        ServerError,       ///< the server refused the call: `message` is its text
        ConnectionFailed,  ///< the server could not be reached at host:port
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

    bool ok() const { return status == Status::Ok; }
    /// The message a user can act on, for any status other than Ok.
    QString failureText() const;
};

/// The data packet of a successful result (an empty packet for a null
/// result). A failure does not return: with `raise` true it throws
/// ServerCallError carrying failureText(); with `raise` false the text is
/// shown as an error and the silent abort is thrown. `minRows` > 0 also
/// refuses a packet with fewer rows, naming the method.
FRAMEWORK_EXPORT platform::dataset::DataPacket CheckResultServ(const RemoteResult& result,
                                                               bool raise = true, int minRows = 0);

}  // namespace framework
