#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <type_traits>

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

// The contract the libraries' readers and writers rely on, for each file class (on Windows the
// WAV code's goes through mmio, the rest through the file API): writes in pieces, every seek
// origin, reads across the end, patches in place, and the failures that must not move or open.
template<typename F> void checkFileContract(const char* what)
{
    SCOPED_TRACE(what);
    using Origin = typename F::Origin;
    // Longer than the 127 characters mmio's own opening of names would take.
    const std::string path = testsig::tempPath(std::string(140, 'n') + ".bin");
    {
        F f;
        ASSERT_TRUE(f.open(path.c_str(), F::Mode::Write));
        EXPECT_EQ(f.write("abc", 3), 3);
        EXPECT_EQ(f.write("def", 3), 3);
        EXPECT_EQ(f.position(), 6);
        EXPECT_EQ(f.seek(1, Origin::Begin), 1);
        EXPECT_EQ(f.write("B", 1), 1);  // patched in place, as the WAV writer patches its sizes
        EXPECT_EQ(f.size(), 6);
        EXPECT_TRUE(f.flush());
        EXPECT_TRUE(f.close());
    }
    F f;
    ASSERT_TRUE(f.open(path.c_str(), F::Mode::Read));
    EXPECT_EQ(f.size(), 6);
    struct Move {
        int64_t offset;
        Origin origin;
        int64_t at;  // expected result; -1 leaves the position where it was
        const char* rest;
    };
    const Move moves[] = {
        {2, Origin::Begin, 2, "cdef"},    {-3, Origin::End, 3, "def"},     {-100, Origin::Begin, -1, ""},
        {-7, Origin::End, -1, ""},        {0, Origin::Begin, 0, "aBcdef"}, {-1, Origin::Current, -1, ""},
        {1, Origin::Current, 1, "Bcdef"}, {6, Origin::Begin, 6, ""},
    };
    for (const Move& m : moves) {
        const int64_t before = f.position();
        EXPECT_EQ(f.seek(m.offset, m.origin), m.at) << m.offset;
        EXPECT_EQ(f.position(), m.at >= 0 ? m.at : before);
        if (m.at < 0)
            continue;
        char buf[16] = {};
        EXPECT_EQ(f.read(buf, sizeof buf), int64_t(std::strlen(m.rest)));
        EXPECT_STREQ(buf, m.rest);
        EXPECT_EQ(f.read(buf, sizeof buf), 0);
        ASSERT_EQ(f.seek(m.at, Origin::Begin), m.at);
    }
    EXPECT_TRUE(f.close());
    EXPECT_EQ(f.read(nullptr, 1), -1);
    EXPECT_EQ(f.size(), -1);
    F missing;
    EXPECT_FALSE(missing.open("/nonexistent/dir/file", F::Mode::Read));
    EXPECT_FALSE(missing.open("/tmp", F::Mode::Read));  // a folder
    EXPECT_FALSE(missing.open(nullptr, F::Mode::Read));
    std::remove(path.c_str());
}

TEST(Platform, FileContract)
{
    checkFileContract<platform::File>("File");
    if (!std::is_same_v<platform::File, platform::WaveFile>)
        checkFileContract<platform::WaveFile>("WaveFile");
}

TEST(Platform, MessageBoxReachesTheHandler)
{
    std::string seen;
    platform::setMessageQuiet(true);
    platform::setMessageHandler([](const char* caption, const char* text,
                                   void* ctx) { *static_cast<std::string*>(ctx) = std::string(caption) + "|" + text; },
                                &seen);
    platform::messageBox("mp3.dll", "no device");
    platform::setMessageHandler(nullptr, nullptr);
    platform::setMessageQuiet(false);
    EXPECT_EQ(seen, "mp3.dll|no device");
}

TEST(Platform, TickCountAdvances)
{
    // The system tick may move in steps of about 16 ms (Windows), so the sleep spans several.
    const uint32_t t0 = platform::tickCount();
    platform::sleepMs(80);
    EXPECT_GE(static_cast<uint32_t>(platform::tickCount() - t0), 40u);  // a sleep is never shorter
}

}  // namespace
