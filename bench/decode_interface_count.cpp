// Decodes a whole file to 32-bit float in-process, through Orvane's decode interface or through
// libmpg123 (a black-box peer, when it was found at configure time), for instruction counts under
// callgrind. With a third argument the samples are also written there as raw floats, so two
// builds' outputs can be compared byte for byte. The seek forms open the file, learn its exact
// length (the peer by its scan), then make SEEKS seeks to spread targets, each followed by a read
// of half a second: two counts with different SEEKS give the cost of one seek and its read.
//
//   decode_interface_count orvane|mpg123 FILE [OUT.f32]
//   decode_interface_count orvane-seek|mpg123-seek FILE SEEKS
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "orvane/mp3.h"
#ifdef ORVANE_BENCH_MPG123
#include <mpg123.h>
#endif

namespace {

constexpr long kBlockFrames = 4096;
constexpr long kHalfSecond = 22050;

// The k-th of a run of seek targets in a stream of total frames: spread over it, off frame bounds.
uint64_t seekTarget(uint64_t k, uint64_t total)
{
    const uint64_t span = total > uint64_t(kHalfSecond) ? total - uint64_t(kHalfSecond) : 1;
    return (k * 7919 * 1153 + 331) % span;
}

int seekOrvane(const char* path, int seeks)
{
    OrvaneDecoder* d = OrvaneDecodeOpenFile(path);
    OrvaneDecodeFormat format{};
    if (!d || !OrvaneDecodeGetFormat(d, &format))
        return 1;
    std::vector<float> pcm(size_t(kHalfSecond) * format.channels);
    for (int k = 0; k < seeks; ++k)
        if (!OrvaneDecodeSeek(d, seekTarget(uint64_t(k), format.totalFrames))
            || OrvaneDecodeReadFloat(d, pcm.data(), kHalfSecond) <= 0)
            return 1;
    OrvaneDecodeClose(d);
    return 0;
}

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

int seekMpg123(const char* path, int seeks)
{
    mpg123_init();
    int err = 0;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    if (!h || mpg123_param(h, MPG123_ADD_FLAGS, MPG123_FORCE_FLOAT | MPG123_QUIET | MPG123_GAPLESS, 0.0) != MPG123_OK
        || mpg123_open(h, path) != MPG123_OK || mpg123_scan(h) != MPG123_OK)
        return 1;
    const off_t total = mpg123_length(h);
    std::vector<unsigned char> buffer(size_t(kHalfSecond) * 2 * sizeof(float));
    for (int k = 0; k < seeks; ++k) {
        if (mpg123_seek(h, off_t(seekTarget(uint64_t(k), uint64_t(total))), SEEK_SET) < 0)
            return 1;
        size_t done = 0;
        int r;
        while ((r = mpg123_read(h, buffer.data(), buffer.size(), &done)) == MPG123_NEW_FORMAT) { }
        if (r != MPG123_OK || done == 0)
            return 1;
    }
    mpg123_close(h);
    mpg123_delete(h);
    return 0;
}
#endif

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s orvane|mpg123 FILE [OUT.f32] | orvane-seek|mpg123-seek FILE SEEKS\n", argv[0]);
        return 2;
    }
    const int seeks = argc > 3 ? std::atoi(argv[3]) : 0;
    if (std::strcmp(argv[1], "orvane-seek") == 0)
        return seekOrvane(argv[2], seeks);
#ifdef ORVANE_BENCH_MPG123
    if (std::strcmp(argv[1], "mpg123-seek") == 0)
        return seekMpg123(argv[2], seeks);
#endif
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
