#include <gtest/gtest.h>

#include <cstdio>

#include "orvane/mp3.h"
#include "support/signal.h"
#include "tests/mp3/stream/frame_builder.h"

namespace {

TEST(FileInfoExports, DurationAndBitrateOfConformanceStreams)
{
    SKIP_WITHOUT_CONFORMANCE();
    const std::string dir = testsig::conformanceDir();
    EXPECT_EQ(OrvaneGetTotalMs((dir + "/l2-fl12.bit").c_str(), 0), 49 * 24);
    EXPECT_EQ(OrvaneGetFirstBitrate((dir + "/l2-fl12.bit").c_str(), 0), 192);
    // MPEG-2 Layer II: 1152 samples at 24 kHz are 48 ms per frame.
    EXPECT_EQ(OrvaneGetTotalMs((dir + "/l2-test32.bit").c_str(), 0), 63 * 48);
    EXPECT_EQ(OrvaneGetFirstBitrate((dir + "/M2L3_compl24.bit").c_str(), 0), 128);
    EXPECT_EQ(OrvaneGetTotalMs((dir + "/M2L3_compl24.bit").c_str(), 0), 212 * 24);
    // A tagged stream takes its length from the tag: 316 frames of 1152 samples at 44.1 kHz.
    const std::string tagged = dir + "/robustness/l3-nonstandard-sin1k0db_lame_vbrtag.bit";
    EXPECT_EQ(OrvaneGetTotalMs(tagged.c_str(), 0), int32_t(316 * (1152000.0f / 44100)));
}

TEST(FileInfoExports, FailuresGiveZero)
{
    EXPECT_EQ(OrvaneGetTotalMs(nullptr, 0), 0);
    EXPECT_EQ(OrvaneGetFirstBitrate(nullptr, 0), 0);
    EXPECT_EQ(OrvaneGetTotalMs("/nonexistent/x.mp3", 0), 0);
    EXPECT_EQ(OrvaneGetFirstBitrate("/", 0), 0);

    const std::string path = testsig::tempPath("info.mp3");
    std::vector<uint8_t> bytes(50, 0x20);
    framebuild::append(bytes, framebuild::stream(framebuild::FrameSpec{}, 20, [](int) { return false; }));
    framebuild::writeFile(path, bytes);
    EXPECT_EQ(OrvaneGetFirstBitrate(path.c_str(), 0), 128);
    EXPECT_EQ(OrvaneGetFirstBitrate(path.c_str(), -1), 0);
    EXPECT_EQ(OrvaneGetTotalMs(path.c_str(), 50), int32_t(20 * (1152000.0f / 44100)));
    EXPECT_EQ(OrvaneGetTotalMs(path.c_str(), 1 << 30), 0);

    framebuild::writeFile(path, std::vector<uint8_t>(5000, 0x47));
    EXPECT_EQ(OrvaneGetTotalMs(path.c_str(), 0), 0);
    EXPECT_EQ(OrvaneGetFirstBitrate(path.c_str(), 0), 0);
    std::remove(path.c_str());
}

}  // namespace
