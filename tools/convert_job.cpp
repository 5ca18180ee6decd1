#include "tools/convert_job.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "orvane/dsp.h"
#include "orvane/mp3.h"
#include "tools/audio_file.h"
#include "tools/mpeg_file.h"
#include "tools/wav_files.h"

namespace {

constexpr uint32_t kBlockFrames = 4096;
// The rate converter's anti-alias filter: 90 dB down, reached within a sixth of an octave.
constexpr float kStopbandDb = 90.0f;
constexpr float kSlopeDbPerOctave = 540.0f;

// Frames in ms milliseconds at rate, to the nearest.
uint64_t framesOf(long ms, uint32_t rate)
{
    return (uint64_t(ms) * rate + 500) / 1000;
}

uint64_t gcd(uint64_t a, uint64_t b)
{
    while (b != 0) {
        const uint64_t r = a % b;
        a = b;
        b = r;
    }
    return a;
}

// libdsp's resampler in a chain of its own, fed blocks of one size.
class RateConverter {
public:
    ~RateConverter() { dspDestroy(chain_); }
    // False when the library refuses the rates.
    bool setup(uint32_t block, uint32_t channels, uint32_t from, uint32_t to)
    {
        chain_ = dspCreate(block, channels, from);
        void* resampler = initResampler(block, channels, channels, from, to, 1, kStopbandDb, kSlopeDbPerOctave, 1);
        if (chain_ != nullptr && resampler != nullptr && dspAdd(chain_, resampler, 0) == 1)
            return true;
        termResampler(resampler);
        return false;
    }
    bool active() const { return chain_ != nullptr; }
    uint32_t largestOutput(uint32_t frames) const { return dspGetDstSize(chain_, frames); }
    // Frames written to out, or a negative count when the library refused the block.
    int32_t run(const float* in, float* out, uint32_t frames) { return dspSendFloat(chain_, in, out, frames); }

private:
    void* chain_ = nullptr;
};

// Source blocks a whole number of rate periods long, so no block leaves a fraction of an output
// frame behind; rates far from a simple ratio keep the full block.
uint32_t blockFor(uint32_t from, uint32_t to)
{
    const uint64_t period = from / gcd(from, to);
    return period > kBlockFrames ? kBlockFrames : uint32_t(kBlockFrames / period * period);
}

// The decoded block scaled by gain and, for mono output, mixed down, in place: the first frames x
// (mono ? 1 : channels) samples of pcm hold the result.
void prepare(float* pcm, uint32_t frames, uint32_t channels, bool mono, float gain)
{
    if (mono && channels == 2) {
        for (uint32_t i = 0; i < frames; ++i)
            pcm[i] = (pcm[2 * i] + pcm[2 * i + 1]) * (0.5f * gain);
    } else if (gain != 1.0f) {
        for (uint32_t i = 0; i < frames * channels; ++i)
            pcm[i] *= gain;
    }
}

// Frames of from channels spread over to channels: mono to the front pair, the rest silent.
void widen(const float* in, float* out, uint32_t frames, uint32_t from, uint32_t to)
{
    for (uint32_t i = 0; i < frames; ++i, out += to) {
        for (uint32_t c = 0; c < to; ++c)
            out[c] = c < from ? in[i * from + c] : from == 1 && c == 1 ? in[i] : 0.0f;
    }
}

// The stages after decoding: rate, channels, the file.
class Output {
public:
    Output(AudioWriter& writer, RateConverter& rate, uint32_t work, uint32_t channels)
        : writer_(writer), rate_(rate), work_(work), channels_(channels)
    { }

    // Sends frames of work channels on; at most limit frames reach the file. False with the reason.
    bool send(const float* pcm, uint32_t frames, uint64_t limit, std::string& error)
    {
        if (rate_.active()) {
            resampled_.resize(size_t(rate_.largestOutput(frames)) * work_);
            const int32_t made = rate_.run(pcm, resampled_.data(), frames);
            if (made < 0 || (made == 0 && frames > 0 && rate_.largestOutput(frames) > 0))
                return error = "the rate converter refused a block", false;
            pcm = resampled_.data();
            frames = uint32_t(made);
        }
        frames = uint32_t(std::min<uint64_t>(frames, limit - written_));
        if (channels_ != work_) {
            wide_.resize(size_t(frames) * channels_);
            widen(pcm, wide_.data(), frames, work_, channels_);
            pcm = wide_.data();
        }
        written_ += frames;
        return writer_.write(pcm, frames, error);
    }
    uint64_t written() const { return written_; }

private:
    AudioWriter& writer_;
    RateConverter& rate_;
    uint32_t work_;
    uint32_t channels_;
    uint64_t written_ = 0;
    std::vector<float> resampled_;
    std::vector<float> wide_;
};

}  // namespace

