#pragma once

// The record layouts of a time clock's punch file (AFD), as documented in
// docs/import.md ("AFD"). Positions are 0-based offsets into a record (a
// line without its CR LF); the reader and the writer both take them from here.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace appserver::afd {

enum class Layout {
    Old,      ///< fixed width, dates ddmmaaaa, punches by PIS, no checks
    Current,  ///< ISO 8859-1, date-times with offset, punches by CPF, CRC-16 and SHA-256
};

struct Field {
    std::size_t at;
    std::size_t length;
    std::string_view of(std::string_view record) const { return record.substr(at, length); }
};

/// Common to every record of both layouts.
inline constexpr Field kNsr{0, 9};
inline constexpr Field kType{9, 1};
inline constexpr std::string_view kTrailerNsr = "999999999";

namespace old_layout {
inline constexpr std::size_t kHeaderLength = 232;
inline constexpr Field kEmployerKind{10, 1};
inline constexpr Field kEmployerId{11, 14};
inline constexpr Field kCei{25, 12};
inline constexpr Field kCompanyName{37, 150};
inline constexpr Field kClockSerial{187, 17};
inline constexpr Field kFirstDate{204, 8};  ///< ddmmaaaa
inline constexpr Field kLastDate{212, 8};
inline constexpr Field kGeneratedDate{220, 8};
inline constexpr Field kGeneratedTime{228, 4};  ///< hhmm

inline constexpr std::size_t kPunchLength = 34;
inline constexpr Field kPunchDate{10, 8};  ///< ddmmaaaa
inline constexpr Field kPunchTime{18, 4};  ///< hhmm
inline constexpr Field kPis{22, 12};       ///< the 11 digits of the PIS after one "0"

/// Types 2, 4 and 5 are read for their NSR only; at least this long.
inline constexpr std::size_t kOtherMinLength = 10;

inline constexpr std::size_t kTrailerLength = 46;
/// Counts of types 2, 3, 4, 5, then "9".
inline constexpr Field kTrailerCounts[] = {{9, 9}, {18, 9}, {27, 9}, {36, 9}};
inline constexpr Field kTrailerEnd{45, 1};
}  // namespace old_layout

namespace current_layout {
inline constexpr std::size_t kHeaderLength = 243;
inline constexpr Field kEmployerKind{10, 1};
inline constexpr Field kEmployerId{11, 14};
inline constexpr Field kCompanyName{25, 150};  ///< ISO 8859-1
inline constexpr Field kClockSerial{175, 17};
inline constexpr Field kFirstDate{192, 10};  ///< AAAA-MM-DD
inline constexpr Field kLastDate{202, 10};
inline constexpr Field kGeneratedAt{212, 24};  ///< AAAA-MM-DDThh:mm:ss-hhmm
inline constexpr Field kVersion{236, 3};
inline constexpr std::string_view kVersionText = "003";

/// Type 3: a punch, with the CRC of its first 46 characters.
inline constexpr std::size_t kPunchLength = 50;
inline constexpr Field kPunchAt{10, 24};  ///< AAAA-MM-DDThh:mm:ss followed by ±hhmm
inline constexpr Field kCpf{34, 12};      ///< the 11 digits of the CPF after one "0"

/// Type 7: a punch as type 3 (its first 46 characters), then the SHA-256 in
/// 64 lower-case hex digits of the previous type 7 record's hash text
/// (empty for the first) followed by those 46 characters.
inline constexpr std::size_t kHashedPunchLength = 110;
inline constexpr std::size_t kHashedPart = 46;
inline constexpr Field kHash{46, 64};

/// Types 1 to 5 end in the CRC-16/KERMIT of everything before it, 4 upper-case hex digits.
inline constexpr std::size_t kCrcLength = 4;
/// Types 2, 4, 5 (CRC checked, otherwise ignored) and 6 (ignored): at least this long.
inline constexpr std::size_t kOtherMinLength = 14;

inline constexpr std::size_t kTrailerLength = 64;
/// Counts of types 2, 3, 4, 5, 6, 7, then "9".
inline constexpr Field kTrailerCounts[] = {{9, 9}, {18, 9}, {27, 9}, {36, 9}, {45, 9}, {54, 9}};
inline constexpr Field kTrailerEnd{63, 1};
}  // namespace current_layout

/// CRC-16/KERMIT: polynomial 0x1021 reflected (0x8408), initial value 0, no final xor.
std::uint16_t crc16Kermit(std::string_view bytes);
/// The CRC as a record carries it: 4 upper-case hex digits.
std::string crcText(std::string_view bytes);
/// SHA-256 of `bytes` in 64 lower-case hex digits.
std::string sha256Hex(std::string_view bytes);

}  // namespace appserver::afd
