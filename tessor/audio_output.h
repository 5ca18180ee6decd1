#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Where the output thread sends its samples: interleaved floats in 16-bit scale.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // Plays frames frames; may block for as long as playing them takes.
    virtual void write(const float* samples, uint32_t frames) = 0;
    // Output resumes after a pause: the time spent stopped is not caught up.
    virtual void restart() { }
};

struct OutputFormat {
    uint32_t rate;
    uint32_t channels;
    uint32_t framesPerBlock;
    uint32_t blockCount;
};

// The sound card (PortAudio, or winmm's waveOut on Windows); null with the reason in error when it
// cannot be opened.
std::unique_ptr<AudioOutput> openDeviceOutput(int32_t device, const OutputFormat& format, std::string& error);
// A device openDeviceOutput can open: its index there, its name (UTF-8) and whether it is the
// system's default (-1).
struct OutputDevice {
    int32_t index;
    std::string name;
    bool isDefault;
};
// The system's output devices now, in index order; empty when there is no sound system.
std::vector<OutputDevice> listOutputDevices();
// Nothing is heard; each write returns when its samples would have finished playing.
std::unique_ptr<AudioOutput> openNullOutput(const OutputFormat& format);
// Writes everything to a 16-bit WAV file, paced like the null output unless fast; null when the
// file cannot be created.
std::unique_ptr<AudioOutput> openCaptureOutput(const std::string& path, bool fast, const OutputFormat& format);
