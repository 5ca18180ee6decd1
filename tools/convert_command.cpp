#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "orvane/mp3.h"
#include "orvane/norv.h"
#include "platform/tool/files.h"
#include "tools/cli.h"
#include "tools/command.h"
#include "tools/play_session.h"
#include "tools/progress.h"
#include "tools/wav_files.h"

namespace {

const char* const kUsage = "FILE OUT.wav|- [--offset BYTES] [--volume 0..65536] [--plain|--sse|--3dnow] [--no-gapless]";
// Twice full scale: louder settings only clip.
constexpr long kMaxVolume = 65536;

bool copyToStdout(const char* path)
{
    FILE* in = std::fopen(path, "rb");
    if (in == nullptr)
        return false;
    char buffer[65536];
    size_t n = 0;
    bool ok = true;
    while (ok && (n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        ok = std::fwrite(buffer, 1, n, stdout) == n;
    std::fclose(in);
    return ok && std::fflush(stdout) == 0;
}

int runConvert(const std::vector<std::string>& args)
{
    std::vector<std::string> paths;
    long offset = 0;
    long volume = 32768;
    VectorChoice vectors = VectorChoice::Best;
    bool gapless = true;
    for (ArgReader r(args); !r.done();) {
        if (r.option("--offset")) {
            if (!r.integer(0, 0x7FFFFFFF, "bytes", offset))
                return 2;
        } else if (r.option("--volume")) {
            if (!r.integer(0, kMaxVolume, "32768 = full scale", volume))
                return 2;
        } else if (readVectorOption(r, vectors)) {
        } else if (r.option("--no-gapless")) {
            gapless = false;
        } else if (const int status = r.operand(paths)) {
            return status;
        }
    }
    if (paths.size() != 2)
        return usageError("give one input FILE and one OUT.wav");
    if (sameFile(paths[0], paths[1]))
        return failure("the output '" + paths[1] + "' is the input");
    applyVectorChoice(vectors);
    OrvaneSetVolume(int32_t(volume));
    // "-" is standard output. The converter patches the sizes when it closes, which a pipe
    // cannot take, so the file is made aside and then copied out whole.
    const bool toStdout = paths[1] == "-";
    std::string spool;
    if (toStdout) {
        if (!platform::createTemporaryFile("orvane-convert", spool))
            return failure(std::string("cannot make a temporary file: ") + std::strerror(errno));
        paths[1] = spool;
    }
    OrvaneEnableGapless(gapless ? 1 : 0);
    // The converter creates the file only with its first block and cannot report a failure then.
    if (FILE* probe = std::fopen(paths[1].c_str(), "wb"))
        std::fclose(probe);
    else
        return failure("cannot create '" + paths[1] + "': " + std::strerror(errno));
    if (NORVSetOutputFile(paths[1].c_str()) != 1)
        return failure("cannot write to '" + paths[1] + "'");

    ProgressBar progress("converting");
    PlaySession session(paths[0], int32_t(offset), true);
    // The bar moves every 50 ms; the wait ends as soon as the conversion does.
    while (!session.waitFinished(50))
        progress.update(uint64_t(OrvaneWhere() * 1000.0f), 1000);
    const int32_t result = session.wait();
    const uint32_t bytes = NORVClose();
    const int error = NORVLastError();
    if (result != 1 || error != 0 || bytes == 0xFFFFFFFFu || bytes == 0) {
        progress.finish();
        // The probe above created the file: a failed run leaves nothing that looks converted.
        removePartialOutput(paths[1]);
        return failure(result == -1                        ? "'" + paths[0] + "' is not MPEG audio"
                       : error != 0 || bytes == 0xFFFFFFFFu ? writeError(paths[1], error)
                       : result == 0                        ? "the conversion output could not be set up"
                                                            : "no audio could be decoded");
    }
    progress.update(1, 1);
    progress.finish();
    if (toStdout) {
        const bool copied = copyToStdout(spool.c_str());
        std::remove(spool.c_str());
        if (!copied)
            return failure("write error on standard output");
        return 0;
    }
    note(paths[1] + ": " + std::to_string(bytes) + " bytes of 16-bit PCM");
    return 0;
}

}  // namespace

ORVANE_COMMAND("convert", kUsage, "decode an MPEG audio file to a 16-bit WAV file", runConvert, nullptr);
