#pragma once

#include <cstdint>
#include <vector>

#include "mp3/decoder/pcm_sink.h"

// Passes decoded frames on in one format, the stream's first, however the stream changes:
// two channels are mixed to one (their mean), one is given to both, and another sampling rate
// goes through libdsp's resampler. A run of n frames at rate r gives floor(n x outRate / r)
// frames exactly, once finish() has ended it.
class FormatKeeper : public decoder::PcmSink {
public:
    FormatKeeper() = default;
    FormatKeeper(const FormatKeeper&) = delete;
    FormatKeeper& operator=(const FormatKeeper&) = delete;
    ~FormatKeeper() override;

    // The format delivered (channels 1 or 2); forgets the run.
    void setOutput(uint32_t sampleRate, uint32_t channels);
    // Null: frames are dropped.
    void setTarget(decoder::PcmSink* target) { target_ = target; }
    // The format of the frames that follow; another one than the run's ends the run (finish).
    void setSource(uint32_t sampleRate, uint32_t channels);
    // Ends the run: the resampler's last frames, so the run gives exactly its count.
    void finish();
    // Forgets the run (after a seek); the next frames continue a run at its frame `fed`.
    void restart(uint64_t fed = 0);

    void frame(const float* const* pcm, uint32_t channels, uint32_t samples) override;

private:
    // Frames the run owes after fed source frames.
    uint64_t owed() const { return fed_ * outRate_ / inRate_; }
    // Hands frames interleaved frames of the output format on, planar.
    void emit(const float* interleaved, uint32_t frames);
    void releaseResampler();

    decoder::PcmSink* target_ = nullptr;
    uint32_t outRate_ = 0;
    uint32_t outChannels_ = 0;
    uint32_t inRate_ = 0;
    uint32_t inChannels_ = 0;
    bool active_ = false;  // a run is under way
    uint64_t startFed_ = 0;
    uint64_t fed_ = 0;              // source frames of the run so far
    uint64_t given_ = 0;            // frames it delivered
    void* chain_ = nullptr;         // libdsp chain holding the resampler, while the rates differ
    std::vector<float> mixed_;      // a block in the output's channels, interleaved
    std::vector<float> converted_;  // its resampled frames
    std::vector<float> planar_;     // what goes on, one channel after the other
};
