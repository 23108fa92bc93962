#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "appserver/clockfile/afd_layout.h"
#include "platform/dataset/datetime.h"

namespace appserver::afd {

/// Writes a punch file in either layout, as a clock would: the header, the
/// records in the order added, the trailer with the counts. For the tests and
/// the benchmark: each record is returned so that a test can spoil it.
class Writer {
public:
    /// `companyName` in UTF-8 (written in ISO 8859-1 in the current layout).
    Writer(Layout layout, std::string clockSerial, std::string companyName);

    /// A type 3 punch; `utcOffsetMinutes` is required by the current layout
    /// (e.g. -180 for -0300) and ignored by the old one. `employee`: the 11
    /// digits of the PIS (old) or CPF (current).
    std::string& punch(std::int64_t nsr, const platform::dataset::DateTime& at,
                       int utcOffsetMinutes, const std::string& employee);
    /// A type 7 punch with its link of the hash chain (current layout only).
    std::string& hashedPunch(std::int64_t nsr, const platform::dataset::DateTime& at,
                             int utcOffsetMinutes, const std::string& employee);
    /// A record of type 2, 4 or 5 (or 6, current layout), with no other content.
    std::string& other(char type, std::int64_t nsr);

    /// Every line of the file, header first, trailer last, without line ends.
    std::vector<std::string> lines() const;
    /// The file's bytes: the lines each ended by CR LF.
    std::string text() const;

    /// `body` followed by its CRC (current layout).
    static std::string withCrc(const std::string& body);
    /// A record's NSR field.
    static std::string nsrText(std::int64_t nsr);

private:
    std::string header() const;
    std::string trailer() const;

    Layout layout_;
    std::string serial_, company_;
    std::deque<std::string> records_;  ///< references to them stay valid as records are added
    std::string lastHash_;
};

/// UTF-8 to ISO 8859-1; a character outside it becomes '?'.
std::string utf8ToLatin1(const std::string& text);

}  // namespace appserver::afd
