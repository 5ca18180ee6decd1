#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/signal.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kFrames = 5000;  // stereo

void put(std::vector<uint8_t>& b, uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}

// A WAV file of samples given as 24-bit values, stored at bits (32 with tag 3: float).
void writeWav(const std::string& path, const std::vector<int32_t>& s24, int bits, int tag, int channels = 2)
{
    std::vector<uint8_t> data;
    for (int32_t v : s24) {
        if (tag == 3) {
            const float f = float(v) / 8388608.0f;
            uint32_t u = 0;
            std::memcpy(&u, &f, 4);
            put(data, u, 4);
        } else if (bits == 8) {
            put(data, uint8_t((v >> 16) + 128), 1);
        } else {
            put(data, uint64_t(int64_t(v) * (int64_t(1) << (bits - 16)) >> 8), bits / 8);
        }
    }
    std::vector<uint8_t> file;
    for (const char* c : {"RIFF"})
        file.insert(file.end(), c, c + 4);
    put(file, 36 + data.size(), 4);
    for (const char* c : {"WAVEfmt "})
        file.insert(file.end(), c, c + 8);
    put(file, 16, 4);
    put(file, uint64_t(tag), 2);
    put(file, uint64_t(channels), 2);
    put(file, kRate, 4);
    put(file, kRate * uint64_t(channels * bits / 8), 4);
    put(file, uint64_t(channels * bits / 8), 2);
    put(file, uint64_t(bits), 2);
    file.insert(file.end(), {'d', 'a', 't', 'a'});
    put(file, data.size(), 4);
    file.insert(file.end(), data.begin(), data.end());
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
}

// The bytes of a WAV file's data chunk.
std::vector<uint8_t> dataBytes(const std::string& path)
{
    const std::vector<uint8_t> file = testsig::readFile(path);
    for (size_t at = 12; at + 8 <= file.size();) {
        const uint32_t size = file[at + 4] | file[at + 5] << 8 | file[at + 6] << 16 | uint32_t(file[at + 7]) << 24;
        if (std::memcmp(&file[at], "data", 4) == 0)
            return std::vector<uint8_t>(file.begin() + long(at + 8),
                                        file.begin() + long(std::min<size_t>(at + 8 + size, file.size())));
        at += 8 + size + (size & 1);
    }
    return {};
}

std::string orvane()
{
    return std::string(ORVANE_BINARY_DIR) + "/bin/orvane";
}

