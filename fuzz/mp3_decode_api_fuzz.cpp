// Feeds arbitrary bytes to the public decode interface, through its memory source or, as the
// input picks, a read callback without seek that hands the bytes over in chunks whose size the
// input picks (a pipe): open, format, stream facts, a tag field into a buffer whose size the input
// picks, 16-bit reads in blocks whose size the input picks, a seek the input picks, more reads,
// the ReplayGain read and applied, close.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "orvane/mp3.h"

namespace {

struct Pipe {
    const uint8_t* data;
    size_t size;
    size_t chunk;
    size_t at = 0;
    static int64_t read(void* context, void* buffer, int64_t bytes)
    {
        auto* p = static_cast<Pipe*>(context);
        const size_t n = std::min({size_t(bytes), p->chunk, p->size - p->at});
        std::memcpy(buffer, p->data + p->at, n);
        p->at += n;
        return int64_t(n);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Pipe pipe{data, size, size > 6 ? size_t(data[6]) * 37 + 1 : 4096};
    const bool piped = size > 5 && (data[5] & 1) != 0;
    OrvaneDecoder* d
        = piped ? OrvaneDecodeOpenCallbacks(&Pipe::read, nullptr, &pipe) : OrvaneDecodeOpenMemory(data, size);
    if (d == nullptr)
        return 0;
    OrvaneDecodeFormat f;
    OrvaneDecodeGetFormat(d, &f);
    OrvaneStreamInfo info;
    OrvaneDecodeGetStreamInfo(d, &info);
    char text[64];
    OrvaneDecodeGetTagText(d, size > 2 ? data[2] % 8 : 0, text, size > 3 ? data[3] % int32_t(sizeof text) : 0);
    const int64_t block = 1 + (size > 0 ? data[0] : 0) * 7;
    std::vector<int16_t> pcm(size_t(block) * 2);
    while (OrvaneDecodeReadInt16(d, pcm.data(), block) > 0) { }
    OrvaneDecodeSeek(d, size > 1 ? uint64_t(data[1]) * 97 : 0);
    for (int i = 0; i < 4 && OrvaneDecodeReadInt16(d, pcm.data(), block) > 0; ++i) { }
    OrvaneDecodeSetGapless(d, size > 4 ? data[4] & 1 : 0);
    for (int i = 0; i < 4 && OrvaneDecodeReadInt16(d, pcm.data(), block) > 0; ++i) { }
    // ReplayGain stays within what any carrier can state, and scaling by it keeps reads going.
    OrvaneReplayGain gain;
    if (OrvaneDecodeGetReplayGain(d, &gain) != 1 || !(std::fabs(gain.trackGain) <= 64.0f)
        || !(std::fabs(gain.albumGain) <= 64.0f) || !(gain.trackPeak >= 0.0f && gain.trackPeak <= 64.0f)
        || !(gain.albumPeak >= 0.0f && gain.albumPeak <= 64.0f))
        __builtin_trap();
    OrvaneDecodeSetReplayGain(d, size > 5 ? data[5] % 3 : 1);
    for (int i = 0; i < 4 && OrvaneDecodeReadInt16(d, pcm.data(), block) > 0; ++i) { }
    OrvaneDecodeClose(d);
    return 0;
}
