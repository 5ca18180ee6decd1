#pragma once

#include <algorithm>
#include <cstdint>

#include "mp3/decoder/decoder_settings.h"
#include "mp3/decoder/pcm_sink.h"
#include "mp3/decoder/synthesis_filter.h"

// The synthesis filters of one stream and the frame of PCM they fill, one plain array per
// channel; a decoded frame goes to the sink whole.
class FrameSynthesis {
public:
    // Samples per channel in the largest frame (Layer II, Layer III of MPEG-1).
    static constexpr uint32_t kMaxSamples = 1152;

    // channels is 1 or 2 (clamped).
    explicit FrameSynthesis(int channels);

    int channels() const { return channels_; }
    // Follows a stream that changes its channel count: channel 0 keeps its history, a channel
    // that comes in starts from silence.
    void setChannels(int channels);
    // Path and volume of the runs from here on.
    void configure(const decoder::DecoderSettings& settings);
    decoder::VectorPath path() const { return path_; }
    // The filter of channel ch (0 or 1); null for a channel the stream does not have.
    SynthesisFilter* filter(int ch) { return ch >= 0 && ch < channels_ ? &filters_[ch] : nullptr; }

    // Starts a frame: nothing written yet.
    void begin() { written_[0] = written_[1] = 0; }
    // Synthesises channel ch's 32 inputs into its next 32 samples of the frame. Past the frame's
    // capacity the filter still advances but nothing is stored, whatever a stream claims.
    void run(int ch);
    // As count runs of channel ch with the rows of 32 inputs at in, one after another.
    void runRows(int ch, const float* in, int count);
    // Samples per channel of the frame written since begin(): the most any channel took.
    uint32_t samples() const { return std::max(written_[0], written_[1]); }
    // Hands the frame written since begin() to the sink; a channel the frame left short (a
    // single-channel frame in a two-channel stream) is silent for the rest.
    void emit(decoder::PcmSink& sink);
    // After a seek: the filters forget their history.
    void reset();

private:
    SynthesisFilter filters_[2];
    int channels_;
    decoder::VectorPath path_ = decoder::VectorPath::Plain;
    uint32_t written_[2] = {0, 0};
    alignas(32) float pcm_[2][kMaxSamples] = {};
};
