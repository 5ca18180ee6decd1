#include "tools/plot_axes.h"

#include <cmath>
#include <cstdio>

namespace {

std::string label(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", std::fabs(v) < 1e-9 ? 0.0 : v);
    return text;
}

}  // namespace

double roundStep(double span, int most)
{
    if (!(span > 0))
        return 1;
    const double raw = span / most;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw)
            return m * power;
    return 10 * power;
}

void drawTimeAxis(PngImage& image, const PlotArea& area, double seconds)
{
    image.fill(area.x - 1, area.y + area.h, area.w + 1, 1, kAxisColour);
    const double step = roundStep(seconds, 10);
    for (double t = 0; t <= seconds + 1e-9; t += step) {
        const int x = area.x + int(std::lround(t / seconds * (area.w - 1)));
        image.fill(x, area.y + area.h, 1, 5, kAxisColour);
        const std::string text = label(t) + (t == 0 ? "s" : "");
        image.text(x - PngImage::textWidth(text) / 2, area.y + area.h + 8, text, kAxisColour);
    }
}

void drawValueAxis(PngImage& image, const PlotArea& area, double low, double high, const std::string& unit)
{
    image.fill(area.x - 1, area.y, 1, area.h + 1, kAxisColour);
    const double step = roundStep(high - low, 8);
    for (double v = std::ceil(low / step) * step; v <= high + 1e-9; v += step) {
        const int y = area.y + area.h - 1 - int(std::lround((v - low) / (high - low) * (area.h - 1)));
        image.fill(area.x - 5, y, 4, 1, kAxisColour);
        const std::string text = label(v);
        image.text(area.x - 8 - PngImage::textWidth(text), y - 5, text, kAxisColour);
    }
    image.text(2, area.y, unit, kAxisColour);
}

void drawLogFrequencyAxis(PngImage& image, const PlotArea& area, double lowHz, double highHz)
{
    image.fill(area.x - 1, area.y + area.h, area.w + 1, 1, kAxisColour);
    int freeFrom = area.x - 1000;  // first column a new label may use
    for (double decade = std::pow(10.0, std::floor(std::log10(lowHz))); decade <= highHz; decade *= 10)
        for (double m : {1.0, 2.0, 5.0}) {
            const double hz = m * decade;
            if (hz < lowHz || hz > highHz)
                continue;
            const int x = area.x + int(std::lround(std::log(hz / lowHz) / std::log(highHz / lowHz) * (area.w - 1)));
            image.fill(x, area.y + area.h, 1, 5, kAxisColour);
            const std::string text = hz >= 1000 ? label(hz / 1000) + "k" : label(hz);
            const int left = x - PngImage::textWidth(text) / 2;
            if (left < freeFrom)
                continue;
            image.text(left, area.y + area.h + 8, text, kAxisColour);
            freeFrom = left + PngImage::textWidth(text) + 6;
        }
    image.text(2, area.y + area.h + 8, "Hz", kAxisColour);
}
