#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "orvane/dsp.h"
#include "tools/audio_file.h"
#include "tools/cli.h"
#include "tools/command.h"
#include "tools/progress.h"
#include "tools/wav_files.h"

namespace {

const char* const kUsage = "A B OUT.wav (--duration S | --start S --end E) [--bits 16|24|32]";
constexpr uint32_t kBlockFrames = 4096;

void printDetails(FILE* out)
{
    std::fprintf(out,
                 "Plays A, then B, overlapping A's end with B's start as a DJ does: --duration S fades\n"
                 "over the last S seconds of A, while B starts. --start S --end E instead starts B at S\n"
                 "seconds into A and fades over to it by E (A past E is dropped). The mid-point sits at\n"
                 "-1 dB each. A fade longer than A or B is refused. A and B are anything orvane fx reads\n"
                 "(WAV of 8/16/24/32-bit integer or float samples, or MPEG audio; one may be - for\n"
                 "standard input), alike in channels and rate; OUT.wav (- for standard output) holds\n"
                 "16-bit samples, or 24-bit or float with --bits 24 or 32.\n");
}

// Up to frames frames of in into out, fewer only at its end; -1 on a read error.
int64_t readFrames(AudioReader& in, float* out, uint64_t frames)
{
    uint64_t done = 0;
    while (done < frames) {
        const int64_t got
            = in.read(out + done * in.channels(), uint32_t(std::min<uint64_t>(frames - done, kBlockFrames)));
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += uint64_t(got);
    }
    return int64_t(done);
}

// What one run lays out on the output: A alone up to bStart, the fade over fadeLength frames,
// then B alone. In --duration mode bStart is only known once A has ended.
struct Layout {
    bool fromEnd = false;  // --duration: the fade covers A's last fadeLength frames
    uint64_t bStart = 0;   // --start: where B begins
    uint64_t fadeLength = 0;
    uint64_t total = 0;  // frames of output, 0 while a length is unknown
    double seconds(uint64_t frames, uint32_t rate) const { return double(frames) / rate; }
};

class Crossfade {
public:
    Crossfade(AudioReader& a, AudioReader& b, AudioWriter& out, const Layout& layout)
        : a_(a),
          b_(b),
          out_(out),
          layout_(layout),
          channels_(a.channels()),
          rate_(a.rate()),
          // A alone at first, both faders at 0 dB: only the cross-fader acts.
          fader_(initFader(kBlockFrames, channels_, rate_, 1.0f, 0.0f, 0.0f), termFader)
    {
        // The fader runs only over the fade, its clock counting from the fade's first frame; a
        // ramp must start after the samples processed, so it starts at the fade's second.
        const double end = double(std::max<uint64_t>(layout.fadeLength, 1)) + 0.5;
        if (fader_ != nullptr)
            setCrossFaderAction(fader_.get(), float(1.5 / rate_), float(end / rate_), -1.0f);
    }

    // 0, or the exit status after a message.
    int run()
    {
        if (fader_ == nullptr)
            return failure("the cross-fader cannot be set up for this format");
        std::vector<float> held;  // A's part of the fade, in --duration mode
        if (const int status = layout_.fromEnd ? playAHoldingTail(held) : playAUntilB())
            return status;
        if (const int status = fade(held))
            return status;
        std::vector<float> block(size_t(kBlockFrames) * channels_);
        int64_t got = 0;
        while ((got = readFrames(b_, block.data(), kBlockFrames)) > 0)
            if (!write(block.data(), uint64_t(got)))
                return 1;
        if (got < 0)
            return failure("read error in B");
        progress_.finish();
        return 0;
    }

private:
    bool write(const float* samples, uint64_t frames)
    {
        if (frames == 0)
            return true;
        std::string error;
        if (!out_.write(samples, uint32_t(frames), error))
            return failure(error), false;
        done_ += frames;
        progress_.update(done_, layout_.total);
        return true;
    }

    int tooLong(const char* which, uint64_t frames)
    {
        return failure("the " + numberText(layout_.seconds(layout_.fadeLength, rate_)) + " s fade is longer than "
                       + which + " (" + numberText(layout_.seconds(frames, rate_)) + " s) allows");
    }

    // --duration: plays A, keeping its last fadeLength frames back for the fade.
    int playAHoldingTail(std::vector<float>& held)
    {
        const size_t tail = size_t(layout_.fadeLength) * channels_;
        std::vector<float> block(size_t(kBlockFrames) * channels_);
        uint64_t framesA = 0;
        int64_t got = 0;
        while ((got = readFrames(a_, block.data(), kBlockFrames)) > 0) {
            framesA += uint64_t(got);
            held.insert(held.end(), block.begin(), block.begin() + long(size_t(got) * channels_));
            if (held.size() > tail + block.size()) {
                const size_t free = held.size() - tail;
                if (!write(held.data(), free / channels_))
                    return 1;
                held.erase(held.begin(), held.begin() + long(free));
            }
        }
        if (got < 0)
            return failure("read error in A");
        if (held.size() < tail)
            return tooLong("A", framesA);
        if (!write(held.data(), (held.size() - tail) / channels_))
            return 1;
        held.erase(held.begin(), held.end() - long(tail));
        return 0;
    }

