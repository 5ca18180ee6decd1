#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "orvane/dsp.h"
#include "tools/cli.h"
#include "tools/command.h"
#include "tools/progress.h"
#include "tools/wav_files.h"

namespace {

const char* const kUsage = "A.wav B.wav OUT.wav --start S --end E";
constexpr uint32_t kBlockFrames = 4096;

void printDetails(FILE* out)
{
    std::fprintf(out, "Plays A, moves over to B between S and E seconds (the mid-point at -1 dB each),\n"
                      "then plays B; the shorter file is padded with silence.\n");
}

// Owns what one run opens, so every exit path closes the files and frees the fader.
struct CrossfadeRun {
    void* a = nullptr;
    void* b = nullptr;
    WavOutput out;
    void* fader = nullptr;
    ~CrossfadeRun()
    {
        termWavefileIn(a);
        termWavefileIn(b);
        if (fader)
            termFader(fader);
    }
};

void* openPcm16(const std::string& path, OrvaneWaveFormat& format, std::string& error)
{
    void* in = initWavefileIn(path.c_str(), kBlockFrames);
    if (in == nullptr)
        return error = "cannot read '" + path + "' as a WAV file", nullptr;
    format = *getFormatWavefileIn(in);
    if (format.wFormatTag != 1 || format.wBitsPerSample != 16 || format.nChannels > 2) {
        termWavefileIn(in);
        return error = "'" + path + "' is not 16-bit PCM mono or stereo", nullptr;
    }
    return in;
}

// Reads up to a block; past the end of the stream the block is silence. Returns frames read, -1 on error.
int32_t readBlock(WavDataReader& in, std::vector<int16_t>& block, uint32_t channels)
{
    const int32_t got = in.read(block.data(), kBlockFrames);
    if (got < 0)
        return -1;
    std::fill(block.begin() + got / 2, block.end(), int16_t(0));
    return got / int32_t(2 * channels);
}

int runCrossfade(const std::vector<std::string>& args)
{
    std::vector<std::string> paths;
    double start = -1, end = -1;
    for (ArgReader r(args); !r.done();) {
        if (r.option("--start")) {
            if (!r.number(0, 86400, "seconds", start))
                return 2;
        } else if (r.option("--end")) {
            if (!r.number(0, 86400, "seconds", end))
                return 2;
        } else if (r.isOption()) {
            return usageError("unknown option '" + r.current() + "'");
        } else {
            paths.push_back(r.current());
            r.skip();
        }
    }
    if (paths.size() != 3)
        return usageError("give A.wav, B.wav and OUT.wav");
    if (start < 0 || end < 0)
        return usageError("give both --start and --end");
    if (!(start < end))
        return usageError("--end must come after --start");

    if (sameFile(paths[0], paths[2]) || sameFile(paths[1], paths[2]))
        return failure("the output '" + paths[2] + "' is an input");
    CrossfadeRun run;
    OrvaneWaveFormat fa{}, fb{};
    std::string error;
    if ((run.a = openPcm16(paths[0], fa, error)) == nullptr || (run.b = openPcm16(paths[1], fb, error)) == nullptr)
        return failure(error);
    if (fa.nChannels != fb.nChannels || fa.nSamplesPerSec != fb.nSamplesPerSec)
        return failure("A and B differ in channels or rate");
    const uint32_t channels = fa.nChannels;
    const uint32_t rate = fa.nSamplesPerSec;
    run.fader = initFader(kBlockFrames, channels, rate, 1.0f, 0.0f, 0.0f);
    if (run.fader == nullptr)
        return failure("cannot set up the cross-fader");
    // The clock counts samples already processed: a fade from 0 s starts at the first sample.
    const double first = 1.0 / rate;
    setCrossFaderAction(run.fader, float(std::max(start, first)), float(std::max(end, 2 * first)), -1.0f);
    if (!run.out.create(paths[2], fa, error))
        return failure(error);

    std::vector<int16_t> blockA(size_t(kBlockFrames) * channels), blockB(blockA.size()), mixed(blockA.size());
    WavDataReader readerA(run.a), readerB(run.b);
    const uint64_t total = std::max(readerA.totalBytes(), readerB.totalBytes());
    uint64_t done = 0;
    ProgressBar progress("crossfade");
    while (true) {
        const int32_t gotA = readBlock(readerA, blockA, channels);
        const int32_t gotB = readBlock(readerB, blockB, channels);
        if (gotA < 0 || gotB < 0)
            return failure("read error");
        const uint32_t frames = uint32_t(std::max(gotA, gotB));
        if (frames == 0)
            break;
        const uint32_t bytes = frames * channels * 2;
        doCrossFade(run.fader, blockA.data(), blockB.data(), mixed.data(), bytes);
        if (!run.out.write(mixed.data(), int32_t(bytes), error))
            return failure(error);
        done += bytes;
        progress.update(done, total);
    }
    progress.finish();
    return run.out.finish(error) ? 0 : failure(error);
}

}  // namespace

ORVANE_COMMAND("crossfade", kUsage, "cross-fade from one WAV file to another between two times", runCrossfade,
               printDetails);
