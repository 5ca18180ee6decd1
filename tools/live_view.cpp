#include "tools/live_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kTopDb = 0.0, kFloorDb = -72.0;
constexpr double kLowHz = 30.0, kHighHz = 16000.0;
constexpr double kFallDb = 3.0;  // per redraw
constexpr size_t kLabelWidth = 4;
constexpr size_t kMinRows = 3, kMaxRows = 16;

// Eighths of a cell, bottom up.
const char* const kBlocks[9] = {" ", "\u2581", "\u2582", "\u2583", "\u2584", "\u2585", "\u2586", "\u2587", "\u2588"};

std::string repeat(const std::string& piece, size_t count)
{
    std::string out;
    for (size_t i = 0; i < count; ++i)
        out += piece;
    return out;
}

// A frequency as the axis labels it: 100, 1k, 10k.
std::string hertzText(double hz)
{
    return hz >= 1000 ? std::to_string(int(std::lround(hz / 1000))) + "k" : std::to_string(int(std::lround(hz)));
}

}  // namespace

std::vector<std::string> LiveView::lines(const std::vector<float>& spectrum, uint32_t fftSize, uint32_t channels,
                                         uint32_t rate, const int32_t (&levels)[2], size_t width, size_t rows)
{
    const size_t room = width > 1 ? width - 1 : 0;
    // Rows for the bars besides the axis and the two meters.
    if (room < kLabelWidth + 16 || rows < kMinRows + 3 || fftSize < 4 || rate == 0 || channels == 0)
        return {};
    const size_t barRows = std::min(kMaxRows, rows - 3);
    // A few dozen bands, each a bar and a gap (a wider terminal widens the bars).
    const size_t columns = room - kLabelWidth;
    const size_t bands = std::clamp<size_t>(columns / 2, 8, 40);
    const size_t cell = columns / bands;
    const size_t barWidth = cell > 2 ? cell - 1 : 1;
    const double high = std::min(kHighHz, rate / 2.0);
    const uint32_t bins = fftSize / 2;
    const double binHz = double(rate) / fftSize;
    // A full-scale sine's power over all its bins (Hann window: N^2/16 in the peak, 3 N^2/32 in all).
    const double reference = 10.0 * std::log10(3.0 * fftSize * double(fftSize) / 32.0);
    if (shown_.size() != bands)
        shown_.assign(bands, kFloorDb);
    const bool haveSpectrum = spectrum.size() >= size_t(bins) * channels;
    for (size_t b = 0; b < bands; ++b) {
        const double from = kLowHz * std::pow(high / kLowHz, double(b) / bands);
        const double to = kLowHz * std::pow(high / kLowHz, double(b + 1) / bands);
        // The bins whose centres lie in the band, at least the nearest one.
        auto first = uint32_t(std::ceil(from / binHz)), last = uint32_t(std::ceil(to / binHz));
        if (last <= first) {
            first = std::min<uint32_t>(bins - 1, uint32_t(std::lround((from + to) / 2 / binHz)));
            last = first + 1;
        }
        last = std::min(last, bins);
        double power = 0.0;
        for (uint32_t c = 0; haveSpectrum && c < channels; ++c)
            for (uint32_t k = first; k < last; ++k)
                power += std::pow(10.0, spectrum[size_t(c) * bins + k] / 10.0);
        const double db = power > 0.0 ? 10.0 * std::log10(power / channels) - reference : kFloorDb;
        shown_[b] = std::clamp(std::max(db, shown_[b] - kFallDb), kFloorDb, kTopDb);
    }
    std::vector<std::string> out;
    for (size_t row = 0; row < barRows; ++row) {
        // The row covers this span of the scale, top row first.
        const double top = kTopDb + (kFloorDb - kTopDb) * double(row) / barRows;
        const double bottom = kTopDb + (kFloorDb - kTopDb) * double(row + 1) / barRows;
        const auto labelDb = int(std::lround(top));
        std::string line = row % 2 == 0 ? std::string(kLabelWidth - 1 - std::to_string(labelDb).size(), ' ')
                + std::to_string(labelDb) + (utf8_ ? "\u2524" : "|")
                                        : std::string(kLabelWidth - 1, ' ') + (utf8_ ? "\u2502" : "|");
        for (size_t b = 0; b < bands; ++b) {
            const double fill = std::clamp((shown_[b] - bottom) / (top - bottom), 0.0, 1.0);
            const std::string mark = utf8_ ? kBlocks[int(std::lround(fill * 8))] : fill >= 0.5 ? "#" : " ";
            line += repeat(mark, barWidth) + std::string(cell - barWidth, ' ');
        }
        out.push_back(line);
    }
    // Frequency labels under the bars, where they fit.
    std::string axis = std::string(kLabelWidth, ' ') + std::string(columns, ' ');
    for (double hz : {50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0}) {
        if (hz < kLowHz || hz > high)
            continue;
        const std::string label = hertzText(hz);
        const auto at = size_t(kLabelWidth + std::log(hz / kLowHz) / std::log(high / kLowHz) * double(bands * cell));
        if (at + label.size() <= axis.size()
            && axis.compare(at > 0 ? at - 1 : 0, label.size() + 1, std::string(label.size() + 1, ' ')) == 0)
            axis.replace(at, label.size(), label);
    }
    out.push_back(axis.substr(0, axis.find_last_not_of(' ') + 1) + " Hz");
    // Level meters over the same scale.
    for (int c = 0; c < 2; ++c) {
        const double db
            = levels[c] > 0 ? std::clamp(20.0 * std::log10(levels[c] / 32768.0), kFloorDb, kTopDb) : kFloorDb;
        const size_t meter = room - kLabelWidth - 10;
        const auto filled = size_t(std::lround((db - kFloorDb) / (kTopDb - kFloorDb) * double(meter)));
        char value[16];
        std::snprintf(value, sizeof value, " %6.1f dB", db);
        out.push_back(std::string(c == 0 ? "  L " : "  R ") + repeat(utf8_ ? "\u2588" : "=", filled)
                      + repeat(utf8_ ? "\u2591" : ".", meter - filled) + value);
    }
    return out;
}
