#include "mp3/stream/end_tags.h"

#include <strings.h>

#include <cstring>
#include <string>
#include <vector>

namespace end_tags {

namespace {

constexpr int64_t kId3v1Bytes = 128;
constexpr int64_t kApeFooterBytes = 32;
// Items of an APE tag are read only up to this size: the text fields sit among the first bytes
// and the rest is usually cover art.
constexpr uint32_t kApeReadLimit = 1 << 20;
// Larger tags are taken as audio: their items are read in full to check them.
constexpr uint32_t kApeCheckLimit = 64u << 20;

uint32_t littleEndian32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool readAt(ByteSource& file, int64_t at, void* dst, uint64_t bytes)
{
    return file.seek(at, ByteSource::Origin::Begin) == at && file.read(dst, bytes) == int64_t(bytes);
}

std::string field(const uint8_t* p, size_t n)
{
    return tag_text::trimmed(tag_text::fromLatin1(p, n));
}

void readId3v1(const uint8_t* t, TagText& text)
{
    text.offer(TagText::kTitle, field(t + 3, 30));
    text.offer(TagText::kArtist, field(t + 33, 30));
    text.offer(TagText::kAlbum, field(t + 63, 30));
    text.offer(TagText::kYear, field(t + 93, 4));
    // Version 1.1 keeps the track number in the last byte of the comment after a zero.
    const bool hasTrack = t[125] == 0 && t[126] != 0;
    text.offer(TagText::kComment, field(t + 97, hasTrack ? 28 : 30));
    if (hasTrack)
        text.offer(TagText::kTrack, std::to_string(t[126]));
    text.offer(TagText::kGenre, tag_text::genreName(t[127]));
}

// An APEv2 text item may list several values, each ended by a zero byte.
void appendApeValues(TagText::Field field, const uint8_t* p, size_t n, TagText& text)
{
    size_t pos = 0;
    while (pos < n) {
        const void* zero = std::memchr(p + pos, 0, n - pos);
        const size_t end = zero ? size_t(static_cast<const uint8_t*>(zero) - p) : n;
        const std::string value = tag_text::trimmed(tag_text::fromUtf8(p + pos, end - pos));
        text.append(field, field == TagText::kGenre ? tag_text::genre(value) : value);
        pos = end + 1;
    }
}

// The MIME type of an image by its first bytes; "" for other data.
std::string imageMime(const uint8_t* p, size_t n)
{
    if (n >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF)
        return "image/jpeg";
    if (n >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0)
        return "image/png";
    return std::string();
}

void readApeItems(const uint8_t* p, size_t n, uint32_t count, TagText& text)
{
    struct Key {
        const char* name;
        TagText::Field field;
    };
    static constexpr Key kKeys[]
        = {{"title", TagText::kTitle},    {"artist", TagText::kArtist}, {"album", TagText::kAlbum},
           {"year", TagText::kYear},      {"track", TagText::kTrack},   {"genre", TagText::kGenre},
           {"comment", TagText::kComment}};
    size_t pos = 0;
    for (uint32_t i = 0; i < count && pos + 8 < n; ++i) {
        const uint32_t valueBytes = littleEndian32(p + pos);
        const uint32_t flags = littleEndian32(p + pos + 4);
        pos += 8;
        const void* zero = std::memchr(p + pos, 0, n - pos);
        if (zero == nullptr)
            return;
        const std::string key(reinterpret_cast<const char*>(p + pos));
        pos = size_t(static_cast<const uint8_t*>(zero) - p) + 1;
        if (valueBytes > n - pos)
            return;
        // Bits 1 and 2 of the flags say what the value is: 0 = UTF-8 text, 1 = binary.
        const uint32_t kind = (flags >> 1) & 3;
        if (kind == 0) {
            for (const Key& k : kKeys)
                if (strcasecmp(key.c_str(), k.name) == 0)
                    appendApeValues(k.field, p + pos, valueBytes, text);
            if (strncasecmp(key.c_str(), "replaygain_", 11) == 0)
                replay_gain::offerItem(key, tag_text::fromUtf8(p + pos, valueBytes), text.replayGain);
        } else if (kind == 1 && !text.picture.present && strncasecmp(key.c_str(), "cover art (", 11) == 0) {
            // A file name, a zero, then the image.
            const void* nameEnd = std::memchr(p + pos, 0, valueBytes);
            const size_t nameBytes = nameEnd ? size_t(static_cast<const uint8_t*>(nameEnd) - (p + pos)) + 1 : 0;
            text.picture.present = true;
            text.picture.type = strcasecmp(key.c_str(), "cover art (back)") == 0 ? 4 : 3;
            text.picture.bytes = valueBytes - nameBytes;
            text.picture.mime = imageMime(p + pos + nameBytes, valueBytes - nameBytes);
        }
        pos += valueBytes;
    }
}

// The first item (when there is one) laid out as an APE tag holds it: a value size and flags,
// then a key of printable ASCII ended by a zero, inside the n bytes. Later items are read as far
// as they hold together.
bool apeItemsPlausible(const uint8_t* p, size_t n, uint32_t count)
{
    if (count == 0)
        return true;
    size_t key = 8;
    while (key < n && p[key] >= 0x20 && p[key] <= 0x7E)
        ++key;
    return key > 8 && key < n && p[key] == 0;
}

// An APEv2 tag ending where the audio now ends: moves the end before it when the footer, the
// header it announces and the first item agree with one another.
void findApe(ByteSource& file, int64_t floor, Found& found, TagText* text)
{
    const int64_t footerAt = found.audioEnd - kApeFooterBytes;
    uint8_t footer[kApeFooterBytes];
    if (footerAt < floor || !readAt(file, footerAt, footer, sizeof footer) || std::memcmp(footer, "APETAGEX", 8) != 0)
        return;
    // The size counts the items and the footer; a header, when flagged, comes before them.
    const uint32_t tagBytes = littleEndian32(footer + 12);
    const uint32_t count = littleEndian32(footer + 16);
    const bool hasHeader = (littleEndian32(footer + 20) & 0x80000000u) != 0;
    const int64_t itemsAt = found.audioEnd - int64_t(tagBytes);
    const int64_t start = itemsAt - (hasHeader ? kApeFooterBytes : 0);
    if (tagBytes < kApeFooterBytes || start < floor || tagBytes - kApeFooterBytes > kApeCheckLimit)
        return;
    uint8_t header[kApeFooterBytes];
    if (hasHeader
        && (!readAt(file, start, header, sizeof header) || std::memcmp(header, "APETAGEX", 8) != 0
            || littleEndian32(header + 12) != tagBytes || littleEndian32(header + 16) != count))
        return;
    std::vector<uint8_t> items(tagBytes - uint32_t(kApeFooterBytes));
    if (!readAt(file, itemsAt, items.data(), items.size()) || !apeItemsPlausible(items.data(), items.size(), count))
        return;
    found.ape = true;
    found.audioEnd = start;
    if (text != nullptr && items.size() <= kApeReadLimit) {
        TagText own;
        readApeItems(items.data(), items.size(), count, own);
        text->offerAll(own);
    }
}

// The fixed fields of an ID3v1 tag hold text: no control bytes but the zeros that end a field.
bool id3v1WellFormed(const uint8_t* t)
{
    for (size_t i = 3; i < 97; ++i)
        if (t[i] != 0 && t[i] < 0x20)
            return false;
    return true;
}

}  // namespace

Found find(ByteSource& file, int64_t size, int64_t floor, TagText* text)
{
    Found found;
    found.audioEnd = size;
    uint8_t v1[kId3v1Bytes];
    if (size - kId3v1Bytes >= floor && readAt(file, size - kId3v1Bytes, v1, sizeof v1) && std::memcmp(v1, "TAG", 3) == 0
        && id3v1WellFormed(v1)) {
        found.id3v1 = true;
        found.audioEnd = size - kId3v1Bytes;
    }
    findApe(file, floor, found, text);
    // ID3v1's short fixed fields only fill what the APE tag left empty.
    if (found.id3v1 && text != nullptr)
        readId3v1(v1, *text);
    return found;
}

}  // namespace end_tags
