#include <gtest/gtest.h>

#include <png.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/signal.h"

namespace {

struct Picture {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* at(uint32_t x, uint32_t y) const { return &rgb[(size_t(y) * width + x) * 3]; }
    bool isAxis(uint32_t x, uint32_t y) const { return at(x, y)[0] == 200 && at(x, y)[1] == 200 && at(x, y)[2] == 200; }
    int brightness(uint32_t x, uint32_t y) const { return at(x, y)[0] + at(x, y)[1] + at(x, y)[2]; }
};

Picture readPng(const std::string& path)
{
    Picture p;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return p;
    image.format = PNG_FORMAT_RGB;
    p.rgb.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr)) {
        p.width = image.width;
        p.height = image.height;
    }
    return p;
}

// The pictures have the size their layout gives, a left and a bottom axis along the whole
// plot, and the signal where it belongs: a 1 kHz tone on the spectrogram's 1 kHz row, a
// half-scale sine reaching half way up the waveform's lane.
TEST(PictureCommands, SizeAxesAndSignalInPlace)
{
    const std::string in = testsig::tempPath("pic-in.wav"), out = testsig::tempPath("pic-out.png");
    ASSERT_TRUE(testsig::writeWavPcm16(in, testsig::sinePcm16(1000, 44100, 88200, 2, 16384), 2, 44100));

    ASSERT_EQ(runOrvane("spectrogram " + in + " " + out + " --width 400").status, 0);
    const Picture picture = readPng(out);
    ASSERT_EQ(picture.width, 64u + 400 + 90);
    ASSERT_EQ(picture.height, 12u + 320 + 34);
    for (uint32_t y = 12; y < 12 + 320; ++y)
        ASSERT_TRUE(picture.isAxis(63, y)) << "left axis at row " << y;
    for (uint32_t x = 64; x < 64 + 400; ++x)
        ASSERT_TRUE(picture.isAxis(x, 12 + 320)) << "bottom axis at column " << x;
    uint32_t brightest = 0;
    for (uint32_t y = 12; y < 12 + 320; ++y)
        if (picture.brightness(264, y) > picture.brightness(264, brightest))
            brightest = y;
    EXPECT_NEAR(double(brightest), 12 + 319 - 1000.0 / 22050 * 320, 2.0);

    ASSERT_EQ(runOrvane("waveform " + in + " " + out + " --width 300").status, 0);
    const Picture wave = readPng(out);
    ASSERT_EQ(wave.width, 64u + 300 + 16);
    ASSERT_EQ(wave.height, 12u + 2 * 160 + 12 + 34);
    for (uint32_t y = 12; y < 12 + 160; ++y)
        ASSERT_TRUE(wave.isAxis(63, y)) << "left axis at row " << y;
    uint32_t top = 0;
    while (top < 12 + 160 && !(wave.at(200, top)[2] == 255 && wave.at(200, top)[0] == 90))
        ++top;
    EXPECT_NEAR(double(top), 12 + 0.25 * 159, 1.5) << "peak of a half-scale sine";

    // The spectrum: level in dB up, log frequency along from the first bin (44100/4096 Hz) to
    // 22050 Hz; the curve's highest point is the tone's column.
    ASSERT_EQ(runOrvane("spectrum " + in + " --png " + out + " --width 500").status, 0);
    const Picture spectrum = readPng(out);
    ASSERT_EQ(spectrum.width, 64u + 500 + 16);
    ASSERT_EQ(spectrum.height, 12u + 320 + 34);
    for (uint32_t y = 12; y < 12 + 320; ++y)
        ASSERT_TRUE(spectrum.isAxis(63, y)) << "left axis at row " << y;
    for (uint32_t x = 64; x < 64 + 500; ++x)
        ASSERT_TRUE(spectrum.isAxis(x, 12 + 320)) << "bottom axis at column " << x;
    uint32_t peakColumn = 0, peakRow = 12 + 320;
    for (uint32_t x = 64; x < 64 + 500; ++x)
        for (uint32_t y = 12; y < peakRow; ++y)
            if (spectrum.at(x, y)[0] == 90 && spectrum.at(x, y)[2] == 255) {
                peakColumn = x;
                peakRow = y;
            }
    EXPECT_NEAR(double(peakColumn), 64 + std::log(1000 / (44100 / 4096.0)) / std::log(2048.0) * 499, 2.0);
    EXPECT_NEAR(double(peakRow), 12 + 6.0 / 120 * 319, 3.0) << "a half-scale sine at -6 dBFS";

    EXPECT_EQ(runOrvane("spectrogram " + in + " " + out + " --size 1000").status, 2);
    EXPECT_EQ(runOrvane("spectrum " + in + " --png").status, 2);
    EXPECT_EQ(runOrvane("waveform " + in + " " + testsig::tempPath("no-such-folder/x.png")).status, 1);
    std::remove(in.c_str());
    std::remove(out.c_str());
}

}  // namespace
