#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "orvane/mp3.h"
#include "support/signal.h"

// Streams that cannot seek are read once, front to back, and give the samples of a file of the
// same bytes; every handle's stream facts are those of the path.
namespace {

using Bytes = std::vector<uint8_t>;

// A stream without seek that hands over at most `chunk` bytes a call, as a pipe does.
struct Pipe {
    const Bytes* bytes;
    int64_t chunk;
    size_t at = 0;
    static int64_t read(void* c, void* buffer, int64_t n)
    {
        auto* p = static_cast<Pipe*>(c);
        const size_t k = size_t(std::min<int64_t>({n, p->chunk, int64_t(p->bytes->size() - p->at)}));
        std::memcpy(buffer, p->bytes->data() + p->at, k);
        p->at += k;
        return int64_t(k);
    }
};

std::vector<float> readAll(OrvaneDecoder* d)
{
    OrvaneDecodeFormat f{};
    EXPECT_EQ(OrvaneDecodeGetFormat(d, &f), 1);
    std::vector<float> out, buf(size_t(1001) * f.channels);
    for (int64_t n; (n = OrvaneDecodeReadFloat(d, buf.data(), 1001)) > 0;)
        out.insert(out.end(), buf.begin(), buf.begin() + n * f.channels);
    return out;
}

std::string writeTemp(const std::string& name, const Bytes& bytes)
{
    const std::string path = testsig::tempPath(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

// lame's encoding of a tone (seconds long, differing per seed); empty when lame is missing.
Bytes lame(double seconds, int seed, const std::string& options)
{
    const std::vector<int16_t> pcm = testsig::sinePcm16(300.0 + 90 * seed, 44100, uint32_t(44100 * seconds), 2, 0.4);
    const std::string wav = testsig::tempPath("forward-src.wav"), mp3 = testsig::tempPath("forward-src.mp3");
    testsig::writeWavPcm16(wav, pcm, 2, 44100);
    if (std::system(("lame --quiet " + options + " " + wav + " " + mp3 + " 2>/dev/null").c_str()) != 0)
        return {};
    Bytes b = testsig::readFile(mp3);
    std::remove(wav.c_str());
    std::remove(mp3.c_str());
    return b;
}

void put32(Bytes& b, uint32_t v, bool big)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(v >> (big ? 24 - 8 * i : 8 * i)));
}

// An ID3v2.3 tag with a title.
Bytes id3v2(const std::string& title)
{
    Bytes frame = {'T', 'I', 'T', '2'};
    put32(frame, uint32_t(title.size() + 1), true);
    frame.insert(frame.end(), {0, 0, 0});
    frame.insert(frame.end(), title.begin(), title.end());
    Bytes tag = {'I', 'D', '3', 3, 0, 0};
    const uint32_t n = uint32_t(frame.size());
    tag.insert(tag.end(), {uint8_t(n >> 21 & 127), uint8_t(n >> 14 & 127), uint8_t(n >> 7 & 127), uint8_t(n & 127)});
    tag.insert(tag.end(), frame.begin(), frame.end());
    return tag;
}

// An APEv2 tag (with a header when asked) holding an artist and `binary` bytes of cover art
// full of sync words.
Bytes apev2(const std::string& artist, size_t binary, bool header)
{
    Bytes items;
    put32(items, uint32_t(artist.size()), false);
    put32(items, 0, false);
    for (char c : std::string("Artist"))
        items.push_back(uint8_t(c));
    items.push_back(0);
    items.insert(items.end(), artist.begin(), artist.end());
    if (binary > 0) {
        put32(items, uint32_t(binary), false);
        put32(items, 2, false);  // binary
        for (char c : std::string("Cover Art (Front)"))
            items.push_back(uint8_t(c));
        items.push_back(0);
        for (size_t i = 0; i < binary; ++i)
            items.push_back(i % 3 == 0 ? 0xFF : uint8_t(0xFB - i % 7));
    }
    const uint32_t count = binary > 0 ? 2 : 1;
    auto block = [&](bool isHeader) {
        Bytes b = {'A', 'P', 'E', 'T', 'A', 'G', 'E', 'X'};
        put32(b, 2000, false);
        put32(b, uint32_t(items.size() + 32), false);
        put32(b, count, false);
        put32(b, (header ? 0x80000000u : 0) | (isHeader ? 0x20000000u : 0), false);
        b.resize(b.size() + 8, 0);
        return b;
    };
    Bytes tag = header ? block(true) : Bytes{};
    tag.insert(tag.end(), items.begin(), items.end());
    const Bytes footer = block(false);
    tag.insert(tag.end(), footer.begin(), footer.end());
    return tag;
}

Bytes id3v1(const std::string& album)
{
    Bytes tag(128, 0);
    std::memcpy(tag.data(), "TAG", 3);
    std::memcpy(tag.data() + 63, album.data(), std::min<size_t>(album.size(), 30));
    tag[127] = 255;
    return tag;
}

Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct Case {
    std::string name;
    Bytes bytes;
};

// The conformance streams named, then lame's encodings (gapless, joined, edited) when lame is
// installed, and either wrapped in tags; empty when neither is at hand.
std::vector<Case> streams()
{
    std::vector<Case> cases;
    const std::string dir = testsig::conformanceDir() + "/";
    for (const char* n : {"l2-fl12", "M2L3_noise", "l1-fl2", "l3-si_block"}) {
        Bytes b = testsig::readFile(dir + n + ".bit");
        if (!b.empty())
            cases.push_back({n, b});
    }
    Bytes a = lame(1.2, 1, "-b 128"), b = lame(0.7, 2, "-V 2");
    if (!a.empty() && !b.empty()) {
        Bytes stale = a;
        stale[36 + 8 + 3] ^= 1;  // the Info tag's frame count, one off
        cases.push_back({"lame", a});
        cases.push_back({"lame VBR", b});
        cases.push_back({"joined", cat({a, b})});
        cases.push_back({"stale count", stale});
        cases.push_back({"truncated", Bytes(a.begin(), a.begin() + long(a.size() * 6 / 10))});
        // Stereo at 44.1 kHz, then mono at 48 kHz: converted to the first format as it comes.
        const Bytes m = lame(0.6, 3, "-b 96 -m m --resample 48");
        if (!m.empty())
            cases.push_back({"format change", cat({a, m})});
    } else if (!cases.empty()) {
        a = b = cases.back().bytes;
    } else {
        return cases;
    }
    cases.push_back({"tagged", cat({id3v2("Title"), a, apev2("Artist", 0, true), id3v1("Album")})});
    cases.push_back({"cover art", cat({id3v2("T"), b, apev2("Artist", 40000, true), id3v1("Album")})});
    cases.push_back({"footer-only APE", cat({a, apev2("Artist", 0, false)})});
    cases.push_back({"tags joined", cat({a, id3v1("Mid"), b, id3v1("End")})});
    return cases;
}

// Fed through a read callback without a seek, 1, 7 or 4096 bytes a call, each stream decodes to
// the file's samples; the total and the format changes, once the end is read, are the file's;
// seeks fail but to the current frame; the tags read at the end are the file's.
TEST(ForwardDecode, StreamsWithoutSeekDecodeAsTheirFiles)
{
    const std::vector<Case> cases = streams();
    if (cases.empty())
        GTEST_SKIP() << "the conformance streams and lame are missing";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = writeTemp("forward.mp3", c.bytes);
        OrvaneDecoder* file = OrvaneDecodeOpenFile(path.c_str());
        ASSERT_NE(file, nullptr);
        // A seek first: the file decodes from its map, the pipe as the stream comes.
        ASSERT_EQ(OrvaneDecodeSeek(file, 0), 1);
        const std::vector<float> expected = readAll(file);
        OrvaneDecodeFormat fileFormat{};
        OrvaneDecodeGetFormat(file, &fileFormat);
        EXPECT_EQ(fileFormat.formatChanges, c.name == "format change" ? 1u : 0u);
        for (const int64_t chunk : {1, 7, 4096}) {
            SCOPED_TRACE(chunk);
            Pipe pipe{&c.bytes, chunk};
            OrvaneDecoder* d = OrvaneDecodeOpenCallbacks(&Pipe::read, nullptr, &pipe);
            ASSERT_NE(d, nullptr);
            float one[2];
            EXPECT_EQ(OrvaneDecodeSeek(d, 0), 1);
            EXPECT_EQ(OrvaneDecodeReadFloat(d, one, 1), 1);
            EXPECT_EQ(OrvaneDecodeSeek(d, 0), 0);
            EXPECT_EQ(OrvaneDecodeSeek(d, 1), 1);
            EXPECT_EQ(OrvaneDecodeSetGapless(d, 1), 0);
            std::vector<float> got(one, one + fileFormat.channels);
            const std::vector<float> rest = readAll(d);
            got.insert(got.end(), rest.begin(), rest.end());
            EXPECT_TRUE(got == expected) << got.size() << " samples, the file gives " << expected.size();
            OrvaneDecodeFormat f{};
            OrvaneDecodeGetFormat(d, &f);
            EXPECT_EQ(f.totalFrames, fileFormat.totalFrames);
            EXPECT_EQ(f.formatChanges, fileFormat.formatChanges);
            EXPECT_EQ(OrvaneDecodeTell(d), fileFormat.totalFrames);
            for (int32_t field = 0; field < ORVANE_TAG_FIELDS; ++field) {
                char a[64] = {}, b[64] = {};
                OrvaneDecodeGetTagText(d, field, a, sizeof a);
                OrvaneDecodeGetTagText(file, field, b, sizeof b);
                EXPECT_STREQ(a, b) << "field " << field;
            }
            OrvaneStreamInfo info{};
            EXPECT_EQ(OrvaneDecodeGetStreamInfo(d, &info), 0);
            OrvaneDecodeClose(d);
        }
        OrvaneDecodeClose(file);
    }
}

