#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "frame_builder.h"
#include "mp3/stream/frame_header.h"
#include "mp3/stream/stream_reader.h"
#include "orvane/mp3.h"
#include "support/bytes.h"
#include "support/signal.h"

namespace {

using testsig::Bytes;
using testsig::bytesOf;
using testsig::join;

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

// An APEv2 tag of (key, flags, value) items.
Bytes apeItems(std::initializer_list<std::tuple<std::string, uint32_t, Bytes>> items)
{
    Bytes body;
    for (const auto& [key, flags, value] : items)
        body = join({body, le32(uint32_t(value.size())), le32(flags), bytesOf(key), {0}, value});
    return join({body, bytesOf("APETAGEX"), le32(2000), le32(uint32_t(body.size() + 32)), le32(uint32_t(items.size())),
                 le32(0), Bytes(8, 0)});
}

// Bytes read through callbacks that give at most 5 bytes a call, as a pipe may.
struct Trickle {
    Bytes bytes;
    int64_t at = 0;
    static int64_t read(void* c, void* buffer, int64_t n)
    {
        auto* t = static_cast<Trickle*>(c);
        const int64_t k = std::min<int64_t>({n, int64_t(t->bytes.size()) - t->at, 5});
        std::memcpy(buffer, t->bytes.data() + t->at, size_t(k));
        t->at += k;
        return k;
    }
    static int64_t seek(void* c, int64_t offset, int32_t whence)
    {
        auto* t = static_cast<Trickle*>(c);
        const int64_t base = whence == 0 ? 0 : whence == 1 ? t->at : int64_t(t->bytes.size());
        if (base + offset < 0 || base + offset > int64_t(t->bytes.size()))
            return -1;
        return t->at = base + offset;
    }
};

Bytes id3v23(std::initializer_list<Bytes> frames)
{
    const Bytes body = join(frames);
    return join({id3Header(3, 0, uint32_t(body.size())), body});
}

Bytes id3v24(std::initializer_list<Bytes> frames)
{
    const Bytes body = join(frames);
    return join({id3Header(4, 0, uint32_t(body.size())), body});
}

Bytes id3v1Genre(uint8_t genre)
{
    Bytes t = id3v1("");
    t[127] = genre;
    return t;
}

// Values as taggers write them come back whole: every genre of the list and its textual forms,
// several values in one frame or item and repeated frames or items (joined with "; "), and the
// embedded picture's type, size and MIME type; a hostile tag's values stay bounded.
TEST(FileTags, GenresSeveralValuesAndPictureReadBack)
{
    struct ValueCase {
        const char* name;
        Bytes before, after;
        int32_t field;
        std::string value;
        uint32_t pictureType = 0;  // 0: no picture expected
        uint64_t pictureBytes = 0;
        const char* mime = "";
        bool bounded = false;  // the value is only checked to stay within the bound
    };
    const auto text23 = [](const char* id, const std::string& v) { return frame34(3, id, join({{0}, bytesOf(v)})); };
    const auto text24 = [](const char* id, const Bytes& v) { return frame34(4, id, join({{3}, v})); };
    Bytes png = bytesOf("\x89PNG\r\n\x1a\n");
    png.resize(100, 7);
    Bytes manyArtists;
    for (int i = 0; i < 8000; ++i) {
        const Bytes f = text23("TPE1", "Artist " + std::to_string(i));
        manyArtists.insert(manyArtists.end(), f.begin(), f.end());
    }
    const std::vector<ValueCase> valueCases = {
        {"ID3v1 genre 80", {}, id3v1Genre(80), 5, "Folk"},
        {"ID3v1 genre 125", {}, id3v1Genre(125), 5, "Dance Hall"},
        {"ID3v1 genre 147", {}, id3v1Genre(147), 5, "Synthpop"},
        {"ID3v1 genre 191", {}, id3v1Genre(191), 5, "Psybient"},
        {"ID3v1 genre 192 is none", {}, id3v1Genre(192), 5, ""},
        {"2.3 genre references", id3v23({text23("TCON", "(17)(18)")}), {}, 5, "Rock; Techno"},
        {"2.3 genre refined", id3v23({text23("TCON", "(17)Rock & Roll")}), {}, 5, "Rock & Roll"},
        {"2.3 genre remix", id3v23({text23("TCON", "(RX)")}), {}, 5, "Remix"},
        {"2.3 genre escaped parenthesis", id3v23({text23("TCON", "((Live)")}), {}, 5, "(Live)"},
        {"2.4 artists",
         id3v24({text24("TPE1", bytesOf(std::string("One\0Two\0Three", 13)))}),
         {},
         1,
         "One; Two; Three"},
        {"2.4 genres by name and number",
         id3v24({text24("TCON",
                        bytesOf(std::string("Pop\0"
                                            "17",
                                            6)))}),
         {},
         5,
         "Pop; Rock"},
        {"2.4 UTF-16 values",
         id3v24({frame34(4, "TPE1", {1, 0xFF, 0xFE, 'A', 0, 0, 0, 0xFF, 0xFE, 'B', 0})}),
         {},
         1,
         "A; B"},
        {"2.3 repeated frames", id3v23({text23("TPE1", "X"), text23("TPE1", "Y")}), {}, 1, "X; Y"},
        {"APEv2 repeated and listed items",
         {},
         apeItems({{"Artist", 0, bytesOf("A")}, {"ARTIST", 0, bytesOf(std::string("B\0C", 3))}}),
         1,
         "A; B; C"},
        {"first tag wins over later tags", id3v23({text23("TPE1", "Front")}),
         apeItems({{"Artist", 0, bytesOf("Back")}}), 1, "Front"},
        {"2.3 picture",
         id3v23({text23("TIT2", "T"), frame34(3, "APIC", syncHeavyPicture())}),
         {},
         0,
         "T",
         3,
         3200,
         "image/jpeg"},
        {"APEv2 picture",
         {},
         apeItems({{"Cover Art (Back)", 2, join({bytesOf("b.png"), {0}, png})}}),
         0,
         "",
         4,
         100,
         "image/png"},
        {"8000 artist frames", id3v23({manyArtists}), {}, 1, "", 0, 0, "", true},
    };
    const std::string path = testsig::tempPath("file-values.mp3");
    framebuild::FrameSpec frameShape;
    frameShape.layer = 2;
    frameShape.bitrateIndex = 8;
    for (const ValueCase& c : valueCases) {
        SCOPED_TRACE(c.name);
        Bytes audio;
        for (int i = 0; i < 4; ++i)
            framebuild::append(audio, framebuild::frame(frameShape, 0x11111111u));
        framebuild::writeFile(path, join({c.before, audio, c.after}));
        std::vector<char> value(1 << 17);
        const int32_t length = OrvaneGetTagText(path.c_str(), 0, c.field, value.data(), int32_t(value.size()));
        if (c.bounded) {
            EXPECT_LE(length, 65536);
            EXPECT_EQ(std::string(value.data()).rfind("Artist 0; Artist 1; ", 0), 0u);
            continue;
        }
        EXPECT_EQ(std::string(value.data()), c.value);
        OrvanePictureInfo picture{};
        ASSERT_EQ(OrvaneGetPictureInfo(path.c_str(), 0, &picture), 1);
        EXPECT_EQ(picture.present, c.pictureType != 0 ? 1u : 0u);
        EXPECT_EQ(picture.type, c.pictureType);
        EXPECT_EQ(picture.bytes, c.pictureBytes);
        EXPECT_STREQ(picture.mime, c.mime);

        // A decode handle reads the same tags, from a file and from callbacks that hand over a
        // few bytes a call.
        Trickle trickle{join({c.before, audio, c.after})};
        for (OrvaneDecoder* handle : {OrvaneDecodeOpenFile(path.c_str()),
                                      OrvaneDecodeOpenCallbacks(&Trickle::read, &Trickle::seek, &trickle)}) {
            ASSERT_NE(handle, nullptr);
            EXPECT_EQ(OrvaneDecodeGetTagText(handle, c.field, value.data(), int32_t(value.size())),
                      int32_t(c.value.size()));
            OrvanePictureInfo fromHandle{};
            EXPECT_EQ(OrvaneDecodeGetPictureInfo(handle, &fromHandle), 1);
            EXPECT_EQ(fromHandle.bytes, c.pictureBytes);
            OrvaneDecodeClose(handle);
        }
    }
    OrvanePictureInfo untouched{};
    untouched.type = 99;
    EXPECT_EQ(OrvaneGetPictureInfo(nullptr, 0, &untouched), 0);
    EXPECT_EQ(OrvaneGetPictureInfo(path.c_str(), 0, nullptr), 0);
    EXPECT_EQ(untouched.type, 99u);
    std::remove(path.c_str());
}

}  // namespace
