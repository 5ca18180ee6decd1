#pragma once

namespace decoder {

// Requantised values of Layer II grouped codewords: code = s0 + L*s1 + L*L*s2 for L levels, each
// sample s becoming C * (s / 2^(b-1) - 1 + 1/2) with b the bits that hold a level (the same as
// (2s - (L - 1)) / L). Codes from L^3 up to the codeword's all-ones value are not valid; they
// give three zeros, so a corrupt codeword cannot index past the table.
template<int Levels, int CodeBits> struct GroupTable {
    static constexpr int kCodes = 1 << CodeBits;
    float values[kCodes][3];
    constexpr GroupTable() : values()
    {
        for (int code = 0; code < kCodes; ++code) {
            int rest = code;
            for (int i = 0; i < 3; ++i) {
                const int s = rest % Levels;
                rest /= Levels;
                values[code][i] = code < Levels * Levels * Levels
                    ? static_cast<float>(2 * s - (Levels - 1)) / static_cast<float>(Levels)
                    : 0.0f;
            }
        }
    }
};

constexpr GroupTable<3, 5> kGroup3{};
constexpr GroupTable<5, 7> kGroup5{};
constexpr GroupTable<9, 10> kGroup9{};

}  // namespace decoder
