#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "orvane/mp3.h"
#include "support/signal.h"

namespace {

std::string writeTemp(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path = testsig::tempPath(name);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f != nullptr) {
        if (!bytes.empty())  // an empty vector's data may be null, which fwrite does not take
            std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

int64_t failingSeek(void*, int64_t, int32_t)
{
    return -1;
}
int64_t noRead(void*, void*, int64_t)
{
    return 0;
}
int64_t failingRead(void*, void*, int64_t)
{
    return -1;
}
int64_t readPipe(void* file, void* buffer, int64_t bytes)
{
    return int64_t(std::fread(buffer, 1, size_t(bytes), static_cast<FILE*>(file)));
}

// Every failure value of the decode and file interfaces with the code it records. Before each
// row the record holds another code, so a row that records nothing is caught.
TEST(DecodeErrors, EveryFailureValueRecordsItsReason)
{
    const std::string mp3 = std::string(ORVANE_SOURCE_DIR) + "/samples/orvane-demo.mp3";
    const std::string missing = testsig::tempPath("no-such-file.mp3");
    std::remove(missing.c_str());
    const std::string text = writeTemp("not-mpeg.mp3", std::vector<uint8_t>(3000, 'a'));
    const std::string empty = writeTemp("empty.mp3", {});
    std::vector<uint8_t> cut = {0xFF, 0xFB, 0x90, 0x64};  // MPEG-1 Layer III, 128 kbit/s, 44.1 kHz: 417 bytes
    cut.resize(200, 0);
    const std::string cutPath = writeTemp("cut.mp3", cut);
    std::vector<uint8_t> free = {0xFF, 0xFB, 0x00, 0x64};  // the same with the free-format bit rate
    free.resize(3000, 0);
    const std::string freePath = writeTemp("free-format.mp3", free);
    const std::vector<uint8_t> textBytes(3000, 'a');

    OrvaneDecoder* good = OrvaneDecodeOpenFile(mp3.c_str());
    ASSERT_NE(good, nullptr);
    FILE* pipeFile = std::fopen(mp3.c_str(), "rb");
    OrvaneDecoder* pipe = OrvaneDecodeOpenCallbacks(readPipe, nullptr, pipeFile);
    ASSERT_NE(pipe, nullptr);
    OrvaneDecodeFormat format;
    float pcm[64];
    int16_t pcm16[64];
    char buffer[16];
    OrvaneStreamInfo info;

    struct Row {
        const char* call;
        std::function<int64_t()> run;  // the result, pointers as 0 (null) or 1
        int64_t failure;
        int32_t code;
    };
    const auto opened = [](OrvaneDecoder* d) {
        OrvaneDecodeClose(d);
        return int64_t(d != nullptr);
    };
    const Row rows[] = {
        {"open a null path", [&] { return opened(OrvaneDecodeOpenFile(nullptr)); }, 0, ORVANE_ERROR_BAD_ARGUMENT},
        {"open a missing file", [&] { return opened(OrvaneDecodeOpenFile(missing.c_str())); }, 0,
         ORVANE_ERROR_CANNOT_OPEN},
        {"open text", [&] { return opened(OrvaneDecodeOpenFile(text.c_str())); }, 0, ORVANE_ERROR_NOT_MPEG},
        {"open an empty file", [&] { return opened(OrvaneDecodeOpenFile(empty.c_str())); }, 0, ORVANE_ERROR_TRUNCATED},
        {"open a cut frame", [&] { return opened(OrvaneDecodeOpenFile(cutPath.c_str())); }, 0, ORVANE_ERROR_TRUNCATED},
        {"open free format", [&] { return opened(OrvaneDecodeOpenFile(freePath.c_str())); }, 0,
         ORVANE_ERROR_UNSUPPORTED},
        {"open null memory", [&] { return opened(OrvaneDecodeOpenMemory(nullptr, 10)); }, 0, ORVANE_ERROR_BAD_ARGUMENT},
        {"open text in memory", [&] { return opened(OrvaneDecodeOpenMemory(textBytes.data(), textBytes.size())); }, 0,
         ORVANE_ERROR_NOT_MPEG},
        {"open null callbacks", [&] { return opened(OrvaneDecodeOpenCallbacks(nullptr, failingSeek, nullptr)); }, 0,
         ORVANE_ERROR_BAD_ARGUMENT},
        {"open callbacks that cannot seek",
         [&] { return opened(OrvaneDecodeOpenCallbacks(noRead, failingSeek, nullptr)); }, 0, ORVANE_ERROR_CANNOT_OPEN},
        {"open a pipe of nothing", [&] { return opened(OrvaneDecodeOpenCallbacks(noRead, nullptr, nullptr)); }, 0,
         ORVANE_ERROR_NOT_MPEG},
        {"open a pipe whose read fails",
         [&] { return opened(OrvaneDecodeOpenCallbacks(failingRead, nullptr, nullptr)); }, 0, ORVANE_ERROR_FAILED},
        {"seek a pipe", [&] { return int64_t(OrvaneDecodeSeek(pipe, 5)); }, 0, ORVANE_ERROR_BAD_ARGUMENT},
        {"stream info of a pipe", [&] { return int64_t(OrvaneDecodeGetStreamInfo(pipe, &info)); }, 0,
         ORVANE_ERROR_BAD_ARGUMENT},
        {"stream info of no handle", [&] { return int64_t(OrvaneDecodeGetStreamInfo(nullptr, &info)); }, 0,
         ORVANE_ERROR_WRONG_HANDLE},
        {"handle stream info into null", [&] { return int64_t(OrvaneDecodeGetStreamInfo(good, nullptr)); }, 0,
         ORVANE_ERROR_BAD_ARGUMENT},
        {"format of no handle", [&] { return int64_t(OrvaneDecodeGetFormat(nullptr, &format)); }, 0,
         ORVANE_ERROR_WRONG_HANDLE},
        {"format into null", [&] { return int64_t(OrvaneDecodeGetFormat(good, nullptr)); }, 0,
         ORVANE_ERROR_BAD_ARGUMENT},
        {"read no handle", [&] { return OrvaneDecodeReadFloat(nullptr, pcm, 8); }, -1, ORVANE_ERROR_WRONG_HANDLE},
        {"read into null", [&] { return OrvaneDecodeReadFloat(good, nullptr, 8); }, -1, ORVANE_ERROR_BAD_ARGUMENT},
        {"read a negative count", [&] { return OrvaneDecodeReadInt16(good, pcm16, -1); }, -1,
         ORVANE_ERROR_BAD_ARGUMENT},
        {"read int16 no handle", [&] { return OrvaneDecodeReadInt16(nullptr, pcm16, 8); }, -1,
         ORVANE_ERROR_WRONG_HANDLE},
        {"seek no handle", [&] { return int64_t(OrvaneDecodeSeek(nullptr, 0)); }, 0, ORVANE_ERROR_WRONG_HANDLE},
        {"seek past the end", [&] { return int64_t(OrvaneDecodeSeek(good, uint64_t(1) << 40)); }, 0,
         ORVANE_ERROR_BAD_ARGUMENT},
        {"tell no handle", [&] { return int64_t(OrvaneDecodeTell(nullptr)); }, 0, ORVANE_ERROR_WRONG_HANDLE},
        {"tag of no handle", [&] { return int64_t(OrvaneDecodeGetTagText(nullptr, 0, buffer, 16)); }, -1,
         ORVANE_ERROR_WRONG_HANDLE},
        {"tag field 7", [&] { return int64_t(OrvaneDecodeGetTagText(good, 7, buffer, 16)); }, -1,
         ORVANE_ERROR_BAD_ARGUMENT},
        {"total of a null path", [&] { return int64_t(OrvaneGetTotalMs(nullptr, 0)); }, 0, ORVANE_ERROR_BAD_ARGUMENT},
        {"total of a missing file", [&] { return int64_t(OrvaneGetTotalMs(missing.c_str(), 0)); }, 0,
         ORVANE_ERROR_CANNOT_OPEN},
        {"bitrate of text", [&] { return int64_t(OrvaneGetFirstBitrate(text.c_str(), 0)); }, 0, ORVANE_ERROR_NOT_MPEG},
        {"bitrate from a negative offset", [&] { return int64_t(OrvaneGetFirstBitrate(mp3.c_str(), -1)); }, 0,
         ORVANE_ERROR_BAD_ARGUMENT},
        {"stream info into null", [&] { return int64_t(OrvaneGetStreamInfo(mp3.c_str(), 0, nullptr)); }, 0,
         ORVANE_ERROR_BAD_ARGUMENT},
        {"stream info of a cut frame", [&] { return int64_t(OrvaneGetStreamInfo(cutPath.c_str(), 0, &info)); }, 0,
         ORVANE_ERROR_TRUNCATED},
        {"tag text of a missing file", [&] { return int64_t(OrvaneGetTagText(missing.c_str(), 0, 0, buffer, 16)); }, -1,
         ORVANE_ERROR_CANNOT_OPEN},
        {"tag text field -1", [&] { return int64_t(OrvaneGetTagText(mp3.c_str(), 0, -1, buffer, 16)); }, -1,
         ORVANE_ERROR_BAD_ARGUMENT},
    };
    for (const Row& row : rows) {
        // Leave another code behind first.
        if (row.code == ORVANE_ERROR_WRONG_HANDLE)
            OrvaneDecodeOpenMemory(nullptr, 0);
        else
            OrvaneDecodeTell(nullptr);
        EXPECT_EQ(row.run(), row.failure) << row.call;
        EXPECT_EQ(OrvaneLastErrorCode(), row.code) << row.call << ": " << OrvaneLastError();
    }
    // The system's words for a missing file, and the file named.
    OrvaneDecodeOpenFile(missing.c_str());
    const std::string reason = OrvaneLastError();
    const size_t named = reason.find("no-such-file.mp3: ");
    ASSERT_NE(named, std::string::npos) << reason;
    EXPECT_GT(reason.size(), named + std::strlen("no-such-file.mp3: ") + 4) << reason;
    OrvaneDecodeClose(good);
    OrvaneDecodeClose(pipe);
    std::fclose(pipeFile);
    for (const std::string& p : {text, empty, cutPath, freePath})
        std::remove(p.c_str());
}

}  // namespace
