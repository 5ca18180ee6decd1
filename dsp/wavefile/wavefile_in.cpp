#include "dsp/wavefile/wavefile_in.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "dsp/wavefile/riff_chunk.h"
#include "platform/export_guard.h"

namespace {

void* zeroedBuffer(uint64_t bytes)
{
    return std::calloc(bytes > 0 ? bytes : 1, 1);
}

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr uint32_t kExtensibleBytes = 40;
// Bytes 2..15 of the sub-format GUID shared by every format with a short tag (bytes 0..1).
constexpr uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// Whether the format chunk's first bytes describe 16-bit integer PCM, the only samples the
// reader's frame arithmetic and its callers handle; an extensible format of 16-bit PCM is
// rewritten as the plain PCM format it amounts to, so a writer given it makes a plain file.
bool accept16BitPcm(OrvaneWaveFormat& w, const uint8_t* raw, uint32_t kept)
{
    if (w.wBitsPerSample != 16)
        return false;
    if (w.wFormatTag == kFormatPcm)
        return true;
    if (w.wFormatTag != kFormatExtensible || kept < kExtensibleBytes || w.cbSize < kExtensibleBytes - 18)
        return false;
    const uint16_t validBits = riff::readLe16(raw + 18);
    const bool pcm = riff::readLe16(raw + 24) == kFormatPcm && std::memcmp(raw + 26, kGuidTail, sizeof kGuidTail) == 0;
    if (!pcm || validBits == 0 || validBits > 16)
        return false;
    w.wFormatTag = kFormatPcm;
    w.cbSize = 0;
    return true;
}

}  // namespace

WavefileIn::~WavefileIn()
{
    close();
}

WavefileIn* WavefileIn::open(const char* path, uint32_t frames)
{
    using export_guard::refuse;
    std::unique_ptr<WavefileIn> in(new WavefileIn);
    platform::WaveFile& f = in->file_;
    riff::Chunk riffChunk, fmt, data;
    if (path == nullptr)
        refuse(export_guard::kBadArgument, "no path given");
    if (!f.open(path, platform::WaveFile::Mode::Read))
        refuse(export_guard::kCannotOpen, (std::string(path) + ": " + platform::systemErrorText()).c_str());
    const int64_t fileSize = f.size();
    if (fileSize < 0 || !riff::descendWaveForm(f, riffChunk))
        refuse(export_guard::kUnsupported, "not a RIFF WAVE file");
    if (!riff::findChunk(f, riff::fourcc("fmt "), fileSize, fmt) || fmt.size < 16
        || fmt.dataOffset + fmt.size > fileSize)
        refuse(export_guard::kTruncated, "no complete format chunk");
    // The format and an extensible format's extra fields are read; the rest of a longer chunk is skipped.
    uint8_t raw[kExtensibleBytes] = {};
    const uint32_t keep = fmt.size < kExtensibleBytes ? fmt.size : kExtensibleBytes;
    if (f.read(raw, keep) != keep || !riff::ascend(f, fmt) || !riff::findChunk(f, riff::fourcc("data"), fileSize, data))
        refuse(export_guard::kTruncated, "no data chunk");
    OrvaneWaveFormat& w = in->format_;
    w.wFormatTag = riff::readLe16(raw);
    w.nChannels = riff::readLe16(raw + 2);
    w.nSamplesPerSec = riff::readLe32(raw + 4);
    w.nAvgBytesPerSec = riff::readLe32(raw + 8);
    w.nBlockAlign = riff::readLe16(raw + 12);
    w.wBitsPerSample = riff::readLe16(raw + 14);
    w.cbSize = keep >= 18 ? riff::readLe16(raw + 16) : 0;
    if (!accept16BitPcm(w, raw, keep)) {
        const std::string what = std::to_string(w.wBitsPerSample) + "-bit samples in format "
            + std::to_string(w.wFormatTag) + ": only 16-bit integer PCM is read";
        refuse(export_guard::kUnsupported, what.c_str());
    }
    // Every count below divides by these; a block align that disagrees means a broken header.
    const uint32_t bytesPerSample = (w.wBitsPerSample + 7u) / 8u;
    if (w.nChannels == 0 || w.nSamplesPerSec == 0 || w.nBlockAlign != w.nChannels * bytesPerSample)
        refuse(export_guard::kUnsupported, "a format header whose channels, rate and block size disagree");
    if (in->frameBytes() * frames > kMaxBufferBytes)
        refuse(export_guard::kBadArgument, "a buffer of that many frames would pass 256 MiB");
    in->bufferBytes_ = static_cast<uint32_t>(in->frameBytes() * frames);
    in->ownBuffer_ = zeroedBuffer(in->bufferBytes_);
    if (in->ownBuffer_ == nullptr)
        throw std::bad_alloc();
    OrvaneWavefileHeader& h = in->header_;
    h.buffer = in->ownBuffer_;
    h.dataBytes = data.size;
    h.lastReadBytes = 0;
    h.reserved16 = 0;
    h.reserved20 = 0;
    h.durationSeconds
        = static_cast<float>(data.size / in->frameBytes()) / static_cast<float>(in->format_.nSamplesPerSec);
    in->open_ = true;
    return in.release();
}

