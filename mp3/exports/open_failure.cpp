#include "mp3/exports/open_failure.h"

#include <string>
#include <vector>

#include "mp3/stream/header_tables.h"
#include "platform/export_guard.h"

namespace {

// How far into a stream the reason is looked for.
constexpr int64_t kScanBytes = 1 << 20;

enum class Found { Nothing, FreeFormat, CutFrame, WholeFrame };

// What a 4-byte word at offset is as a frame header, given the stream's size.
Found headerAt(uint32_t h, int64_t offset, int64_t size)
{
    const uint32_t versionBits = (h >> 19) & 3;
    const uint32_t layerBits = (h >> 17) & 3;
    const uint32_t bitrateIndex = (h >> 12) & 15;
    const uint32_t rateIndex = (h >> 10) & 3;
    if ((h >> 21) != 0x7FF || versionBits == 1 || layerBits == 0 || bitrateIndex == 15 || rateIndex == 3)
        return Found::Nothing;
    if (bitrateIndex == 0)
        return Found::FreeFormat;
    const int32_t v = versionBits == 3 ? 1 : 0;
    const int32_t layer = 4 - int32_t(layerBits);
    const int64_t bps = header_tables::kBitrates[v][layer - 1][bitrateIndex];
    const int64_t rate = header_tables::kSampleRates[v][rateIndex] / (versionBits == 0 ? 2 : 1);
    const int64_t pad = (h >> 9) & 1;
    const int64_t length
        = layer == 1 ? (12 * bps / rate + pad) * 4 : (layer == 3 && v == 0 ? 72 : 144) * bps / rate + pad;
    return offset + length > size ? Found::CutFrame : Found::WholeFrame;
}

}  // namespace

void refuseUndecodable(ByteSource& source)
{
    using namespace export_guard;
    const int64_t size = source.size();
    if (size == 0)
        refuse(kTruncated, "the stream is empty");
    std::vector<uint8_t> bytes(size_t(size > 0 && size < kScanBytes ? size : kScanBytes));
    int64_t got = 0;
    if (source.seek(0, ByteSource::Origin::Begin) == 0) {
        for (int64_t n; got < int64_t(bytes.size()) && (n = source.read(bytes.data() + got, bytes.size() - got)) > 0;)
            got += n;
    }
    bool freeFormat = false, cut = false;
    for (int64_t i = 0; i + 4 <= got; ++i) {
        const uint32_t h
            = uint32_t(bytes[i]) << 24 | uint32_t(bytes[i + 1]) << 16 | uint32_t(bytes[i + 2]) << 8 | bytes[i + 3];
        const Found f = headerAt(h, i, size < 0 ? got : size);
        if (f == Found::WholeFrame)
            break;  // a complete frame that did not decode: not taken for MPEG audio
        freeFormat = freeFormat || f == Found::FreeFormat;
        cut = cut || f == Found::CutFrame;
    }
    if (freeFormat)
        refuse(kUnsupported,
               "a free-format MPEG audio stream whose frame length could not be found (no second frame follows the "
               "first)");
    if (cut)
        refuse(kTruncated, "the stream ends inside its first MPEG audio frame");
    refuse(kNotMpeg, "no MPEG audio frame found");
}

void refuseUnopenable(const char* path)
{
    const std::string reason = std::string(path) + ": " + platform::systemErrorText();
    export_guard::refuse(export_guard::kCannotOpen, reason.c_str());
}
