#include "mp3/stream/id3v2_tag.h"

#include <cstring>
#include <string>
#include <vector>

namespace id3v2 {

namespace {

// 28-bit sizes are stored seven bits per byte so that no byte looks like a sync.
bool syncSafe(const uint8_t* p, uint32_t& value)
{
    if ((p[0] | p[1] | p[2] | p[3]) & 0x80)
        return false;
    value = uint32_t(p[0]) << 21 | uint32_t(p[1]) << 14 | uint32_t(p[2]) << 7 | p[3];
    return true;
}

uint32_t bigEndian(const uint8_t* p, size_t bytes)
{
    uint32_t v = 0;
    for (size_t i = 0; i < bytes; ++i)
        v = v << 8 | p[i];
    return v;
}

// Undoes unsynchronisation: each 0xFF 0x00 pair stored for a plain 0xFF.
std::vector<uint8_t> resynchronised(const uint8_t* p, size_t n)
{
    std::vector<uint8_t> out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        out.push_back(p[i]);
        if (p[i] == 0xFF && i + 1 < n && p[i + 1] == 0x00)
            ++i;
    }
    return out;
}

// The first string of a text frame's payload, by its encoding byte.
std::string decodeText(uint8_t encoding, const uint8_t* p, size_t n)
{
    switch (encoding) {
    case 0:
        return tag_text::fromLatin1(p, n);
    case 1:
        return tag_text::fromUtf16(p, n, false);
    case 2:
        return tag_text::fromUtf16(p, n, true);
    case 3:
        return tag_text::fromUtf8(p, n);
    default:
        return std::string();
    }
}

// Bytes of the zero terminator at the end of the first string (one or two zero bytes by
// encoding, two aligned for UTF-16); n when there is none.
size_t afterTerminator(uint8_t encoding, const uint8_t* p, size_t n)
{
    const bool wide = encoding == 1 || encoding == 2;
    for (size_t i = 0; i + (wide ? 1 : 0) < n; i += wide ? 2 : 1)
        if (p[i] == 0 && (!wide || p[i + 1] == 0))
            return i + (wide ? 2 : 1);
    return n;
}

// Maps a frame id of either id width to a text field; kFieldCount for frames not read.
TagText::Field fieldOf(const char* id)
{
    struct Entry {
        const char* id;
        TagText::Field field;
    };
    static constexpr Entry kIds[] = {
        {"TIT2", TagText::kTitle}, {"TPE1", TagText::kArtist}, {"TALB", TagText::kAlbum},  {"TYER", TagText::kYear},
        {"TDRC", TagText::kYear},  {"TRCK", TagText::kTrack},  {"TCON", TagText::kGenre},  {"COMM", TagText::kComment},
        {"TT2", TagText::kTitle},  {"TP1", TagText::kArtist},  {"TAL", TagText::kAlbum},   {"TYE", TagText::kYear},
        {"TRK", TagText::kTrack},  {"TCO", TagText::kGenre},   {"COM", TagText::kComment},
    };
    for (const Entry& e : kIds)
        if (std::strcmp(e.id, id) == 0)
            return e.field;
    return TagText::kFieldCount;
}

void readFrame(TagText::Field field, const uint8_t* p, size_t n, TagText& text)
{
    if (n < 1)
        return;
    const uint8_t encoding = p[0];
    ++p;
    --n;
    if (field == TagText::kComment) {
        // Language (3 bytes), then a short description, then the comment itself; the first
        // comment frame is the one shown.
        if (n < 3)
            return;
        p += 3;
        n -= 3;
        const size_t skip = afterTerminator(encoding, p, n);
        text.offer(field, tag_text::trimmed(decodeText(encoding, p + skip, n - skip)));
        return;
    }
    // A text frame may hold several values, each ended by the encoding's terminator.
    while (n > 0) {
        std::string value = tag_text::trimmed(decodeText(encoding, p, n));
        text.append(field, field == TagText::kGenre ? tag_text::genre(value) : value);
        size_t skip = afterTerminator(encoding, p, n);
        // A UTF-16 value after the first may start with its own byte-order mark, which
        // decodeText reads; without a terminator the frame is done.
        if (skip >= n)
            break;
        p += skip;
        n -= skip;
    }
}

// A user text frame (TXXX, TXX in 2.2): encoding, a description, then the value. ReplayGain is
// the only use made of them.
void readUserText(const uint8_t* p, size_t n, ReplayGain& gain)
{
    if (n < 2)
        return;
    const uint8_t encoding = p[0];
    ++p;
    --n;
    const size_t skip = afterTerminator(encoding, p, n);
    if (skip >= n)
        return;
    replay_gain::offerItem(decodeText(encoding, p, n), decodeText(encoding, p + skip, n - skip), gain);
}

// An attached picture: encoding, MIME type (2.3 and 2.4) or three-letter format (2.2), picture
// type, description, then the image.
void readPicture(bool shortFormat, const uint8_t* p, size_t n, TagPicture& picture)
{
    if (picture.present || n < 2)
        return;
    const uint8_t encoding = p[0];
    size_t pos = 1;
    std::string mime;
    if (shortFormat) {
        if (n < 5)
            return;
        const std::string format = tag_text::fromLatin1(p + 1, 3);
        mime = format == "PNG" ? "image/png" : format == "JPG" ? "image/jpeg" : format;
        pos = 4;
    } else {
        const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(p + 1, 0, n - 1));
        if (zero == nullptr)
            return;
        mime = tag_text::boundedUtf8(tag_text::fromLatin1(p + 1, size_t(zero - p) - 1), 64);
        pos = size_t(zero - p) + 1;
    }
    if (pos >= n)
        return;
    const uint8_t type = p[pos++];
    pos += afterTerminator(encoding, p + pos, n - pos);
    if (pos > n)
        return;
    picture.present = true;
    picture.type = type;
    picture.bytes = n - pos;
    picture.mime = mime;
}

}  // namespace

