#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "mp3/decode/stream_decoder.h"
#include "support/signal.h"
#include "tests/mp3/decoder/decoder_test_support.h"

namespace {

std::vector<std::string> robustnessFiles()
{
    std::vector<std::string> names;
    const std::string dir = testsig::conformanceDir() + "/robustness";
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                names.push_back(dir + "/" + e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Every malformed stream either fails to open or decodes to finite samples in the 16-bit range
// (with headroom for overshoot), on every path; the sanitizer build checks the memory accesses.
TEST(StreamDecoderRobustness, MalformedStreamsDecodeWhatIsValidOrStopCleanly)
{
    SKIP_WITHOUT_CONFORMANCE();
    const std::vector<std::string> files = robustnessFiles();
    ASSERT_FALSE(files.empty());
    for (player::SimdPath path : decodertest::supportedPaths()) {
        for (const std::string& f : files) {
            SCOPED_TRACE(f);
            StreamDecoder dec;
            if (!dec.open(f.c_str()))
                continue;
            dec.setSettings(decodertest::settingsFor(path));
            dec.decodeAll();
            for (float x : dec.pcm()) {
                ASSERT_TRUE(std::isfinite(x));
                ASSERT_LT(std::fabs(x), 4.0f * 32768.0f);
            }
        }
    }
}

TEST(StreamDecoderRobustness, MissingEmptyAndTinyFilesDoNotOpen)
{
    StreamDecoder missing;
    EXPECT_FALSE(missing.open("/nonexistent/file.mp2"));
    EXPECT_FALSE(missing.decodeFrame());
    EXPECT_EQ(missing.decodeAll(), 0u);
    const std::string path = testsig::tempPath("tiny.mp2");
    for (const std::vector<uint8_t>& bytes :
         {std::vector<uint8_t>{}, std::vector<uint8_t>{0xFF, 0xFD, 0x00, 0x00, 0x00}}) {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!bytes.empty())
            std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        StreamDecoder dec;
        EXPECT_FALSE(dec.open(path.c_str()));
        EXPECT_EQ(dec.decodeAll(), 0u);
    }
    std::remove(path.c_str());
}

// Decoders share no state: two running at once on two threads, each with its own settings and
// sink, give exactly what each gives alone (a quarter volume is an exact power-of-two scale).
TEST(StreamDecoderRobustness, DecodersOnTwoThreadsKeepTheirOwnSettingsAndSinks)
{
    SKIP_WITHOUT_CONFORMANCE();
    struct Planar : decoder::PcmSink {
        void frame(const float* const* pcm, uint32_t channels, uint32_t samples) override
        {
            for (uint32_t c = 0; c < channels; ++c)
                ch[c].insert(ch[c].end(), pcm[c], pcm[c] + samples);
        }
        std::vector<float> ch[2];
    };
    const std::string file = testsig::conformanceDir() + "/l3-compl.bit";
    for (player::SimdPath path : decodertest::supportedPaths()) {
        StreamDecoder full;
        ASSERT_TRUE(full.open(file.c_str()));
        full.setSettings(decodertest::settingsFor(path));
        Planar quarter;
        StreamDecoder other;
        ASSERT_TRUE(other.openStream(file.c_str(), 0));
        other.setSettings(decodertest::settingsFor(path, 8192.0f));
        other.setSink(&quarter);
        std::thread t([&] { other.decodeAll(); });
        full.decodeAll();
        t.join();
        const int channels = full.channels();
        const std::vector<float>& pcm = full.pcm();
        ASSERT_GT(pcm.size(), 100000u);
        ASSERT_EQ(quarter.ch[0].size() * channels, pcm.size());
        for (size_t i = 0; i < pcm.size(); ++i)
            ASSERT_EQ(quarter.ch[i % channels][i / channels] * 4.0f, pcm[i]) << i;
    }
}

}  // namespace
