// The tag readers on arbitrary bytes: an ID3v2 tag at the front, the extent of the audio between
// the tags from a start offset the input picks, and the tags at the end. Beyond memory safety it
// checks what callers rely on: the extent lies inside the file, every field is valid UTF-8 and
// every ReplayGain value (tags and encoder tag) lies within its bounds.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_input.h"
#include "mp3/stream/audio_extent.h"
#include "mp3/stream/byte_source.h"
#include "mp3/stream/end_tags.h"
#include "mp3/stream/id3v2_tag.h"
#include "mp3/stream/tag_text.h"
#include "mp3/stream/vbr_tag.h"

namespace {

bool validUtf8(const std::string& s)
{
    size_t i = 0;
    while (i < s.size()) {
        const auto c = uint8_t(s[i]);
        size_t more = 0;
        uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xE0) == 0xC0) {
            more = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + more >= s.size())
            return false;
        for (size_t k = 1; k <= more; ++k) {
            const auto b = uint8_t(s[i + k]);
            if ((b & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (b & 0x3F);
        }
        const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (cp < least[more] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += more + 1;
    }
    return true;
}

void checkGain(const ReplayGain& gain)
{
    for (int32_t s = 0; s < ReplayGain::kSlotCount; ++s) {
        const float v = gain.values[s].value;
        const bool isGain = s == ReplayGain::kTrackGain || s == ReplayGain::kAlbumGain;
        if (!(isGain ? std::fabs(v) <= replay_gain::kMaxGainDb : v >= 0.0f && v <= replay_gain::kMaxPeak))
            __builtin_trap();
    }
}

void checkText(const TagText& text)
{
    for (const std::string& field : text.fields)
        if (!validUtf8(field) || field.find('\0') != std::string::npos)
            __builtin_trap();
    checkGain(text.replayGain);
    checkGain(text.relativeVolume);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    const auto offset = in.take<uint16_t>();
    const uint8_t* file = in.rest();
    const auto n = int64_t(in.restSize());

    TagText direct;
    const uint64_t tag = id3v2::tagSize(file, size_t(n));
    if (tag != 0)
        id3v2::readText(file, size_t(tag < uint64_t(n) ? tag : uint64_t(n)), direct);
    checkText(direct);

    // Small offsets are the common case; the top bit lets one run past the end of the file.
    const int64_t start = (offset & 0x8000) != 0 ? int64_t(offset) * 4099 : int64_t(offset & 0xFF);
    auto source = openMemorySource(file, uint64_t(n));
    TagText text;
    const AudioExtent extent = findAudioExtent(*source, start, &text);
    if (extent.start < 0 || extent.end > n || (start <= n && extent.start < start))
        __builtin_trap();
    checkText(text);

    TagText end;
    const end_tags::Found found = end_tags::find(*source, n, extent.start, &end);
    if (found.audioEnd > n || found.audioEnd < 0)
        __builtin_trap();
    checkText(end);

    // The same bytes as a first frame carrying the encoder's tag.
    VbrInfo vbr;
    parseVbrTag(file, uint32_t(n < 256 ? n : 256), vbr);
    checkGain(vbr.replayGain);
    return 0;
}
