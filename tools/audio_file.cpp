#include "tools/audio_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>

#include "orvane/mp3.h"
#include "platform/tool/files.h"
#include "tools/wav_files.h"

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// The effects take 16-bit full scale, 32767, as 1.0.
constexpr float kInt16Scale = 32767.0f;

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
        const size_t samples = frames * channels_;
        const uint8_t* p = raw_.data();
        // Each width is scaled so that its value as a 16-bit sample lands where 16-bit input would;
        // one loop per width keeps the choice out of the per-sample work.
        if (bits_ == 8) {
            for (size_t i = 0; i < samples; ++i)
                out[i] = float(int(p[i]) - 128) * 256.0f / kInt16Scale;
        } else if (bits_ == 16) {
            for (size_t i = 0; i < samples; ++i)
                out[i] = float(int16_t(le16(p + 2 * i))) / kInt16Scale;
        } else if (bits_ == 24) {
            for (size_t i = 0; i < samples; ++i) {
                const uint8_t* q = p + 3 * i;
                const int32_t v = int32_t(uint32_t(q[0]) << 8 | uint32_t(q[1]) << 16 | uint32_t(q[2]) << 24) >> 8;
                out[i] = float(v) / (256.0f * kInt16Scale);
            }
        } else if (floating_) {
            for (size_t i = 0; i < samples; ++i) {
                const uint32_t v = le32(p + 4 * i);
                float f = 0.0f;
                std::memcpy(&f, &v, 4);
                out[i] = std::isfinite(f) ? f * (32768.0f / kInt16Scale) : 0.0f;
            }
        } else {
            for (size_t i = 0; i < samples; ++i)
                out[i] = float(double(int32_t(le32(p + 4 * i))) / (65536.0 * kInt16Scale));
        }
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

// Decodes MPEG audio through the library's decode interface as it is read, gapless as orvane
// convert decodes: the encoder's delay and padding are not audio. Reads the file it is handed.
class MpegReader : public AudioReader {
public:
    explicit MpegReader(FILE* file) : file_(file) { }
    ~MpegReader() override
    {
        OrvaneDecodeClose(decoder_);
        std::fclose(file_);
    }

    bool open()
    {
        decoder_ = OrvaneDecodeOpenCallbacks(&readFile, &seekFile, file_);
        OrvaneDecodeFormat format{};
        if (OrvaneDecodeGetFormat(decoder_, &format) != 1)
            return false;
        rate_ = format.sampleRate;
        channels_ = format.channels;
        frames_ = format.totalFrames;
        return rate_ > 0 && channels_ >= 1 && channels_ <= 2;
    }

    int64_t read(float* out, uint32_t count) override
    {
        const int64_t n = OrvaneDecodeReadFloat(decoder_, out, count);
        // The decoder's full scale is 1.0 at 32768, the effects' at 32767.
        for (int64_t i = 0; i < n * channels_; ++i)
            out[i] *= 32768.0f / kInt16Scale;
        return n;
    }

private:
    static int64_t readFile(void* context, void* buffer, int64_t bytes)
    {
        FILE* file = static_cast<FILE*>(context);
        const size_t n = std::fread(buffer, 1, size_t(bytes), file);
        return n == 0 && std::ferror(file) ? -1 : int64_t(n);
    }

    static int64_t seekFile(void* context, int64_t offset, int32_t whence)
    {
        FILE* file = static_cast<FILE*>(context);
        const int origin = whence == 0 ? SEEK_SET : whence == 1 ? SEEK_CUR : SEEK_END;
        if (offset < LONG_MIN || offset > LONG_MAX || std::fseek(file, long(offset), origin) != 0)
            return -1;
        return int64_t(std::ftell(file));
    }

    FILE* file_;
    OrvaneDecoder* decoder_ = nullptr;
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
    auto mpeg = std::make_unique<MpegReader>(file);
    if (!mpeg->open())
        return error = name + " is neither a WAV file nor MPEG audio", nullptr;
    return mpeg;
}

