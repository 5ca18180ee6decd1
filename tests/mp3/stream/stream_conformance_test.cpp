#include <gtest/gtest.h>

#include <dirent.h>

#include <memory>
#include <string>

#include "mp3/stream/frame_header.h"
#include "mp3/stream/stream_reader.h"
#include "orvane/mp3.h"
#include "support/signal.h"

namespace {

struct Stream {
    const char* name;
    int version, layer, rate, mode;
    long referenceBytes;
};

// Facts of the conformance streams and the byte lengths of their reference PCM.
const Stream kStreams[] = {
    {"M2L3_bitrate_16_all", 0, 3, 16000, 3, 548352},
    {"M2L3_bitrate_22_all", 0, 3, 22050, 3, 548352},
    {"M2L3_bitrate_24_all", 0, 3, 24000, 3, 548352},
    {"M2L3_compl24", 0, 3, 24000, 3, 244224},
    {"M2L3_noise", 0, 3, 22050, 1, 889344},
    {"l1-fl1", 1, 1, 32000, 0, 131072},
    {"l1-fl2", 1, 1, 44100, 1, 131072},
    {"l1-fl3", 1, 1, 48000, 1, 131072},
    {"l1-fl4", 1, 1, 32000, 3, 65536},
    {"l1-fl5", 1, 1, 48000, 2, 131072},
    {"l1-fl6", 1, 1, 44100, 0, 131072},
    {"l1-fl7", 1, 1, 44100, 0, 131072},
    {"l1-fl8", 1, 1, 44100, 0, 131072},
    {"l2-fl10", 1, 2, 32000, 0, 262144},
    {"l2-fl11", 1, 2, 44100, 0, 262144},
    {"l2-fl12", 1, 2, 48000, 0, 262144},
    {"l2-fl13", 1, 2, 32000, 3, 131072},
    {"l2-fl14", 1, 2, 48000, 2, 131072},
    {"l2-fl15", 1, 2, 48000, 0, 131072},
    {"l2-fl16", 1, 2, 48000, 0, 327680},
    {"l2-test32", 0, 2, 24000, 0, 290304},
    {"l3-compl", 1, 3, 48000, 3, 497664},
    {"l3-he_32khz", 1, 3, 32000, 3, 343296},
    {"l3-he_44khz", 1, 3, 44100, 3, 942336},
    {"l3-he_48khz", 1, 3, 48000, 3, 343296},
    {"l3-he_mode", 1, 3, 44100, 3, 525312},
    {"l3-hecommon", 1, 3, 44100, 0, 133632},
    {"l3-si", 1, 3, 44100, 3, 269568},
    {"l3-si_block", 1, 3, 44100, 3, 145152},
    {"l3-si_huff", 1, 3, 44100, 3, 170496},
};

std::string streamPath(const char* name)
{
    return testsig::conformanceDir() + "/" + name + ".bit";
}

long nextPowerOfTwo(long n)
{
    long p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

TEST(StreamConformance, FrameCountRateLayerModeAndDurationAgreeWithEveryStream)
{
    SKIP_WITHOUT_CONFORMANCE();
    for (const Stream& s : kStreams) {
        SCOPED_TRACE(s.name);
        const std::string path = streamPath(s.name);
        auto reader = std::make_unique<StreamReader>(path.c_str(), 0);
        FrameHeader header;
        ASSERT_TRUE(header.readFrame(*reader, nullptr));
        EXPECT_EQ(header.version(), s.version);
        EXPECT_EQ(header.layer(), s.layer);
        EXPECT_EQ(header.sampleRate(), s.rate);
        EXPECT_EQ(header.mode(), s.mode);
        const int32_t firstBitrate = header.bitrate();
        const float estimateMs = header.totalMs(*reader);
        const int channels = header.channels();
        const long frameBytes = long(header.samplesPerFrame()) * channels * 2;
        const float msPerFrame = header.msPerFrame();
        bool constantBitrate = true;
        long frames = 1;
        while (header.readFrame(*reader, nullptr)) {
            ++frames;
            constantBitrate = constantBitrate && header.bitrate() == firstBitrate;
        }
        const long decoded = frames * frameBytes;
        const double durationMs = frames * double(msPerFrame);
        EXPECT_NEAR(durationMs, 1000.0 * decoded / (2.0 * channels * s.rate), 0.01);
        if (std::string(s.name) == "l3-he_mode")
            continue;  // its reference holds each frame in the frame's own channel count
        if (s.layer == 3) {
            // Layer III references stop at most one frame before the end.
            EXPECT_GE(decoded, s.referenceBytes);
            EXPECT_LE(decoded - s.referenceBytes, frameBytes);
        } else {
            // Layer I and II references are zero-padded to a power of two or a multiple of 64 KiB.
            const long padded = (decoded + 65535) / 65536 * 65536;
            EXPECT_TRUE(s.referenceBytes == decoded || s.referenceBytes == padded
                        || s.referenceBytes == nextPowerOfTwo(decoded))
                << frames << " frames, " << decoded << " bytes";
        }
        if (constantBitrate) {
            EXPECT_NEAR(estimateMs, durationMs, msPerFrame);
        }
    }
}

int allocationBits(int subbands, int sb)
{
    if (subbands <= 12)
        return sb < 2 ? 4 : 3;
    return sb < 11 ? 4 : sb < 23 ? 3 : 2;
}

// Feeds the fields the check word protects in Layer I and II frames: the allocations, and in
// Layer II the scale factor selection of every allocated subband.
void feedProtectedFields(StreamReader& reader, const FrameHeader& h, Crc16& crc)
{
    const int channels = h.channels();
    const int subbands = h.subbands();
    const int bound = h.mode() == FrameHeader::kJointStereo ? h.intensityBound() : subbands;
    int alloc[2][32] = {};
    for (int sb = 0; sb < subbands; ++sb) {
        const int bits = h.layer() == 1 ? 4 : allocationBits(subbands, sb);
        for (int ch = 0; ch < (sb < bound ? channels : 1); ++ch) {
            alloc[ch][sb] = int(reader.getBits(uint32_t(bits)));
            crc.addBits(uint32_t(alloc[ch][sb]), uint32_t(bits));
        }
        if (sb >= bound)
            alloc[1][sb] = alloc[0][sb];
    }
    if (h.layer() == 2) {
        for (int sb = 0; sb < subbands; ++sb)
            for (int ch = 0; ch < channels; ++ch)
                if (alloc[ch][sb] != 0)
                    crc.addBits(reader.getBits(2), 2);
    }
}

TEST(StreamConformance, CrcAccumulatorReproducesTheCheckWordsOfProtectedStreams)
{
    SKIP_WITHOUT_CONFORMANCE();
    for (const char* name : {"l1-fl1", "l1-fl2", "l1-fl3", "l1-fl5", "l1-fl6", "l1-fl7", "l2-fl10", "l2-fl11",
                             "l2-fl12", "l2-fl14", "l2-fl15", "l2-fl16"}) {
        SCOPED_TRACE(name);
        const std::string path = streamPath(name);
        auto reader = std::make_unique<StreamReader>(path.c_str(), 0);
        FrameHeader header;
        Crc16* crc = nullptr;
        int frames = 0;
        int matched = 0;
        while (header.readFrame(*reader, &crc)) {
            ++frames;
            ASSERT_NE(crc, nullptr);
            feedProtectedFields(*reader, header, *crc);
            matched += crc->value() == header.frameCrc();
            crc->reset();
        }
        EXPECT_GT(frames, 0);
        EXPECT_EQ(matched, frames);
    }
}

std::vector<std::string> robustnessFiles()
{
    std::vector<std::string> files;
    const std::string dir = testsig::conformanceDir() + "/robustness";
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] != '.')
                files.push_back(dir + "/" + e->d_name);
        }
        closedir(d);
    }
    return files;
}

