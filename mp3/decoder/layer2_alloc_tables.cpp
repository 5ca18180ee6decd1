#include "mp3/decoder/layer2_alloc_tables.h"

namespace decoder {

// Quantisation classes by level count: C = 2^b / levels over b = the bits that hold a level,
// D = 2^(1 - b) for ungrouped classes and 1/2 for the grouped ones.
const QuantClass kQuantClasses[kQuantClassCount] = {
    {3, true, 5, 4.0f / 3.0f, 0.5f},
    {5, true, 7, 8.0f / 5.0f, 0.5f},
    {7, false, 3, 8.0f / 7.0f, 0.25f},
    {9, true, 10, 16.0f / 9.0f, 0.5f},
    {15, false, 4, 16.0f / 15.0f, 0.125f},
    {31, false, 5, 32.0f / 31.0f, 0.0625f},
    {63, false, 6, 64.0f / 63.0f, 0.03125f},
    {127, false, 7, 128.0f / 127.0f, 0.015625f},
    {255, false, 8, 256.0f / 255.0f, 0.0078125f},
    {511, false, 9, 512.0f / 511.0f, 0.00390625f},
    {1023, false, 10, 1024.0f / 1023.0f, 0.001953125f},
    {2047, false, 11, 2048.0f / 2047.0f, 0.0009765625f},
    {4095, false, 12, 4096.0f / 4095.0f, 0.00048828125f},
    {8191, false, 13, 8192.0f / 8191.0f, 0.000244140625f},
    {16383, false, 14, 16384.0f / 16383.0f, 0.0001220703125f},
    {32767, false, 15, 32768.0f / 32767.0f, 0.00006103515625f},
    {65535, false, 16, 65536.0f / 65535.0f, 0.000030517578125f},
};

namespace {

// Rows name classes by index into kQuantClasses: 0 = 3 levels, 1 = 5, 2 = 7, 3 = 9, 4 = 15,
// 5 = 31, ... 16 = 65535.
constexpr AllocRow kLowSubbands = {4, {0, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}};
constexpr AllocRow kMidSubbands = {4, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16}};
constexpr AllocRow kHighSubbands = {3, {0, 1, 2, 3, 4, 5, 16}};
constexpr AllocRow kTopSubbands = {2, {0, 1, 16}};
constexpr AllocRow kLowRateFirst = {4, {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}};
constexpr AllocRow kLowRateRest = {3, {0, 1, 3, 4, 5, 6, 7}};
constexpr AllocRow kLsfFirst = {4, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}};
constexpr AllocRow kLsfMid = {3, {0, 1, 3, 4, 5, 6, 7}};
constexpr AllocRow kLsfTop = {2, {0, 1, 3}};

#define L &kLowSubbands
#define M &kMidSubbands
#define H &kHighSubbands
#define T &kTopSubbands
#define F &kLowRateFirst
#define R &kLowRateRest

}  // namespace

const AllocTable kAllocTableMpeg1Sb27
    = {27, {L, L, L, M, M, M, M, M, M, M, M, H, H, H, H, H, H, H, H, H, H, H, H, T, T, T, T}};
const AllocTable kAllocTableMpeg1Sb30
    = {30, {L, L, L, M, M, M, M, M, M, M, M, H, H, H, H, H, H, H, H, H, H, H, H, T, T, T, T, T, T, T}};
const AllocTable kAllocTableMpeg1Sb8 = {8, {F, F, R, R, R, R, R, R}};
const AllocTable kAllocTableMpeg1Sb12 = {12, {F, F, R, R, R, R, R, R, R, R, R, R}};

#undef L
#undef M
#undef H
#undef T
#undef F
#undef R

#define F &kLsfFirst
#define M &kLsfMid
#define T &kLsfTop
const AllocTable kAllocTableMpeg2
    = {30, {F, F, F, F, M, M, M, M, M, M, M, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T}};
#undef F
#undef M
#undef T

const AllocTable& layer2AllocTable(int32_t version, int32_t bitrateIndex, int32_t mode, int32_t sampleRateIndex)
{
    if (version == 0)
        return kAllocTableMpeg2;
    // The MPEG-1 choice goes by bitrate per channel: two-channel index 4 and 5 (64 and 80 kbit/s)
    // are 32 and 40 per channel, and index i above them matches single-channel index i - 4.
    int32_t r = bitrateIndex;
    if (mode != 3)
        r = (bitrateIndex == 4) ? 1 : bitrateIndex - 4;
    if (r == 1 || r == 2)
        return sampleRateIndex == 2 ? kAllocTableMpeg1Sb12 : kAllocTableMpeg1Sb8;
    if (sampleRateIndex == 1 || (r >= 3 && r <= 5))
        return kAllocTableMpeg1Sb27;
    return kAllocTableMpeg1Sb30;
}

}  // namespace decoder
