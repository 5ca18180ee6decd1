#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/tool/files.h"
#include "support/signal.h"

namespace {

namespace fs = std::filesystem;

// Names for one file however spelt, hard links included, are one file; distinct files with the
// same bytes, folders and missing names are not; temporary files are new, empty and separate.
TEST(ToolFiles, IdentityRegularFilesAndTemporaries)
{
    const fs::path dir = testsig::tempPath("identity");
    fs::remove_all(dir);
    ASSERT_TRUE(fs::create_directory(dir));
    const std::string a = (dir / "a.wav").string(), b = (dir / "b.wav").string();
    std::ofstream(a) << "same";
    std::ofstream(b) << "same";
    const std::string link = (dir / "link.wav").string();
    std::error_code linkError;
    fs::create_hard_link(a, link, linkError);
    const std::string spelt = (dir / "." / ".." / dir.filename() / "a.wav").string();
    const std::string missing = (dir / "none.wav").string();

    struct Pair {
        std::string x, y;
        bool same;
    };
    std::vector<Pair> pairs = {{a, a, true},        {a, spelt, true},          {a, b, false},
                               {a, missing, false}, {missing, missing, false}, {dir.string(), a, false}};
    if (!linkError)
        pairs.push_back({link, a, true});
    for (const Pair& p : pairs) {
        EXPECT_EQ(platform::sameFile(p.x.c_str(), p.y.c_str()), p.same) << p.x << " | " << p.y;
        EXPECT_EQ(platform::sameFile(p.y.c_str(), p.x.c_str()), p.same) << p.y << " | " << p.x;
    }
    EXPECT_TRUE(platform::isRegularFile(a.c_str()));
    EXPECT_TRUE(platform::isRegularFile(spelt.c_str()));
    EXPECT_FALSE(platform::isRegularFile(dir.string().c_str()));
    EXPECT_FALSE(platform::isRegularFile(missing.c_str()));

    std::string t1, t2;
    ASSERT_TRUE(platform::createTemporaryFile("orvane-test", t1));
    ASSERT_TRUE(platform::createTemporaryFile("orvane-test", t2));
    EXPECT_NE(t1, t2);
    EXPECT_FALSE(platform::sameFile(t1.c_str(), t2.c_str()));
    EXPECT_TRUE(platform::isRegularFile(t1.c_str()));
    EXPECT_EQ(fs::file_size(t1), 0u);
    EXPECT_EQ(std::remove(t1.c_str()), 0);
    EXPECT_EQ(std::remove(t2.c_str()), 0);

    FILE* stream = platform::openTemporaryStream();
    ASSERT_NE(stream, nullptr);
    const char text[] = "spooled bytes\r\n\x1a after a Ctrl-Z";
    EXPECT_EQ(std::fwrite(text, 1, sizeof text, stream), sizeof text);
    std::rewind(stream);
    char back[sizeof text] = {};
    EXPECT_EQ(std::fread(back, 1, sizeof back, stream), sizeof text);  // bytes kept exactly
    EXPECT_EQ(std::string(back, sizeof back), std::string(text, sizeof text));
    std::fclose(stream);
    fs::remove_all(dir);
}

}  // namespace
