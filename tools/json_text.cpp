#include "tools/json_text.h"

#include <cstdint>
#include <cstdio>

namespace {

// Length of the well-formed UTF-8 character at s[i] (1..4), or 0 when the bytes there are not one:
// no overlong forms, surrogates or values past U+10FFFF.
size_t utf8Length(const std::string& s, size_t i)
{
    const auto byte = [&](size_t k) { return k < s.size() ? uint8_t(s[k]) : uint8_t(0); };
    const uint8_t b = byte(i);
    const auto follows = [&](size_t k, uint8_t low, uint8_t high) { return byte(k) >= low && byte(k) <= high; };
    if (b < 0x80)
        return 1;
    if (b >= 0xC2 && b <= 0xDF)
        return follows(i + 1, 0x80, 0xBF) ? 2 : 0;
    if (b >= 0xE0 && b <= 0xEF) {
        const uint8_t low = b == 0xE0 ? 0xA0 : 0x80, high = b == 0xED ? 0x9F : 0xBF;
        return follows(i + 1, low, high) && follows(i + 2, 0x80, 0xBF) ? 3 : 0;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        const uint8_t low = b == 0xF0 ? 0x90 : 0x80, high = b == 0xF4 ? 0x8F : 0xBF;
        return follows(i + 1, low, high) && follows(i + 2, 0x80, 0xBF) && follows(i + 3, 0x80, 0xBF) ? 4 : 0;
    }
    return 0;
}

}  // namespace

std::string jsonString(const std::string& text)
{
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const size_t n = utf8Length(text, i);
        const char c = text[i];
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (uint8_t(c) < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(uint8_t(c)));
            out += escaped;
        } else {
            out.append(text, i, n);
        }
        i += n;
    }
    return out + "\"";
}
