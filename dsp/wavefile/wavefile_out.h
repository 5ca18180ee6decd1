#pragma once

#include <cstdint>
#include <memory>

#include "dsp/core/dsp_object.h"
#include "orvane/dsp.h"
#include "platform/platform.h"

// Writes a RIFF WAVE file: a 46-byte header ("fmt " of 18 bytes, "data" with a provisional size
// of 307200), the caller's bytes through a 128 KiB buffer, and at close the pad byte and both
// sizes patched in. Only bytes the file took count: after a failed write the header states the
// data that did land, and every later call reports the failure.
class WavefileOut : public DspObject {
public:
    static constexpr uint32_t kBufferBytes = 131072;
    static constexpr uint32_t kHeaderBytes = 46;
    static constexpr uint32_t kProvisionalDataBytes = 307200;
    // What close returns when a write, the size patch or the close itself failed.
    static constexpr uint32_t kCloseFailed = 0xFFFFFFFFu;

    static WavefileOut* create(const char* path, const OrvaneWaveFormat& format);
    ~WavefileOut() override;

    int32_t write(const void* src, int32_t bytes);
    bool flush();
    // Returns the data chunk's size, 0 when not open, kCloseFailed when anything failed.
    uint32_t close();

    OrvaneWaveFormat* format() { return &format_; }

private:
    WavefileOut() : DspObject(ObjectFamily::WaveWriter) { }

    platform::WaveFile file_;
    bool open_ = false;
    OrvaneWaveFormat format_{};
    std::unique_ptr<uint8_t[]> buffer_;
    uint32_t buffered_ = 0;
    uint64_t dataBytes_ = 0;  // bytes the file took, not counting the buffer
    bool failed_ = false;
};
