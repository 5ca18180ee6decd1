// File information and seeks on arbitrary bytes with hostile arguments: the start offset, the
// frame and the percentage come from the front of the input, the file is the rest.
#include "fuzz/fuzz_input.h"
#include "mp3/decode/stream_decoder.h"
#include "orvane/mp3.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    const int32_t offset = in.take<int32_t>();
    const int32_t frame = in.take<int32_t>();
    const float percent = in.take<float>();
    const std::string path = fuzzFile("info.mp3", in.rest(), in.restSize());
    if (path.empty())
        return 0;
    // Small offsets are the interesting ones; the raw value still covers the negative and huge.
    const int32_t start = (offset & 0x100) != 0 ? offset : (offset & 0xFF);
    OrvaneGetTotalMs(path.c_str(), start);
    OrvaneGetFirstBitrate(path.c_str(), start);
    OrvaneStreamInfo info;
    OrvaneGetStreamInfo(path.c_str(), start, &info);
    StreamDecoder dec;
    if (dec.open(path.c_str(), start >= 0 ? uint32_t(start) : 0u)) {
        dec.keepPcm(false);
        dec.decodeAll(4);
        if (dec.seekFrame(frame))
            dec.resetAfterSeek();
        dec.decodeAll(4);
        if (dec.seekPercent(percent))
            dec.resetAfterSeek();
        dec.decodeAll(4);
    }
    return 0;
}
