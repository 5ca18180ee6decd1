#pragma once

namespace decoder {

// cos(j pi / 64) for j = 0..32.
constexpr double kCosSixtyFourths[33] = {
    1,
    0.99879545620517241,
    0.99518472667219693,
    0.98917650996478101,
    0.98078528040323043,
    0.97003125319454397,
    0.95694033573220882,
    0.94154406518302081,
    0.92387953251128674,
    0.90398929312344334,
    0.88192126434835505,
    0.85772861000027212,
    0.83146961230254524,
    0.80320753148064494,
    0.77301045336273699,
    0.74095112535495911,
    0.70710678118654757,
    0.67155895484701833,
    0.63439328416364549,
    0.59569930449243347,
    0.55557023301960229,
    0.51410274419322166,
    0.47139673682599781,
    0.4275550934302822,
    0.38268343236508984,
    0.33688985339222005,
    0.29028467725446233,
    0.24298017990326398,
    0.19509032201612833,
    0.14673047445536175,
    0.09801714032956077,
    0.049067674327418126,
    0.0,
};

// cos(j pi / 64) for any j >= 0, from the quarter period above by symmetry.
constexpr double cosSixtyFourths(int j)
{
    j %= 128;
    if (j > 64)
        j = 128 - j;
    return j <= 32 ? kCosSixtyFourths[j] : -kCosSixtyFourths[64 - j];
}

// The 16-point DCT-II as a matrix, one column per input: kDct16Columns[k][m] = cos(m (2k + 1) pi / 32).
struct Dct16Columns {
    alignas(32) float c[16][16];
};

constexpr Dct16Columns makeDct16Columns()
{
    Dct16Columns t{};
    for (int k = 0; k < 16; ++k)
        for (int m = 0; m < 16; ++m)
            t.c[k][m] = static_cast<float>(cosSixtyFourths(2 * m * (2 * k + 1)));
    return t;
}

inline constexpr Dct16Columns kDct16Columns = makeDct16Columns();

}  // namespace decoder
