#pragma once

#include <cstdint>
#include <string>

#include "tools/pcm_format.h"
#include "tools/progress.h"

// What `orvane convert` makes of each file.
struct ConvertSettings {
    int64_t offset = 0;      // bytes before the stream in the input
    long volume = 32768;     // 32768 = as decoded
    bool gapless = true;     // without the encoder's delay and padding where the stream states them
    int32_t replayGain = 0;  // 0 as decoded, 1 at the file's track gain, 2 at its album gain
    long startMs = 0;        // the part kept: from here
    long lengthMs = -1;      // for this long; -1: to the end
    SampleFormat format = SampleFormat::Int16;
    uint32_t rate = 0;      // Hz; 0: the stream's
    uint32_t channels = 0;  // 1 mixes down, 2 or more carry the stream in the front pair; 0: the stream's
    bool raw = false;       // the samples alone, without a WAV header
};

// The result of one conversion: frames written, or the reason it failed.
struct ConvertResult {
    bool ok = false;
    uint64_t frames = 0;
    uint32_t rate = 0;
    uint32_t channels = 0;
    std::string error;
};

// Decodes input through the decode interface into output ("-": standard output) as the settings
// ask. Prints nothing; progress (may be null) follows the frames read. Nothing is left at output
// when it fails. Runs on any thread: every conversion owns its handles.
ConvertResult convertFile(const std::string& input, const std::string& output, const ConvertSettings& settings,
                          ProgressBar* progress);
