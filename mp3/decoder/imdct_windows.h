#pragma once

// Window tables of the hybrid filterbank with the fast transform's output constants folded in.
namespace layer3 {

struct ImdctWindows {
    // Long windows by block type 0..3 (type 2 unused), 36 values: window x sign x 1/(2 cos) of the
    // transform output that feeds that position (see imdct.cpp for the order).
    float longWindow[4][36];
    // Short window, 12 values, folded the same way for the 6-point transform.
    float shortWindow[12];
    // Constants of the stages: 9-point cosines, odd-part scaling, 6-point cosines.
    float cos9[9][9];
    float oddScale[9];
    float cos6[6][6];
};

// Built on first use, shared by every path (the tables do not depend on the vector switches, so a
// switch change mid-stream needs no rebuild).
const ImdctWindows& imdctWindows();

// Where output i of the 36-point (18-point input) long transform comes from: D[index], with sign.
constexpr int longSourceIndex(int i)
{
    return i < 9 ? i + 9 : i < 27 ? 26 - i : i - 27;
}
constexpr float longSourceSign(int i)
{
    return i < 9 ? 1.0f : -1.0f;
}
// The same for output i of the 12-point short transform from its 6-point core.
constexpr int shortSourceIndex(int i)
{
    return i < 3 ? i + 3 : i < 9 ? 8 - i : i - 9;
}
constexpr float shortSourceSign(int i)
{
    return i < 3 ? 1.0f : -1.0f;
}

}  // namespace layer3