// Every WAV width reaches orvane fx at its value; 24-bit and float come back unchanged at their
// own width; MPEG input matches converting first; standard input and output pipe.
TEST(AudioFile, EveryInputWidthAndMpegAndPipes)
{
    std::mt19937 random(7);
    std::vector<int32_t> s24(2 * kFrames);
    for (int32_t& v : s24)
        v = int32_t(random() % (1u << 24)) - (1 << 23);
    const std::string in = testsig::tempPath("af-in.wav"), out = testsig::tempPath("af-out.wav");

    struct Case {
        int bits, tag;
        int tolerance;  // in 16-bit steps: wider inputs round to the nearest step
    } const cases[] = {{8, 1, 0}, {16, 1, 0}, {24, 1, 1}, {32, 1, 1}, {32, 3, 1}};
    for (const Case& c : cases) {
        writeWav(in, s24, c.bits, c.tag);
        ASSERT_EQ(runOrvane("fx " + in + " " + out).status, 0) << c.bits;
        const std::vector<int16_t> pcm = testsig::readWavPcm16(out);
        ASSERT_EQ(pcm.size(), s24.size()) << c.bits;
        for (size_t i = 0; i < pcm.size(); ++i) {
            const int32_t expected = c.bits == 8 ? (s24[i] >> 16) * 256 : c.bits == 16 ? s24[i] >> 8 : s24[i] / 256;
            ASSERT_NEAR(pcm[i], expected, c.tolerance) << c.bits << "-bit, sample " << i;
        }
    }

    writeWav(in, s24, 24, 1);
    ASSERT_EQ(runOrvane("fx " + in + " " + out + " --bits 24").status, 0);
    EXPECT_EQ(dataBytes(out), dataBytes(in)) << "24-bit round trip";
    // Through two pipes as well.
    ASSERT_EQ(std::system(
                  (orvane() + " fx - - --bits 24 < " + in + " | " + orvane() + " fx - " + out + " --bits 24").c_str()),
              0);
    EXPECT_EQ(dataBytes(out), dataBytes(in)) << "24-bit through pipes";

    writeWav(in, s24, 32, 3);
    ASSERT_EQ(runOrvane("fx " + in + " " + out + " --bits 32").status, 0);
    const std::vector<uint8_t> a = dataBytes(in), b = dataBytes(out);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); i += 4) {
        float x = 0, y = 0;
        std::memcpy(&x, &a[i], 4);
        std::memcpy(&y, &b[i], 4);
        ASSERT_NEAR(y, x, 1e-6f) << "float round trip, sample " << i / 4;
    }

    // MPEG audio straight into fx gives what converting it first gives.
    const std::string mp3 = std::string(ORVANE_SOURCE_DIR) + "/samples/orvane-demo.mp3";
    const std::string converted = testsig::tempPath("af-converted.wav"), viaWav = testsig::tempPath("af-via.wav");
    ASSERT_EQ(runOrvane("convert " + mp3 + " " + converted).status, 0);
    ASSERT_EQ(runOrvane("fx " + converted + " " + viaWav + " gain:-6").status, 0);
    ASSERT_EQ(runOrvane("fx " + mp3 + " " + out + " gain:-6").status, 0);
    EXPECT_TRUE(withinOneStep(testsig::readWavPcm16(out), testsig::readWavPcm16(viaWav)));

    // convert to standard output piped into fx.
    ASSERT_EQ(
        std::system(
            (orvane() + " convert " + mp3 + " - 2>/dev/null | " + orvane() + " fx - " + out + " tempo:0.8").c_str()),
        0);
    const double length = double(testsig::readWavPcm16(out).size()),
                 source = double(testsig::readWavPcm16(converted).size());
    EXPECT_NEAR(length / source, 1.25, 0.005);

    EXPECT_EQ(runOrvane("fx " + mp3 + " " + out + " --bits 20").status, 2);
    for (const std::string& p : {in, out, converted, viaWav})
        std::remove(p.c_str());
}