    // --start/--end: plays A up to where B starts; A's part of the fade is read as it runs.
    int playAUntilB()
    {
        std::vector<float> block(size_t(kBlockFrames) * channels_);
        for (uint64_t left = layout_.bStart; left > 0;) {
            const int64_t got = readFrames(a_, block.data(), std::min<uint64_t>(left, kBlockFrames));
            if (got < 0)
                return failure("read error in A");
            if (got == 0)
                return tooLong("A", layout_.bStart - left);
            if (!write(block.data(), uint64_t(got)))
                return 1;
            left -= uint64_t(got);
        }
        return 0;
    }

    // A's part of the fade (held back, or read now) and B's start through the cross-fader.
    int fade(const std::vector<float>& held)
    {
        std::vector<float> a(size_t(kBlockFrames) * channels_), b(a.size()), mixed(a.size());
        for (uint64_t at = 0; at < layout_.fadeLength;) {
            const auto n = uint32_t(std::min<uint64_t>(kBlockFrames, layout_.fadeLength - at));
            const int64_t gotA = layout_.fromEnd ? int64_t(n) : readFrames(a_, a.data(), n);
            const int64_t gotB = readFrames(b_, b.data(), n);
            if (gotA < 0 || gotB < 0)
                return failure(gotA < 0 ? "read error in A" : "read error in B");
            if (uint64_t(gotA) < n)
                return tooLong("A", layout_.bStart + at + uint64_t(gotA));
            if (uint64_t(gotB) < n)
                return tooLong("B", at + uint64_t(gotB));
            const float* fromA = layout_.fromEnd ? held.data() + at * channels_ : a.data();
            if (!doCrossFadeFloat(fader_.get(), fromA, b.data(), mixed.data(), n))
                return failure("the cross-fader refused a block");
            if (!write(mixed.data(), n))
                return 1;
            at += n;
        }
        return 0;
    }

    AudioReader& a_;
    AudioReader& b_;
    AudioWriter& out_;
    Layout layout_;
    uint32_t channels_;
    uint32_t rate_;
    std::unique_ptr<void, int32_t (*)(void*)> fader_;
    uint64_t done_ = 0;
    ProgressBar progress_{"crossfade"};
};

int runCrossfade(const std::vector<std::string>& args)
{
    std::vector<std::string> paths;
    double start = -1, end = -1, duration = -1;
    long bits = 16;
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
        } else if (r.option("--bits")) {
            if (!r.integer(16, 32, "16, 24 or 32 for float", bits))
                return 2;
            if (bits != 16 && bits != 24 && bits != 32)
                return usageError("--bits must be 16, 24 or 32 (float), not " + std::to_string(bits));
        } else if (const int status = r.operand(paths)) {
            return status;
        }
    }
    if (paths.size() != 3)
        return usageError("give A, B and OUT.wav");
    if ((duration >= 0) == (start >= 0 || end >= 0))
        return usageError("give either --duration or both --start and --end");
    if (duration < 0 && (start < 0 || end < 0))
        return usageError("give both --start and --end");
    if (duration < 0 && !(start < end))
        return usageError("--end must come after --start");
    if (paths[0] == "-" && paths[1] == "-")
        return usageError("only one of A and B can be standard input");
    if (paths[2] != "-" && (sameFile(paths[0], paths[2]) || sameFile(paths[1], paths[2])))
        return failure("the output '" + paths[2] + "' is an input");

    std::string error;
    const std::unique_ptr<AudioReader> a = openAudio(paths[0], error);
    if (a == nullptr)
        return failure(error);
    const std::unique_ptr<AudioReader> b = openAudio(paths[1], error);
    if (b == nullptr)
        return failure(error);
    if (a->channels() != b->channels() || a->rate() != b->rate())
        return failure("A and B differ in channels or rate");
    const uint32_t rate = a->rate();
    Layout layout;
    layout.fromEnd = duration >= 0;
    if (layout.fromEnd) {
        layout.fadeLength = uint64_t(std::llround(duration * rate));
    } else {
        layout.bStart = uint64_t(std::llround(start * rate));
        layout.fadeLength = uint64_t(std::llround(end * rate)) - layout.bStart;
    }
    // Lengths known up front are checked before anything is written; others as the files run out.
    const uint64_t needA = layout.fromEnd ? layout.fadeLength : layout.bStart + layout.fadeLength;
    if ((a->frames() > 0 && a->frames() < needA) || (b->frames() > 0 && b->frames() < layout.fadeLength))
        return failure("the " + numberText(double(layout.fadeLength) / rate) + " s fade is longer than A ("
                       + numberText(double(a->frames()) / rate) + " s) or B (" + numberText(double(b->frames()) / rate)
                       + " s) allows");
    if (a->frames() > 0 && b->frames() > 0)
        layout.total = (layout.fromEnd ? a->frames() - layout.fadeLength : layout.bStart) + b->frames();
    const std::unique_ptr<AudioWriter> out
        = AudioWriter::create(paths[2], rate, a->channels(), effectOutputFormat(bits), false, error);
    if (out == nullptr)
        return failure(error);
    if (const int status = Crossfade(*a, *b, *out, layout).run())
        return status;
    return out->close(error) ? 0 : failure(error);
}

}  // namespace

ORVANE_COMMAND("crossfade", kUsage,
               "play one input into another, overlapping the end of the first with the start of the second",
               runCrossfade, printDetails);
