#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "cli_runner.h"
#include "support/signal.h"

namespace {

std::string demo()
{
    return std::string(ORVANE_SOURCE_DIR) + "/samples/orvane-demo.mp3";
}

// The demo behind an ID3v2.3 tag of these UTF-8 text frames and a 100-byte PNG front cover.
void writeTagged(const std::string& path, const std::string& title, const std::string& artist, size_t cutBytes = 0)
{
    std::string frames;
    for (const auto& [id, text] : {std::pair<std::string, std::string>{"TIT2", title}, {"TPE1", artist}})
        frames += id + std::string{0, 0, 0, char(text.size() + 1), 0, 0, 3} + text;
    const std::string picture = std::string("\0image/png\0\3\0", 13) + std::string(100, 'p');
    frames += "APIC" + std::string{0, 0, 0, char(picture.size()), 0, 0} + picture;
    std::ostringstream audio;
    audio << std::ifstream(demo(), std::ios::binary).rdbuf();
    const std::string bytes = audio.str();
    std::ofstream(path, std::ios::binary)
        << "ID3" << std::string{3, 0, 0, 0, 0} << char(frames.size() >> 7) << char(frames.size() & 0x7F) << frames
        << bytes.substr(0, bytes.size() - cutBytes);
}

// info --json on several files is one array that a JSON reader takes, holding each file's facts,
// its picture, its tags (quotes, backslashes and non-ASCII text intact, control characters as spaces) and one
// entry per unreadable file; a truncated file counts only its whole frames.
TEST(InfoJson, ParsesAndHoldsTheFacts)
{
    if (std::system("python3 -c 1 >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 is needed to read the JSON back";
    const std::string tagged = testsig::tempPath("info-tagged.mp3"), cut = testsig::tempPath("info-cut.mp3");
    const std::string title = "Caf\xC3\xA9 \"Live\" \\ \xE6\x97\xA5";
    writeTagged(tagged, title, "Tab\tArtist");
    writeTagged(cut, "x", "y", 200);
    const std::string json = testsig::tempPath("info.json");
    const CliResult r = runOrvane("info --json " + demo() + " " + tagged + " " + cut + " " + tagged + ".missing >"
                                  + json + " 2>/dev/null; echo $?");
    EXPECT_EQ(r.out, "1\n");
    // One line per file: the facts the test checks, as python3 reads them.
    const std::string script = "import json,sys\n"
                               "for f in json.load(open(sys.argv[1])):\n"
                               "    if 'error' in f: print('error'); continue\n"
                               "    print(f['mpeg_version'], f['layer'], f['sample_rate'], f['channels'],"
                               " f['mpeg_frames'], f['samples'], '%.6f' % f['duration_seconds'],"
                               " f['encoder_delay'], f['encoder_padding'], ','.join(f['tag_formats']),"
                               " f['truncated'], json.dumps(f['tags'], sort_keys=True),"
                               " json.dumps(f['picture'], sort_keys=True))\n";
    const std::string scriptPath = testsig::tempPath("info-read.py");
    std::ofstream(scriptPath) << script;
    FILE* pipe = popen(("python3 " + scriptPath + " " + json).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0);
    const std::string kPicture
        = "{\"bytes\": 100, \"mime\": \"image/png\", \"type\": 3, \"type_name\": \"front cover\"}";
    EXPECT_EQ(
        out,
        "1 3 44100 2 308 352800 8.000000 576 1440  False {} null\n"
        "1 3 44100 2 308 352800 8.000000 576 1440 ID3v2 False {\"artist\": \"Tab Artist\", \"title\": \"Caf\\u00e9 "
        "\\\"Live\\\" \\\\ \\u65e5\"} "
            + kPicture
            + "\n"
              "1 3 44100 2 307 351648 7.973878 576 1440 ID3v2 True {\"artist\": \"y\", \"title\": \"x\"} "
            + kPicture
            + "\n"
              "error\n");
    // The text form gives the same single duration.
    const CliResult text = runOrvane("info " + tagged);
    EXPECT_NE(text.out.find("duration:      8.000 s (352800 samples)\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("tags:          ID3v2\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("picture:       front cover, image/png, 100 bytes\n"), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find("estimate"), std::string::npos) << text.out;
    for (const std::string& path : {tagged, cut, json, scriptPath})
        std::remove(path.c_str());
}

}  // namespace
