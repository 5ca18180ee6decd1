#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "frame_builder.h"
#include "mp3/stream/frame_header.h"
#include "mp3/stream/stream_reader.h"
#include "orvane/mp3.h"
#include "support/signal.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes be32(uint32_t v)
{
    return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

Bytes syncSafe(uint32_t v)
{
    return {uint8_t(v >> 21 & 0x7F), uint8_t(v >> 14 & 0x7F), uint8_t(v >> 7 & 0x7F), uint8_t(v & 0x7F)};
}

Bytes le32(uint32_t v)
{
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

Bytes id3Header(uint8_t version, uint8_t flags, uint32_t bodyBytes)
{
    return join({bytesOf("ID3"), {version, 0, flags}, syncSafe(bodyBytes)});
}

// A 2.3 frame (plain 32-bit size) or a 2.4 frame (sync-safe size).
Bytes frame34(uint8_t version, const std::string& id, const Bytes& data)
{
    return join(
        {bytesOf(id), version == 4 ? syncSafe(uint32_t(data.size())) : be32(uint32_t(data.size())), {0, 0}, data});
}

// Cover art whose bytes are full of frame syncs, as pictures often are.
Bytes syncHeavyPicture()
{
    Bytes art = join({{0}, bytesOf("image/jpeg"), {0, 3, 0}});
    for (int i = 0; i < 400; ++i)
        art.insert(art.end(), {0xFF, 0xFB, 0x90, 0x64, 0x11, 0x22, 0x33, 0x44});
    return art;
}

Bytes unsynchronised(const Bytes& b)
{
    Bytes out;
    for (size_t i = 0; i < b.size(); ++i) {
        out.push_back(b[i]);
        if (b[i] == 0xFF && (i + 1 == b.size() || b[i + 1] == 0 || b[i + 1] >= 0xE0))
            out.push_back(0);
    }
    return out;
}

Bytes id3v1(const std::string& title)
{
    Bytes t(128, 0);
    std::copy(title.begin(), title.end(), t.begin() + 3);
    t[0] = 'T';
    t[1] = 'A';
    t[2] = 'G';
    t[126] = 5;
    t[127] = 17;
    return t;
}

Bytes apeTag(const std::string& key, const Bytes& value, uint32_t claimedValueBytes, uint32_t claimedTagBytes)
{
    const Bytes items = join({le32(claimedValueBytes), le32(0), bytesOf(key), {0}, value});
    const uint32_t size = claimedTagBytes != 0 ? claimedTagBytes : uint32_t(items.size() + 32);
    return join({items, bytesOf("APETAGEX"), le32(2000), le32(size), le32(1), le32(0), Bytes(8, 0)});
}

struct Case {
    const char* name;
    Bytes before;
    int frames;  // audio frames between the tags
    Bytes after;
    const char* title;  // expected title, null when the tag cannot be skipped
};

std::vector<Case> cases()
{
    const Bytes title23 = frame34(3, "TIT2", join({{0}, bytesOf("Plain")}));
    const Bytes art23 = frame34(3, "APIC", syncHeavyPicture());
    const Bytes body23 = join({title23, art23, Bytes(64, 0)});
    const Bytes unsync23 = unsynchronised(join({art23, title23}));
    // 2.4: extended header, a zero-length frame, UTF-16 with a byte-order mark, a footer.
    const Bytes body24 = join({syncSafe(6),
                               {1, 0},
                               frame34(4, "TXXX", {}),
                               frame34(4, "TIT2", {1, 0xFF, 0xFE, 'W', 0, 0xE9, 0, 0, 0}),
                               art23});
    const Bytes v24 = join({id3Header(4, 0x50, uint32_t(body24.size())),
                            body24,
                            bytesOf("3DI"),
                            {4, 0, 0x50},
                            syncSafe(uint32_t(body24.size()))});
    const Bytes v22 = join({bytesOf("TT2"), {0, 0, 5}, {0, 'C', 'a', 'f', 0xE9}});
    return {
        {"2.3 with cover art", join({id3Header(3, 0, uint32_t(body23.size())), body23}), 6, {}, "Plain"},
        {"2.3 unsynchronised", join({id3Header(3, 0x80, uint32_t(unsync23.size())), unsync23}), 6, {}, "Plain"},
        {"2.4 extended header and footer", v24, 6, {}, "W\xC3\xA9"},
        {"2.2", join({id3Header(2, 0, uint32_t(v22.size())), v22}), 6, {}, "Caf\xC3\xA9"},
        {"tag size past the file", join({id3Header(3, 0, 0x0FFFFFFF), art23}), 6, {}, nullptr},
        {"frame size past the tag",
         join({id3Header(3, 0, 28), bytesOf("TIT2"), be32(0xFFFFFF), Bytes(20, 0)}),
         6,
         {},
         ""},
        {"bad encodings",
         join({id3Header(3, 0, 36), frame34(3, "TIT2", {7, 'x'}), frame34(3, "TPE1", {3, 0xC0, 0xAF}), Bytes(11, 0)}),
         6,
         {},
         ""},
        {"ID3v1 after one frame", {}, 1, id3v1("One"), "One"},
        {"APEv2 and ID3v1", {}, 6, join({apeTag("Title", bytesOf("Ape"), 3, 0), id3v1("V1")}), "Ape"},
        {"APEv2 item past the tag", {}, 1, apeTag("Title", bytesOf("Ape"), 0xFFFFFFF0u, 0), ""},
        {"APEv2 size past the file", {}, 6, apeTag("Title", bytesOf("Ape"), 3, 0x7FFFFFFF), ""},
    };
}

// Crafted and hostile tags around a stream: the audio is found, every frame and nothing else,
// and the text comes out where the tag is sound.
TEST(FileTags, AudioIsFoundAndTextReadWhateverTheTags)
{
    const std::string path = testsig::tempPath("file-tags.mp3");
    framebuild::FrameSpec frameShape;
    frameShape.layer = 2;
    frameShape.bitrateIndex = 8;  // 128 kbit/s: 417-byte frames at 44.1 kHz
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        Bytes audio;
        for (int i = 0; i < c.frames; ++i)
            framebuild::append(audio, framebuild::frame(frameShape, 0x11111111u));
        framebuild::writeFile(path, join({c.before, audio, c.after}));

        auto reader = std::make_unique<StreamReader>(path.c_str(), 0);
        FrameHeader header;
        int frames = 0;
        while (header.readFrame(*reader, nullptr))
            ++frames;
        EXPECT_EQ(frames, c.frames);
        EXPECT_FALSE(reader->truncated());
        // The size estimate counts an unskippable tag as audio.
        if (c.title != nullptr) {
            EXPECT_NEAR(OrvaneGetTotalMs(path.c_str(), 0), c.frames * 26.12, 1.0 + c.frames * 0.1);
        }

        char title[64] = {};
        const int32_t length = OrvaneGetTagText(path.c_str(), 0, 0, title, int32_t(sizeof title));
        if (c.title != nullptr) {
            EXPECT_STREQ(title, c.title);
            EXPECT_EQ(length, int32_t(std::string(c.title).size()));
        }
    }
    EXPECT_EQ(OrvaneGetTagText(path.c_str(), 0, 7, nullptr, 0), -1);
    EXPECT_EQ(OrvaneGetTagText(nullptr, 0, 0, nullptr, 0), -1);
    EXPECT_EQ(OrvaneGetTagText(path.c_str(), 0, 0, nullptr, 4), -1);
    std::remove(path.c_str());
}

}  // namespace
