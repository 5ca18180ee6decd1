#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The text fields of a file's tags, in UTF-8. Each field comes from the first tag that has it:
// ID3v2 at the start, then APEv2, then ID3v1 at the end.
struct TagText {
    enum Field : int32_t { kTitle, kArtist, kAlbum, kYear, kTrack, kGenre, kComment, kFieldCount };

    std::string fields[kFieldCount];

    std::string& operator[](Field f) { return fields[f]; }
    const std::string& operator[](Field f) const { return fields[f]; }
    // Sets field f to value unless it already holds text or value is empty.
    void offer(Field f, const std::string& value)
    {
        if (fields[f].empty() && !value.empty())
            fields[f] = value;
    }
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
// A genre as "(17)", "17" or "(17)Rock" becomes the name of the number; other text is kept.
std::string genre(const std::string& raw);
// Copies value into buffer (size bytes, zero-terminated, cut at a character boundary; nothing
// when size is 0) and returns value's full length in bytes.
int32_t copyOut(const std::string& value, char* buffer, int32_t size);
}  // namespace tag_text