// slice, spectrum and crossfade read every format as fx does. The signal holds 8-bit steps, so
// every width carries it exactly and each command's output must equal its output for 16-bit
// input of the same channel count, byte for byte; so must standard input. MPEG input gives what
// converting it first gives. crossfade writes 24-bit and float, and to standard output.
TEST(AudioFile, SliceSpectrumAndCrossfadeReadEveryFormat)
{
    // Two decaying 1 kHz bursts in a second, alike on both channels.
    std::vector<int32_t> mono(kRate);
    for (double onset : {0.2, 0.6})
        for (uint32_t i = 0; i < kRate / 4; ++i)
            mono[size_t(onset * kRate) + i] = int32_t(std::lround(100 * std::exp(-double(i) / (0.05 * kRate))
                                                                  * std::sin(2 * M_PI * 1000 * i / kRate)))
                * 65536;
    std::vector<int32_t> stereo;
    for (int32_t v : mono)
        stereo.insert(stereo.end(), {v, v});
    const std::string in = testsig::tempPath("af3-in.wav"), out = testsig::tempPath("af3-out.wav");
    // The three commands' outputs for one input, the crossfade's as the bytes of its data.
    const auto outputs = [&](const std::string& input, const std::string& extra = "") {
        std::vector<std::string> r;
        for (const std::string& command : {"slice " + input, "spectrum " + input + " --csv"}) {
            const CliResult run = runOrvane(command + extra);
            EXPECT_EQ(run.status, 0) << command << extra << ": " << run.err;
            r.push_back(run.out);
        }
        EXPECT_EQ(runOrvane("crossfade " + input + " " + in + " " + out + " --duration 0.3" + extra).status, 0)
            << input;
        const std::vector<uint8_t> data = dataBytes(out);
        r.emplace_back(data.begin(), data.end());
        return r;
    };

    std::vector<std::string> reference[3];
    for (int channels : {1, 2}) {
        writeWav(in, channels == 1 ? mono : stereo, 16, 1, channels);
        reference[channels] = outputs(in);
        EXPECT_NE(reference[channels][0].find("\n    2 "), std::string::npos) << reference[channels][0];
    }
    struct Case {
        int bits, tag, channels;
    } const cases[] = {{8, 1, 2}, {24, 1, 2}, {32, 1, 2}, {32, 3, 2}, {8, 1, 1}, {24, 1, 1}, {32, 1, 1}, {32, 3, 1}};
    for (const Case& c : cases) {
        writeWav(in, c.channels == 1 ? mono : stereo, c.bits, c.tag, c.channels);
        const std::vector<std::string> got = outputs(in);
        for (size_t k = 0; k < got.size(); ++k)
            EXPECT_EQ(got[k], reference[c.channels][k])
                << c.bits << "-bit (tag " << c.tag << ") x " << c.channels << ", command " << k;
    }
    const std::vector<std::string> piped = outputs("-", " < " + in);
    for (size_t k = 0; k < piped.size(); ++k)
        EXPECT_EQ(piped[k], reference[1][k]) << "standard input, command " << k;

    // crossfade's other widths and standard output: the same samples.
    writeWav(in, stereo, 24, 1);
    const std::string fade = orvane() + " crossfade " + in + " " + in + " ";
    ASSERT_EQ(std::system((fade + "- --duration 0.3 --bits 32 > " + out).c_str()), 0);
    const std::vector<uint8_t> floats = dataBytes(out);
    ASSERT_EQ(runOrvane("crossfade " + in + " " + in + " " + out + " --duration 0.3 --bits 24").status, 0);
    const std::vector<uint8_t> wide = dataBytes(out), narrow(reference[2][2].begin(), reference[2][2].end());
    ASSERT_EQ(wide.size(), narrow.size() / 2 * 3);
    ASSERT_EQ(floats.size(), narrow.size() * 2);
    for (size_t i = 0; i < narrow.size() / 2; ++i) {
        const int16_t v16 = int16_t(narrow[2 * i] | narrow[2 * i + 1] << 8);
        const int32_t v24
            = int32_t(uint32_t(wide[3 * i]) << 8 | uint32_t(wide[3 * i + 1]) << 16 | uint32_t(wide[3 * i + 2]) << 24)
            >> 8;
        float f = 0;
        std::memcpy(&f, &floats[4 * i], 4);
        ASSERT_NEAR(v24 / 256.0, v16, 1.0) << "24-bit sample " << i;
        ASSERT_NEAR(f * 32768.0, v16, 1.0) << "float sample " << i;
    }

    // MPEG input against its conversion.
    const std::string mp3 = std::string(ORVANE_SOURCE_DIR) + "/samples/orvane-demo.mp3";
    const std::string converted = testsig::tempPath("af3-converted.wav");
    ASSERT_EQ(runOrvane("convert " + mp3 + " " + converted).status, 0);
    EXPECT_EQ(runOrvane("slice " + mp3).out, runOrvane("slice " + converted).out);
    std::istringstream fromMpeg(runOrvane("spectrum " + mp3 + " --csv").out),
        fromWav(runOrvane("spectrum " + converted + " --csv").out);
    std::string a, b;
    size_t rows = 0, compared = 0;
    for (; std::getline(fromMpeg, a) && std::getline(fromWav, b); ++rows) {
        double hz = 0, x = 0, hz2 = 0, x2 = 0;
        // The conversion's rounding to 16 bits shows only far down.
        if (std::sscanf(a.c_str(), "%lf,%lf", &hz, &x) == 2 && std::sscanf(b.c_str(), "%lf,%lf", &hz2, &x2) == 2
            && x2 > -80) {
            ASSERT_NEAR(x, x2, 0.05) << hz << " Hz";
            ++compared;
        }
    }
    EXPECT_EQ(rows, 2049u);
    EXPECT_GT(compared, 100u);
    const std::string viaWav = testsig::tempPath("af3-via.wav");
    ASSERT_EQ(runOrvane("crossfade " + converted + " " + converted + " " + viaWav + " --duration 1").status, 0);
    ASSERT_EQ(runOrvane("crossfade " + mp3 + " " + converted + " " + out + " --duration 1").status, 0);
    EXPECT_TRUE(withinOneStep(testsig::readWavPcm16(out), testsig::readWavPcm16(viaWav)));
    for (const std::string& p : {in, out, converted, viaWav})
        std::remove(p.c_str());
}

}  // namespace
