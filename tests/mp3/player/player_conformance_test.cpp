#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "mp3/stream/frame_header.h"
#include "mp3/stream/stream_reader.h"
#include "orvane/mp3.h"
#include "orvane/norv.h"
#include "support/signal.h"

namespace {

std::vector<int16_t> wavData(const std::string& path)
{
    const std::vector<uint8_t> f = testsig::readFile(path);
    size_t pos = 12;
    while (pos + 8 <= f.size()) {
        uint32_t size = 0;
        std::memcpy(&size, &f[pos + 4], 4);
        if (std::memcmp(&f[pos], "data", 4) == 0) {
            std::vector<int16_t> out(std::min<size_t>(size, f.size() - pos - 8) / 2);
            std::memcpy(out.data(), &f[pos + 8], out.size() * 2);
            return out;
        }
        pos += 8 + size + (size & 1);
    }
    return {};
}

// Frames the reader finds and the samples they hold over all channels.
size_t streamSamples(const std::string& path, int& layer)
{
    auto reader = std::make_unique<StreamReader>(path.c_str(), 0);
    FrameHeader header;
    size_t samples = 0;
    layer = 0;
    while (header.readFrame(*reader, nullptr)) {
        layer = layer == 0 ? header.layer() : layer;
        samples += size_t(header.samplesPerFrame()) * size_t(header.channels());
    }
    return samples;
}

TEST(PlayerConformance, ConvertModeReproducesEveryStreamToItsLastSample)
{
    SKIP_WITHOUT_CONFORMANCE();
    OrvaneSetVolume(32768);
    const char* names[] = {"M2L3_bitrate_16_all",
                           "M2L3_bitrate_22_all",
                           "M2L3_bitrate_24_all",
                           "M2L3_compl24",
                           "M2L3_noise",
                           "l1-fl1",
                           "l1-fl2",
                           "l1-fl3",
                           "l1-fl4",
                           "l1-fl5",
                           "l1-fl6",
                           "l1-fl7",
                           "l1-fl8",
                           "l2-fl10",
                           "l2-fl11",
                           "l2-fl12",
                           "l2-fl13",
                           "l2-fl14",
                           "l2-fl15",
                           "l2-fl16",
                           "l2-test32",
                           "l3-compl",
                           "l3-he_32khz",
                           "l3-he_44khz",
                           "l3-he_48khz",
                           "l3-hecommon",
                           "l3-si",
                           "l3-si_block",
                           "l3-si_huff"};
    const std::string wav = testsig::tempPath("conformance.wav");
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const std::string path = testsig::conformanceDir() + "/" + name + ".bit";
        NORVSetOutputFile(wav.c_str());
        ASSERT_EQ(OrvanePlay(path.c_str(), nullptr, 0, 1), 1);
        NORVClose();
        const std::vector<int16_t> got = wavData(wav);
        const std::vector<uint8_t> ref = testsig::readFile(testsig::conformanceDir() + "/" + name + ".pcm");
        int layer = 0;
        const size_t expected = streamSamples(path, layer);
        // Every frame comes out, the last one included.
        EXPECT_EQ(got.size(), expected);
        const size_t n = std::min(got.size(), ref.size() / 2);
        ASSERT_GT(n, 0u);
        double sum = 0;
        int worst = 0;
        for (size_t i = 0; i < n; ++i) {
            int16_t r = 0;
            std::memcpy(&r, &ref[2 * i], 2);
            const int d = std::abs(int(got[i]) - int(r));
            worst = std::max(worst, d);
            sum += double(d) * d;
        }
        const double rms = std::sqrt(sum / double(n));
        // The output rounds to 16 bits as the reference does: the full-accuracy bound.
        EXPECT_LE(worst, 1) << "rms " << rms;
        EXPECT_LT(rms, 1.0 / std::sqrt(12.0));
    }
    std::remove(wav.c_str());
}

}  // namespace
