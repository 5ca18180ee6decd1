#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "orvane/dsp.h"
#include "tools/cli.h"
#include "tools/command.h"
#include "tools/pcm_format.h"
#include "tools/picture_input.h"
#include "tools/plot_axes.h"
#include "tools/png_image.h"

namespace {

const char* const kUsage = "IN OUT.png [--size N] [--width PIXELS]";
constexpr int kLeft = 64, kTop = 12, kPlotHeight = 320, kBottom = 34, kScaleRoom = 90;
constexpr double kFloorDb = -100.0;  // the bottom of the colour scale

void printDetails(FILE* out)
{
    std::fprintf(out,
                 "Draws a time-frequency picture: time along, frequency (kHz) up, level as colour from\n"
                 "-100 dBFS (black) to 0 dBFS (white) with its scale on the right. N is the FFT length\n"
                 "(power of two 64..16384, default 1024), PIXELS the plot's width (100..4000, default 800).\n");
}

int runSpectrogram(const std::vector<std::string>& args)
{
    PictureRequest request;
    if (const int status = readPictureRequest(args, true, request))
        return status;
    const PictureInput& input = request.input;
    const long width = request.width;
    std::string error;
    const auto n = uint32_t(request.fftSize);
    void* fft = initFft(n, 1, 1, 140);
    if (fft == nullptr)
        return failure("cannot set up a " + std::to_string(n) + "-point FFT");
    // A full-scale sine centred on a bin reads 20 log10(N/4) dB: shown as 0 dBFS.
    const double reference = 20.0 * std::log10(n / 4.0);
    const PlotArea area{kLeft, kTop, int(width), kPlotHeight};
    PngImage image(uint32_t(kLeft + width + kScaleRoom), uint32_t(kTop + kPlotHeight + kBottom), {0, 0, 0});
    std::vector<int16_t> frame(n);
    std::vector<float> db(n / 2);
    const size_t frames = input.frames();
    for (int column = 0; column < area.w; ++column) {
        // Each column analyses the N frames centred on its time, both channels mixed, kept inside
        // the input so its edges add no splatter (an input shorter than N is zero-padded).
        const auto centre = size_t((column + 0.5) / area.w * double(frames));
        const size_t start = frames > n ? std::min(frames - n, centre - std::min<size_t>(centre, n / 2)) : 0;
        for (uint32_t i = 0; i < n; ++i) {
            double sum = 0;
            for (const auto& channel : input.channels)
                sum += start + i < frames ? channel[start + i] : 0.0f;
            frame[i] = pcm16Of(float(sum / double(input.channels.size())));
        }
        doFft(fft, frame.data(), db.data(), n * 2);
        for (int row = 0; row < area.h; ++row) {
            const auto bin = std::min<size_t>(n / 2 - 1, size_t(double(area.h - 1 - row) / area.h * (n / 2)));
            image.set(area.x + column, area.y + row, heatColour((db[bin] - reference - kFloorDb) / -kFloorDb));
        }
    }
    termFft(fft);

    drawTimeAxis(image, area, double(frames) / input.rate);
    drawValueAxis(image, area, 0.0, input.rate / 2000.0, "kHz");
    // The level scale: a bar of the colours with dB labels beside it.
    const PlotArea scale{area.x + area.w + 16, area.y, 14, area.h};
    for (int row = 0; row < scale.h; ++row)
        image.fill(scale.x, scale.y + row, scale.w, 1, heatColour(1.0 - double(row) / (scale.h - 1)));
    for (double v = 0; v >= kFloorDb; v -= 20) {
        const int y = scale.y + int(std::lround(v / kFloorDb * (scale.h - 1)));
        image.fill(scale.x + scale.w, y, 4, 1, kAxisColour);
        image.text(scale.x + scale.w + 6, y - 5, numberText(v), kAxisColour);
    }
    image.text(scale.x, scale.y + scale.h + 8, "dB", kAxisColour);
    return image.write(request.outPath, error) ? 0 : failure(error);
}

}  // namespace

ORVANE_COMMAND("spectrogram", kUsage, "draw a time-frequency picture of an input as PNG", runSpectrogram, printDetails);
