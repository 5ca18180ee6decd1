#include <cstdio>
#include <memory>
#include <string>

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
    std::printf("version:       MPEG-%d\n", header.version() == 1 ? 1 : 2);
    std::printf("layer:         %s\n", layers[header.layer()]);
    std::printf("sample rate:   %d Hz\n", header.sampleRate());
    std::printf("channel mode:  %s\n", modeName(header.mode()));
    std::printf("CRC:           %s\n", header.protectionBit() == 0 ? "yes" : "no");
    std::printf("first bitrate: %d kbit/s\n", header.bitrate());

    // Count every frame; the one carrying a VBR tag holds no audio.
    const bool tagged = reader->vbrTagPresent();
    double ms = tagged ? 0.0 : header.msPerFrame();
    int64_t frames = tagged ? 0 : 1;
    while (header.readFrame(*reader, nullptr)) {
        ms += header.msPerFrame();
        ++frames;
    }
    std::printf("frames:        %lld\n", static_cast<long long>(frames));
    std::printf("duration:      %.3f s\n", ms / 1000.0);
    if (tagged)
        std::printf("VBR tag:       yes, %d frames\n", reader->vbrInfo().frames);
    else
        std::printf("VBR tag:       no\n");
    std::printf("header estimate: %d ms\n", OrvaneGetTotalMs(path.c_str(), int32_t(offset)));
    return 0;
}

}  // namespace

ORVANE_COMMAND("info", "FILE [--offset BYTES]", "show the stream facts of an MPEG audio file", runInfo,
               nullptr);
