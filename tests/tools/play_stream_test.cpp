#include <signal.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/signal.h"

namespace {

// scripts/stream-server.py on 127.0.0.1 for the life of the object.
class StreamServer {
public:
    // No server for empty args.
    explicit StreamServer(const std::string& args)
    {
        if (args.empty())
            return;
        const std::string command
            = "exec python3 " + std::string(ORVANE_SOURCE_DIR) + "/scripts/stream-server.py " + args;
        pipe_ = popen(command.c_str(), "r");
        if (pipe_ == nullptr || std::fscanf(pipe_, "%d %d", &port_, &pid_) != 2)
            port_ = 0;
    }
    ~StreamServer() { stop(); }
    void stop()
    {
        if (pid_ > 0)
            kill(pid_, SIGTERM);
        if (pipe_ != nullptr)
            pclose(pipe_);
        pid_ = 0;
        pipe_ = nullptr;
    }
    bool running() const { return port_ > 0; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/stream.mp3"; }

private:
    FILE* pipe_ = nullptr;
    int port_ = 0;
    int pid_ = 0;
};

// False when the tool was built without an HTTP client (it then says so for any URL).
bool toolPlaysUrls()
{
    return runOrvane("play http://127.0.0.1:1/").err.find("cannot play URLs") == std::string::npos;
}

// A lame-made stereo stream of a rising tone (so that any sample out of place shows), in a
// fresh folder; empty when lame is missing.
std::filesystem::path lameStream(const std::string& name, double seconds)
{
    if (std::system("lame --version >/dev/null 2>&1") != 0)
        return {};
    const std::filesystem::path folder = testsig::tempPath(name);
    std::filesystem::create_directories(folder);
    constexpr uint32_t kRate = 44100;
    const auto frames = size_t(seconds * kRate);
    std::vector<int16_t> pcm(2 * frames);
    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        pcm[2 * i] = int16_t(std::lround(12000 * std::sin(2 * M_PI * (300 + 200 * t) * t)));
        pcm[2 * i + 1] = int16_t(std::lround(9000 * std::sin(2 * M_PI * (500 + 300 * t) * t)));
    }
    const std::string wav = (folder / "tone.wav").string();
    if (!testsig::writeWavPcm16(wav, pcm, 2, kRate)
        || std::system(("lame --quiet -b 128 " + wav + " " + (folder / "stream.mp3").string()).c_str()) != 0)
        return {};
    return folder / "stream.mp3";
}

// Plays source into a fast capture file; the capture's bytes and the run's result.
CliResult playCaptured(const std::string& source, const std::string& capture, std::vector<uint8_t>& bytes)
{
    setenv("ORVANE_OUTPUT", ("capture:" + capture + ",fast").c_str(), 1);
    const CliResult r = runOrvane("play " + source);
    unsetenv("ORVANE_OUTPUT");
    bytes = testsig::readFile(capture);
    std::remove(capture.c_str());
    return r;
}

// The file, standard input, and the file served over HTTP with and without ICY metadata (a
// block every 1000 bytes, so blocks fall across every kind of read boundary) or dropped once,
// all play to the same output, byte for byte; the titles the station announces are said in order, once each,
// Latin-1 read as such.
TEST(PlayStream, StandardInputAndHttpStreamsPlayAsTheFile)
{
    const std::filesystem::path mp3 = lameStream("play-stream", 4.0);
    if (mp3.empty())
        GTEST_SKIP() << "lame is needed to encode the stream";
    const bool urls = toolPlaysUrls() && std::system("python3 --version >/dev/null 2>&1") == 0;
    const std::string capture = (mp3.parent_path() / "capture.wav").string();
    std::vector<uint8_t> reference;
    const CliResult fromFile = playCaptured(mp3.string(), capture, reference);
    ASSERT_EQ(fromFile.status, 0) << fromFile.err;
    ASSERT_GT(reference.size(), 4u * 44100 * 4 * 9 / 10);

    StreamServer plain(urls ? mp3.string() : "");
    StreamServer icy(urls ? mp3.string() + " --icy 1000 --titles \"First Song,Caf\xc3\xa9 del Mar,Don't Stop\"" : "");
    // A connection that drops once is made again and resumed where it broke off, whether the
    // server answers the range or sends the file from its start again.
    StreamServer resuming(urls ? mp3.string() + " --drop 30000 --drops 1 --ranges" : "");
    StreamServer restarting(urls ? mp3.string() + " --drop 30000 --drops 1" : "");
    ASSERT_TRUE(!urls || (plain.running() && icy.running() && resuming.running() && restarting.running()));
    struct Source {
        std::string source;
        bool titled;
    };
    std::vector<Source> sources = {{"- < " + mp3.string(), false}};
    if (urls)
        sources.insert(sources.end(),
                       {{plain.url(), false}, {icy.url(), true}, {resuming.url(), false}, {restarting.url(), false}});
    else
        std::printf("only standard input is played: the tool cannot play URLs or python3 is missing\n");
    for (const Source& s : sources) {
        std::vector<uint8_t> got;
        const CliResult r = playCaptured(s.source, capture, got);
        EXPECT_EQ(r.status, 0) << s.source << ": " << r.err;
        EXPECT_TRUE(got == reference) << s.source << ": " << got.size() << " bytes against " << reference.size();
        const std::string titles = "title: First Song\ntitle: Caf\xc3\xa9 del Mar\ntitle: Don't Stop\n";
        EXPECT_EQ(r.out.find(titles) != std::string::npos, s.titled) << s.source << ":\n" << r.out;
    }
    std::filesystem::remove_all(mp3.parent_path());
}

// A connection that drops (every time) and a server that is gone each end the play after one
// more try, with exit status 1 and the reasons.
TEST(PlayStream, BrokenConnectionEndsWithExitStatusOneAndTheReason)
{
    const std::filesystem::path mp3 = lameStream("play-stream-drop", 3.0);
    if (mp3.empty())
        GTEST_SKIP() << "lame is needed to encode the stream";
    if (std::system("python3 --version >/dev/null 2>&1") != 0 || !toolPlaysUrls())
        GTEST_SKIP() << "python3 (for the test's HTTP server) and a tool built with libcurl are needed";
    StreamServer dropping(mp3.string() + " --drop 20000");
    StreamServer gone(mp3.string());
    ASSERT_TRUE(dropping.running() && gone.running());
    const std::string goneUrl = gone.url();
    gone.stop();
    const struct {
        std::string url;
        const char* reason;
    } cases[] = {{dropping.url(), "broke off"}, {goneUrl, "cannot reach"}};
    for (const auto& c : cases) {
        std::vector<uint8_t> got;
        const CliResult r = playCaptured(c.url, (mp3.parent_path() / "capture.wav").string(), got);
        EXPECT_EQ(r.status, 1) << c.url;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("again when reconnecting"), std::string::npos) << r.err;
    }
    std::filesystem::remove_all(mp3.parent_path());
}

