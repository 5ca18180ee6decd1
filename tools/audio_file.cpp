#include "tools/audio_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "orvane/mp3.h"
#include "platform/tool/files.h"
#include "tools/mpeg_file.h"
#include "tools/pcm_format.h"
#include "tools/wav_files.h"

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;

uint32_t le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t le16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

class WavReader : public AudioReader {
public:
    explicit WavReader(FILE* file) : file_(file) { }
    ~WavReader() override { std::fclose(file_); }

    // Reads the chunks up to "data"; false with the reason in error.
    bool open(std::string& error)
    {
        uint8_t riff[12];
        if (std::fread(riff, 1, 12, file_) != 12 || std::memcmp(riff, "RIFF", 4) != 0
            || std::memcmp(riff + 8, "WAVE", 4) != 0)
            return error = "not a WAV file", false;
        bool haveFormat = false;
        while (true) {
            uint8_t head[8];
            if (std::fread(head, 1, 8, file_) != 8)
                return error = "no audio data in the WAV file", false;
            const uint32_t size = le32(head + 4);
            if (std::memcmp(head, "data", 4) == 0) {
                if (!haveFormat)
                    return error = "the WAV file's data comes before its format", false;
                // A streamed file leaves the size at 0 or its largest: read to the end.
                left_ = size == 0 || size == 0xFFFFFFFF ? UINT64_MAX : size;
                frames_ = left_ == UINT64_MAX ? 0 : left_ / frameBytes_;
                return true;
            }
            if (std::memcmp(head, "fmt ", 4) == 0) {
                if (size < 16 || size > 64)
                    return error = "the WAV file's format chunk is malformed", false;
                uint8_t fmt[64];
                if (std::fread(fmt, 1, size + (size & 1), file_) != size + (size & 1))
                    return error = "the WAV file ends inside its format", false;
                uint16_t tag = le16(fmt);
                if (tag == kFormatExtensible && size >= 26)
                    tag = le16(fmt + 24);
                channels_ = le16(fmt + 2);
                rate_ = le32(fmt + 4);
                bits_ = le16(fmt + 14);
                floating_ = tag == kFormatFloat;
                if (!(tag == kFormatPcm && (bits_ == 8 || bits_ == 16 || bits_ == 24 || bits_ == 32))
                    && !(floating_ && bits_ == 32))
                    return error = "the WAV file holds " + std::to_string(bits_) + "-bit samples of format "
                               + std::to_string(tag) + "; 8, 16, 24 or 32-bit integer or 32-bit float can be read",
                           false;
                if (channels_ < 1 || channels_ > 2 || rate_ < 1 || rate_ > 384000)
                    return error = "the WAV file has " + std::to_string(channels_) + " channels at "
                               + std::to_string(rate_) + " Hz; mono or stereo up to 384 kHz can be read",
                           false;
                frameBytes_ = channels_ * bits_ / 8;
                haveFormat = true;
                continue;
            }
            // Any other chunk is passed over, with its pad byte.
            for (uint64_t skip = uint64_t(size) + (size & 1); skip > 0;) {
                uint8_t scratch[4096];
                const size_t n = std::fread(scratch, 1, size_t(std::min<uint64_t>(skip, sizeof scratch)), file_);
                if (n == 0)
                    return error = "the WAV file ends inside a chunk", false;
                skip -= n;
            }
        }
    }

    int64_t read(float* out, uint32_t count) override
    {
        const size_t want
            = size_t(std::min<uint64_t>(uint64_t(count) * frameBytes_, left_ / frameBytes_ * frameBytes_));
        raw_.resize(want);
        const size_t got = want > 0 ? std::fread(raw_.data(), 1, want, file_) : 0;
        if (got < want && std::ferror(file_))
            return -1;
        // A size from the header that the file does not reach; a streamed size reads to the end.
        if (got < want && left_ != UINT64_MAX)
            cutShort_ = true;
        const size_t frames = got / frameBytes_;
        if (left_ != UINT64_MAX)
            left_ -= got;
        decodePcm(raw_.data(), out, frames * channels_, bits_, floating_);
        return int64_t(frames);
    }

private:
    FILE* file_;
    uint32_t bits_ = 16;
    uint32_t frameBytes_ = 2;
    bool floating_ = false;
    uint64_t left_ = 0;
    std::vector<uint8_t> raw_;
};

// Decodes MPEG audio through the library's decode interface as it is read, gapless.
class MpegReader : public AudioReader {
public:
    // Takes the file; false when it holds no MPEG audio.
    bool open(FILE* file)
    {
        OrvaneDecodeFormat format{};
        if (!mpeg_.open(file, 0) || OrvaneDecodeGetFormat(mpeg_.decoder(), &format) != 1)
            return false;
        rate_ = format.sampleRate;
        channels_ = format.channels;
        frames_ = format.totalFrames;
        return rate_ > 0 && channels_ >= 1 && channels_ <= 2;
    }

    int64_t read(float* out, uint32_t count) override { return OrvaneDecodeReadFloat(mpeg_.decoder(), out, count); }

private:
    MpegFile mpeg_;
};

