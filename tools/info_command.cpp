#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "mp3/player/audio_extent.h"
#include "mp3/player/frame_header.h"
#include "mp3/player/stream_reader.h"
#include "orvane/mp3.h"
#include "tools/cli.h"
#include "tools/command.h"

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

    auto reader = std::make_unique<StreamReader>(path.c_str(), uint32_t(offset));
    if (!reader->isOpen())
        return failure("cannot open '" + path + "'");
    FrameHeader header;
    if (!header.readFrame(*reader, nullptr))
        return failure("'" + path + "' is not MPEG audio (no valid frame header found)");
    static const char* const layers[4] = {"", "I", "II", "III"};
    std::printf("file:          %s\n", path.c_str());
    std::printf("version:       MPEG-%s\n", header.version() == 1 ? "1" : header.mpeg25() ? "2.5" : "2");
    std::printf("layer:         %s\n", layers[header.layer()]);
    std::printf("sample rate:   %d Hz\n", header.sampleRate());
    std::printf("channel mode:  %s\n", modeName(header.mode()));
    std::printf("CRC:           %s\n", header.protectionBit() == 0 ? "yes" : "no");
    std::printf("first bitrate: %d kbit/s\n", header.bitrate());

    // Count every frame; the one carrying a VBR tag holds no audio.
    const bool tagged = reader->vbrTagPresent();
    const VbrInfo& vbr = reader->vbrInfo();
    int64_t frames = tagged ? 0 : 1;
    int64_t samples = tagged ? 0 : header.samplesPerFrame();
    int64_t audioBytes = tagged ? 0 : header.bodySize() + 4;
    bool bitrateChanges = false;
    const int32_t firstBitrate = header.bitrate();
    while (header.readFrame(*reader, nullptr)) {
        samples += header.samplesPerFrame();
        audioBytes += header.bodySize() + 4;
        bitrateChanges = bitrateChanges || header.bitrate() != firstBitrate;
        ++frames;
    }
    // The encoder's delay and padding are not part of the source.
    const bool gapless = tagged && vbr.encoderExtension;
    const int64_t sourceSamples =
        gapless ? std::max<int64_t>(0, samples - vbr.encoderDelay - vbr.encoderPadding) : samples;
    const double seconds = double(samples) / header.sampleRate();
    std::printf("bitrate:       %s, average %.1f kbit/s\n", bitrateChanges ? "VBR" : "CBR",
                seconds > 0.0 ? double(audioBytes) * 8.0 / seconds / 1000.0 : 0.0);
    std::printf("frames:        %lld\n", static_cast<long long>(frames));
    std::printf("duration:      %.3f s\n", double(sourceSamples) / header.sampleRate());
    if (tagged)
        std::printf("VBR tag:       %s, %d frames\n", vbr.constantBitrate ? "Info (CBR)" : "Xing (VBR)", vbr.frames);
    else
        std::printf("VBR tag:       no\n");
    if (gapless)
        std::printf("encoder delay: %d samples, padding %d samples\n", vbr.encoderDelay, vbr.encoderPadding);
    const AudioExtent& extent = reader->extent();
    std::printf("tags:          %s%s%s%s\n", extent.id3v2 ? " ID3v2" : "", extent.ape ? " APEv2" : "",
                extent.id3v1 ? " ID3v1" : "", extent.id3v2 || extent.ape || extent.id3v1 ? "" : " none");
    TagText text;
    readTagText(path.c_str(), offset, text);
    static const char* const kFieldNames[TagText::kFieldCount] = {"title:", "artist:", "album:", "year:",
                                                                  "track:", "genre:", "comment:"};
    for (int32_t f = 0; f < TagText::kFieldCount; ++f)
        if (!text[TagText::Field(f)].empty())
            std::printf("%-15s%s\n", kFieldNames[f], text[TagText::Field(f)].c_str());
    if (reader->truncated()) {
        std::printf("truncated:     yes, the last frame is cut off\n");
        std::fprintf(stderr, "orvane info: '%s' is truncated: the last frame is cut off\n", path.c_str());
    }
    std::printf("header estimate: %d ms\n", OrvaneGetTotalMs(path.c_str(), int32_t(offset)));
    return 0;
}

}  // namespace

ORVANE_COMMAND("info", "FILE [--offset BYTES]", "show the stream facts of an MPEG audio file", runInfo,
               nullptr);
