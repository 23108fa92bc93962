#include "json_scanner.h"

#include "platform/dataset/text.h"

namespace platform::dataset::detail {

std::string_view JsonScanner::unusualString(const char* start, const char* q) {
    // Until the first escape the text is the packet's own; from it on, it is
    // made in unescaped_ from the stretches between escapes.
    bool escaped = false;
    const char* stretch = start;
    for (;;) {
        if (q == end_) throw NotScanned{};
        const auto c = static_cast<unsigned char>(*q);
        if (c == '"') break;
        if (c >= 0x80) {
            const std::size_t n =
                utf8SequenceLength(std::string_view(q, static_cast<std::size_t>(end_ - q)), 0);
            if (n == 0) throw NotScanned{};
            q += n;
        } else if (c == '\\') {
            if (end_ - q < 2) throw NotScanned{};
            char e = 0;
            switch (q[1]) {
                case '"':
                case '\\':
                case '/':
                    e = q[1];
                    break;
                case 'b':
                    e = '\b';
                    break;
                case 'f':
                    e = '\f';
                    break;
                case 'n':
                    e = '\n';
                    break;
                case 'r':
                    e = '\r';
                    break;
                case 't':
                    e = '\t';
                    break;
                default:  // "\u" (rare in what the server writes) and faults
                    throw NotScanned{};
            }
            if (!escaped) {
                unescaped_.clear();
                escaped = true;
            }
            unescaped_.append(stretch, q);
            unescaped_ += e;
            q += 2;
            stretch = q;
        } else {
            throw NotScanned{};  // a control character, which JSON escapes
        }
        q = plainRun(q);
    }
    p_ = q + 1;
    if (!escaped) return {start, static_cast<std::size_t>(q - start)};
    unescaped_.append(stretch, q);
    return unescaped_;
}

std::string_view JsonScanner::rawArray() {
    expect('[');
    const char* start = p_ - 1;
    std::size_t depth = 1;
    while (depth > 0) {
        if (p_ == end_) throw NotScanned{};
        const char c = *p_++;
        if (c == '"') {
            for (;;) {
                if (p_ == end_) throw NotScanned{};
                const char s = *p_++;
                if (s == '"') break;
                if (s == '\\') {
                    if (p_ == end_) throw NotScanned{};
                    ++p_;
                }
            }
        } else if (c == '[' || c == '{') {
            ++depth;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return {start, static_cast<std::size_t>(p_ - start)};
}

}  // namespace platform::dataset::detail
