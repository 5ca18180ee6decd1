#pragma once

#include <cstdint>
#include <vector>

#include "orvane/dsp.h"
#include "platform/platform.h"

// Writes a RIFF WAVE file: a 46-byte header ("fmt " of 18 bytes, "data" with a provisional size
// of 307200), the caller's bytes through a 128 KiB buffer, and at close the pad byte and both
// sizes patched in.
class WavefileOut {
public:
    static constexpr uint32_t kBufferBytes = 131072;
    static constexpr uint32_t kHeaderBytes = 46;
    static constexpr uint32_t kProvisionalDataBytes = 307200;

    static WavefileOut* create(const char* path, const OrvaneWaveFormat& format);
    ~WavefileOut();

    int32_t write(const void* src, int32_t bytes);
    bool flush();
    // Returns the data chunk's size, or 0 when not open.
    uint32_t close();

    OrvaneWaveFormat* format() { return &format_; }

private:
    WavefileOut() = default;

    platform::File file_;
    bool open_ = false;
    OrvaneWaveFormat format_{};
    std::vector<uint8_t> buffer_;
    uint32_t buffered_ = 0;
    uint64_t dataBytes_ = 0;
};