// Standard input copied to a temporary file: a reader must be able to look at the first bytes
// before choosing how to read them, and the decoder seeks.
FILE* spoolStdin()
{
    FILE* spool = platform::openTemporaryStream();
    if (spool == nullptr)
        return nullptr;
    char buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
        if (std::fwrite(buffer, 1, n, spool) != n)
            return std::fclose(spool), nullptr;
    std::rewind(spool);
    return spool;
}

// Samples at or above high or below low. Runs of a fixed length sum in 32-bit lanes, which the
// compiler keeps in vector registers.
uint64_t countBeyond(const float* samples, size_t count, float low, float high)
{
    constexpr size_t kRun = 64;
    uint64_t n = 0;
    size_t i = 0;
    for (; i + kRun <= count; i += kRun) {
        uint32_t run = 0;
        for (size_t k = 0; k < kRun; ++k)
            run += (samples[i + k] >= high) | (samples[i + k] < low);
        n += run;
    }
    for (; i < count; ++i)
        n += samples[i] >= high || samples[i] < low;
    return n;
}

}  // namespace

std::unique_ptr<AudioReader> openAudio(const std::string& path, std::string& error)
{
    FILE* file = path == "-" ? spoolStdin() : std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return error
               = path == "-" ? "cannot keep standard input" : "cannot open '" + path + "': " + std::strerror(errno),
               nullptr;
    const std::string name = path == "-" ? "standard input" : "'" + path + "'";
    uint8_t magic[4] = {};
    const bool riff = std::fread(magic, 1, 4, file) == 4 && std::memcmp(magic, "RIFF", 4) == 0;
    std::rewind(file);
    if (riff) {
        auto wav = std::make_unique<WavReader>(file);
        if (!wav->open(error))
            return error = name + ": " + error, nullptr;
        return wav;
    }
    auto mpeg = std::make_unique<MpegReader>();
    if (!mpeg->open(file))
        return error = name + " is neither a WAV file nor MPEG audio", nullptr;
    return mpeg;
}

AudioWriter::~AudioWriter()
{
    if (closed_)
        return;
    if (file_ != nullptr && !toStdout_)
        std::fclose(file_);
    if (!toStdout_)
        removePartialOutput(path_);
}

std::unique_ptr<AudioWriter> AudioWriter::create(const std::string& path, uint32_t rate, uint32_t channels,
                                                 SampleFormat format, bool raw, std::string& error)
{
    std::unique_ptr<AudioWriter> w(new AudioWriter);
    w->toStdout_ = path == "-";
    w->path_ = w->toStdout_ ? "standard output" : path;
    w->file_ = w->toStdout_ ? stdout : std::fopen(path.c_str(), "wb");
    if (w->file_ == nullptr) {
        w->closed_ = true;  // nothing was made, so nothing is removed
        return error = writeError(path, errno), nullptr;
    }
    w->rate_ = rate;
    w->channels_ = channels;
    w->format_ = format;
    w->raw_ = raw;
    if (raw)
        return w;
    // On a pipe the sizes stay at their largest; a file's are patched by close().
    const std::vector<uint8_t> header = wavHeader(rate, channels, format, w->toStdout_ ? UINT64_MAX : 0);
    if (std::fwrite(header.data(), 1, header.size(), w->file_) != header.size())
        return error = writeError(w->path_, errno), nullptr;
    return w;
}

bool AudioWriter::write(const float* samples, uint32_t frames, std::string& error)
{
    if (frames == 0)
        return true;  // nothing to store (and an empty buffer's data may be null, which fwrite refuses)
    const size_t count = size_t(frames) * channels_;
    buffer_.resize(count * sampleBytes(format_));
    encodePcm(samples, buffer_.data(), count, format_);
    // Samples past full scale are held at it: count them, for integer outputs, when asked.
    if (countClipping_ && format_ != SampleFormat::Float32) {
        const uint32_t bits = sampleBytes(format_) * 8;
        const float top = float(1u << (bits - 1));
        const float high = bits == 32 ? 1.0f : (top - 0.5f) / top;
        const float low = bits == 32 ? -1.0f : -(top + 0.5f) / top;
        clipped_ += countBeyond(samples, count, low, high);
    }
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
        return error = writeError(path_, errno), false;
    dataBytes_ += buffer_.size();
    return true;
}

bool AudioWriter::close(std::string& error)
{
    errno = 0;
    bool ok = true;
    if (!toStdout_ && !raw_) {
        if (dataBytes_ & 1)
            ok = std::fputc(0, file_) != EOF;
        const std::vector<uint8_t> header = wavHeader(rate_, channels_, format_, dataBytes_);
        ok = ok && std::fseek(file_, 0, SEEK_SET) == 0
            && std::fwrite(header.data(), 1, header.size(), file_) == header.size();
    }
    ok = (toStdout_ ? std::fflush(file_) == 0 : std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    if (!ok)
        return error = writeError(path_, errno), false;
    closed_ = true;
    return true;
}

SampleFormat effectOutputFormat(long bits)
{
    return bits == 24 ? SampleFormat::Int24 : bits == 32 ? SampleFormat::Float32 : SampleFormat::Int16;
}
