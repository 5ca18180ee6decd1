#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "orvane/mp3.h"
#include "orvane/norv.h"
#include "tools/command.h"
#include "tools/play_session.h"
#include "tools/progress.h"

namespace {

const char* const kUsage = "FILE OUT.wav [--offset B] [--volume V] [--sse] [--3dnow] [--no-gapless]";

int runConvert(const std::vector<std::string>& args)
{
    std::vector<std::string> paths;
    long offset = 0;
    long volume = 32768;
    bool sse = false;
    bool threeDNow = false;
    bool gapless = true;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--offset" && i + 1 < args.size()) {
            if (!parseInt(args[++i], 0, 0x7FFFFFFF, offset, "offset"))
                return 2;
        } else if (args[i] == "--volume" && i + 1 < args.size()) {
            if (!parseInt(args[++i], 0, 1 << 20, volume, "volume"))
                return 2;
        } else if (args[i] == "--sse") {
            sse = true;
        } else if (args[i] == "--3dnow") {
            threeDNow = true;
        } else if (args[i] == "--no-gapless") {
            gapless = false;
        } else if (args[i].rfind("--", 0) != 0) {
            paths.push_back(args[i]);
        } else {
            paths.clear();
            break;
        }
    }
    if (paths.size() != 2) {
        std::fprintf(stderr, "usage: orvane convert %s\n", kUsage);
        return 2;
    }
    OrvaneEnableSSE(sse ? 1 : 0);
    OrvaneEnable3dnow(threeDNow ? 1 : 0);
    OrvaneSetVolume(int32_t(volume));
    OrvaneEnableGapless(gapless ? 1 : 0);
    if (NORVSetOutputFile(paths[1].c_str()) != 1) {
        std::fprintf(stderr, "orvane convert: bad output path\n");
        return 2;
    }

    ProgressBar progress("converting");
    PlaySession session(paths[0], int32_t(offset), true);
    while (!session.finished()) {
        progress.update(uint64_t(OrvaneWhere() * 1000.0f), 1000);
        usleep(50 * 1000);
    }
    const int32_t result = session.wait();
    const uint32_t bytes = NORVClose();
    if (result != 1) {
        progress.finish();
        std::remove(paths[1].c_str());
        std::fprintf(stderr, "orvane convert: %s\n",
                     result == -1 ? "the input is not MPEG audio" : "the conversion output could not be set up");
        return 1;
    }
    progress.update(1, 1);
    progress.finish();
    std::printf("%s: %u bytes of 16-bit PCM\n", paths[1].c_str(), bytes);
    return 0;
}

}  // namespace

ORVANE_COMMAND("convert", kUsage, "decode an MPEG audio file to a 16-bit WAV file", runConvert);
