#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tools/cli.h"
#include "tools/command.h"
#include "tools/picture_input.h"
#include "tools/plot_axes.h"
#include "tools/png_image.h"

namespace {

const char* const kUsage = "IN OUT.png [--width PIXELS]";
constexpr int kLeft = 64, kTop = 12, kLaneHeight = 160, kGap = 12, kBottom = 34, kRight = 16;
constexpr PngImage::Colour kWave{90, 200, 255};

void printDetails(FILE* out)
{
    std::fprintf(out,
                 "Draws each channel's waveform, the peaks in every column, from -1 to 1 (full scale),\n"
                 "with time along the bottom. PIXELS is the plot's width (100..4000, default 800).\n");
}

int runWaveform(const std::vector<std::string>& args)
{
    PictureRequest request;
    if (const int status = readPictureRequest(args, false, request))
        return status;
    const PictureInput& input = request.input;
    const long width = request.width;
    std::string error;

    const int lanes = int(input.channels.size());
    PngImage image(uint32_t(kLeft + width + kRight),
                   uint32_t(kTop + lanes * kLaneHeight + (lanes - 1) * kGap + kBottom), {0, 0, 0});
    const size_t frames = input.frames();
    for (int lane = 0; lane < lanes; ++lane) {
        const PlotArea area{kLeft, kTop + lane * (kLaneHeight + kGap), int(width), kLaneHeight};
        const std::vector<float>& x = input.channels[size_t(lane)];
        const auto rowOf = [&](float v) {
            return area.y + int(std::lround((1.0 - std::clamp(double(v), -1.0, 1.0)) / 2.0 * (area.h - 1)));
        };
        image.fill(area.x, rowOf(0.0f), area.w, 1, {60, 60, 60});
        for (int column = 0; column < area.w; ++column) {
            const size_t from = size_t(double(column) / area.w * double(frames));
            const size_t to = std::max(from + 1, size_t(double(column + 1) / area.w * double(frames)));
            const auto [low, high]
                = std::minmax_element(x.begin() + long(from), x.begin() + long(std::min(to, frames)));
            for (int y = rowOf(*high); y <= rowOf(*low); ++y)
                image.set(area.x + column, y, kWave);
        }
        drawValueAxis(image, area, -1.0, 1.0, "");
        if (lane == lanes - 1)
            drawTimeAxis(image, area, double(frames) / input.rate);
    }
    return image.write(request.outPath, error) ? 0 : failure(error);
}

}  // namespace

ORVANE_COMMAND("waveform", kUsage, "draw the waveform of an input as PNG", runWaveform, printDetails);
