#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "orvane/dsp.h"
#include "tools/cli.h"
#include "tools/command.h"
#include "tools/progress.h"
#include "tools/wav_files.h"

namespace {

const char* const kUsage = "A.wav B.wav OUT.wav (--duration S | --start S --end E)";
constexpr uint32_t kBlockFrames = 4096;

void printDetails(FILE* out)
{
    std::fprintf(out, "Plays A, then B, overlapping A's end with B's start as a DJ does: --duration S fades\n"
                      "over the last S seconds of A, while B starts. --start S --end E instead starts B at S\n"
                      "seconds into A and fades over to it by E (A past E is dropped). The mid-point sits at\n"
                      "-1 dB each. A fade longer than A or B is refused.\n");
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

// Reads frames frames into block[0, frames) from in, silence past its end. False on a read error.
bool readFrames(WavDataReader& in, int16_t* block, uint32_t frames, uint32_t channels)
{
    const int32_t got = frames > 0 ? in.read(block, frames) : 0;
    if (got < 0)
        return false;
    std::fill(block + got / 2, block + size_t(frames) * channels, int16_t(0));
    return true;
}

int runCrossfade(const std::vector<std::string>& args)
{
    std::vector<std::string> paths;
    double start = -1, end = -1, duration = -1;
    for (ArgReader r(args); !r.done();) {
        if (r.option("--start")) {
            if (!r.number(0, 86400, "seconds", start))
                return 2;
        } else if (r.option("--end")) {
            if (!r.number(0, 86400, "seconds", end))
                return 2;
        } else if (r.option("--duration")) {
            if (!r.number(0, 86400, "seconds", duration))
                return 2;
        } else if (const int status = r.operand(paths)) {
            return status;
        }
    }
    if (paths.size() != 3)
        return usageError("give A.wav, B.wav and OUT.wav");
    if ((duration >= 0) == (start >= 0 || end >= 0))
        return usageError("give either --duration or both --start and --end");
    if (duration < 0 && (start < 0 || end < 0))
        return usageError("give both --start and --end");
    if (duration < 0 && !(start < end))
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
    WavDataReader readerA(run.a), readerB(run.b);
    const uint64_t framesA = readerA.totalBytes() / (2 * channels);
    const uint64_t framesB = readerB.totalBytes() / (2 * channels);
    // B starts at frame bStart of the output; the fade runs over [bStart, fadeEnd).
    uint64_t bStart = 0, fadeEnd = 0;
    if (duration >= 0) {
        const auto overlap = uint64_t(std::llround(duration * rate));
        if (overlap > framesA || overlap > framesB)
            return failure("a " + numberText(duration) + " s fade is longer than A (" + numberText(double(framesA) / rate) +
                           " s) or B (" + numberText(double(framesB) / rate) + " s)");
        bStart = framesA - overlap;
        fadeEnd = framesA;
    } else {
        bStart = uint64_t(std::llround(start * rate));
        fadeEnd = uint64_t(std::llround(end * rate));
        if (fadeEnd > framesA || fadeEnd - bStart > framesB)
            return failure("the fade from " + numberText(start) + " to " + numberText(end) + " s runs past the end of A (" +
                           numberText(double(framesA) / rate) + " s) or B (" + numberText(double(framesB) / rate) + " s)");
    }
    run.fader = initFader(kBlockFrames, channels, rate, 1.0f, 0.0f, 0.0f);
    if (run.fader == nullptr)
        return failure("cannot set up the cross-fader");
    // The clock counts samples already processed: a fade from 0 s starts at the first sample.
    const double first = 1.0 / rate;
    setCrossFaderAction(run.fader, float(std::max(double(bStart) / rate, first)),
                        float(std::max(double(fadeEnd) / rate, 2 * first)), -1.0f);
    // A fade shorter than a sample joins the files: one of the two is silent at every frame.
    const bool joined = fadeEnd <= bStart;
    if (!run.out.create(paths[2], fa, error))
        return failure(error);

    std::vector<int16_t> blockA(size_t(kBlockFrames) * channels), blockB(blockA.size()), mixed(blockA.size());
    const uint64_t total = bStart + framesB;
    ProgressBar progress("crossfade");
    for (uint64_t at = 0; at < total;) {
        const auto frames = uint32_t(std::min<uint64_t>(kBlockFrames, total - at));
        // Before bStart B is silence; after fadeEnd A no longer sounds and is not read.
        const auto silentB = uint32_t(std::min<uint64_t>(frames, bStart > at ? bStart - at : 0));
        std::fill(blockB.begin(), blockB.begin() + silentB * channels, int16_t(0));
        const auto readA = uint32_t(std::min<uint64_t>(frames, fadeEnd > at ? fadeEnd - at : 0));
        if (!readFrames(readerA, blockA.data(), readA, channels) ||
            !readFrames(readerB, blockB.data() + silentB * channels, frames - silentB, channels))
            return failure("read error");
        std::fill(blockA.begin() + readA * channels, blockA.end(), int16_t(0));
        const uint32_t bytes = frames * channels * 2;
        if (joined)
            std::transform(blockA.begin(), blockA.end(), blockB.begin(), mixed.begin(),
                           [](int16_t x, int16_t y) { return int16_t(x + y); });
        else
            doCrossFade(run.fader, blockA.data(), blockB.data(), mixed.data(), bytes);
        if (!run.out.write(mixed.data(), int32_t(bytes), error))
            return failure(error);
        at += frames;
        progress.update(at, total);
    }
    progress.finish();
    return run.out.finish(error) ? 0 : failure(error);
}

}  // namespace

ORVANE_COMMAND("crossfade", kUsage, "play one WAV file into another, overlapping the end of the first with the start of the second",
               runCrossfade,
               printDetails);
