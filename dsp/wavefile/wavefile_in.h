#pragma once

#include <cstdint>

#include "dsp/core/dsp_object.h"
#include "orvane/dsp.h"
#include "platform/platform.h"

// Reads a RIFF WAVE file: finds "fmt " and "data", then hands out raw bytes from the current
// position (reads are not limited to the data chunk; the caller compares with dataBytes).
class WavefileIn : public DspObject {
public:
    // Largest own buffer, so a frame count from a caller cannot ask for an absurd allocation.
    static constexpr uint64_t kMaxBufferBytes = 256u << 20;

    ~WavefileIn() override;

    // The reader, or an export_guard::Refusal saying why the file is not a readable 16-bit WAVE
    // file (std::bad_alloc without memory).
    static WavefileIn* open(const char* path, uint32_t frames);

    int32_t read(void* dst, uint32_t frames);
    int32_t seek(int32_t bytes, bool fromCurrent);
    int32_t timeSeek(float seconds, bool fromCurrent);
    void* resizeBuffer(uint32_t frames);
    void close();

    OrvaneWavefileHeader* header() { return &header_; }
    OrvaneWaveFormat* format() { return &format_; }

private:
    WavefileIn() : DspObject(ObjectFamily::WaveReader) { }
    uint64_t frameBytes() const { return 2u * format_.nChannels; }
    bool rewindToData();
    int32_t seekFromHere(int64_t bytes);

    platform::WaveFile file_;
    bool open_ = false;
    uint32_t bufferBytes_ = 0;
    void* ownBuffer_ = nullptr;
    OrvaneWaveFormat format_{};
    OrvaneWavefileHeader header_{};
};
