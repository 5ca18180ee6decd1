#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/signal.h"

namespace {

// Per command: arguments with one bad value (a usage error) and arguments that fail at run time.
// {W} is a short WAV file, {M} an MP3 file, {O} a writable output, {X} a missing file and
// {D} an output in a missing folder.
struct CommandCase {
    const char* name;
    const char* badValue;
    const char* runFailure;
};

const CommandCase kCases[] = {
    {"info", "{M} --offset -5", "{X}"},
    {"devices", "extra", nullptr},
    {"convert", "{M} {O} --volume 99999", "{M} {D}"},
    {"play", "{M} --pitch 5000", "{X}"},
    {"fx", "{W} {O} pitch:1,2", "{W} {D}"},
    {"eq", "--rate 0 1000:0", nullptr},
    {"crossfade", "{W} {W} {O} --start x --end 1", "{X} {W} {O} --start 0 --end 1"},
    {"slice", "{W} --on 5", "{X}"},
    {"spectrum", "{W} --size 1000", "{X}"},
    {"spectrogram", "{W} {O} --width 5", "{W} {D}"},
    {"waveform", "{W} {O} --width x", "{X} {O}"},
};

std::string expand(std::string args, const std::string& wav, const std::string& out)
{
    const std::pair<std::string, std::string> names[] = {
        {"{W}", wav},
        {"{M}", std::string(ORVANE_SOURCE_DIR) + "/samples/orvane-demo.mp3"},
        {"{O}", out},
        {"{X}", testsig::tempPath("no-such-file")},
        {"{D}", testsig::tempPath("no-such-folder/out.wav")},
    };
    for (const auto& [key, value] : names)
        for (size_t at = args.find(key); at != std::string::npos; at = args.find(key))
            args.replace(at, key.size(), value);
    return args;
}

// Messages must read as a person writes them.
void expectReadable(const std::string& message, const std::string& context)
{
    EXPECT_EQ(message.find("000000"), std::string::npos) << context << ": " << message;
    EXPECT_EQ(message.find(" 1 arguments"), std::string::npos) << context << ": " << message;
}

TEST(CommandLine, EveryCommandHelpsRefusesBadValuesAndReportsFailures)
{
    const std::string wav = testsig::tempPath("cli-in.wav");
    const std::string out = testsig::tempPath("cli-out.wav");
    ASSERT_TRUE(testsig::writeWavPcm16(wav, testsig::noisePcm16(4000, 3, 3000), 2, 44100));

    const CliResult overview = runOrvane("help");
    ASSERT_EQ(overview.status, 0);
    std::set<std::string> listed;
    std::istringstream lines(overview.out.substr(overview.out.find("commands:")));
    for (std::string line; std::getline(lines, line);) {
        std::string name;
        if (line.rfind("  ", 0) == 0 && std::istringstream(line) >> name)
            listed.insert(name);
    }
    std::set<std::string> tested;
    for (const CommandCase& c : kCases)
        tested.insert(c.name);
    EXPECT_EQ(listed, tested) << "every command needs a row here";

    for (const CommandCase& c : kCases) {
        const std::string name = c.name;
        const CliResult help = runOrvane(name + " --help");
        EXPECT_EQ(help.status, 0) << name;
        EXPECT_EQ(help.out.rfind("usage: orvane " + name + " ", 0), 0u) << name << ": " << help.out;
        EXPECT_EQ(runOrvane(name + " -h").out, help.out) << name;
        EXPECT_EQ(runOrvane("help " + name).out, help.out) << name;

        const std::string bad = name + " " + expand(c.badValue, wav, out);
        const CliResult refused = runOrvane(bad);
        EXPECT_EQ(refused.status, 2) << bad;
        EXPECT_EQ(refused.err.rfind("orvane " + name + ": ", 0), 0u) << bad << ": " << refused.err;
        EXPECT_NE(refused.err.find("usage: orvane " + name), std::string::npos) << bad;
        expectReadable(refused.err, bad);

        if (c.runFailure != nullptr) {
            const std::string failing = name + " " + expand(c.runFailure, wav, out);
            const CliResult failed = runOrvane(failing);
            EXPECT_EQ(failed.status, 1) << failing;
            EXPECT_EQ(failed.err.rfind("orvane " + name + ": ", 0), 0u) << failing << ": " << failed.err;
            EXPECT_EQ(failed.err.find("usage:"), std::string::npos) << failing;
            EXPECT_NE(failed.err.find(testsig::tempPath("no-such-")), std::string::npos)
                << failing << ": " << failed.err;
        }
    }

    // A device named by a name no device holds.
    const CliResult device = runOrvane("play " + expand("{M}", wav, out) + " --device no-such-device-name");
    EXPECT_EQ(device.status, 2);
    EXPECT_NE(device.err.find("no output device's name holds 'no-such-device-name'"), std::string::npos) << device.err;

    const CliResult version = runOrvane("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("orvane ", 0), 0u);
    EXPECT_EQ(runOrvane("no-such-command").status, 2);
    EXPECT_EQ(runOrvane("").status, 2);
    std::remove(wav.c_str());
    std::remove(out.c_str());
}

// Off a terminal nothing but results and errors is written; -q drops the notes, -v adds detail.
TEST(CommandLine, NotesFollowVerbosity)
{
    const std::string mp3 = std::string(ORVANE_SOURCE_DIR) + "/samples/orvane-demo.mp3";
    const std::string wav = testsig::tempPath("cli-notes.wav");
    const std::string out = testsig::tempPath("cli-notes-out.wav");

    const CliResult plain = runOrvane("convert " + mp3 + " " + wav);
    ASSERT_EQ(plain.status, 0);
    EXPECT_NE(plain.err.find("bytes"), std::string::npos) << plain.err;
    EXPECT_EQ(plain.err.find('%'), std::string::npos) << "progress off a terminal: " << plain.err;
    const CliResult quiet = runOrvane("-q convert " + mp3 + " " + wav);
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");

    EXPECT_EQ(runOrvane("fx " + wav + " " + out + " iir").err, "");
    const CliResult verbose = runOrvane("fx " + wav + " " + out + " -v resample:48000");
    EXPECT_EQ(verbose.status, 0);
    EXPECT_NE(verbose.err.find("48000 Hz"), std::string::npos) << verbose.err;
    std::remove(wav.c_str());
    std::remove(out.c_str());
}

}  // namespace
