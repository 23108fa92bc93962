#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/dataset/text.h"

namespace platform::dataset::detail {

/// Where a JsonScanner stops: the text is not of the form it reads (which may
/// still be JSON, or not); whoever called it reads the text another way.
struct NotScanned {};

/// A strict reading of JSON tokens in a text, for the packets the server
/// writes: it accepts only what a JSON parser accepts (whitespace, strings
/// with their escapes and well-formed UTF-8, `null`) and throws NotScanned at
/// anything else, "\u" escapes included, leaving the text to a full parser.
/// Its texts are views into the text read, unless an escape made them: those
/// live in the scanner until its next text.
class JsonScanner {
public:
    explicit JsonScanner(std::string_view text)
        : p_(text.data()), end_(text.data() + text.size()) {}

    /// Past the blanks, the next character is `c`: takes it, or throws.
    void expect(char c) {
        // The server writes no blanks: the character at hand is the one.
        if (p_ == end_ || *p_ != c) {
            skipBlanks();
            if (p_ == end_ || *p_ != c) throw NotScanned{};
        }
        ++p_;
    }

    /// Past the blanks, the next character (not taken); NUL at the end.
    char peek() {
        // Every blank is at most a space: one test for the character at hand.
        if (p_ != end_ && static_cast<unsigned char>(*p_) > ' ') return *p_;
        skipBlanks();
        return p_ != end_ ? *p_ : '\0';
    }

    /// Takes `"name":`, `name` holding no quote or backslash.
    void expectKey(std::string_view name) {
        expect('"');
        if (static_cast<std::size_t>(end_ - p_) <= name.size() ||
            std::memcmp(p_, name.data(), name.size()) != 0 || p_[name.size()] != '"')
            throw NotScanned{};
        p_ += name.size() + 1;
        expect(':');
    }

    /// Takes `null` when it comes next (past the blanks): whether it did.
    bool takeNull() {
        if (peek() != 'n') return false;
        if (end_ - p_ < 4 || std::memcmp(p_, "null", 4) != 0) throw NotScanned{};
        p_ += 4;
        return true;
    }

    /// Takes a string (past the blanks), or throws.
    std::string_view string() {
        expect('"');
        return stringBody();
    }

    /// Takes the rest of a string whose opening quote was taken.
    std::string_view stringBody() {
        const char* start = p_;
        const char* q = plainRun(start);
        if (q != end_ && *q == '"') {
            p_ = q + 1;
            return {start, static_cast<std::size_t>(q - start)};
        }
        return unusualString(start, q);
    }

    /// When the next `length` characters (past the blanks) are a string
    /// without escapes of `length - 2` characters, takes it; otherwise
    /// nothing is taken. For texts of a known length (dates) read without
    /// looking for their end; `accept` decides on their characters, and must
    /// refuse quotes, backslashes and control characters.
    template <typename Accept>
    bool fixedString(std::size_t length, Accept&& accept) {
        if (peek() != '"' || static_cast<std::size_t>(end_ - p_) < length || p_[length - 1] != '"')
            return false;
        if (!accept(std::string_view(p_ + 1, length - 2))) return false;
        p_ += length;
        return true;
    }

    /// Takes an array (past the blanks) without reading its values, and
    /// gives its text: brackets are counted and strings skipped, nothing
    /// else is checked.
    std::string_view rawArray();

    /// Past the blanks, the text not yet taken.
    std::string_view rest() {
        skipBlanks();
        return {p_, static_cast<std::size_t>(end_ - p_)};
    }

    /// Takes `n` characters of rest().
    void skip(std::size_t n) { p_ += n; }

    /// Whether nothing but blanks is left.
    bool atEnd() {
        skipBlanks();
        return p_ == end_;
    }

private:
    static bool isBlank(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

    void skipBlanks() {
        while (p_ != end_ && isBlank(*p_)) ++p_;
    }

    /// The first character from `q` on that ends a plain run of a string: a
    /// quote, a backslash, a control character or a byte of a multi-byte
    /// character; `end_` when none. Sixteen bytes at a time where the
    /// processor allows (most texts of an answer end within the first
    /// sixteen), then eight: each test flags the bytes it finds, and the
    /// lowest flag set is exact (a borrow runs only upwards, from a byte
    /// flagged itself).
    const char* plainRun(const char* q) const {
        q = skipPlainJsonBlocks(q, end_);
#ifdef __SSE2__
        // Stopped with sixteen bytes or more left: at the character sought.
        if (end_ - q >= 16) return q;
#endif
        if constexpr (std::endian::native == std::endian::little) {
            constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
            constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
            while (end_ - q >= 8) {
                std::uint64_t w;
                std::memcpy(&w, q, 8);
                // A byte below 0x20 wraps below zero, a quote or a backslash
                // becomes zero and wraps, and a byte from 0x80 is flagged as
                // it is; any other byte stays below 0x80 in each term.
                const std::uint64_t quote = (w ^ (kOnes * '"')) - kOnes;
                const std::uint64_t backslash = (w ^ (kOnes * '\\')) - kOnes;
                const std::uint64_t found = ((w - kOnes * 0x20) | quote | backslash | w) & kHigh;
                if (found != 0) return q + (std::countr_zero(found) >> 3);
                q += 8;
            }
        }
        while (q != end_) {
            const auto c = static_cast<unsigned char>(*q);
            if (c < 0x20 || c >= 0x80 || c == '"' || c == '\\') return q;
            ++q;
        }
        return q;
    }

    /// The rest of a string with an escape, a multi-byte character or a
    /// fault at `q`.
    std::string_view unusualString(const char* start, const char* q);

    const char* p_;
    const char* end_;
    std::string unescaped_;
};

}  // namespace platform::dataset::detail
