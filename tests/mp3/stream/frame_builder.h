#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Builds MPEG audio frames with marked bodies for reader and seek tests.
namespace framebuild {

struct FrameSpec {
    int version = 1;  // 1 MPEG-1, 0 MPEG-2
    int layer = 3;
    int bitrateIndex = 9;  // 128 kbit/s for MPEG-1 Layer III
    int rateIndex = 0;     // 44.1 kHz for MPEG-1
    int padding = 0;
    int mode = 0;
    int protection = 1;  // 1 = no CRC
};

inline uint32_t headerWord(const FrameSpec& s)
{
    return 0xFFE00000u | uint32_t(1) << 20 | uint32_t(s.version) << 19 | uint32_t(4 - s.layer) << 17
        | uint32_t(s.protection) << 16 | uint32_t(s.bitrateIndex) << 12 | uint32_t(s.rateIndex) << 10
        | uint32_t(s.padding) << 9 | uint32_t(s.mode) << 6;
}

// Frame length from the standard's formulas, for the bitrates the tests use.
inline int frameLength(const FrameSpec& s)
{
    static const int kbpsL3v1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int kbpsL2v1[16] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0};
    static const int kbpsL1v1[16] = {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0};
    static const int kbpsL1v2[16] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0};
    static const int kbpsV2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    static const int rates[2][3] = {{22050, 24000, 16000}, {44100, 48000, 32000}};
    const int fs = rates[s.version][s.rateIndex];
    const int* table = s.version == 0 ? (s.layer == 1 ? kbpsL1v2 : kbpsV2)
        : s.layer == 1                ? kbpsL1v1
        : s.layer == 2                ? kbpsL2v1
                                      : kbpsL3v1;
    const int bps = table[s.bitrateIndex] * 1000;
    if (s.layer == 1)
        return (12 * bps / fs + s.padding) * 4;
    const int samples = (s.layer == 3 && s.version == 0) ? 576 : 1152;
    return samples / 8 * bps / fs + s.padding;
}

// One frame whose body starts with the marker (big-endian) and is otherwise 0x11 bytes.
inline std::vector<uint8_t> frame(const FrameSpec& s, uint32_t marker)
{
    std::vector<uint8_t> f(size_t(std::max(frameLength(s), 8)), 0x11);
    const uint32_t h = headerWord(s);
    for (int i = 0; i < 4; ++i) {
        f[size_t(i)] = uint8_t(h >> (24 - 8 * i));
        f[size_t(4 + i)] = uint8_t(marker >> (24 - 8 * i));
    }
    return f;
}

inline void append(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// n frames marked 0..n-1; padded when padded(i) says so.
template<typename Padded> std::vector<uint8_t> stream(FrameSpec s, int n, Padded padded)
{
    std::vector<uint8_t> out;
    for (int i = 0; i < n; ++i) {
        s.padding = padded(i) ? 1 : 0;
        append(out, frame(s, uint32_t(i)));
    }
    return out;
}

inline void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return;
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

}  // namespace framebuild
