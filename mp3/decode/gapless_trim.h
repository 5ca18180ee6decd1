#pragma once

#include <cstdint>
#include <memory>

#include "mp3/decode/gapless_plan.h"
#include "mp3/decoder/pcm_sink.h"

// Passes decoded frames on to another sink with only the samples a gapless plan keeps.
class GaplessTrim : public decoder::PcmSink {
public:
    void setPlan(std::shared_ptr<const GaplessPlan> plan) { plan_ = std::move(plan); }
    const GaplessPlan* plan() const { return plan_.get(); }
    // Null: frames only move the position on.
    void setTarget(decoder::PcmSink* target) { target_ = target; }
    // The next frame begins at this sample (per channel) of the decoded stream.
    void setPosition(uint64_t sample) { position_ = sample; }
    uint64_t position() const { return position_; }

    void frame(const float* const* pcm, uint32_t channels, uint32_t samples) override;

private:
    std::shared_ptr<const GaplessPlan> plan_;
    decoder::PcmSink* target_ = nullptr;
    uint64_t position_ = 0;
};