// Gapless off before the first read of a stream without seek gives the file's every sample.
TEST(ForwardDecode, GaplessOffBeforeTheFirstReadGivesEverySample)
{
    const Bytes a = lame(0.5, 3, "-b 96");
    if (a.empty())
        GTEST_SKIP() << "lame is missing";
    OrvaneDecoder* file = OrvaneDecodeOpenMemory(a.data(), a.size());
    ASSERT_EQ(OrvaneDecodeSetGapless(file, 0), 1);
    Pipe pipe{&a, 4096};
    OrvaneDecoder* d = OrvaneDecodeOpenCallbacks(&Pipe::read, nullptr, &pipe);
    ASSERT_EQ(OrvaneDecodeSetGapless(d, 0), 1);
    EXPECT_EQ(readAll(d), readAll(file));
    OrvaneDecodeClose(d);
    OrvaneDecodeClose(file);
}

// Seekable callbacks over bytes, handing out at most 777 at a time and counting what they hand out.
struct File {
    const Bytes* bytes;
    int64_t at = 0;
    int64_t handedOut = 0;
    static int64_t read(void* c, void* buffer, int64_t n)
    {
        auto* f = static_cast<File*>(c);
        const int64_t k = std::min<int64_t>({n, int64_t(f->bytes->size()) - f->at, 777});
        std::memcpy(buffer, f->bytes->data() + f->at, size_t(k));
        f->at += k;
        f->handedOut += k;
        return k;
    }
    static int64_t seek(void* c, int64_t offset, int32_t whence)
    {
        auto* f = static_cast<File*>(c);
        const int64_t to = (whence == 0 ? 0 : whence == 1 ? f->at : int64_t(f->bytes->size())) + offset;
        return to < 0 ? -1 : (f->at = to);
    }
};