namespace {

void put16(std::vector<uint8_t>& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& b, uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// The 44-byte header of a plain PCM or float WAV file with dataBytes of samples.
std::vector<uint8_t> waveHeader(uint32_t rate, uint32_t channels, uint32_t bits, uint32_t dataBytes)
{
    std::vector<uint8_t> h;
    const uint32_t frameBytes = channels * bits / 8;
    h.insert(h.end(), {'R', 'I', 'F', 'F'});
    put32(h, dataBytes > 0xFFFFFFFF - 37 ? 0xFFFFFFFF : dataBytes + 36 + (dataBytes & 1));
    h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(h, 16);
    put16(h, bits == 32 ? kFormatFloat : kFormatPcm);
    put16(h, channels);
    put32(h, rate);
    put32(h, rate * frameBytes);
    put16(h, frameBytes);
    put16(h, bits);
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    put32(h, dataBytes);
    return h;
}

}  // namespace

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
                                                 uint32_t bits, std::string& error)
{
    std::unique_ptr<AudioWriter> w(new AudioWriter);
    w->toStdout_ = path == "-";
    w->path_ = w->toStdout_ ? "standard output" : path;
    w->file_ = w->toStdout_ ? stdout : std::fopen(path.c_str(), "wb");
    if (w->file_ == nullptr) {
        w->closed_ = true;  // nothing was made, so nothing is removed
        return error = writeError(path, errno), nullptr;
    }
    w->channels_ = channels;
    w->bits_ = bits;
    // On a pipe the sizes stay at their largest; a file's are patched by close().
    const std::vector<uint8_t> header = waveHeader(rate, channels, bits, w->toStdout_ ? 0xFFFFFFFF : 0);
    if (std::fwrite(header.data(), 1, header.size(), w->file_) != header.size())
        return error = writeError(w->path_, errno), nullptr;
    return w;
}

// Rounds half away from zero, as lround does, for values already held inside the int32 range; the
// half is added in double, where every float plus one half is exact. NaN gives 0.
static int32_t roundHalfAway(float v)
{
    if (std::isnan(v))
        return 0;
    return int32_t(double(v) + (v >= 0.0f ? 0.5 : -0.5));
}

bool AudioWriter::write(const float* samples, uint32_t frames, std::string& error)
{
    if (frames == 0)
        return true;  // nothing to store (and an empty buffer's data may be null, which fwrite refuses)
    const size_t count = size_t(frames) * channels_;
    buffer_.resize(count * (bits_ / 8));
    uint8_t* out = buffer_.data();
    // One loop per width, each sample stored little-endian in place.
    if (bits_ == 32) {
        // Back to the file's own scale, full scale at 1.0.
        for (size_t i = 0; i < count; ++i, out += 4) {
            const float f = samples[i] * (kInt16Scale / 32768.0f);
            uint32_t u = 0;
            std::memcpy(&u, &f, 4);
            out[0] = uint8_t(u), out[1] = uint8_t(u >> 8), out[2] = uint8_t(u >> 16), out[3] = uint8_t(u >> 24);
        }
    } else if (bits_ == 24) {
        for (size_t i = 0; i < count; ++i, out += 3) {
            const float s = samples[i] * 256.0f * kInt16Scale;
            // Beyond these the value would round past full scale.
            clipped_ += s >= 8388607.5f || s <= -8388608.5f;
            const auto v = uint32_t(roundHalfAway(std::clamp(s, -8388608.0f, 8388607.0f)));
            out[0] = uint8_t(v), out[1] = uint8_t(v >> 8), out[2] = uint8_t(v >> 16);
        }
    } else {
        for (size_t i = 0; i < count; ++i, out += 2) {
            const float s = samples[i] * kInt16Scale;
            clipped_ += s >= 32767.5f || s <= -32768.5f;
            const auto v = uint32_t(roundHalfAway(std::clamp(s, -32768.0f, 32767.0f)));
            out[0] = uint8_t(v), out[1] = uint8_t(v >> 8);
        }
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
    if (!toStdout_) {
        if (dataBytes_ & 1)
            ok = std::fputc(0, file_) != EOF;
        const std::vector<uint8_t> header
            = waveHeader(0, channels_, bits_, uint32_t(std::min<uint64_t>(dataBytes_, 0xFFFFFFFF)));
        // Only the two sizes change: the RIFF size at 4 and the data size at 40.
        ok = ok && std::fseek(file_, 4, SEEK_SET) == 0 && std::fwrite(header.data() + 4, 1, 4, file_) == 4
            && std::fseek(file_, 40, SEEK_SET) == 0 && std::fwrite(header.data() + 40, 1, 4, file_) == 4;
    }
    ok = (toStdout_ ? std::fflush(file_) == 0 : std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    if (!ok)
        return error = writeError(path_, errno), false;
    closed_ = true;
    return true;
}