uint64_t tagSize(const uint8_t* head, size_t n)
{
    uint32_t body = 0;
    if (n < kHeaderBytes || std::memcmp(head, "ID3", 3) != 0 || head[3] < 2 || head[3] > 4 || head[4] == 0xFF
        || !syncSafe(head + 6, body))
        return 0;
    const bool footer = head[3] == 4 && (head[5] & 0x10) != 0;
    return kHeaderBytes + uint64_t(body) + (footer ? kHeaderBytes : 0);
}

void readText(const uint8_t* tag, size_t n, TagText& text)
{
    const uint64_t size = tagSize(tag, n);
    if (size == 0 || size > n)
        return;
    const uint8_t version = tag[3];
    const uint8_t flags = tag[5];
    uint32_t bodyBytes = 0;
    syncSafe(tag + 6, bodyBytes);
    // Versions before 2.4 unsynchronise the whole body, frame headers included.
    std::vector<uint8_t> body = version < 4 && (flags & 0x80)
        ? resynchronised(tag + kHeaderBytes, bodyBytes)
        : std::vector<uint8_t>(tag + kHeaderBytes, tag + kHeaderBytes + bodyBytes);
    size_t pos = 0;
    if (version >= 3 && (flags & 0x40) && body.size() >= 4) {
        // Extended header: 2.3 gives its size without the size field, 2.4 as a sync-safe total.
        uint32_t extended = 0;
        if (version == 3)
            extended = bigEndian(body.data(), 4) + 4;
        else if (!syncSafe(body.data(), extended))
            return;
        pos = extended;
    }
    // Values gather per tag; a field the tag has overrides nothing a tag before it gave.
    TagText own;
    const size_t idBytes = version == 2 ? 3 : 4;
    const size_t headerBytes = version == 2 ? 6 : 10;
    while (pos + headerBytes <= body.size()) {
        const uint8_t* h = body.data() + pos;
        if (h[0] == 0)
            break;  // padding
        char id[5] = {};
        std::memcpy(id, h, idBytes);
        uint32_t frameBytes = 0;
        if (version == 2)
            frameBytes = bigEndian(h + 3, 3);
        else if (version == 3)
            frameBytes = bigEndian(h + 4, 4);
        else if (!syncSafe(h + 4, frameBytes))
            break;
        const uint16_t frameFlags = version == 2 ? 0 : uint16_t(h[8] << 8 | h[9]);
        pos += headerBytes;
        if (frameBytes > body.size() - pos)
            break;  // a size past the tag: nothing after it can be trusted
        const uint8_t* data = body.data() + pos;
        size_t dataBytes = frameBytes;
        pos += frameBytes;
        const TagText::Field field = fieldOf(id);
        const bool picture = std::strcmp(id, "APIC") == 0 || std::strcmp(id, "PIC") == 0;
        const bool userText = std::strcmp(id, "TXXX") == 0 || std::strcmp(id, "TXX") == 0;
        const bool relativeVolume = std::strcmp(id, "RVA2") == 0;
        if (field == TagText::kFieldCount && !picture && !userText && !relativeVolume)
            continue;
        std::vector<uint8_t> plain;
        if (version == 3) {
            if (frameFlags & 0x00C0)
                continue;  // compressed or encrypted
            if (frameFlags & 0x0020) {
                if (dataBytes < 1)
                    continue;
                ++data;  // group id
                --dataBytes;
            }
        } else if (version == 4) {
            if (frameFlags & 0x000C)
                continue;  // compressed or encrypted
            const size_t extra = ((frameFlags & 0x0040) ? 1 : 0) + ((frameFlags & 0x0001) ? 4 : 0);
            if (dataBytes < extra)
                continue;
            data += extra;  // group id, data length
            dataBytes -= extra;
            if ((flags & 0x80) || (frameFlags & 0x0002)) {
                plain = resynchronised(data, dataBytes);
                data = plain.data();
                dataBytes = plain.size();
            }
        }
        if (dataBytes == 0)
            continue;  // nothing left once flags' extra bytes are stripped
        if (picture)
            readPicture(version == 2, data, dataBytes, own.picture);
        else if (userText)
            readUserText(data, dataBytes, own.replayGain);
        else if (relativeVolume)
            replay_gain::offerRelativeVolume(data, dataBytes, own.relativeVolume);
        else
            readFrame(field, data, dataBytes, own);
    }
    text.offerAll(own);
}

}  // namespace id3v2
