#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An RGB picture the analysis commands draw into, with the few shapes and labels a plot needs,
// written out as PNG.
class PngImage {
public:
    struct Colour {
        uint8_t r, g, b;
    };

    PngImage(uint32_t width, uint32_t height, Colour background);
    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }

    void set(int x, int y, Colour c);  // outside the picture: nothing
    void fill(int x, int y, int w, int h, Colour c);
    // Text in a 3x5 pixel font, scale times larger, its top left at (x, y). Knows digits, ". - :"
    // and the letters of the units used (k H z s d B); other characters leave a gap.
    void text(int x, int y, const std::string& s, Colour c, int scale = 2);
    // Width in pixels of text at scale.
    static int textWidth(const std::string& s, int scale = 2);

    // False with the reason in error.
    bool write(const std::string& path, std::string& error) const;

private:
    uint32_t width_;
    uint32_t height_;
    std::vector<uint8_t> rgb_;
};

// A level (0 quiet .. 1 loud) as a colour from black through blue, red and yellow to white.
PngImage::Colour heatColour(double level);
