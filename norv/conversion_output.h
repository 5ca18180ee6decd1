#pragma once

#include <cstdint>
#include <mutex>
#include <string>

// The process-wide destination of converted PCM: a WAV file created on the first block.
class ConversionOutput {
public:
    static constexpr uint32_t kCloseFailed = 0xFFFFFFFFu;

    static ConversionOutput& instance();
    ~ConversionOutput();

    bool setRate(int32_t rate);
    bool setPath(const char* path);
    // Writes frames frames of channels-channel PCM; false when nothing could be written.
    bool write(const int16_t* pcm, int64_t frames, uint32_t channels);
    // The data bytes of the completed file, 0 when none was open, kCloseFailed when writing failed.
    uint32_t close();
    // errno of the first failed create or write since the path was set, 0 when none.
    int32_t lastError();

private:
    ConversionOutput() = default;
    uint32_t closeLocked();
    // Keeps the first failure's errno (EIO when the system gave none).
    void noteError();

    std::mutex mutex_;
    std::string path_;
    int32_t rate_ = 44100;
    void* file_ = nullptr;
    uint32_t fileChannels_ = 0;
    int32_t error_ = 0;
};