bool sameInfo(const OrvaneStreamInfo& a, const OrvaneStreamInfo& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A handle's stream facts (from a path, memory or seekable callbacks) are the path's, whether
// asked before, during or after reading; the handle still reads the same samples.
TEST(ForwardDecode, HandleStreamInfoIsThePathStreamInfo)
{
    const std::vector<Case> cases = streams();
    if (cases.empty())
        GTEST_SKIP() << "the conformance streams and lame are missing";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = writeTemp("forward-info.mp3", c.bytes);
        OrvaneStreamInfo expected{};
        ASSERT_EQ(OrvaneGetStreamInfo(path.c_str(), 0, &expected), 1);
        OrvaneDecoder* byPath = OrvaneDecodeOpenFile(path.c_str());
        const std::vector<float> samples = readAll(byPath);
        File file{&c.bytes};
        OrvaneDecoder* handles[3] = {byPath, OrvaneDecodeOpenMemory(c.bytes.data(), c.bytes.size()),
                                     OrvaneDecodeOpenCallbacks(&File::read, &File::seek, &file)};
        for (OrvaneDecoder* d : handles) {
            ASSERT_NE(d, nullptr);
            // Part read before the facts are asked for: the reads go on where they were.
            std::vector<float> got(4000);
            const int64_t n = d == byPath ? 0 : OrvaneDecodeReadFloat(d, got.data(), 1000);
            OrvaneStreamInfo info{};
            EXPECT_EQ(OrvaneDecodeGetStreamInfo(d, &info), 1);
            EXPECT_TRUE(sameInfo(info, expected));
            if (d != byPath) {
                OrvaneDecodeFormat f{};
                OrvaneDecodeGetFormat(d, &f);
                got.resize(size_t(n) * f.channels);
                const std::vector<float> rest = readAll(d);
                got.insert(got.end(), rest.begin(), rest.end());
                EXPECT_TRUE(got == samples);
            }
            OrvaneDecodeClose(d);
        }
    }
}