// convert and info read standard input as they read the file: the same bytes out for every
// output form, the same facts.
TEST(PipedInput, ConvertAndInfoOfStandardInputEqualTheFiles)
{
    const std::filesystem::path mp3 = lameStream("piped-input", 3.0);
    if (mp3.empty())
        GTEST_SKIP() << "lame is needed to encode the stream";
    const std::filesystem::path folder = mp3.parent_path();
    const char* const forms[] = {"", "--bits 24", "--bits float --rate 48000 --mono", "--start 1.25 --length 0.8",
                                 "--no-gapless --channels 4"};
    for (const char* form : forms) {
        const std::string fromFile = (folder / "file.wav").string(), fromPipe = (folder / "pipe.wav").string();
        const CliResult a = runOrvane("convert " + mp3.string() + " " + fromFile + " " + form);
        const CliResult b = runOrvane("convert - " + fromPipe + " " + form + " < " + mp3.string());
        ASSERT_EQ(a.status, 0) << form << ": " << a.err;
        EXPECT_EQ(b.status, 0) << form << ": " << b.err;
        EXPECT_TRUE(testsig::readFile(fromFile) == testsig::readFile(fromPipe)) << form;
    }
    const CliResult file = runOrvane("info --json " + mp3.string());
    const CliResult piped = runOrvane("info --json - < " + mp3.string());
    ASSERT_EQ(file.status, 0) << file.err;
    EXPECT_EQ(piped.status, 0) << piped.err;
    const std::string name = "\"file\": \"" + mp3.string() + "\"";
    ASSERT_NE(file.out.find(name), std::string::npos);
    std::string expected = file.out;
    expected.replace(expected.find(name), name.size(), "\"file\": \"-\"");
    EXPECT_EQ(piped.out, expected);
    std::filesystem::remove_all(folder);
}

}  // namespace
