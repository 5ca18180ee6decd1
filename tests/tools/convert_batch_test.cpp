#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/signal.h"

namespace {

std::string stream(const std::string& name)
{
    return testsig::conformanceDir() + "/" + name + ".bit";
}

// A folder converted by two workers holds, byte for byte, the files single conversions make; a
// missing input fails alone and sets the status. --start and --length keep exactly those frames
// of the whole conversion, in every spelling of a time.
TEST(ConvertBatch, WorkersMakeTheFilesOfSingleConversionsAndPartsAreExactSlices)
{
    SKIP_WITHOUT_CONFORMANCE();
    const std::vector<std::string> names = {"l1-fl1", "l2-fl12", "l3-compl", "M2L3_noise"};
    const std::string dir = testsig::tempPath("batch-out");
    std::system(("rm -rf '" + dir + "'").c_str());
    std::string inputs;
    for (const std::string& n : names)
        inputs += " " + stream(n);
    const CliResult batch
        = runOrvane("convert" + inputs + " " + testsig::tempPath("missing.mp3") + " -o " + dir + " -j 2");
    EXPECT_EQ(batch.status, 1);
    EXPECT_NE(batch.out.find("missing.mp3: failed"), std::string::npos) << batch.out;
    EXPECT_NE(batch.out.find("4 of 5 files converted, 1 failed"), std::string::npos) << batch.out;
    for (const std::string& n : names) {
        SCOPED_TRACE(n);
        const std::string single = testsig::tempPath("batch-single.wav");
        ASSERT_EQ(runOrvane("convert " + stream(n) + " " + single).status, 0);
        EXPECT_NE(batch.out.find(stream(n) + " -> " + dir + "/" + n + ".wav: "), std::string::npos);
        EXPECT_EQ(testsig::readFile(dir + "/" + n + ".wav"), testsig::readFile(single));
        std::remove(single.c_str());
    }

    const std::string whole = dir + "/l3-compl.wav";
    uint32_t channels = 0, rate = 0;
    const std::vector<int16_t> full = testsig::readWavPcm16(whole, &channels, &rate);
    struct Cut {
        const char* options;
        double start, length;  // seconds; length < 0: to the end
    };
    for (const Cut& c :
         {Cut{"--start 0.5 --length 1", 0.5, 1.0}, Cut{"--start 0:01.25 --length 0:00.2", 1.25, 0.2},
          Cut{"--length 1.5", 0.0, 1.5}, Cut{"--start 2", 2.0, -1.0}, Cut{"--start 0 --length 0", 0, 0}}) {
        SCOPED_TRACE(c.options);
        const std::string part = testsig::tempPath("batch-part.wav");
        ASSERT_EQ(runOrvane("convert " + stream("l3-compl") + " " + part + " " + c.options).status, 0);
        const size_t first = size_t(c.start * rate + 0.5) * channels;
        const size_t count = c.length < 0 ? full.size() - first : size_t(c.length * rate + 0.5) * channels;
        ASSERT_LE(first + count, full.size());
        EXPECT_EQ(testsig::readWavPcm16(part),
                  std::vector<int16_t>(full.begin() + long(first), full.begin() + long(first + count)));
        std::remove(part.c_str());
    }
    EXPECT_EQ(
        runOrvane("convert " + stream("l3-compl") + " " + testsig::tempPath("batch-part.wav") + " --start 9:00").status,
        1);
    EXPECT_EQ(runOrvane("convert " + stream("l3-compl") + " x.wav --start 1:75").status, 2);
    std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
