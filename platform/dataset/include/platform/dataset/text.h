#pragma once

#include <bit>
#include <cstddef>
#include <string>
#include <string_view>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "platform/dataset/export.h"

namespace platform::dataset {

/// Number of characters (UTF-8 code points) in `text`.
PLATFORM_DATASET_EXPORT std::size_t utf8Length(std::string_view text);

/// Length of the well-formed UTF-8 sequence starting at text[i] (RFC 3629: no
/// overlong forms, no surrogates, nothing past U+10FFFF), 0 when malformed.
PLATFORM_DATASET_EXPORT std::size_t utf8SequenceLength(std::string_view text, std::size_t i);

/// From `p` on, sixteen bytes at a time while as many are left before `end`:
/// the first byte a JSON string does not hold as it is (a quote, a
/// backslash, a control character, or a byte of a multi-byte character,
/// which readers and writers check apart). When there is none, the first of
/// the fewer than sixteen bytes left, for the caller to go through. So a
/// result with sixteen bytes or more before `end` is the byte found, and the
/// caller stops there. Inline: both the desktop's reading of a packet and
/// the server's writing of one run it for every text.
inline const char* skipPlainJsonBlocks(const char* p, const char* end) {
#ifdef __SSE2__
    const __m128i quotes = _mm_set1_epi8('"');
    const __m128i backslashes = _mm_set1_epi8('\\');
    const __m128i spaces = _mm_set1_epi8(0x20);
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // Compared as signed bytes, those from 0x80 on are below the space too.
        const __m128i special =
            _mm_or_si128(_mm_cmplt_epi8(v, spaces),
                         _mm_or_si128(_mm_cmpeq_epi8(v, quotes), _mm_cmpeq_epi8(v, backslashes)));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(special));
        if (mask != 0) return p + std::countr_zero(mask);
        p += 16;
    }
#else
    // Byte by byte where there is no vector unit, to the same result.
    for (; end - p >= 16; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c >= 0x80 || c == '"' || c == '\\') return p;
    }
#endif
    return p;
}

/// ASCII upper case; other bytes unchanged.
PLATFORM_DATASET_EXPORT std::string upperAscii(std::string_view text);

/// Lower case for comparisons without regard to letter case: ASCII letters and
/// the accented Latin-1 letters of UTF-8 text (so "AÇÃO" folds like "ação").
PLATFORM_DATASET_EXPORT std::string foldCase(std::string_view text);

/// `a` and `b` equal without regard to letter case (as `foldCase` folds).
PLATFORM_DATASET_EXPORT bool equalsIgnoringCase(std::string_view a, std::string_view b);

/// `text` without leading and trailing blanks (spaces and tabs).
PLATFORM_DATASET_EXPORT std::string_view trimBlanks(std::string_view text);

/// Whether a text may hold tabs and line breaks (a description) or no control character at all.
enum class ControlCharacters { None, LineBreaksAndTabs };

/// The first C0 control character (U+0000–U+001F) of `text` that `allowed`
/// does not admit, or npos. A NUL would cut the text short in a database
/// that stores C strings, and the others have no place in a code or a name.
PLATFORM_DATASET_EXPORT std::size_t findControlCharacter(
    std::string_view text, ControlCharacters allowed = ControlCharacters::None);

}  // namespace platform::dataset
