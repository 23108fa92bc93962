#include <algorithm>

#include "framework/utils.h"

namespace framework {

namespace {

bool isBlank(QChar c) { return c.unicode() <= ' '; }
bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

template <typename Text>
bool allDigits(const Text& text) {
    return std::all_of(text.begin(), text.end(), [](auto c) { return isDigit(c); });
}

}  // namespace

bool EmptyString(const QString& text) { return std::all_of(text.begin(), text.end(), [](QChar c) { return isBlank(c); }); }

bool EmptyString(std::string_view text) { return std::all_of(text.begin(), text.end(), [](char c) { return isBlank(c); }); }

QString AllTrim(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isBlank(text[first])) ++first;
    while (last > first && isBlank(text[last - 1])) --last;
    return text.mid(first, last - first);
}

std::string AllTrim(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlank(text[first])) ++first;
    while (last > first && isBlank(text[last - 1])) --last;
    return std::string(text.substr(first, last - first));
}

QString Ajusta(const QString& code, int width) {
    const QString trimmed = AllTrim(code);
    if (trimmed.isEmpty() || !allDigits(trimmed) || trimmed.size() >= width) return trimmed;
    return trimmed.rightJustified(width, QLatin1Char('0'));
}

std::string Ajusta(std::string_view code, int width) {
    std::string trimmed = AllTrim(code);
    const auto w = static_cast<std::size_t>(std::max(width, 0));
    if (trimmed.empty() || !allDigits(trimmed) || trimmed.size() >= w) return trimmed;
    return std::string(w - trimmed.size(), '0') + trimmed;
}

}  // namespace framework
