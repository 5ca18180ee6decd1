#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/signal.h"

namespace {

// A folder of its own; optionally a 64 KiB tmpfs, so a write fills the disk part-way.
struct Folder {
    std::string path;
    bool mounted = false;
    explicit Folder(bool small)
    {
        char pattern[] = "/tmp/orvane-out-XXXXXX";
        path = mkdtemp(pattern) != nullptr ? pattern : "";
        mounted = small && !path.empty() && mount("tmpfs", path.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~Folder()
    {
        if (mounted)
            umount(path.c_str());
        std::system(("rm -rf '" + path + "'").c_str());
    }
};

bool exists(const std::string& path)
{
    struct stat st { };
    return stat(path.c_str(), &st) == 0;
}

// Every command that writes a file, sent where writing fails in each way the system has: it exits
// 1 naming the system's reason, leaves no output that looks complete and never harms its input.
TEST(OutputFailure, EveryWritingCommandFailsCleanlyOnEveryFailingDestination)
{
    Folder inputs(false);
    ASSERT_FALSE(inputs.path.empty());
    const std::string wav = inputs.path + "/in.wav";
    const std::string mp3 = inputs.path + "/in.mp3";
    // Well over both the 64 KiB disk and the writer's 128 KiB buffer.
    ASSERT_TRUE(testsig::writeWavPcm16(wav, testsig::noisePcm16(2 * 100000, 5), 2, 44100));
    ASSERT_EQ(
        std::system(("cp '" + std::string(ORVANE_SOURCE_DIR) + "/samples/orvane-demo.mp3' '" + mp3 + "'").c_str()), 0);
    // Another name of the same file: the output is the input by device and inode, not by spelling.
    ASSERT_EQ(link(wav.c_str(), (inputs.path + "/alias.wav").c_str()), 0);
    ASSERT_EQ(link(mp3.c_str(), (inputs.path + "/alias.mp3").c_str()), 0);

    struct Command {
        const char* name;
        std::string input;
        std::string (*line)(const std::string& in, const std::string& out);
    };
    const std::vector<Command> commands = {
        {"convert", mp3, [](const std::string& in, const std::string& out) { return "convert " + in + " " + out; }},
        {"fx", wav,
         [](const std::string& in, const std::string& out) { return "fx " + in + " " + out + " iir:2,1000,lp"; }},
        {"crossfade", wav,
         [](const std::string& in, const std::string& out) {
             return "crossfade " + in + " " + in + " " + out + " --start 0 --end 1";
         }},
    };
    for (const Command& c : commands) {
        const std::vector<uint8_t> original = testsig::readFile(c.input);
        const std::string alias = inputs.path + "/alias" + c.input.substr(c.input.size() - 4);
        Folder full(true);
        if (!full.mounted)
            std::fprintf(stderr, "note: no tmpfs could be mounted; the full-disk case is skipped\n");
        struct Case {
            const char* what;
            std::string out;
            const char* reason;  // in the message; null when the command refuses before writing
            bool run;
        } cases[] = {
            {"device full", "/dev/full", "No space left on device", true},
            {"missing folder", inputs.path + "/missing/out.wav", "No such file or directory", true},
            {"disk fills", full.path + "/out.wav", "No space left on device", full.mounted},
            {"output is the input", alias, nullptr, true},
        };
        for (const Case& k : cases) {
            if (!k.run)
                continue;
            SCOPED_TRACE(std::string(c.name) + ": " + k.what);
            const CliResult r = runOrvane(c.line(c.input, k.out));
            EXPECT_EQ(r.status, 1) << r.err;
            if (k.reason != nullptr) {
                EXPECT_NE(r.err.find(k.reason), std::string::npos) << r.err;
            }
            if (k.out != "/dev/full" && k.out != alias) {
                EXPECT_FALSE(exists(k.out));
            }
            EXPECT_EQ(testsig::readFile(c.input), original);
        }
    }
    EXPECT_TRUE(exists("/dev/full"));
}

// A chunk after the audio (a LIST of tags) is not audio: the commands stop at the data size.
TEST(OutputFailure, TrailingChunksAreNotTakenForAudio)
{
    Folder dir(false);
    const std::string in = dir.path + "/tagged.wav";
    const std::vector<int16_t> pcm = testsig::noisePcm16(2 * 5001, 9);
    ASSERT_TRUE(testsig::writeWavPcm16(in, pcm, 2, 44100));
    // A LIST chunk of an odd-frame size after the data chunk; the RIFF size grows to take it.
    std::vector<uint8_t> bytes = testsig::readFile(in);
    const uint8_t list[] = {'L', 'I', 'S', 'T', 10, 0, 0, 0, 'I', 'N', 'F', 'O', 'I', 'C', 'M', 'T', 0x7F, 0x7F};
    bytes.insert(bytes.end(), list, list + sizeof list);
    const uint32_t riff = uint32_t(bytes.size() - 8);
    for (int i = 0; i < 4; ++i)
        bytes[4 + i] = uint8_t(riff >> (8 * i));
    FILE* f = std::fopen(in.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);

    const std::string copy = dir.path + "/copy.wav";
    ASSERT_EQ(runOrvane("fx " + in + " " + copy).status, 0);
    EXPECT_EQ(testsig::readWavPcm16(copy), pcm);
    const std::string faded = dir.path + "/faded.wav";
    ASSERT_EQ(runOrvane("crossfade " + in + " " + in + " " + faded + " --start 0 --end 0.01").status, 0);
    EXPECT_EQ(testsig::readWavPcm16(faded).size(), pcm.size());
}

}  // namespace
