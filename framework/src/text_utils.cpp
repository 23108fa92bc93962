#include <algorithm>

#include "framework/errors.h"
#include "framework/utils.h"

namespace framework {

namespace {

bool isBlank(QChar c) {
    return c.unicode() <= ' ';
}
bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

template <typename Text>
bool allDigits(const Text& text) {
    return std::all_of(text.begin(), text.end(), [](auto c) { return isDigit(c); });
}

}  // namespace

bool EmptyString(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return isBlank(c); });
}

bool EmptyString(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return isBlank(c); });
}

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
    QString trimmed = AllTrim(code);
    if (trimmed.isEmpty() || !allDigits(trimmed) || trimmed.size() >= width) return trimmed;
    return trimmed.rightJustified(width, QLatin1Char('0'));
}

std::string Ajusta(std::string_view code, int width) {
    std::string trimmed = AllTrim(code);
    const auto w = static_cast<std::size_t>(std::max(width, 0));
    if (trimmed.empty() || !allDigits(trimmed) || trimmed.size() >= w) return trimmed;
    return std::string(w - trimmed.size(), '0') + trimmed;
}

QString Format(const QString& pattern, const QStringList& args) {
    QString out;
    out.reserve(pattern.size() + 16 * args.size());
    qsizetype used = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c != QLatin1Char('%')) {
            out += c;
            continue;
        }
        const QChar directive = i + 1 < pattern.size() ? pattern[i + 1] : QChar();
        if (directive == QLatin1Char('%')) {
            out += c;
        } else if (directive == QLatin1Char('s')) {
            if (used == args.size())
                throw Error(QStringLiteral("A mensagem \"%1\" pede mais de %2 argumento(s).")
                                .arg(pattern)
                                .arg(args.size()));
            out += args[used++];
        } else {
            throw Error(QStringLiteral("A mensagem \"%1\" tem um formato inválido na posição %2.")
                            .arg(pattern)
                            .arg(i + 1));
        }
        ++i;
    }
    if (used != args.size())
        throw Error(QStringLiteral("A mensagem \"%1\" pede %2 argumento(s), mas recebeu %3.")
                        .arg(pattern)
                        .arg(used)
                        .arg(args.size()));
    return out;
}

}  // namespace framework
