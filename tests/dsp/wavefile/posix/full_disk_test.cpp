#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dsp/wavefile/wav_bytes.h"
#include "orvane/dsp.h"
#include "support/signal.h"

namespace {

// Whatever the write pattern, a full disk is reported, every later call fails, and the header
// claims no byte the file does not hold.
TEST(Wavefile, AFullDiskIsReportedAndNeverCountedIntoTheHeader)
{
    char dir[] = "/tmp/orvane-full-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    if (mount("tmpfs", dir, "tmpfs", 0, "size=64k") != 0) {
        rmdir(dir);
        GTEST_SKIP() << "no 64 KiB tmpfs could be mounted here";
    }
    const OrvaneWaveFormat format = pcmFormat(2, 44100);
    const std::vector<uint8_t> data(300000, 0x55);
    for (const int32_t block : {1000, 4097, 131072, 300000}) {
        SCOPED_TRACE(block);
        const std::string path = std::string(dir) + "/out.wav";
        void* out = initWavefileOut(path.c_str(), &format);
        ASSERT_NE(out, nullptr);
        int32_t r = 0;
        for (int i = 0; i < 1000 && (r = writeWavefileOut(out, data.data(), block)) == block; ++i) { }
        EXPECT_EQ(r, -1);
        EXPECT_EQ(writeWavefileOut(out, data.data(), 2), -1);
        EXPECT_EQ(flushWavefileOut(out), 0);
        EXPECT_EQ(termWavefileOut(out), 0xFFFFFFFFu);
        const std::vector<uint8_t> file = testsig::readFile(path);
        ASSERT_GE(file.size(), 46u);
        EXPECT_LE(46u + le32(file, 42), file.size());
        EXPECT_EQ(le32(file, 4), 38u + le32(file, 42) + (le32(file, 42) & 1));
        std::remove(path.c_str());
    }
    EXPECT_EQ(initWavefileOut("/dev/full", &format), nullptr);
    umount(dir);
    rmdir(dir);
}

}  // namespace
