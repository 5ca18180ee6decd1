#include "tools/eq_design.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace {

constexpr double kPi = 3.14159265358979323846;
// A band moving further than this is split into equal sections, so no pair's inner radius
// falls below 0 (where it would sit mirrored across the circle, off the band).
constexpr double kSectionDb = 24.0;
// A band's width in Hz as a fraction of its centre: an octave band spans 0.707 of it.
constexpr double kWidth = 0.7;
// The pairs' radii stay within this of 1 at the geometric mean, which keeps the top bands,
// wider than the rate allows, inside their octave.
constexpr double kWidestGap = 0.25;
// Pole pairs stay inside the unit circle however far a hard setting pushes a band.
constexpr double kInnermost = -0.9;

double magnitude(double p, double w0, std::complex<double> z1)
{
    // |1 - 2p cos(w0) z^-1 + p^2 z^-2| at z^-1 = z1.
    return std::abs(1.0 - 2.0 * p * std::cos(w0) * z1 + p * p * z1 * z1);
}

// The distance of a band's pairs from the unit circle at their geometric mean: about half its
// width in radians.
double gap(double centre, uint32_t rate)
{
    return std::min(kWidestGap, kPi * kWidth * centre / rate);
}

struct Section {
    double centre, zero, pole, scale;  // scale: linear gain applied to the pair's response
};

// One section moving its band by db: the pairs sit at gap x and / sqrt(gain) from the circle,
// the poles outside for a boost and the zeros outside for a cut, so the width does not change
// with the gain and a cut is the exact inverse of the boost.
Section section(double centre, double db, uint32_t rate)
{
    const double w0 = 2.0 * kPi * centre / rate;
    const double root = std::pow(10.0, std::fabs(db) / 40.0);
    const double outer = 1.0 - gap(centre, rate) / root;
    const double inner = std::max(kInnermost, 1.0 - gap(centre, rate) * root);
    Section s{centre, db > 0 ? inner : outer, db > 0 ? outer : inner, 1.0};
    const std::complex<double> far(w0 > 0.5 * kPi ? 1.0 : -1.0, 0.0);
    s.scale = magnitude(s.pole, w0, far) / magnitude(s.zero, w0, far);
    return s;
}

double sectionDb(const Section& s, uint32_t rate, double freq)
{
    const double w0 = 2.0 * kPi * s.centre / rate;
    const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * freq / rate);
    return 20.0 * std::log10(s.scale * magnitude(s.zero, w0, z1) / magnitude(s.pole, w0, z1));
}

// count equal sections that together move a band by db; none for 0 dB.
std::vector<Section> bandSections(double centre, double db, int count, uint32_t rate)
{
    return db == 0.0 ? std::vector<Section>() : std::vector<Section>(size_t(count), section(centre, db / count, rate));
}

double bandDb(double centre, double db, int count, uint32_t rate, double freq)
{
    return db == 0.0 ? 0.0 : count * sectionDb(section(centre, db / count, rate), rate, freq);
}

// Solves a x = b for a small square system by Gaussian elimination with partial pivoting.
std::vector<double> solve(std::vector<std::vector<double>> a, std::vector<double> b)
{
    const size_t n = b.size();
    for (size_t c = 0; c < n; ++c) {
        size_t best = c;
        for (size_t r = c + 1; r < n; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[best][c]))
                best = r;
        std::swap(a[c], a[best]);
        std::swap(b[c], b[best]);
        for (size_t r = c + 1; r < n; ++r) {
            const double f = a[r][c] / a[c][c];
            for (size_t k = c; k < n; ++k)
                a[r][k] -= f * a[c][k];
            b[r] -= f * b[c];
        }
    }
    std::vector<double> x(n);
    for (size_t c = n; c-- > 0;) {
        double v = b[c];
        for (size_t k = c + 1; k < n; ++k)
            v -= a[c][k] * x[k];
        x[c] = v / a[c][c];
    }
    return x;
}

}  // namespace