int32_t WavefileIn::read(void* dst, uint32_t frames)
{
    if (!open_)
        return 0;
    uint64_t bytes = frameBytes() * frames;
    void* target = dst;
    if (target == nullptr) {
        target = ownBuffer_;
        if (bytes > bufferBytes_)
            bytes = bufferBytes_;
    }
    if (bytes > INT32_MAX)
        bytes = INT32_MAX;
    const int64_t got = file_.read(target, bytes);
    header_.lastReadBytes = static_cast<int32_t>(got);
    header_.buffer = target;
    return header_.lastReadBytes;
}

bool WavefileIn::rewindToData()
{
    riff::Chunk riffChunk, fmt, data;
    const int64_t size = file_.size();
    return riff::descendWaveForm(file_, riffChunk) && riff::findChunk(file_, riff::fourcc("fmt "), size, fmt)
        && riff::ascend(file_, fmt) && riff::findChunk(file_, riff::fourcc("data"), size, data);
}

int32_t WavefileIn::seekFromHere(int64_t bytes)
{
    const int64_t pos = file_.position();
    if (pos < 0 || pos + bytes < 0)
        return -1;
    const int64_t r = file_.seek(pos + bytes, platform::WaveFile::Origin::Begin);
    return r > INT32_MAX ? INT32_MAX : static_cast<int32_t>(r);
}

int32_t WavefileIn::seek(int32_t bytes, bool fromCurrent)
{
    if (!open_ || (!fromCurrent && !rewindToData()))
        return 0;
    return seekFromHere(bytes);
}

int32_t WavefileIn::timeSeek(float seconds, bool fromCurrent)
{
    if (!open_ || !std::isfinite(seconds) || (!fromCurrent && !rewindToData()))
        return 0;
    const double frames = std::trunc(static_cast<double>(format_.nSamplesPerSec) * seconds);
    // Beyond any 32-bit file either way; the clamp keeps the conversion defined.
    const double bytes = std::fmax(-4.0e12, std::fmin(4.0e12, frames * static_cast<double>(frameBytes())));
    return seekFromHere(static_cast<int64_t>(bytes));
}

void* WavefileIn::resizeBuffer(uint32_t frames)
{
    if (!open_ || frameBytes() * frames > kMaxBufferBytes)
        return nullptr;
    void* fresh = zeroedBuffer(frameBytes() * frames);
    if (fresh == nullptr)
        return nullptr;
    std::free(ownBuffer_);
    ownBuffer_ = fresh;
    bufferBytes_ = static_cast<uint32_t>(frameBytes() * frames);
    header_.buffer = fresh;
    return fresh;
}

void WavefileIn::close()
{
    if (!open_)
        return;
    file_.close();
    std::free(ownBuffer_);
    ownBuffer_ = nullptr;
    open_ = false;
}
