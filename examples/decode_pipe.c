/* Decodes MPEG audio arriving on standard input (a pipe: no seeking) with the decode interface of
 * libmp3, then prints its format, length and peak level as decode_to_memory does for a file.
 * Usage: cat FILE | decode_pipe */
#include <stdio.h>
#include <stdlib.h>

#include <orvane/mp3.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

/* The read callback: whatever the pipe has, up to bytes; 0 at its end, -1 on an error. */
static int64_t readPipe(void* context, void* buffer, int64_t bytes)
{
    FILE* in = context;
    const size_t got = fread(buffer, 1, (size_t)bytes, in);
    return got > 0 ? (int64_t)got : ferror(in) ? -1 : 0;
}

int main(void)
{
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    /* No seek callback: the stream is read once, front to back. */
    OrvaneDecoder* decoder = OrvaneDecodeOpenCallbacks(readPipe, NULL, stdin);
    if (decoder == NULL) {
        fprintf(stderr, "standard input: %s\n", OrvaneLastError());
        return 1;
    }
    OrvaneDecodeFormat format;
    OrvaneDecodeGetFormat(decoder, &format);

    static int16_t pcm[4096 * 2];
    int64_t frames = 0;
    int peak = 0;
    for (int64_t got; (got = OrvaneDecodeReadInt16(decoder, pcm, 4096)) > 0; frames += got)
        for (int64_t i = 0; i < got * format.channels; ++i)
            peak = abs(pcm[i]) > peak ? abs(pcm[i]) : peak;
    /* Read to the end, the total is known even without a VBR tag. */
    OrvaneDecodeGetFormat(decoder, &format);
    OrvaneDecodeClose(decoder);
    printf("layer %u, %u Hz, %u channel(s), %lld frames (%.2f s), peak %d\n", format.layer, format.sampleRate,
           format.channels, (long long)frames, (double)frames / format.sampleRate, peak);
    return frames > 0 && (uint64_t)frames == format.totalFrames ? 0 : 1;
}