std::vector<GraphicEQBandParams> designOctaveEq(const double (&gainsDb)[kOctaveBands], uint32_t rate)
{
    std::vector<double> centres, target;
    for (uint32_t k = 0; k < kOctaveBands; ++k)
        if (kOctaveCentres[k] < 0.45 * rate) {
            centres.push_back(kOctaveCentres[k]);
            target.push_back(gainsDb[k]);
        }
    const size_t n = centres.size();
    // Half way between the lowest and highest setting is an overall gain: equal settings stay
    // flat, and no band moves further than half the settings' spread.
    const auto [low, high] = std::minmax_element(target.begin(), target.end());
    const double level = target.empty() ? 0.0 : 0.5 * (*low + *high);
    const double reach = target.empty() ? 0.0 : 0.5 * (*high - *low);
    for (double& t : target)
        t -= level;
    // Every band gets the same number of sections, fixed while solving so that its response
    // moves smoothly with its dB; a band's own dB comes out up to twice its target.
    const int count = std::max(1, int(std::ceil(2.0 * reach / kSectionDb - 1e-9)));
    // Each band's own dB starts at its target; Newton steps then take out the neighbours'
    // spill until every centre is within a hundredth of a dB. A step that does not bring the
    // centres closer (in squared error) is halved, so a hard setting settles on its nearest reach.
    const auto squaredError = [&](const std::vector<double>& own, std::vector<double>& error) {
        double total = 0.0;
        for (size_t j = 0; j < n; ++j) {
            double sum = 0.0;
            for (size_t k = 0; k < n; ++k)
                sum += bandDb(centres[k], own[k], count, rate, centres[j]);
            error[j] = target[j] - sum;
            total += error[j] * error[j];
        }
        return total;
    };
    std::vector<double> own = target, error(n), trialError(n);
    std::vector<std::vector<double>> slope(n, std::vector<double>(n));
    double squared = squaredError(own, error);
    for (int round = 0; round < 40 && squared >= 1e-4; ++round) {
        // Each centre's gain per dB of each band, by a small difference at the current setting.
        for (size_t k = 0; k < n; ++k) {
            const double h = own[k] >= 0.0 ? 0.05 : -0.05;
            for (size_t j = 0; j < n; ++j)
                slope[j][k] = (bandDb(centres[k], own[k] + h, count, rate, centres[j])
                               - bandDb(centres[k], own[k], count, rate, centres[j]))
                    / h;
        }
        const std::vector<double> step = solve(slope, error);
        if (!std::all_of(step.begin(), step.end(), [](double v) { return std::isfinite(v); }))
            break;
        bool better = false;
        for (double scale = 1.0; scale > 1e-3 && !better; scale *= 0.5) {
            std::vector<double> trial = own;
            for (size_t k = 0; k < n; ++k)
                trial[k] = std::clamp(own[k] + scale * step[k], -96.0, 96.0);
            const double trialSquared = squaredError(trial, trialError);
            if ((better = trialSquared < squared)) {
                own.swap(trial);
                error.swap(trialError);
                squared = trialSquared;
            }
        }
        if (!better)
            break;
    }

    std::vector<GraphicEQBandParams> sections;
    for (size_t k = 0; k < n; ++k)
        for (const Section& s : bandSections(centres[k], own[k], count, rate)) {
            // The library scales a band by its own normaliser and the band gain: the gain asked
            // for is the one that leaves the section's scale.
            const float normaliser = getGraphicEQBandNormaliser(rate, float(s.centre), float(s.zero), float(s.pole));
            const double gain = 20.0 * std::log10(s.scale / normaliser);
            sections.push_back({float(s.centre), float(gain), float(s.zero), float(s.pole)});
        }
    // The overall gain rides on the first section, or on a pass-through band (no poles or zeros).
    if (sections.empty() && level != 0.0)
        sections.push_back({1000.0f, 0.0f, 0.0f, 0.0f});
    if (!sections.empty())
        sections[0].gain += float(level);
    return sections;
}
