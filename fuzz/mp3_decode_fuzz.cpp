// Feeds arbitrary bytes through the whole file-to-PCM decode path: header scan, frame reading,
// the layer decoders and the synthesis. The input's length picks the synthesis path, so every
// path sees the corpus.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "mp3/decode/stream_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = "/tmp/orvane_fuzz_" + std::to_string(getpid()) + ".bin";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    decoder::DecoderSettings settings;
    settings.path = static_cast<decoder::VectorPath>(size % 3);
    StreamDecoder dec;
    if (dec.open(path.c_str())) {
        dec.setSettings(settings);
        dec.keepPcm(false);
        dec.decodeAll();
    }
    return 0;
}
