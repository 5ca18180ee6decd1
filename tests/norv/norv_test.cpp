#include <gtest/gtest.h>

#include <vector>

#include "orvane/dsp.h"
#include "orvane/norv.h"
#include "support/signal.h"

namespace {

std::vector<int16_t> readData(const std::string& path, uint16_t& channels, uint32_t& rate)
{
    void* in = initWavefileIn(path.c_str(), 16);
    EXPECT_NE(in, nullptr);
    if (in == nullptr)
        return {};
    channels = getFormatWavefileIn(in)->nChannels;
    rate = getFormatWavefileIn(in)->nSamplesPerSec;
    std::vector<int16_t> data(getHeaderWavefileIn(in)->dataBytes / 2);
    readWavefileIn(in, data.data(), static_cast<uint32_t>(data.size() / channels));
    termWavefileIn(in);
    return data;
}

TEST(Norv, StereoBlocksReachTheFileInOrderUpToTheLast)
{
    const std::string path = testsig::tempPath("norv_stereo.wav");
    const std::vector<int16_t> pcm = testsig::noisePcm16(2 * 7001, 5);
    ASSERT_EQ(NORVSetSampleRate(32000), 1);
    ASSERT_EQ(NORVSetOutputFile(path.c_str()), 1);
    EXPECT_EQ(shortStereo(pcm.data(), 4000, 0), 4000);
    EXPECT_EQ(shortMono(pcm.data(), 10, 0), 0);                // the file is stereo
    EXPECT_EQ(shortStereo(pcm.data() + 8000, 3001, 0), 3001);  // a short final block
    EXPECT_EQ(NORVClose(), 7001u * 4);
    EXPECT_EQ(NORVClose(), 0u);
    uint16_t channels = 0;
    uint32_t rate = 0;
    EXPECT_EQ(readData(path, channels, rate), pcm);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(rate, 32000u);
}

TEST(Norv, NamingAnotherFileCompletesTheFirst)
{
    const std::string a = testsig::tempPath("norv_a.wav");
    const std::string b = testsig::tempPath("norv_b.wav");
    const std::vector<int16_t> pcm = testsig::noisePcm16(1001, 9);
    NORVSetSampleRate(22050);
    NORVSetOutputFile(a.c_str());
    EXPECT_EQ(shortMono(pcm.data(), 1001, 0), 1001);
    NORVSetOutputFile(b.c_str());
    EXPECT_EQ(shortMono(pcm.data(), 10, 0), 10);
    EXPECT_EQ(NORVClose(), 20u);
    uint16_t channels = 0;
    uint32_t rate = 0;
    EXPECT_EQ(readData(a, channels, rate), pcm);
    EXPECT_EQ(channels, 1);
    EXPECT_EQ(rate, 22050u);
}

TEST(Norv, BadArgumentsAndNoFileAreRefused)
{
    const int16_t pcm[4] = {1, 2, 3, 4};
    NORVClose();
    EXPECT_EQ(shortMono(pcm, 4, 0), 0);  // no file named
    EXPECT_EQ(NORVSetSampleRate(0), 0);
    EXPECT_EQ(NORVSetSampleRate(-44100), 0);
    EXPECT_EQ(NORVSetOutputFile(nullptr), 0);
    EXPECT_EQ(NORVSetOutputFile(""), 0);
    ASSERT_EQ(NORVSetOutputFile(testsig::tempPath("norv_bad.wav").c_str()), 1);
    EXPECT_EQ(shortMono(nullptr, 4, 0), 0);
    EXPECT_EQ(shortMono(pcm, 0, 0), 0);
    EXPECT_EQ(shortStereo(pcm, -2, 0), 0);
    EXPECT_EQ(shortStereo(pcm, 0x7FFFFFFF, 0), 0);  // more bytes than one call can carry
    EXPECT_EQ(NORVClose(), 0u);
    ASSERT_EQ(NORVSetOutputFile("/nonexistent-dir/x.wav"), 1);
    EXPECT_EQ(shortMono(pcm, 4, 0), 0);
    EXPECT_EQ(NORVClose(), 0u);
}

}  // namespace
