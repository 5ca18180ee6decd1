// The WAV reader on arbitrary files: the buffer size and a program of reads, seeks, time seeks
// and buffer changes with hostile arguments come from the front of the input, the file is the rest.
#include <vector>

#include "fuzz/fuzz_input.h"
#include "orvane/dsp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    const uint32_t frames = in.take<uint16_t>();
    uint8_t program[16];
    for (uint8_t& op : program)
        op = in.take<uint8_t>();
    int32_t args[16];
    for (int32_t& a : args)
        a = in.take<int32_t>();
    const std::string path = fuzzFile("reader.wav", in.rest(), in.restSize());
    void* reader = path.empty() ? nullptr : initWavefileIn(path.c_str(), frames);
    if (reader == nullptr)
        return 0;
    std::vector<uint8_t> dst(1 << 16);
    for (int i = 0; i < 16; ++i) {
        float seconds = 0.0f;
        std::memcpy(&seconds, &args[i], sizeof seconds);
        switch (program[i] % 6) {
        case 0: {
            // Reads into the caller's buffer stay within it: frames x 2 x channels bytes.
            const uint32_t channels = getFormatWavefileIn(reader)->nChannels;
            readWavefileIn(reader, dst.data(), uint32_t(args[i] & 0xFFFF) % (dst.size() / (2 * channels) + 1));
            break;
        }
        case 1:
            readWavefileIn(reader, nullptr, uint32_t(args[i]));
            break;
        case 2:
            seekWavefileIn(reader, args[i], args[i] & 1);
            break;
        case 3:
            timeSeekWavefileIn(reader, seconds, args[i] & 1);
            break;
        case 4:
            bufSizeExtendWavefileIn(reader, uint32_t(args[i]) & 0xFFFFF);
            break;
        default:
            getHeaderWavefileIn(reader);
            break;
        }
    }
    termWavefileIn(reader);
    return 0;
}
