#include "tools/png_image.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/tool/png_encoder.h"
#include "tools/wav_files.h"

namespace {

// Rows of each glyph, three bits each, top row first.
struct Glyph {
    char c;
    uint8_t rows[5];
};

constexpr Glyph kGlyphs[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}}, {'3', {7, 1, 7, 1, 7}},
    {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}}, {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 1, 1, 1}},
    {'8', {7, 5, 7, 5, 7}}, {'9', {7, 5, 7, 1, 7}}, {'.', {0, 0, 0, 0, 2}}, {'-', {0, 0, 7, 0, 0}},
    {':', {0, 2, 0, 2, 0}}, {'k', {4, 5, 6, 5, 5}}, {'H', {5, 5, 7, 5, 5}}, {'z', {0, 7, 1, 2, 7}},
    {'s', {0, 3, 6, 1, 6}}, {'d', {1, 1, 7, 5, 7}}, {'B', {6, 5, 6, 5, 6}},
};

}  // namespace

PngImage::PngImage(uint32_t width, uint32_t height, Colour background)
    : width_(width), height_(height), rgb_(size_t(width) * height * 3)
{
    fill(0, 0, int(width), int(height), background);
}

void PngImage::set(int x, int y, Colour c)
{
    if (x < 0 || y < 0 || uint32_t(x) >= width_ || uint32_t(y) >= height_)
        return;
    uint8_t* p = &rgb_[(size_t(y) * width_ + size_t(x)) * 3];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

void PngImage::fill(int x, int y, int w, int h, Colour c)
{
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            set(i, j, c);
}

void PngImage::text(int x, int y, const std::string& s, Colour c, int scale)
{
    for (size_t k = 0; k < s.size(); ++k) {
        const Glyph* g
            = std::find_if(std::begin(kGlyphs), std::end(kGlyphs), [&](const Glyph& e) { return e.c == s[k]; });
        if (g == std::end(kGlyphs))
            continue;
        for (int row = 0; row < 5; ++row)
            for (int col = 0; col < 3; ++col)
                if (g->rows[row] & (4 >> col))
                    fill(x + int(k) * 4 * scale + col * scale, y + row * scale, scale, scale, c);
    }
}

int PngImage::textWidth(const std::string& s, int scale)
{
    return s.empty() ? 0 : int(s.size()) * 4 * scale - scale;
}

bool PngImage::write(const std::string& path, std::string& error) const
{
    std::vector<uint8_t> png;
    if (!platform::encodePng(width_, height_, rgb_.data(), png))
        return error = "cannot encode the picture for '" + path + "'", false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return error = writeError(path, errno), false;
    errno = 0;
    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    const bool ok = std::fclose(file) == 0 && written;
    if (!ok) {
        error = writeError(path, errno);
        removePartialOutput(path);
    }
    return ok;
}

PngImage::Colour heatColour(double level)
{
    level = std::clamp(level, 0.0, 1.0);
    // Five stops, evenly spaced.
    static const PngImage::Colour stops[] = {{0, 0, 0}, {40, 0, 160}, {220, 30, 40}, {255, 220, 0}, {255, 255, 255}};
    const double at = level * 4.0;
    const int i = std::min(int(at), 3);
    const double f = at - i;
    const auto mix = [&](uint8_t a, uint8_t b) { return uint8_t(a + (b - a) * f + 0.5); };
    return {mix(stops[i].r, stops[i + 1].r), mix(stops[i].g, stops[i + 1].g), mix(stops[i].b, stops[i + 1].b)};
}
