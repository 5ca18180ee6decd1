// Effect chains driven by a program of hostile arguments: effects of every family created with
// raw parameters (NaN, infinities, huge values), blocks sent, parameters changed and the source
// format adjusted mid-stream, effects handed to term* and to a second chain.
#include <vector>

#include "fuzz/fuzz_input.h"
#include "orvane/dsp.h"

namespace {

void* makeEffect(FuzzInput& in, uint32_t frames, uint32_t channels, uint32_t rate)
{
    const uint8_t kind = in.take<uint8_t>();
    const float a = in.take<float>(), b = in.take<float>(), c = in.take<float>(), d = in.take<float>();
    const uint32_t n = in.take<uint8_t>();
    switch (kind % 9) {
    case 0:
        return initFader(frames, channels, rate, a, b, c);
    case 1:
        return initChorus(frames, channels, rate, n % 8, a, b, c, d, 50.0f);
    case 2:
        return initIirFilter(frames, channels, rate, int32_t(n % 9), a, n & 1);
    case 3:
        return initResampler(frames, channels, 1 + (n & 1), rate, in.take<uint32_t>(), n & 2, a, b, n & 4);
    case 4:
        return initHqupsBySrcsize(frames, channels, 1 + (n & 1), rate, a, b, in.take<uint16_t>(), n & 2, c, d, n & 4,
                                  n & 8);
    case 5:
        return initPitchShift(frames, channels, rate, a, b, c, d, n & 1, n & 2);
    case 6:
        return initStretch(frames, channels, rate, a, b, c, d);
    case 7: {
        const GraphicEQBandParams bands[2] = {{a, b, c, d}, {1000.0f, a, 0.9f, 0.99f}};
        return initGraphicEQ(frames, channels, rate, 2, bands, c);
    }
    default: {
        const float gains[4] = {a, b, c, d};
        return initShelvingEQ(frames, channels, rate, 4, gains, a);
    }
    }
}

// One setter of whatever family the handle is; the others refuse it.
void adjustEffect(void* h, float v, uint32_t i)
{
    setFaderAction(h, i & 1, v, v + 1.0f, v);
    setCrossFaderAction(h, 0.0f, v, v);
    setChorusDepth(h, v);
    setChorusMix(h, i, v);
    setPitchShiftPitch(h, v);
    setStretchScale(h, v);
    setHqupsHarmonics(h, v);
    setGraphicEQGain(h, i, v);
    setShelvingEQGain(h, i, v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    uint32_t frames = 1 + in.take<uint16_t>() % 4096;
    uint32_t channels = in.take<uint8_t>() % 4;
    uint32_t rate = in.take<uint32_t>();
    void* chain = dspCreate(frames, channels, rate);
    void* other = dspCreate(64, 1, 44100);
    if (chain == nullptr) {
        // A chain that refuses a format; the effects alone still take hostile formats.
        termFader(makeEffect(in, frames, channels, rate));
        dspDestroy(other);
        return 0;
    }
    std::vector<int16_t> src, dst;
    for (int step = 0; step < 24 && !in.empty(); ++step) {
        switch (in.take<uint8_t>() % 7) {
        case 0: {
            void* e = makeEffect(in, dspGetDstSize(chain, frames), dspGetDstChannels(chain), dspGetDstRate(chain));
            if (dspAdd(chain, e, in.take<uint8_t>()) == 0 || e == nullptr)
                break;
            // Owned by the chain now: neither term* nor another chain may take it.
            termFader(e);
            termStretch(e);
            dspAdd(other, e, 0);
            break;
        }
        case 1: {
            const uint32_t n = in.take<uint16_t>() % (frames + 2);
            const uint64_t out = uint64_t(dspGetDstSize(chain, n)) * dspGetDstChannels(chain);
            if (out > (1u << 22))
                break;
            src.assign(size_t(n) * channels, 0);
            for (int16_t& s : src)
                s = in.take<int16_t>();
            dst.assign(out + 16, 0);
            dspSend(chain, src.data(), dst.data(), uint32_t(src.size() * 2));
            break;
        }
        case 2: {
            // Mid-stream format change: mostly small blocks, any rate.
            const uint32_t f = in.take<uint16_t>() % 4096;
            const uint32_t ch = in.take<uint8_t>() % 4;
            const uint32_t r = in.take<uint32_t>();
            dspAdjust(chain, f, ch, r);
            if (f != 0 && (ch == 1 || ch == 2) && r != 0 && r <= 768000) {
                frames = f;
                channels = ch;
                rate = r;
            }
            break;
        }
        case 3:
            adjustEffect(dspGetHandle(chain, in.take<uint8_t>() % 4), in.take<float>(), in.take<uint8_t>());
            break;
        case 4:
            dspSend(chain, nullptr, nullptr, in.take<uint32_t>());
            break;
        case 5:
            dspClear(chain);
            break;
        default:
            dspAdd(chain, other, 0);
            break;
        }
    }
    dspDestroy(chain);
    dspDestroy(other);
    return 0;
}
