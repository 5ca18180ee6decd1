#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tools/pcm_format.h"

// Audio in and out for the commands, as interleaved floats with full scale at 1.0, converted as
// tools/pcm_format.h says. "-" names standard input or output.

class AudioReader {
public:
    virtual ~AudioReader() = default;
    uint32_t rate() const { return rate_; }
    uint32_t channels() const { return channels_; }
    // Frames in the whole input, 0 when unknown (a stream on standard input).
    uint64_t frames() const { return frames_; }
    // Up to count frames into out; the frames read, 0 at the end, -1 on a read error.
    virtual int64_t read(float* out, uint32_t count) = 0;
    // Whether the input ended before its header said it would (a WAV file cut short): what it
    // held has been read, the rest is missing.
    bool cutShort() const { return cutShort_; }

protected:
    uint32_t rate_ = 0;
    uint32_t channels_ = 0;
    uint64_t frames_ = 0;
    bool cutShort_ = false;
};

// A WAV file of 8, 16, 24 or 32-bit integer or 32-bit float samples, mono or stereo, or an MPEG
// audio file (Layer I, II or III) through the decoder. Null with the reason in error.
std::unique_ptr<AudioReader> openAudio(const std::string& path, std::string& error);

// Writes a WAV file (or, raw, the bare samples) in one of the sample formats, converted as
// tools/pcm_format.h says. On standard output the sizes cannot be patched afterwards and are left
// at their largest, which readers take as "up to the end". Unless close succeeds the file is
// removed when the writer goes, so a failed run leaves no output that looks whole.
class AudioWriter {
public:
    ~AudioWriter();
    // Null with the reason in error.
    static std::unique_ptr<AudioWriter> create(const std::string& path, uint32_t rate, uint32_t channels,
                                               SampleFormat format, bool raw, std::string& error);
    // False with the reason in error when the data could not be written.
    bool write(const float* samples, uint32_t frames, std::string& error);
    // Completes the header; false with the reason when anything failed.
    bool close(std::string& error);
    // From here on, counts the integer samples held at full scale because they lay beyond it.
    void countClipping() { countClipping_ = true; }
    // The samples counted since countClipping().
    uint64_t clipped() const { return clipped_; }

private:
    AudioWriter() = default;
    FILE* file_ = nullptr;
    std::string path_;
    bool toStdout_ = false;
    bool closed_ = false;
    bool raw_ = false;
    bool countClipping_ = false;
    uint32_t rate_ = 0;
    uint32_t channels_ = 0;
    SampleFormat format_ = SampleFormat::Int16;
    uint64_t dataBytes_ = 0;
    uint64_t clipped_ = 0;
    std::vector<uint8_t> buffer_;
};

// The sample format of the effect commands' --bits: 16, 24, or 32 for float.
SampleFormat effectOutputFormat(long bits);
