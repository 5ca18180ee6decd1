#pragma once

#include <string>

#include "tools/png_image.h"

// The rectangle of a picture that holds the data; axes and labels go round it.
struct PlotArea {
    int x, y, w, h;
};

constexpr PngImage::Colour kAxisColour{200, 200, 200};

// Frame lines on the left and bottom of the area, with ticks and labels every round step:
// seconds along the bottom, values from low (bottom) to high (top) up the left.
void drawTimeAxis(PngImage& image, const PlotArea& area, double seconds);
void drawValueAxis(PngImage& image, const PlotArea& area, double low, double high, const std::string& unit);
// A bottom frame line on a log frequency scale from lowHz to highHz, ticks at 1, 2 and 5 times
// the powers of ten ("1k" for 1000), labels that would touch the previous one left out.
void drawLogFrequencyAxis(PngImage& image, const PlotArea& area, double lowHz, double highHz);

// A round step (1, 2 or 5 times a power of ten) giving at most `most` steps over span.
double roundStep(double span, int most);
