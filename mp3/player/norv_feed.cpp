#include "mp3/player/norv_feed.h"

#include "orvane/dsp.h"
#include "orvane/norv.h"

NorvFeed::~NorvFeed()
{
    fastmemFree(pcm_);
}

bool NorvFeed::open(int32_t sampleRate, uint32_t blockSamples)
{
    pcm_ = static_cast<int16_t*>(fastmemAlloc(blockSamples * sizeof(int16_t)));
    if (pcm_ == nullptr)
        return false;
    capacity_ = blockSamples;
    NORVSetSampleRate(sampleRate);
    return true;
}

void NorvFeed::send(const float* block, uint32_t count, uint32_t channels)
{
    if (pcm_ == nullptr || count > capacity_ || channels == 0)
        return;
    dspScaledFloatToPcm16(block, pcm_, count);
    const auto frames = static_cast<int32_t>(count / channels);
    const int32_t written = channels == 1 ? shortMono(pcm_, frames, 0) : shortStereo(pcm_, frames, 0);
    if (written != frames)
        writeFailed_ = true;
}
