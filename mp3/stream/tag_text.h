#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "mp3/stream/replay_gain.h"

// The embedded picture a tag carries (the first one): its ID3v2 picture type (3 front cover,
// 4 back cover, ...), its size in bytes and its MIME type.
struct TagPicture {
    bool present = false;
    uint32_t type = 0;
    uint64_t bytes = 0;
    std::string mime;
};

// The text fields of a file's tags, in UTF-8. Each field comes from the first tag that has it:
// ID3v2 at the start, then APEv2, then ID3v1 at the end. A field with several values in one tag
// (ID3v2.4 lists, repeated frames or APEv2 items, "(17)(18)" genres) holds them joined with
// kValueSeparator.
struct TagText {
    enum Field : int32_t { kTitle, kArtist, kAlbum, kYear, kTrack, kGenre, kComment, kFieldCount };
    static constexpr const char* kValueSeparator = "; ";
    // No field grows past this many bytes, however many values a tag repeats.
    static constexpr size_t kMaxFieldBytes = 65536;

    std::string fields[kFieldCount];
    TagPicture picture;
    // ReplayGain as named items (ID3v2 TXXX, APEv2) state it, and as ID3v2 relative volume
    // frames (RVA2) do; kept apart because named items win wherever they stand.
    ReplayGain replayGain;
    ReplayGain relativeVolume;

    std::string& operator[](Field f) { return fields[f]; }
    const std::string& operator[](Field f) const { return fields[f]; }
    // Sets field f to value unless it already holds text or value is empty.
    void offer(Field f, const std::string& value)
    {
        if (fields[f].empty() && !value.empty())
            fields[f] = value;
    }
    // Adds value to field f as one more value (skipping empty values and repeats of the last).
    void append(Field f, const std::string& value);
    // Offers every field of another tag's text, its ReplayGain values, and its picture when
    // none is held yet.
    void offerAll(const TagText& other);
    // The file's ReplayGain: named items, then relative volume frames, then the values of the
    // encoder's tag in the first frame (encoder), each filling only what those before left out.
    ReplayGain resolvedReplayGain(const ReplayGain& encoder) const;
};

// Text conversions to UTF-8. Bytes that do not form a valid character become U+FFFD; decoding
// stops at the first zero character. n is the byte count available.
namespace tag_text {
std::string fromLatin1(const uint8_t* p, size_t n);
// bigEndian is the byte order when no byte-order mark starts the text (a mark wins).
std::string fromUtf16(const uint8_t* p, size_t n, bool bigEndian);
std::string fromUtf8(const uint8_t* p, size_t n);
// Drops trailing spaces and zeros (fixed-width fields pad with them).
std::string trimmed(std::string s);
// The name of an ID3v1 genre number, "" for numbers outside the list.
const char* genreName(uint32_t number);
// A genre as "17", "(17)", "(17)(18)" (several, joined), "(17)Rock" (the text refines the
// number) or "(RX)"/"(CR)" becomes names; "((" stands for a literal "("; other text is kept.
std::string genre(const std::string& raw);
// value cut to at most maxBytes at a character boundary.
std::string boundedUtf8(const std::string& value, size_t maxBytes);
// Copies value into buffer (size bytes, zero-terminated, cut at a character boundary; nothing
// when size is 0) and returns value's full length in bytes.
int32_t copyOut(const std::string& value, char* buffer, int32_t size);
}  // namespace tag_text
