#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "orvane/dsp.h"
#include "tools/audio_file.h"
#include "tools/cli.h"
#include "tools/command.h"
#include "tools/pcm16_input.h"
#include "tools/plot_axes.h"
#include "tools/png_image.h"
#include "tools/progress.h"

namespace {

const char* const kUsage = "IN [--size N] [--bands K] [--csv] [--png OUT.png [--width PIXELS]]";
// The picture's layout: the plot, with room for the axes' labels left and below.
constexpr int kLeft = 64, kTop = 12, kPlotHeight = 320, kBottom = 34, kRight = 16;
constexpr double kFloorDb = -120.0;  // the bottom of the picture's level axis
constexpr PngImage::Colour kCurve{90, 200, 255};

struct SpectrumOptions {
    std::string path;
    uint32_t size = 4096;  // FFT length
    uint32_t bands = 24;   // rows of the printed table
    bool csv = false;
    std::string png;  // picture instead of the table when given
    long width = 800;
};

void printDetails(FILE* out)
{
    std::fprintf(out,
                 "Prints the long-term spectrum of IN (anything orvane fx reads: WAV of 8/16/24/32-bit\n"
                 "integer or float samples, or MPEG audio; - for standard input): power averaged over\n"
                 "half-overlapped Hann-windowed frames of N points (power of two 4..32768, default 4096)\n"
                 "lying wholly inside IN, channels averaged. The table shows K log-spaced bands (1..1000,\n"
                 "default 24), each the power summed over its bins: a full-scale sine reads 0 dBFS in\n"
                 "its band. --csv prints every bin instead, a full-scale sine centred on a bin reading\n"
                 "0 dBFS there. --png draws the bins: level (dB, -120..0) up, frequency (Hz, log scale)\n"
                 "along; PIXELS is the plot's width (100..4000, default 800).\n");
}

// 0 when the options are good, otherwise the exit status after a message.
int parseOptions(const std::vector<std::string>& args, SpectrumOptions& o)
{
    bool widthGiven = false;
    for (ArgReader r(args); !r.done();) {
        long count = 0;
        if (r.option("--size")) {
            if (!r.integer(4, 32768, "a power of two", count))
                return 2;
            if (count & (count - 1))
                return usageError("--size must be a power of two, not " + std::to_string(count));
            o.size = uint32_t(count);
        } else if (r.option("--bands")) {
            if (!r.integer(1, 1000, "rows", count))
                return 2;
            o.bands = uint32_t(count);
        } else if (r.option("--csv")) {
            o.csv = true;
        } else if (r.option("--png")) {
            if (!r.value(o.png))
                return 2;
        } else if (r.option("--width")) {
            if (!r.integer(100, 4000, "pixels", o.width))
                return 2;
            widthGiven = true;
        } else if (r.isOption()) {
            return usageError("unknown option '" + r.current() + "'");
        } else if (o.path.empty()) {
            o.path = r.current();
            r.skip();
        } else {
            return usageError("one IN only");
        }
    }
    if (o.path.empty())
        return usageError("no IN given");
    return o.png.empty() && widthGiven ? usageError("--width sizes the --png picture; give --png too") : 0;
}

// Long-term spectrum: the power of every half-overlapped frame, averaged per bin and channel.
// Every frame lies wholly inside the input (the last one ends at its last sample), so the
// input's edges add no spectral splatter; an input shorter than a frame is one zero-padded frame.
bool measure(const SpectrumOptions& o, uint32_t& rate, uint32_t& channels, std::vector<double>& power)
{
    std::string error;
    const std::unique_ptr<AudioReader> in = openAudio(o.path, error);
    if (in == nullptr)
        return failure(error), false;
    channels = in->channels();
    rate = in->rate();
    void* fft = initFft(o.size, channels, channels, 300);
    if (fft == nullptr)
        return failure("cannot analyse " + std::to_string(channels) + " channels"), false;
    const uint32_t bins = o.size / 2;
    std::vector<int16_t> frame(size_t(o.size) * channels);
    std::vector<float> db(size_t(bins) * channels);
    power.assign(size_t(bins) * channels, 0.0);
    Pcm16Input reader(*in);
    uint64_t done = 0;
    uint64_t frames = 0;
    ProgressBar progress("spectrum");
    // The first frame takes a whole frame, later ones half a frame more each.
    int64_t got = reader.read(frame.data(), o.size);
    uint32_t filled = uint32_t(std::max<int64_t>(got, 0));
    std::vector<int16_t> next(size_t(bins) * channels);
    while (got > 0) {
        doFft(fft, frame.data(), db.data(), filled * channels * 2);
        for (size_t k = 0; k < db.size(); ++k)
            power[k] += std::pow(10.0, db[k] / 10.0);
        ++frames;
        done += uint64_t(got);
        progress.update(done, in->frames());
        if (filled < o.size)
            break;
        got = reader.read(next.data(), bins);
        if (got <= 0)
            break;
        const size_t shift = size_t(got) * channels;
        std::copy(frame.begin() + ptrdiff_t(shift), frame.end(), frame.begin());
        std::copy(next.begin(), next.begin() + ptrdiff_t(shift), frame.end() - ptrdiff_t(shift));
    }
    progress.finish();
    termFft(fft);
    if (got < 0)
        return failure("read error in '" + o.path + "'"), false;
    for (double& p : power)
        p /= double(std::max<uint64_t>(frames, 1));
    return true;
}

// The spectrum as a curve: level up, log frequency along from the first bin to half the rate.
int drawSpectrum(const SpectrumOptions& o, uint32_t rate, uint32_t channels, const std::vector<double>& power,
                 const std::function<double(double)>& level)
{
    const uint32_t bins = o.size / 2;
    const PlotArea area{kLeft, kTop, int(o.width), kPlotHeight};
    PngImage image(uint32_t(kLeft + o.width + kRight), uint32_t(kTop + kPlotHeight + kBottom), {0, 0, 0});
    const double low = double(rate) / o.size, high = rate / 2.0;
    int lastRow = -1;
    for (int column = 0; column < area.w; ++column) {
        // The bins this column covers (at least the nearest one), their mean power over the channels.
        const double from = low * std::pow(high / low, double(column) / area.w) * o.size / rate;
        const double to = low * std::pow(high / low, double(column + 1) / area.w) * o.size / rate;
        const auto first = std::min<uint32_t>(bins - 1, uint32_t(std::lround(from)));
        const auto last = std::max(first + 1, std::min<uint32_t>(bins, uint32_t(std::lround(to))));
        double sum = 0.0;
        for (uint32_t k = first; k < last; ++k)
            for (uint32_t c = 0; c < channels; ++c)
                sum += power[size_t(c) * bins + k];
        const double db = std::clamp(level(sum / ((last - first) * channels)), kFloorDb, 0.0);
        const int row = area.y + int(std::lround(db / kFloorDb * (area.h - 1)));
        // Joined to the previous column, so steep slopes stay one line.
        const int top = lastRow < 0 ? row : std::min(row, lastRow), bottom = lastRow < 0 ? row : std::max(row, lastRow);
        image.fill(area.x + column, top, 1, bottom - top + 1, kCurve);
        lastRow = row;
    }
    drawValueAxis(image, area, kFloorDb, 0.0, "dB");
    drawLogFrequencyAxis(image, area, low, high);
    std::string error;
    return image.write(o.png, error) ? 0 : failure(error);
}

int runSpectrum(const std::vector<std::string>& args)
{
    SpectrumOptions o;
    if (const int status = parseOptions(args, o))
        return status;
    uint32_t rate = 0;
    uint32_t channels = 0;
    std::vector<double> power;
    if (!measure(o, rate, channels, power))
        return 1;
    const uint32_t bins = o.size / 2;
    // A full-scale sine centred on a bin reads 20 log10(N/4) dB; shown as 0 dBFS.
    const double reference = 20.0 * std::log10(o.size / 4.0);
    const std::function<double(double)> level
        = [&](double p) { return p > 0.0 ? std::max(10.0 * std::log10(p) - reference, -140.0) : -140.0; };
    // A band sums the power of its bins: a sine's power spreads over 1.5 bins of the Hann
    // window, N^2/16 in its peak bin, 3 N^2/32 in all, so a full-scale sine reads 0 dBFS.
    const double bandReference = 10.0 * std::log10(3.0 * o.size * o.size / 32.0);
    const auto bandLevel
        = [&](double p) { return p > 0.0 ? std::max(10.0 * std::log10(p) - bandReference, -140.0) : -140.0; };
    if (!o.png.empty() && !o.csv)
        return drawSpectrum(o, rate, channels, power, level);
    if (o.csv) {
        std::printf(channels == 2 ? "hz,left_dbfs,right_dbfs\n" : "hz,dbfs\n");
        for (uint32_t k = 0; k < bins; ++k) {
            std::printf("%.2f,%.2f", double(k) * rate / o.size, level(power[k]));
            if (channels == 2)
                std::printf(",%.2f", level(power[bins + k]));
            std::printf("\n");
        }
        return o.png.empty() ? 0 : drawSpectrum(o, rate, channels, power, level);
    }
    // Log-spaced bands from the first bin to the Nyquist frequency; each shows its total power.
    std::printf("%s: long-term spectrum, %u-point FFT, %u Hz, channels averaged\n", o.path.c_str(), o.size, rate);
    std::printf("%10s %10s %9s\n", "from Hz", "to Hz", "dBFS");
    const double lowest = double(rate) / o.size;
    const double ratio = std::pow(double(bins), 1.0 / o.bands);
    uint32_t first = 1;
    for (uint32_t b = 0; b < o.bands; ++b) {
        first = std::max(first, uint32_t(std::lround(std::pow(ratio, b))));
        const uint32_t last
            = std::min<uint32_t>(bins, std::max(first + 1, uint32_t(std::lround(std::pow(ratio, b + 1)))));
        if (first >= last)
            continue;
        double sum = 0.0;
        for (uint32_t k = first; k < last; ++k)
            for (uint32_t c = 0; c < channels; ++c)
                sum += power[size_t(c) * bins + k];
        const double db = bandLevel(sum / channels);
        const int bar = int(std::lround((db + 120.0) / 2.0));
        std::printf("%10.1f %10.1f %9.1f  %s\n", first * lowest, last * lowest, db,
                    std::string(std::max(bar, 0), '#').c_str());
        first = last;
    }
    return 0;
}

}  // namespace

ORVANE_COMMAND("spectrum", kUsage, "print or draw the long-term spectrum of an input", runSpectrum, printDetails);
