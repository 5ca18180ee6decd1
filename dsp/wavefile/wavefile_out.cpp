#include "dsp/wavefile/wavefile_out.h"

#include <cstring>
#include <new>

#include "dsp/wavefile/riff_chunk.h"

WavefileOut* WavefileOut::create(const char* path, const OrvaneWaveFormat& format)
{
    std::unique_ptr<WavefileOut> out(new (std::nothrow) WavefileOut);
    if (out == nullptr)
        return nullptr;
    // Sized before the file is created, so running out of memory leaves no file behind. Left
    // uninitialised: only the bytes written are ever read.
    out->buffer_.reset(new (std::nothrow) uint8_t[kBufferBytes]);
    if (out->buffer_ == nullptr)
        return nullptr;
    out->format_ = format;
    uint8_t h[kHeaderBytes];
    riff::writeLe32(h, riff::fourcc("RIFF"));
    riff::writeLe32(h + 4, 0);
    riff::writeLe32(h + 8, riff::fourcc("WAVE"));
    riff::writeLe32(h + 12, riff::fourcc("fmt "));
    riff::writeLe32(h + 16, 18);
    riff::writeLe16(h + 20, format.wFormatTag);
    riff::writeLe16(h + 22, format.nChannels);
    riff::writeLe32(h + 24, format.nSamplesPerSec);
    riff::writeLe32(h + 28, format.nAvgBytesPerSec);
    riff::writeLe16(h + 32, format.nBlockAlign);
    riff::writeLe16(h + 34, format.wBitsPerSample);
    riff::writeLe16(h + 36, format.cbSize);
    riff::writeLe32(h + 38, riff::fourcc("data"));
    riff::writeLe32(h + 42, kProvisionalDataBytes);
    if (!out->file_.open(path, platform::WaveFile::Mode::Write) || out->file_.write(h, kHeaderBytes) != kHeaderBytes)
        return nullptr;
    out->open_ = true;
    return out.release();
}

WavefileOut::~WavefileOut()
{
    close();
}

int32_t WavefileOut::write(const void* src, int32_t bytes)
{
    if (open_ && failed_)
        return -1;
    // The data chunk's size field holds 32 bits, and the RIFF size must fit beside it.
    if (!open_ || src == nullptr || bytes <= 0
        || dataBytes_ + buffered_ + static_cast<uint64_t>(bytes) > 0xFFFFFFFFull - 64)
        return 0;
    const auto* p = static_cast<const uint8_t*>(src);
    const uint32_t n = static_cast<uint32_t>(bytes);
    if (buffered_ + n > kBufferBytes && !flush())
        return -1;
    if (n >= kBufferBytes) {
        if (file_.write(p, n) != n) {
            failed_ = true;
            return -1;
        }
        dataBytes_ += n;
    } else {
        std::memcpy(buffer_.get() + buffered_, p, n);
        buffered_ += n;
    }
    return bytes;
}

bool WavefileOut::flush()
{
    if (!open_ || failed_)
        return false;
    if (buffered_ != 0 && file_.write(buffer_.get(), buffered_) != buffered_) {
        failed_ = true;
        return false;
    }
    dataBytes_ += buffered_;
    buffered_ = 0;
    return true;
}

uint32_t WavefileOut::close()
{
    if (!open_)
        return 0;
    bool ok = flush();
    // RIFF chunks are padded to an even length; the pad byte is not data.
    const uint8_t pad = 0;
    const bool padded = ok && (dataBytes_ & 1) != 0;
    ok = ok && (!padded || file_.write(&pad, 1) == 1);
    const uint64_t fileSize = kHeaderBytes + dataBytes_ + (padded ? 1 : 0);
    // The sizes are patched even after a failure, so the header never claims bytes the file lacks.
    uint8_t size[4];
    riff::writeLe32(size, static_cast<uint32_t>(dataBytes_));
    ok = file_.seek(42, platform::WaveFile::Origin::Begin) == 42 && file_.write(size, 4) == 4 && ok;
    riff::writeLe32(size, static_cast<uint32_t>(fileSize - 8));
    ok = file_.seek(4, platform::WaveFile::Origin::Begin) == 4 && file_.write(size, 4) == 4 && ok;
    ok = file_.flush() && ok;
    ok = file_.close() && ok;
    open_ = false;
    return ok && !failed_ ? static_cast<uint32_t>(dataBytes_) : kCloseFailed;
}
