#pragma once

#include <cstdint>
#include <string>

#include "orvane/dsp.h"

// Hands out the audio of a WAV reader block by block and stops at the data size its header
// states, so chunks after the audio (LIST and the like) are never taken for samples.
class WavDataReader {
public:
    explicit WavDataReader(void* in);
    // Reads up to frames whole frames into dst; bytes read, 0 at the end of the data, -1 on error.
    int32_t read(void* dst, uint32_t frames);
    uint64_t totalBytes() const { return total_; }

private:
    void* in_;
    uint32_t frameBytes_;
    uint64_t total_;
    uint64_t left_;
};

// A WAV file a command writes: unless finish succeeds it is removed when this goes, so a failed
// run never leaves a partial output that looks whole. Errors carry the system's reason.
class WavOutput {
public:
    WavOutput() = default;
    ~WavOutput();
    WavOutput(const WavOutput&) = delete;
    WavOutput& operator=(const WavOutput&) = delete;

    bool create(const std::string& path, const OrvaneWaveFormat& format, std::string& error);
    bool write(const void* src, int32_t bytes, std::string& error);
    // Completes the file (sizes patched, closed); false with the reason when anything failed.
    bool finish(std::string& error);

private:
    std::string path_;
    void* out_ = nullptr;
};

// True when both paths name one existing file (same device and file number), however they are spelt.
bool sameFile(const std::string& a, const std::string& b);
// Removes a failed output, but only a regular file: a device such as /dev/full stays.
void removePartialOutput(const std::string& path);
// "cannot write 'path': reason" for the errno value err (0 gives a generic reason).
std::string writeError(const std::string& path, int err);
