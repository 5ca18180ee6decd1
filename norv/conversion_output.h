#pragma once

#include <cstdint>
#include <mutex>
#include <string>

// The process-wide destination of converted PCM: a WAV file created on the first block.
class ConversionOutput {
public:
    static ConversionOutput& instance();
    ~ConversionOutput();

    bool setRate(int32_t rate);
    bool setPath(const char* path);
    // Writes frames frames of channels-channel PCM; false when nothing could be written.
    bool write(const int16_t* pcm, int64_t frames, uint32_t channels);
    uint32_t close();

private:
    ConversionOutput() = default;
    uint32_t closeLocked();

    std::mutex mutex_;
    std::string path_;
    int32_t rate_ = 44100;
    void* file_ = nullptr;
    uint32_t fileChannels_ = 0;
};
