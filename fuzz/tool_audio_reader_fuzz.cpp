// The orvane tool's audio reader (WAV of every layout, MPEG audio) on arbitrary files, read to the
// end in blocks of changing size. An input starting with a byte below 8 is dressed as a WAV file
// of that layout, with channels, rate, declared data size and an odd chunk before the data taken
// from the front of the input; any other input is the file as it is (MPEG, ID3, RIFF...). Every
// read must stay within its block and give finite samples.
#include <cmath>
#include <cstdlib>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "tools/audio_file.h"

namespace {

struct Layout {
    uint16_t tag;
    uint16_t bits;
    uint16_t subTag;  // the extensible format's own tag, 0 for a plain format chunk
};

// 8, 16, 24 and 32-bit integers, 32-bit float, both as extensible, and a width no reader takes.
constexpr Layout kLayouts[8]
    = {{1, 8, 0}, {1, 16, 0}, {1, 24, 0}, {1, 32, 0}, {3, 32, 0}, {0xFFFE, 16, 1}, {0xFFFE, 32, 3}, {1, 12, 0}};

void put16(std::vector<uint8_t>& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& b, uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

std::vector<uint8_t> dressAsWav(const Layout& layout, FuzzInput& in)
{
    const uint32_t channels = 1 + in.take<uint8_t>() % 3;  // 3 is refused
    const uint32_t rate = in.take<uint32_t>();
    const uint32_t declared = in.take<uint32_t>();  // 0 and 0xFFFFFFFF mean "to the end"
    const uint8_t extra = in.take<uint8_t>();       // bytes of a chunk before the data, odd ones padded
    const bool extensible = layout.tag == 0xFFFE;
    std::vector<uint8_t> w = {'R', 'I', 'F', 'F'};
    put32(w, 0xFFFFFFFF);
    w.insert(w.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(w, extensible ? 40 : 16);
    put16(w, layout.tag);
    put16(w, channels);
    put32(w, rate);
    put32(w, rate * channels * layout.bits / 8);
    put16(w, channels * layout.bits / 8);
    put16(w, layout.bits);
    if (extensible) {
        put16(w, 22);
        put16(w, layout.bits);
        put32(w, channels == 1 ? 4 : 3);
        put16(w, layout.subTag);
        w.insert(w.end(), 14, 0);
    }
    w.insert(w.end(), {'L', 'I', 'S', 'T'});
    put32(w, extra);
    w.insert(w.end(), extra + (extra & 1), 'x');
    w.insert(w.end(), {'d', 'a', 't', 'a'});
    put32(w, declared);
    w.insert(w.end(), in.rest(), in.rest() + in.restSize());
    return w;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> file(data, data + size);
    if (size > 0 && data[0] < 8) {
        FuzzInput in(data + 1, size - 1);
        file = dressAsWav(kLayouts[data[0]], in);
    }
    const std::string path = fuzzFile("audio", file.data(), file.size());
    std::string error;
    const std::unique_ptr<AudioReader> reader = path.empty() ? nullptr : openAudio(path, error);
    if (reader == nullptr)
        return 0;
    if (reader->channels() < 1 || reader->channels() > 2 || reader->rate() < 1)
        std::abort();
    constexpr uint32_t kBlocks[] = {1, 7, 1152, 4096, 333};
    constexpr float kGuard = 12345.0f;
    std::vector<float> out;
    for (size_t i = 0; i < 100000; ++i) {
        const uint32_t count = kBlocks[(i + size) % 5];
        out.assign(size_t(count + 1) * reader->channels(), kGuard);
        const int64_t got = reader->read(out.data(), count);
        if (got < 0 || got > count)
            std::abort();
        for (size_t s = 0; s < out.size(); ++s)
            if (s < size_t(got) * reader->channels() ? !std::isfinite(out[s]) : out[s] != kGuard)
                std::abort();
        if (got == 0)
            break;
    }
    return 0;
}