TEST(StreamRobustness, EveryMalformedFileIsReadToItsEndOrRejected)
{
    SKIP_WITHOUT_CONFORMANCE();
    const auto files = robustnessFiles();
    ASSERT_FALSE(files.empty());
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        auto reader = std::make_unique<StreamReader>(path.c_str(), 0);
        FrameHeader header;
        Crc16* crc = nullptr;
        long frames = 0;
        const long limit = reader->fileSize() + 1;  // no more frames than bytes
        while (frames <= limit && header.readFrame(*reader, &crc)) {
            ++frames;
            // A decoder reading every bit of the body and then some must stay in bounds.
            uint32_t sink = 0;
            for (uint32_t bits = 0; bits < uint32_t(header.bodySize()) * 8 + 256; bits += 13)
                sink ^= reader->getBits(13);
            if (crc != nullptr)
                crc->addBits(sink, 16);
        }
        EXPECT_LE(frames, limit);
        if (frames > 0) {
            header.seekFrame(*reader, 0);
            header.seekFrame(*reader, int32_t(frames / 2));
            header.seekFrame(*reader, int32_t(frames) + 10);
            header.seekPercent(*reader, 50.0f);
            header.seekPercent(*reader, 100.0f);
        }
        OrvaneGetTotalMs(path.c_str(), 0);
        OrvaneGetFirstBitrate(path.c_str(), 3);
    }
}

TEST(StreamRobustness, UnusableStreamsAreRejected)
{
    SKIP_WITHOUT_CONFORMANCE();
    const std::string dir = testsig::conformanceDir() + "/robustness/";
    for (const char* name : {"l3-nonstandard-small.bit"}) {
        auto reader = std::make_unique<StreamReader>((dir + name).c_str(), 0);
        FrameHeader header;
        EXPECT_FALSE(header.readFrame(*reader, nullptr)) << name;
        EXPECT_EQ(OrvaneGetTotalMs((dir + name).c_str(), 0), 0) << name;
    }
    // Free format: the frame length comes from the next frame's sync.
    for (const char* name : {"l2-nonstandard-free_format.bit", "l3-he_free.bit"}) {
        auto reader = std::make_unique<StreamReader>((dir + name).c_str(), 0);
        FrameHeader header;
        ASSERT_TRUE(header.readFrame(*reader, nullptr)) << name;
        EXPECT_EQ(header.bitrateIndex(), 0) << name;
        int frames = 1;
        while (header.readFrame(*reader, nullptr))
            ++frames;
        EXPECT_EQ(OrvaneGetTotalMs((dir + name).c_str(), 0), int32_t(frames * header.msPerFrame())) << name;
    }
    // Tags with no frames, or cut off by the end of the file, are not used.
    for (const char* name : {"l3-nonstandard-vbrtag-empty.bit", "l3-nonstandard-vbrtag-oob-read.bit"}) {
        StreamReader reader((dir + name).c_str(), 0);
        EXPECT_FALSE(reader.vbrTagPresent()) << name;
    }
}

}  // namespace
