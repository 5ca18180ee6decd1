// Decodes a whole file to 32-bit float in-process, through Orvane's decode interface or through
// libmpg123 (a black-box peer, when it was found at configure time), for instruction counts under
// callgrind. With a third argument the samples are also written there as raw floats, so two
// builds' outputs can be compared byte for byte.
//
//   decode_interface_count orvane|mpg123 FILE [OUT.f32]
#include <cstdio>
#include <cstring>
#include <vector>

#include "orvane/mp3.h"
#ifdef ORVANE_BENCH_MPG123
#include <mpg123.h>
#endif

namespace {

constexpr long kBlockFrames = 4096;

int decodeOrvane(const char* path, FILE* dump)
{
    OrvaneDecoder* d = OrvaneDecodeOpenFile(path);
    OrvaneDecodeFormat format{};
    if (!d || !OrvaneDecodeGetFormat(d, &format)) {
        std::fprintf(stderr, "cannot open %s\n", path);
        return 1;
    }
    std::vector<float> pcm(size_t(kBlockFrames) * format.channels);
    int64_t got;
    while ((got = OrvaneDecodeReadFloat(d, pcm.data(), kBlockFrames)) > 0)
        if (dump)
            std::fwrite(pcm.data(), sizeof(float), size_t(got) * format.channels, dump);
    OrvaneDecodeClose(d);
    return 0;
}

#ifdef ORVANE_BENCH_MPG123
int decodeMpg123(const char* path, FILE* dump)
{
    mpg123_init();
    int err = 0;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    if (!h || mpg123_param(h, MPG123_ADD_FLAGS, MPG123_FORCE_FLOAT | MPG123_QUIET, 0.0) != MPG123_OK
        || mpg123_open(h, path) != MPG123_OK) {
        std::fprintf(stderr, "mpg123 cannot open %s\n", path);
        return 1;
    }
    std::vector<unsigned char> buffer(size_t(kBlockFrames) * 2 * sizeof(float));
    size_t done = 0;
    int r;
    do {
        r = mpg123_read(h, buffer.data(), buffer.size(), &done);
        if (dump && done)
            std::fwrite(buffer.data(), 1, done, dump);
    } while (r == MPG123_OK || r == MPG123_NEW_FORMAT);
    mpg123_close(h);
    mpg123_delete(h);
    return 0;
}
#endif

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s orvane|mpg123 FILE [OUT.f32]\n", argv[0]);
        return 2;
    }
    FILE* dump = argc > 3 ? std::fopen(argv[3], "wb") : nullptr;
    int rc = 2;
    if (std::strcmp(argv[1], "orvane") == 0)
        rc = decodeOrvane(argv[2], dump);
#ifdef ORVANE_BENCH_MPG123
    else if (std::strcmp(argv[1], "mpg123") == 0)
        rc = decodeMpg123(argv[2], dump);
#endif
    else
        std::fprintf(stderr, "unknown decoder %s\n", argv[1]);
    if (dump)
        std::fclose(dump);
    return rc;
}
