#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/platform.h"
#include "support/signal.h"

namespace {

TEST(Platform, EventIsManualReset)
{
    platform::Event e;
    EXPECT_FALSE(e.wait(0));
    std::thread t([&] { e.set(); });
    EXPECT_TRUE(e.wait(platform::kInfinite));
    t.join();
    EXPECT_TRUE(e.wait(0));  // stays set until reset
    e.reset();
    EXPECT_FALSE(e.wait(1));
}

TEST(Platform, FileRoundTripAndBadSeeks)
{
    const std::string path = testsig::tempPath("platform.bin");
    {
        platform::File f;
        ASSERT_TRUE(f.open(path.c_str(), platform::File::Mode::Write));
        EXPECT_EQ(f.write("abcdef", 6), 6);
    }
    platform::File f;
    ASSERT_TRUE(f.open(path.c_str(), platform::File::Mode::Read));
    EXPECT_EQ(f.size(), 6);
    EXPECT_EQ(f.seek(2, platform::File::Origin::Begin), 2);
    char buf[8] = {};
    EXPECT_EQ(f.read(buf, 8), 4);
    EXPECT_EQ(std::string(buf), "cdef");
    EXPECT_EQ(f.read(buf, 8), 0);
    EXPECT_EQ(f.seek(-100, platform::File::Origin::Begin), -1);
    EXPECT_EQ(f.position(), 6);
    platform::File missing;
    EXPECT_FALSE(missing.open("/nonexistent/dir/file", platform::File::Mode::Read));
    EXPECT_FALSE(missing.open("/tmp", platform::File::Mode::Read));
    std::remove(path.c_str());
}

TEST(Platform, MessageBoxReachesTheHandler)
{
    std::string seen;
    platform::setMessageQuiet(true);
    platform::setMessageHandler(
        [](const char* caption, const char* text, void* ctx) {
            *static_cast<std::string*>(ctx) = std::string(caption) + "|" + text;
        },
        &seen);
    platform::messageBox("mp3.dll", "no device");
    platform::setMessageHandler(nullptr, nullptr);
    platform::setMessageQuiet(false);
    EXPECT_EQ(seen, "mp3.dll|no device");
}

TEST(Platform, TickCountAdvances)
{
    const uint32_t t0 = platform::tickCount();
    platform::sleepMs(20);
    EXPECT_GE(static_cast<uint32_t>(platform::tickCount() - t0), 15u);
}

}  // namespace
