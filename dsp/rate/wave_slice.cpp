#include "dsp/rate/wave_slice.h"

#include "dsp/core/pcm_convert.h"

void WaveSlice::setup(uint32_t frames, uint32_t channels, uint32_t sampleRate, float onDb, float offDb,
                      float risePercent, float minSeconds)
{
    allocBaseBuffers(frames, channels);
    inRate = outRate = sampleRate;
    detector.setup(frames, float(sampleRate), onDb, offDb, risePercent, minSeconds);
}

bool WaveSlice::slicePcm16(const int16_t* src, uint32_t bytes)
{
    const uint32_t channels = isStereo() ? 2 : 1;
    const uint32_t frames = bytes / (channels * 2);
    // The buffers may have been re-sized since the detector was set up; both must hold the block.
    if (bytes > maxInBytes() || frames > detector.maxFrames())
        return false;
    pcm16ToFloat(src, frames * channels * 2, inL, nullptr, channels);
    return detector.process(inL, frames);
}