ConvertResult convertFile(const std::string& input, const std::string& output, const ConvertSettings& s,
                          ProgressBar* progress)
{
    ConvertResult result;
    auto failed = [&result](const std::string& error) {
        result.error = error;
        return result;
    };
    if (output != "-" && sameFile(input, output))
        return failed("the output '" + output + "' is the input");
    FILE* file = std::fopen(input.c_str(), "rb");
    if (file == nullptr)
        return failed("cannot open '" + input + "': " + std::strerror(errno));
    MpegFile mpeg;
    if (!mpeg.open(file, s.offset))
        return failed("'" + input + "' is not MPEG audio");
    OrvaneDecoder* decoder = mpeg.decoder();
    OrvaneDecodeFormat format{};
    if (!s.gapless)
        OrvaneDecodeSetGapless(decoder, 0);
    // The library scales the decoded float samples, held down by the file's peak.
    if (s.replayGain != 0)
        OrvaneDecodeSetReplayGain(decoder, s.replayGain);
    OrvaneDecodeGetFormat(decoder, &format);
    const uint32_t sourceRate = format.sampleRate;
    const uint32_t sourceChannels = format.channels;

    const uint64_t first = framesOf(s.startMs, sourceRate);
    if (first > 0 && OrvaneDecodeSeek(decoder, first) != 1)
        return failed("--start is past the end of the audio");
    uint64_t left = s.lengthMs < 0 ? UINT64_MAX : framesOf(s.lengthMs, sourceRate);

    const uint32_t channels = s.channels != 0 ? s.channels : sourceChannels;
    const uint32_t work = channels == 1 ? 1 : sourceChannels;
    const uint32_t rate = s.rate != 0 ? s.rate : sourceRate;
    const uint32_t block = blockFor(sourceRate, rate);
    RateConverter converter;
    if (rate != sourceRate && !converter.setup(block, work, sourceRate, rate))
        return failed("cannot convert " + std::to_string(sourceRate) + " Hz to " + std::to_string(rate) + " Hz");

    std::string error;
    const std::unique_ptr<AudioWriter> writer = AudioWriter::create(output, rate, channels, s.format, s.raw, error);
    if (writer == nullptr)
        return failed(error);
    Output out(*writer, converter, work, channels);

    // The progress bar's total: the stream's own count when it states one, else its duration.
    uint64_t total = format.totalFrames;
    if (total == 0 && progress != nullptr)
        total = framesOf(OrvaneGetTotalMs(input.c_str(), int32_t(std::min<int64_t>(s.offset, INT32_MAX))), sourceRate);
    total = std::min(total > first ? total - first : 0, left);

    std::vector<float> pcm(size_t(block) * sourceChannels);
    const float gain = float(s.volume) / 32768.0f;
    uint64_t read = 0;
    while (left > 0) {
        const int64_t n = OrvaneDecodeReadFloat(decoder, pcm.data(), int64_t(std::min<uint64_t>(block, left)));
        if (n < 0)
            return failed("cannot decode '" + input + "'");
        if (n == 0)
            break;
        left -= uint64_t(n);
        read += uint64_t(n);
        prepare(pcm.data(), uint32_t(n), sourceChannels, channels == 1, gain);
        if (!out.send(pcm.data(), uint32_t(n), UINT64_MAX, error))
            return failed(error);
        if (progress != nullptr)
            progress->update(read, total);
    }
    if (read == 0 && left > 0)
        return failed("no audio could be decoded from '" + input + "'");
    // The converter's tail: silence in until the output is round(frames x rate / source rate) long.
    if (converter.active()) {
        const uint64_t target = (read * rate + sourceRate / 2) / sourceRate;
        std::fill(pcm.begin(), pcm.end(), 0.0f);
        for (int guard = 0; out.written() < target && guard < 64; ++guard)
            if (!out.send(pcm.data(), block, target, error))
                return failed(error);
    }
    if (!writer->close(error))
        return failed(error);
    result.ok = true;
    result.frames = out.written();
    result.rate = rate;
    result.channels = channels;
    return result;
}
