#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/wait_until.h"

namespace {

// Longer than 80 columns, in wide characters: the name line cuts it.
const std::string kTitle = "Demo Title \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE6\x9B\xB2\xE5\x90\x8D"
                           "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE6\x9B\xB2\xE5\x90\x8D"
                           "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE6\x9B\xB2\xE5\x90\x8D"
                           "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE6\x9B\xB2\xE5\x90\x8D"
                           "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE6\x9B\xB2\xE5\x90\x8D";

// orvane play in a detached tmux terminal of 80 columns, driven by keys and read back as a screen.
class TmuxPlay {
public:
    // Plays a missing file, the demo with an ID3v2 tag naming artist and title, then the demo as it is.
    TmuxPlay()
    {
        const std::string demo = std::string(ORVANE_SOURCE_DIR) + "/samples/orvane-demo.mp3";
        std::string frames;
        for (const auto& [id, text] : {std::pair<std::string, std::string>{"TIT2", kTitle}, {"TPE1", "Demo Artist"}})
            frames += id + std::string{0, 0, 0, char(text.size() + 1), 0, 0, 3} + text;
        std::ifstream in(demo, std::ios::binary);
        std::ofstream(tagged_, std::ios::binary) << "ID3" << std::string{3, 0, 0, 0, 0} << char(frames.size() >> 7)
                                                 << char(frames.size() & 0x7F) << frames << in.rdbuf();
        tmux("new-session -d -x 80 -y 24 'ORVANE_OUTPUT=null " + std::string(ORVANE_BINARY_DIR) + "/bin/orvane play "
             + "/tmp/orvane-no-such-file.mp3 " + tagged_ + " " + demo + "; sleep 30'");
    }
    ~TmuxPlay()
    {
        tmux("kill-server");
        std::remove(tagged_.c_str());
    }

    void keys(const std::string& names) { tmux("send-keys -t 0 " + names); }

    std::vector<std::string> screen()
    {
        std::vector<std::string> lines;
        std::istringstream text(tmux("capture-pane -p -t 0"));
        for (std::string line; std::getline(text, line);)
            if (!line.empty())
                lines.push_back(line);
        return lines;
    }

    // Waits until a line of the screen holds every text; that line, or empty after a generous deadline.
    std::string waitFor(std::initializer_list<std::string> texts)
    {
        std::string found;
        testsig::waitUntil([&] {
            for (const std::string& line : screen())
                if (std::all_of(texts.begin(), texts.end(),
                                [&](const std::string& t) { return line.find(t) != std::string::npos; })) {
                    found = line;
                    return true;
                }
            return false;
        });
        return found;
    }

private:
    const std::string tagged_ = "/tmp/orvane-tagged-" + std::to_string(getpid()) + ".mp3";

    std::string tmux(const std::string& args)
    {
        const std::string command = "tmux -u -L orvane-test-" + std::to_string(getpid()) + " " + args + " 2>/dev/null";
        std::string out;
        if (FILE* pipe = popen(command.c_str(), "r")) {
            char buffer[4096];
            size_t n = 0;
            while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
                out.append(buffer, n);
            pclose(pipe);
        }
        return out;
    }
};

// Columns a line of the screen takes: the wide characters of the test's title take two.
size_t columns(const std::string& line)
{
    size_t n = 0;
    for (size_t i = 0; i < line.size(); ++i)
        n += (uint8_t(line[i]) & 0xC0) == 0x80 ? 0 : uint8_t(line[i]) >= 0xE0 ? 2 : 1;
    return n;
}

size_t statusLines(const std::vector<std::string>& lines)
{
    size_t n = 0;
    for (const std::string& line : lines)
        n += line.rfind("playing ", 0) == 0 || line.rfind("paused ", 0) == 0;
    return n;
}

// The status line stays one line of at most 79 columns while it updates, with units on every
// value; messages stand above it, never in it; a burst of keys is acted on key by key; volume,
// mute, speed, help and next-file keys do what the help says; the line above the status names
// the file playing, by its tags' artist and title or else by its file name.
TEST(PlayTerminal, OneStatusLineAndEveryKeyCounted)
{
    if (std::system("tmux -V >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "tmux is not installed (scripts/install-deps.sh installs it)";
    TmuxPlay play;
    ASSERT_NE(play.waitFor({"playing"}), "");
    const std::string name = play.waitFor({"Demo Artist - Demo Title"});
    EXPECT_EQ(name.rfind("2/3 Demo Artist - Demo Title \xE6\x97\xA5", 0), 0u) << name;
    EXPECT_EQ(name.substr(name.size() - 3), "...") << name;
    EXPECT_GE(columns(name), 77u) << name;
    EXPECT_EQ(play.waitFor({"cannot open"}), "orvane play: cannot open '/tmp/orvane-no-such-file.mp3'");
    play.keys("Up Up Up ] ] ] + + -");
    const std::string status = play.waitFor({"vol 105%", "pitch +300 cents", "speed +15%"});
    EXPECT_NE(status, "") << "a key was lost";
    EXPECT_NE(status.find(" L|"), std::string::npos) << status;
    platform::sleepMs(500);  // several redraws
    const std::vector<std::string> lines = play.screen();
    EXPECT_EQ(statusLines(lines), 1u);
    for (const std::string& line : lines)
        EXPECT_LT(columns(line), 80u) << line;

    play.keys("m");
    EXPECT_NE(play.waitFor({"muted"}), "");
    play.keys("h");
    EXPECT_NE(play.waitFor({"keys: space pause"}), "");
    EXPECT_NE(play.waitFor({"m mute"}), "");
    EXPECT_EQ(statusLines(play.screen()), 1u);
    for (const std::string& line : play.screen())
        EXPECT_LT(columns(line), 80u) << line;
    play.keys("n");
    EXPECT_EQ(play.waitFor({"3/3"}), "3/3 orvane-demo.mp3");
    for (const std::string& line : play.screen())
        EXPECT_EQ(line.find("Demo Artist"), std::string::npos) << "the untagged file's name line: " << line;
    play.keys("q");
    EXPECT_TRUE(testsig::waitUntil([&] { return statusLines(play.screen()) == 0; })) << "q ends the play";
}

}  // namespace
