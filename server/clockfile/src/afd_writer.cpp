#include "appserver/clockfile/afd_writer.h"

#include <fmt/format.h>

#include <array>
#include <stdexcept>

namespace appserver::afd {

using platform::dataset::DateTime;

namespace {

/// Writes `value` into `field` of `record`, padded with blanks or cut to its length.
void put(std::string& record, Field field, std::string_view value) {
    for (std::size_t i = 0; i < field.length; ++i)
        record[field.at + i] = i < value.size() ? value[i] : ' ';
}

std::string oldDate(const DateTime& d) {
    return fmt::format("{:02d}{:02d}{:04d}", d.day, d.month, d.year);
}

std::string offsetText(int minutes) {
    const int m = minutes < 0 ? -minutes : minutes;
    return fmt::format("{}{:02d}{:02d}", minutes < 0 ? '-' : '+', m / 60, m % 60);
}

std::string currentStamp(const DateTime& at, int offsetMinutes) {
    return at.toIso() + offsetText(offsetMinutes);
}

}  // namespace

Writer::Writer(Layout layout, std::string clockSerial, std::string companyName)
    : layout_(layout), serial_(std::move(clockSerial)), company_(std::move(companyName)) {}

std::string Writer::nsrText(std::int64_t nsr) {
    return fmt::format("{:09d}", nsr);
}

std::string Writer::withCrc(const std::string& body) {
    return body + crcText(body);
}

std::string& Writer::punch(std::int64_t nsr, const DateTime& at, int utcOffsetMinutes,
                           const std::string& employee) {
    if (layout_ == Layout::Old) {
        records_.push_back(nsrText(nsr) + "3" + oldDate(at) +
                           fmt::format("{:02d}{:02d}", at.hour, at.minute) + "0" + employee);
    } else {
        records_.push_back(
            withCrc(nsrText(nsr) + "3" + currentStamp(at, utcOffsetMinutes) + "0" + employee));
    }
    return records_.back();
}

std::string& Writer::hashedPunch(std::int64_t nsr, const DateTime& at, int utcOffsetMinutes,
                                 const std::string& employee) {
    if (layout_ != Layout::Current)
        throw std::logic_error("type 7 records belong to the current layout");
    const std::string body =
        nsrText(nsr) + "7" + currentStamp(at, utcOffsetMinutes) + "0" + employee;
    lastHash_ = sha256Hex(lastHash_ + body);
    records_.push_back(body + lastHash_);
    return records_.back();
}

std::string& Writer::other(char type, std::int64_t nsr) {
    std::string body = nsrText(nsr) + type;
    if (layout_ == Layout::Current) {
        body += "0000";
        records_.push_back(type == '6' ? body : withCrc(body));
    } else {
        records_.push_back(body);
    }
    return records_.back();
}

std::string Writer::header() const {
    // The dates of the header are not read back; any valid ones do.
    const DateTime first = DateTime::date(2026, 1, 1), last = DateTime::date(2026, 12, 31);
    if (layout_ == Layout::Old) {
        std::string r(old_layout::kHeaderLength, ' ');
        put(r, kNsr, "000000000");
        put(r, kType, "1");
        put(r, old_layout::kEmployerKind, "1");
        put(r, old_layout::kEmployerId, "00000000000191");
        put(r, old_layout::kCei, "000000000000");
        put(r, old_layout::kCompanyName, company_);
        put(r, old_layout::kClockSerial, serial_);
        put(r, old_layout::kFirstDate, oldDate(first));
        put(r, old_layout::kLastDate, oldDate(last));
        put(r, old_layout::kGeneratedDate, oldDate(last));
        put(r, old_layout::kGeneratedTime, "1800");
        return r;
    }
    std::string r(current_layout::kHeaderLength - current_layout::kCrcLength, ' ');
    put(r, kNsr, "000000000");
    put(r, kType, "1");
    put(r, current_layout::kEmployerKind, "1");
    put(r, current_layout::kEmployerId, "00000000000191");
    put(r, current_layout::kCompanyName, utf8ToLatin1(company_));
    put(r, current_layout::kClockSerial, serial_);
    put(r, current_layout::kFirstDate, first.toIsoDate());
    put(r, current_layout::kLastDate, last.toIsoDate());
    put(r, current_layout::kGeneratedAt, currentStamp(last.addSeconds(18 * 3600), -180));
    put(r, current_layout::kVersion, current_layout::kVersionText);
    return withCrc(r);
}

std::string Writer::trailer() const {
    std::array<std::size_t, 10> counts{};
    for (const std::string& r : records_)
        if (r.size() > kType.at && r[kType.at] >= '0' && r[kType.at] <= '9')
            ++counts[r[kType.at] - '0'];
    std::string t(kTrailerNsr);
    const int lastType = layout_ == Layout::Old ? 5 : 7;
    for (int type = 2; type <= lastType; ++type) t += fmt::format("{:09d}", counts[type]);
    return t + "9";
}

std::vector<std::string> Writer::lines() const {
    std::vector<std::string> out;
    out.reserve(records_.size() + 2);
    out.push_back(header());
    out.insert(out.end(), records_.begin(), records_.end());
    out.push_back(trailer());
    return out;
}

std::string Writer::text() const {
    std::string out;
    for (const std::string& line : lines()) {
        out += line;
        out += "\r\n";
    }
    return out;
}

std::string utf8ToLatin1(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size()) {
            out += static_cast<char>(((c & 0x03) << 6) | (text[++i] & 0x3F));
        } else {
            out += '?';
            while (i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80)
                ++i;
        }
    }
    return out;
}

}  // namespace appserver::afd
