#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "appserver/clockfile/afd_layout.h"
#include "platform/dataset/datetime.h"

namespace appserver::afd {

/// A file that cannot be read at all (no header, an unknown layout, a
/// header that fails its check); the message names the line.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A record that cannot be imported, by its line number (1 for the header).
struct Issue {
    std::size_t line = 0;
    std::string reason;
};

/// One punch record, checked for its form, its check and its order.
struct Punch {
    std::size_t line = 0;
    std::int64_t nsr = 0;
    platform::dataset::DateTime at;       ///< the wall clock of the punch, as punched
    std::optional<int> utcOffsetMinutes;  ///< current layout only: -180 for -0300
    std::string employee;                 ///< the 11 digits of the PIS (old) or CPF (current)

    /// The true instant (seconds since 1970 UTC) when the offset is known;
    /// the wall clock otherwise.
    std::int64_t instant() const { return at.toSeconds() - utcOffsetMinutes.value_or(0) * 60; }
};

struct ClockFile {
    Layout layout = Layout::Current;
    std::string clockSerial;
    std::string companyName;  ///< UTF-8
    std::vector<Punch> punches;
    std::vector<Issue> issues;  ///< records left out of `punches`, in line order
    std::size_t records = 0;    ///< lines holding a record, header and trailer included
};

/// Reads a punch file in either layout (told by the header's length).
/// Records with a bad form, check, chain link or order are left out and
/// listed in `issues`; throws FileError when the header itself is unusable.
ClockFile readClockFile(std::string_view bytes);

/// ISO 8859-1 to UTF-8.
std::string latin1ToUtf8(std::string_view text);

}  // namespace appserver::afd