// An encoder tag that vouches for its stream (checksum intact, byte count reaching the audio's end)
// gives the exact total without the stream being read through; a stream edited, joined or cut
// after encoding is read through. Either way the total is what the reads deliver.
TEST(ForwardDecode, OnlyAVouchingTagSparesReadingTheStreamThrough)
{
    const Bytes a = lame(8, 1, "-b 128"), b = lame(8, 2, "-V 2");
    if (a.empty() || b.empty())
        GTEST_SKIP() << "lame is missing";
    Bytes stale = a;
    stale[36 + 8 + 3] ^= 1;  // the Info tag's frame count, one off
    const struct {
        const char* name;
        Bytes bytes;
        bool vouched;
    } cases[] = {{"lame", a, true},
                 {"lame VBR in tags", cat({id3v2("T"), b, apev2("Artist", 100, true), id3v1("Album")}), true},
                 {"stale count", stale, false},
                 {"joined", cat({a, b}), false},
                 {"truncated", Bytes(a.begin(), a.begin() + long(a.size() * 7 / 10)), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        File file{&c.bytes};
        OrvaneDecoder* d = OrvaneDecodeOpenCallbacks(&File::read, &File::seek, &file);
        ASSERT_NE(d, nullptr);
        const int64_t atOpen = file.handedOut;
        OrvaneDecodeFormat f{};
        ASSERT_EQ(OrvaneDecodeGetFormat(d, &f), 1);
        const int64_t byFormat = file.handedOut - atOpen;
        EXPECT_EQ(byFormat == 0, c.vouched) << byFormat << " bytes read for the format";
        EXPECT_EQ(readAll(d).size(), f.totalFrames * f.channels);
        OrvaneDecodeClose(d);
    }
}

}  // namespace
