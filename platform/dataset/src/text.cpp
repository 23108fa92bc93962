#include "platform/dataset/text.h"

namespace platform::dataset {

std::size_t utf8Length(std::string_view text) {
    std::size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::size_t utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    const auto continuation = [&](std::size_t k, unsigned char lo = 0x80, unsigned char hi = 0xBF) {
        return k < text.size() && byte(k) >= lo && byte(k) <= hi;
    };
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return continuation(i + 1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        const unsigned char lo = c == 0xE0 ? 0xA0 : 0x80;
        const unsigned char hi = c == 0xED ? 0x9F : 0xBF;
        return continuation(i + 1, lo, hi) && continuation(i + 2) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        const unsigned char lo = c == 0xF0 ? 0x90 : 0x80;
        const unsigned char hi = c == 0xF4 ? 0x8F : 0xBF;
        return continuation(i + 1, lo, hi) && continuation(i + 2) && continuation(i + 3) ? 4 : 0;
    }
    return 0;
}

std::string upperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string foldCase(std::string_view text) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c - 'A' + 'a');
        } else if (c == 0xC3 && i + 1 < out.size()) {
            // U+00C0..U+00DE are the capitals of U+00E0..U+00FE, except U+00D7 (multiplication
            // sign).
            unsigned char n = static_cast<unsigned char>(out[i + 1]);
            if (n >= 0x80 && n <= 0x9E && n != 0x97) out[i + 1] = static_cast<char>(n + 0x20);
            ++i;
        }
    }
    return out;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && foldCase(a) == foldCase(b);
}

std::string_view trimBlanks(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    return text.substr(b, e - b);
}

std::size_t findControlCharacter(std::string_view text, ControlCharacters allowed) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20) continue;
        if (allowed == ControlCharacters::LineBreaksAndTabs &&
            (c == '\t' || c == '\n' || c == '\r'))
            continue;
        return i;
    }
    return std::string_view::npos;
}

}  // namespace platform::dataset
