#include "appserver/clockfile/afd_reader.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace appserver::afd {

using platform::dataset::DateTime;

namespace {

bool allDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::int64_t digitsValue(std::string_view s) {
    std::int64_t v = 0;
    for (char c : s) v = v * 10 + (c - '0');
    return v;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

/// ddmmaaaa and hhmm of the old layout.
std::optional<DateTime> oldDateTime(std::string_view date, std::string_view time) {
    if (!allDigits(date) || !allDigits(time)) return std::nullopt;
    const DateTime t{static_cast<int>(digitsValue(date.substr(4, 4))),
                     static_cast<int>(digitsValue(date.substr(2, 2))),
                     static_cast<int>(digitsValue(date.substr(0, 2))),
                     static_cast<int>(digitsValue(time.substr(0, 2))),
                     static_cast<int>(digitsValue(time.substr(2, 2))),
                     0};
    if (!t.isValid()) return std::nullopt;
    return t;
}

/// AAAA-MM-DDThh:mm:ss followed by ±hhmm, of the current layout.
std::optional<std::pair<DateTime, int>> dateTimeWithOffset(std::string_view text) {
    auto t = DateTime::parseIso(text.substr(0, 19));
    const std::string_view zone = text.substr(19);
    if (!t || zone.size() != 5 || (zone[0] != '-' && zone[0] != '+') || !allDigits(zone.substr(1)))
        return std::nullopt;
    const int hours = static_cast<int>(digitsValue(zone.substr(1, 2)));
    const int minutes = static_cast<int>(digitsValue(zone.substr(3, 2)));
    if (hours > 14 || minutes > 59) return std::nullopt;
    const int offset = (zone[0] == '-' ? -1 : 1) * (hours * 60 + minutes);
    return std::pair(*t, offset);
}

/// The 11 digits of a PIS or CPF kept in 12 positions after a "0".
std::optional<std::string> personNumber(std::string_view field) {
    if (!allDigits(field) || field[0] != '0') return std::nullopt;
    return std::string(field.substr(1));
}

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    ClockFile read() {
        std::size_t lineNo = 0;
        std::size_t at = 0;
        while (at < bytes_.size()) {
            std::size_t end = bytes_.find('\n', at);
            if (end == std::string_view::npos) end = bytes_.size();
            std::string_view line = bytes_.substr(at, end - at);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            at = end + 1;
            ++lineNo;
            if (lineNo == 1)
                header(line);
            else
                record(lineNo, line);
        }
        if (lineNo == 0)
            throw FileError("O arquivo está vazio: falta o cabeçalho (registro tipo 1)");
        if (!trailerLine_)
            issue(lineNo, "falta o trailer (registro 999999999): o arquivo pode estar incompleto");
        return std::move(f_);
    }

private:
    bool current() const { return f_.layout == Layout::Current; }

    void issue(std::size_t line, std::string reason) {
        f_.issues.push_back({line, std::move(reason)});
    }

    bool crcMatches(std::string_view record) const {
        const std::size_t body = record.size() - current_layout::kCrcLength;
        const std::uint16_t crc = crc16Kermit(record.substr(0, body));
        static constexpr char kHex[] = "0123456789ABCDEF";
        for (std::size_t i = 0; i < current_layout::kCrcLength; ++i)
            if (record[body + i] != kHex[(crc >> (12 - 4 * i)) & 0xF]) return false;
        return true;
    }

    void header(std::string_view line) {
        if (line.size() == old_layout::kHeaderLength) {
            f_.layout = Layout::Old;
        } else if (line.size() == current_layout::kHeaderLength) {
            f_.layout = Layout::Current;
        } else {
            throw FileError(fmt::format(
                "linha 1: o cabeçalho (registro tipo 1) tem {} caracteres; o leiaute antigo tem {} "
                "e o atual {}",
                line.size(), old_layout::kHeaderLength, current_layout::kHeaderLength));
        }
        if (kNsr.of(line) != "000000000" || kType.of(line) != "1")
            throw FileError(
                "linha 1: o arquivo não começa por um cabeçalho (000000000 seguido do "
                "tipo 1)");
        if (current() && !crcMatches(line))
            throw FileError("linha 1: o CRC do cabeçalho não confere: o arquivo está corrompido");
        if (current() && current_layout::kVersion.of(line) != current_layout::kVersionText)
            throw FileError(
                fmt::format("linha 1: versão de leiaute \"{}\" desconhecida (esperada {})",
                            current_layout::kVersion.of(line), current_layout::kVersionText));
        const Field serial = current() ? current_layout::kClockSerial : old_layout::kClockSerial;
        const Field name = current() ? current_layout::kCompanyName : old_layout::kCompanyName;
        f_.clockSerial = std::string(trimmed(serial.of(line)));
        if (f_.clockSerial.empty())
            throw FileError("linha 1: o cabeçalho não traz o número de fabricação do relógio");
        f_.companyName = latin1ToUtf8(trimmed(name.of(line)));
        f_.records = 1;
    }

    void record(std::size_t lineNo, std::string_view line) {
        if (line.empty()) {
            issue(lineNo, "linha vazia");
            return;
        }
        ++f_.records;
        if (trailerLine_) {
            issue(lineNo, fmt::format("registro depois do trailer (linha {})", trailerLine_));
            return;
        }
        if (line.size() < kNsr.length + kType.length) {
            issue(lineNo, fmt::format("registro de {} caracteres: curto demais", line.size()));
            return;
        }
        if (kNsr.of(line) == kTrailerNsr) {
            trailer(lineNo, line);
            return;
        }
        const char type = line[kType.at];
        if (type >= '0' && type <= '9') ++counts_[type - '0'];
        switch (type) {
            case '3':
                punch(lineNo, line, false);
                break;
            case '7':
                if (current())
                    punch(lineNo, line, true);
                else
                    issue(lineNo, "registro do tipo 7 no leiaute antigo");
                break;
            case '2':
            case '4':
            case '5':
            case '6':
                other(lineNo, line, type);
                break;
            default:
                issue(lineNo, fmt::format("tipo de registro \"{}\" desconhecido", type));
        }
    }

    /// Checks the NSR and its order; true when the record may be used.
    bool nsrInOrder(std::size_t lineNo, std::string_view line, std::int64_t& nsr) {
        const std::string_view text = kNsr.of(line);
        if (!allDigits(text)) {
            issue(lineNo, fmt::format("NSR \"{}\" não é um número", text));
            return false;
        }
        nsr = digitsValue(text);
        if (lastNsr_ && nsr <= *lastNsr_) {
            issue(lineNo,
                  fmt::format("NSR {} fora de ordem: vem depois do NSR {:09d}", text, *lastNsr_));
            return false;
        }
        lastNsr_ = nsr;
        return true;
    }

    void other(std::size_t lineNo, std::string_view line, char type) {
        const std::size_t min =
            current() ? current_layout::kOtherMinLength : old_layout::kOtherMinLength;
        if (!current() && type == '6') {
            issue(lineNo, "registro do tipo 6 no leiaute antigo");
            return;
        }
        if (line.size() < min) {
            issue(lineNo, fmt::format("registro do tipo {} de {} caracteres: curto demais", type,
                                      line.size()));
            return;
        }
        if (current() && type != '6' && !crcMatches(line)) {
            issue(lineNo, fmt::format("CRC do registro do tipo {} não confere", type));
            return;
        }
        std::int64_t nsr = 0;
        nsrInOrder(lineNo, line, nsr);
    }

    void punch(std::size_t lineNo, std::string_view line, bool hashed) {
        const std::size_t length = !current() ? old_layout::kPunchLength
                                   : hashed   ? current_layout::kHashedPunchLength
                                              : current_layout::kPunchLength;
        if (line.size() != length) {
            issue(lineNo, fmt::format("registro do tipo {} de {} caracteres; o tipo tem {}",
                                      hashed ? 7 : 3, line.size(), length));
            return;
        }
        if (hashed) {
            const std::string_view stated = current_layout::kHash.of(line);
            std::string statedLower(stated);
            std::transform(statedLower.begin(), statedLower.end(), statedLower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            const std::string expected =
                sha256Hex(lastHash_ + std::string(line.substr(0, current_layout::kHashedPart)));
            // The chain goes on from the hash as written, so that one altered
            // record is reported alone and not every record after it.
            lastHash_ = statedLower;
            if (expected != statedLower) {
                issue(lineNo, "o hash SHA-256 não confere com o encadeamento dos registros tipo 7");
                return;
            }
        } else if (current() && !crcMatches(line)) {
            issue(lineNo, "CRC do registro do tipo 3 não confere");
            return;
        }
        Punch p;
        p.line = lineNo;
        if (current()) {
            auto at = dateTimeWithOffset(current_layout::kPunchAt.of(line));
            if (!at) {
                issue(lineNo, fmt::format("data e hora \"{}\" inválidas (AAAA-MM-DDThh:mm:ss±hhmm)",
                                          current_layout::kPunchAt.of(line)));
                return;
            }
            p.at = at->first;
            p.utcOffsetMinutes = at->second;
        } else {
            auto at = oldDateTime(old_layout::kPunchDate.of(line), old_layout::kPunchTime.of(line));
            if (!at) {
                issue(lineNo, fmt::format("data \"{}\" ou hora \"{}\" inválidas (ddmmaaaa, hhmm)",
                                          old_layout::kPunchDate.of(line),
                                          old_layout::kPunchTime.of(line)));
                return;
            }
            p.at = *at;
        }
        const Field personField = current() ? current_layout::kCpf : old_layout::kPis;
        auto person = personNumber(personField.of(line));
        if (!person) {
            issue(lineNo, fmt::format("{} \"{}\" inválido (um 0 seguido de 11 dígitos)",
                                      current() ? "CPF" : "PIS", personField.of(line)));
            return;
        }
        p.employee = std::move(*person);
        if (!nsrInOrder(lineNo, line, p.nsr)) return;
        // Compared as true instants: the wall clock goes back an hour when
        // daylight saving ends, the instants do not. The old layout keeps
        // no offset, so only its NSRs are held to an order.
        if (current() && lastInstant_ && p.instant() < *lastInstant_) {
            issue(lineNo, "batida anterior à do registro de ponto precedente: ordem quebrada");
            return;
        }
        if (current()) lastInstant_ = p.instant();
        f_.punches.push_back(std::move(p));
    }

    void trailer(std::size_t lineNo, std::string_view line) {
        trailerLine_ = lineNo;
        const std::size_t length =
            current() ? current_layout::kTrailerLength : old_layout::kTrailerLength;
        if (line.size() != length) {
            issue(lineNo,
                  fmt::format("trailer de {} caracteres; o leiaute tem {}", line.size(), length));
            return;
        }
        const Field end = current() ? current_layout::kTrailerEnd : old_layout::kTrailerEnd;
        if (end.of(line) != "9") issue(lineNo, "o trailer não termina no tipo 9");
        auto check = [&](const auto& fields) {
            int type = 2;
            for (const Field& count : fields) {
                const std::string_view text = count.of(line);
                if (!allDigits(text))
                    issue(lineNo, fmt::format("o trailer traz \"{}\" como quantidade de registros "
                                              "do tipo {}",
                                              text, type));
                else if (static_cast<std::size_t>(digitsValue(text)) != counts_[type])
                    issue(lineNo, fmt::format("o trailer conta {} registros do tipo {}; o arquivo "
                                              "tem {}",
                                              digitsValue(text), type, counts_[type]));
                ++type;
            }
        };
        if (current())
            check(current_layout::kTrailerCounts);
        else
            check(old_layout::kTrailerCounts);
    }

    std::string_view bytes_;
    ClockFile f_;
    std::array<std::size_t, 10> counts_{};
    std::optional<std::int64_t> lastNsr_;
    std::optional<std::int64_t> lastInstant_;
    std::string lastHash_;
    std::size_t trailerLine_ = 0;
};

}  // namespace

ClockFile readClockFile(std::string_view bytes) {
    return Reader(bytes).read();
}

std::string latin1ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace appserver::afd
