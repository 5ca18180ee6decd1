/* Runs a 16-bit WAV file through a chain of libdsp effects (a high-pass filter, then a graphic
 * equaliser band) and writes the result.  Usage: effect_chain IN.wav OUT.wav */
#include <stdio.h>

#include <orvane/dsp.h>

enum { kFrames = 4096 };

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s IN.wav OUT.wav\n", argv[0]);
        return 2;
    }
    void* in = initWavefileIn(argv[1], kFrames);
    if (in == NULL) {
        fprintf(stderr, "%s: not a 16-bit PCM WAV file\n", argv[1]);
        return 1;
    }
    const OrvaneWaveFormat format = *getFormatWavefileIn(in);
    void* chain = dspCreate(kFrames, format.nChannels, format.nSamplesPerSec);
    const GraphicEQBandParams band = {1000.0f, 6.0f, 0.9f, 0.98f};
    dspAdd(chain, initIirFilter(kFrames, format.nChannels, format.nSamplesPerSec, 4, 80.0f, 1), 0);
    dspAdd(chain, initGraphicEQ(kFrames, format.nChannels, format.nSamplesPerSec, 1, &band, -6.0f), 1);
    void* out = initWavefileOut(argv[2], &format);
    if (chain == NULL || out == NULL) {
        fprintf(stderr, "cannot set up the chain or create %s\n", argv[2]);
        return 1;
    }

    static int16_t src[kFrames * 2], dst[kFrames * 2];
    long long frames = 0;
    int32_t bytes;
    while ((bytes = readWavefileIn(in, src, kFrames)) > 0) {
        const int32_t written = dspSend(chain, src, dst, (uint32_t)bytes);
        writeWavefileOut(out, dst, written);
        frames += bytes / (2 * format.nChannels);
    }
    termWavefileOut(out);
    termWavefileIn(in);
    dspDestroy(chain);
    printf("%lld frames through %u effects at %u Hz\n", frames, 2u, format.nSamplesPerSec);
    return bytes < 0 || frames == 0 ? 1 : 0;
}
