#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "decoder_test_support.h"
#include "mp3/decoder/stream_decoder.h"
#include "support/signal.h"

namespace {

std::vector<std::string> robustnessFiles() {
    std::vector<std::string> names;
    const std::string dir = testsig::conformanceDir() + "/robustness";
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(dir + "/" + e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Every malformed stream either fails to open or decodes to finite samples in the 16-bit range
// (with headroom for overshoot), on every path; the sanitizer build checks the memory accesses.
TEST(StreamDecoderRobustness, MalformedStreamsDecodeWhatIsValidOrStopCleanly) {
    SKIP_WITHOUT_CONFORMANCE();
    const std::vector<std::string> files = robustnessFiles();
    ASSERT_FALSE(files.empty());
    for (player::SimdPath path : {player::SimdPath::Plain, player::SimdPath::Sse, player::SimdPath::ThreeDNow}) {
        decodertest::PathScope scope(path);
        for (const std::string& f : files) {
            SCOPED_TRACE(f);
            StreamDecoder dec;
            if (!dec.open(f.c_str())) continue;
            dec.decodeAll();
            for (float x : dec.pcm()) {
                ASSERT_TRUE(std::isfinite(x));
                ASSERT_LT(std::fabs(x), 4.0f * 32768.0f);
            }
        }
    }
}

TEST(StreamDecoderRobustness, MissingEmptyAndTinyFilesDoNotOpen) {
    StreamDecoder missing;
    EXPECT_FALSE(missing.open("/nonexistent/file.mp2"));
    EXPECT_FALSE(missing.decodeFrame());
    EXPECT_EQ(missing.decodeAll(), 0u);
    const std::string path = testsig::tempPath("tiny.mp2");
    for (const std::vector<uint8_t>& bytes : {std::vector<uint8_t>{}, std::vector<uint8_t>{0xFF, 0xFD, 0x00, 0x00, 0x00}}) {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        StreamDecoder dec;
        EXPECT_FALSE(dec.open(path.c_str()));
        EXPECT_EQ(dec.decodeAll(), 0u);
    }
    std::remove(path.c_str());
}

}  // namespace
