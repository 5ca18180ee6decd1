#include "mp3/stream/tag_text.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "mp3/stream/id3_genres.h"

namespace tag_text {

namespace {

void appendUtf8(std::string& out, uint32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

constexpr uint32_t kReplacement = 0xFFFD;

}  // namespace

std::string fromLatin1(const uint8_t* p, size_t n)
{
    std::string out;
    for (size_t i = 0; i < n && p[i] != 0; ++i)
        appendUtf8(out, p[i]);
    return out;
}

std::string fromUtf16(const uint8_t* p, size_t n, bool bigEndian)
{
    std::string out;
    size_t i = 0;
    if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
        bigEndian = p[0] == 0xFE;
        i = 2;
    }
    auto unit = [&](size_t k) { return bigEndian ? uint32_t(p[k]) << 8 | p[k + 1] : uint32_t(p[k + 1]) << 8 | p[k]; };
    for (; i + 1 < n; i += 2) {
        const uint32_t u = unit(i);
        if (u == 0)
            break;
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < n && unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
            appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 2) - 0xDC00));
            i += 2;
        } else {
            appendUtf8(out, u >= 0xD800 && u < 0xE000 ? kReplacement : u);
        }
    }
    return out;
}

std::string fromUtf8(const uint8_t* p, size_t n)
{
    std::string out;
    size_t i = 0;
    while (i < n && p[i] != 0) {
        const uint8_t b = p[i];
        const size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        bool ok = len != 0 && i + len <= n;
        uint32_t c = len == 1 ? b : len == 2 ? b & 0x1F : len == 3 ? b & 0x0F : b & 0x07;
        for (size_t k = 1; ok && k < len; ++k) {
            ok = (p[i + k] & 0xC0) == 0x80;
            c = c << 6 | (p[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not characters.
        static constexpr uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
        ok = ok && c >= kLeast[len] && c <= 0x10FFFF && !(c >= 0xD800 && c < 0xE000);
        if (ok) {
            out.append(reinterpret_cast<const char*>(p + i), len);
            i += len;
        } else {
            appendUtf8(out, kReplacement);
            ++i;
        }
    }
    return out;
}

std::string trimmed(std::string s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    return s;
}

const char* genreName(uint32_t number)
{
    return number < sizeof kId3Genres / sizeof kId3Genres[0] ? kId3Genres[number] : "";
}

namespace {

// The genre a reference names: a number of the list, or the two words ID3v2.3 reserves.
std::string genreReference(const std::string& ref)
{
    if (ref == "RX")
        return "Remix";
    if (ref == "CR")
        return "Cover";
    if (ref.empty() || ref.size() > 3 || ref.find_first_not_of("0123456789") != std::string::npos)
        return std::string();
    return genreName(uint32_t(std::stoul(ref)));
}

}  // namespace

std::string genre(const std::string& raw)
{
    if (!raw.empty() && raw.find_first_not_of("0123456789") == std::string::npos) {
        const std::string name = genreReference(raw);
        return name.empty() ? raw : name;
    }
    std::string joined;
    size_t pos = 0;
    while (pos < raw.size() && raw[pos] == '(' && raw.compare(pos, 2, "((") != 0) {
        const size_t close = raw.find(')', pos);
        if (close == std::string::npos)
            break;
        const std::string name = genreReference(raw.substr(pos + 1, close - pos - 1));
        if (name.empty())
            break;
        if (!joined.empty())
            joined += TagText::kValueSeparator;
        joined += name;
        pos = close + 1;
    }
    if (pos == 0)
        return raw.compare(0, 2, "((") == 0 ? raw.substr(1) : raw;
    // "(17)Rock": text after the references refines them and is what the tagger meant to show.
    if (pos < raw.size())
        return raw.compare(pos, 2, "((") == 0 ? raw.substr(pos + 1) : raw.substr(pos);
    return joined;
}

std::string boundedUtf8(const std::string& value, size_t maxBytes)
{
    if (value.size() <= maxBytes)
        return value;
    size_t n = maxBytes;
    while (n > 0 && (uint8_t(value[n]) & 0xC0) == 0x80)
        --n;
    return value.substr(0, n);
}

int32_t copyOut(const std::string& value, char* buffer, int32_t size)
{
    if (size > 0) {
        // Cut at a character boundary: never before a UTF-8 continuation byte.
        size_t n = std::min(value.size(), size_t(size) - 1);
        while (n > 0 && n < value.size() && (uint8_t(value[n]) & 0xC0) == 0x80)
            --n;
        std::memcpy(buffer, value.data(), n);
        buffer[n] = '\0';
    }
    return int32_t(std::min<size_t>(value.size(), INT32_MAX));
}

}  // namespace tag_text

void TagText::append(Field f, const std::string& value)
{
    std::string& field = fields[f];
    if (value.empty() || field.size() >= kMaxFieldBytes)
        return;
    const size_t last = field.rfind(kValueSeparator);
    const size_t lastStart = last == std::string::npos ? 0 : last + std::strlen(kValueSeparator);
    if (!field.empty() && field.compare(lastStart, std::string::npos, value) == 0)
        return;
    if (!field.empty())
        field += kValueSeparator;
    field += value;
    if (field.size() > kMaxFieldBytes)
        field = tag_text::boundedUtf8(field, kMaxFieldBytes);
}

void TagText::offerAll(const TagText& other)
{
    for (int32_t f = 0; f < kFieldCount; ++f)
        offer(Field(f), other.fields[f]);
    if (!picture.present)
        picture = other.picture;
    replayGain.fillFrom(other.replayGain);
    relativeVolume.fillFrom(other.relativeVolume);
}

ReplayGain TagText::resolvedReplayGain(const ReplayGain& encoder) const
{
    ReplayGain gain = replayGain;
    gain.fillFrom(relativeVolume);
    gain.fillFrom(encoder);
    return gain;
}
