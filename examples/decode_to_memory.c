/* Decodes an MPEG audio file into memory as 16-bit PCM with the decode interface of libmp3, then
 * prints its format, length and peak level.  Usage: decode_to_memory FILE */
#include <stdio.h>
#include <stdlib.h>

#include <orvane/mp3.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    OrvaneDecoder* decoder = OrvaneDecodeOpenFile(argv[1]);
    if (decoder == NULL) {
        fprintf(stderr, "%s: not a readable MPEG audio file\n", argv[1]);
        return 1;
    }
    OrvaneDecodeFormat format;
    OrvaneDecodeGetFormat(decoder, &format);

    int16_t* pcm = NULL;
    int64_t frames = 0, capacity = 0;
    for (;;) {
        if (capacity - frames < 4096) {
            capacity = capacity * 2 + 4096;
            int16_t* grown = realloc(pcm, (size_t)capacity * format.channels * sizeof *pcm);
            if (grown == NULL) {
                free(pcm);
                OrvaneDecodeClose(decoder);
                return 1;
            }
            pcm = grown;
        }
        const int64_t got = OrvaneDecodeReadInt16(decoder, pcm + frames * format.channels, capacity - frames);
        if (got <= 0)
            break;
        frames += got;
    }
    OrvaneDecodeClose(decoder);

    int peak = 0;
    for (int64_t i = 0; i < frames * format.channels; ++i)
        peak = abs(pcm[i]) > peak ? abs(pcm[i]) : peak;
    free(pcm);
    printf("layer %u, %u Hz, %u channel(s), %lld frames (%.2f s), peak %d\n", format.layer, format.sampleRate,
           format.channels, (long long)frames, (double)frames / format.sampleRate, peak);
    printf("libmp3 %u, headers %d\n", OrvaneGetVersion(), ORVANE_VERSION);
    return frames > 0 ? 0 : 1;
}
