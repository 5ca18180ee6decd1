#include <cstdio>
#include <string>

#include "orvane/mp3.h"
#include "tools/cli.h"
#include "tools/command.h"
#include "tools/file_tags.h"

namespace {

const char* modeName(int32_t mode)
{
    static const char* const names[4] = {"stereo", "joint stereo", "dual channel", "single channel"};
    return names[mode & 3];
}

int runInfo(const std::vector<std::string>& args)
{
    std::string path;
    long offset = 0;
    for (ArgReader r(args); !r.done();) {
        if (r.option("--offset")) {
            if (!r.integer(0, 0x7FFFFFFF, "bytes", offset))
                return 2;
        } else if (r.isOption()) {
            return usageError("unknown option '" + r.current() + "'");
        } else if (path.empty()) {
            path = r.current();
            r.skip();
        } else {
            return usageError("one FILE only");
        }
    }
    if (path.empty())
        return usageError("no FILE given");

    OrvaneStreamInfo info{};
    if (OrvaneGetStreamInfo(path.c_str(), int32_t(offset), &info) != 1) {
        if (FILE* probe = std::fopen(path.c_str(), "rb"))
            std::fclose(probe);
        else
            return failure("cannot open '" + path + "'");
        return failure("'" + path + "' is not MPEG audio (no valid frame header found)");
    }
    static const char* const layers[4] = {"", "I", "II", "III"};
    std::printf("file:          %s\n", path.c_str());
    std::printf("version:       MPEG-%s\n", info.version == 10 ? "1" : info.version == 25 ? "2.5" : "2");
    std::printf("layer:         %s\n", layers[info.layer & 3]);
    std::printf("sample rate:   %u Hz\n", info.sampleRate);
    std::printf("channel mode:  %s\n", modeName(int32_t(info.channelMode)));
    std::printf("CRC:           %s\n", info.crc ? "yes" : "no");
    std::printf("first bitrate: %u kbit/s\n", info.firstBitrate);

    // The duration is what a decode delivers: without the encoders' delay and padding where the
    // stream states them, the frames present where it is cut off.
    const int32_t durationMs = OrvaneGetTotalMs(path.c_str(), int32_t(offset));
    const double seconds = double(info.samples) / info.sampleRate;
    std::printf("bitrate:       %s, average %.1f kbit/s\n", info.variableBitrate ? "VBR" : "CBR",
                seconds > 0.0 ? double(info.audioBytes) * 8.0 / seconds / 1000.0 : 0.0);
    std::printf("frames:        %llu\n", static_cast<unsigned long long>(info.frames));
    std::printf("duration:      %.3f s\n", durationMs / 1000.0);
    if (info.vbrTag != 0)
        std::printf("VBR tag:       %s, %u frames\n", info.vbrTag == 2 ? "Info (CBR)" : "Xing (VBR)",
                    info.vbrTagFrames);
    else
        std::printf("VBR tag:       no\n");
    if (info.encoderTag)
        std::printf("encoder delay: %u samples, padding %u samples\n", info.encoderDelay, info.encoderPadding);
    std::printf("tags:          %s%s%s%s\n", info.tags & 1 ? " ID3v2" : "", info.tags & 2 ? " APEv2" : "",
                info.tags & 4 ? " ID3v1" : "", info.tags == 0 ? " none" : "");
    static const char* const kFieldNames[] = {"title:", "artist:", "album:", "year:", "track:", "genre:", "comment:"};
    for (int32_t f = kTagTitle; f <= kTagComment; ++f) {
        const std::string text = tagText(path, int32_t(offset), f);
        if (!text.empty())
            std::printf("%-15s%s\n", kFieldNames[f], text.c_str());
    }
    if (info.truncated) {
        std::printf("truncated:     yes, the last frame is cut off\n");
        std::fprintf(stderr, "orvane info: '%s' is truncated: the last frame is cut off\n", path.c_str());
    }
    return 0;
}

}  // namespace

ORVANE_COMMAND("info", "FILE [--offset BYTES]", "show the stream facts of an MPEG audio file", runInfo, nullptr);
