#include "dsp/filters/fader_unit.h"

#include <algorithm>

#include "dsp/filters/db_table.h"

namespace {

// Far beyond any stream, and small enough that sample differences stay exact in float terms
// that matter here.
constexpr double kLatestSample = 4611686018427387904.0;  // 2^62

}  // namespace

void FaderUnit::setup(uint32_t sampleRate, float initial)
{
    const float samplesPerMs = 0.001f * float(sampleRate);
    msPerSample_ = 1.0f / samplesPerMs;
    level_ = value_ = initial;
    applyValue(initial);
    active_ = pending_ = false;
    clock_ = 0;
    actions_.erase(actions_.begin(), actions_.begin() + head_);
    head_ = 0;
    armHead();
    ready = 1;
}

uint64_t FaderUnit::toSamples(float seconds) const
{
    // 1000 / (ms per sample) lands a hair above the rate, so whole seconds convert exactly.
    const double samples = double(seconds) * (1000.0 / double(msPerSample_));
    if (!(samples > 0.0))
        return 0;
    return samples >= kLatestSample ? uint64_t(kLatestSample) : static_cast<uint64_t>(samples);
}

void FaderUnit::applyValue(float value)
{
    gain_ = DbTable::instance().lookup(value);
}

void FaderUnit::armHead()
{
    if (active_)
        return;  // the running ramp keeps its slope
    pending_ = head_ < actions_.size();
    if (pending_) {
        const FaderAction& a = actions_[head_];
        slope_ = (a.target - level_) / float(a.end - a.start);
    }
}

bool FaderUnit::addAction(float startSeconds, float endSeconds, float target)
{
    FaderAction action{toSamples(startSeconds), toSamples(endSeconds), target};
    // Times on one sample make a step there (not at clamped, far-off times).
    if (action.end == action.start && action.start < uint64_t(kLatestSample))
        ++action.end;
    return edit(action.start, action.end, &action);
}

bool FaderUnit::deleteRange(float startSeconds, float endSeconds)
{
    return edit(toSamples(startSeconds), toSamples(endSeconds), nullptr);
}

bool FaderUnit::edit(uint64_t start, uint64_t end, const FaderAction* inserted)
{
    if (!(start > clock_ && end > clock_ && start < end))
        return false;
    std::vector<FaderAction> kept;
    kept.reserve(actions_.size() - head_ + 2);
    // The running ramp, if any, is the first kept one; it starts before `start`, so it survives.
    float before = level_;  // value each ramp starts from, before any change
    bool placed = false;
    for (size_t i = head_; i < actions_.size(); ++i) {
        FaderAction a = actions_[i];
        const float from = before;
        before = a.target;
        if (a.start < start) {
            if (a.end > start) {
                // Cut short at `start`, ending at the value it would have had there.
                const FaderAction tail{end, a.end, a.target};
                a.target = from + (a.target - from) * float(double(start - a.start) / double(a.end - a.start));
                a.end = start;
                kept.push_back(a);
                if (tail.end > end) {
                    if (inserted)
                        kept.push_back(*inserted);
                    placed = true;
                    kept.push_back(tail);
                }
            } else {
                kept.push_back(a);
            }
            continue;
        }
        if (!placed && inserted)
            kept.push_back(*inserted);
        placed = true;
        if (a.end <= end)
            continue;  // wholly inside the range
        a.start = std::max(a.start, end);
        kept.push_back(a);
    }
    if (!placed && inserted)
        kept.push_back(*inserted);
    actions_.swap(kept);
    head_ = 0;
    armHead();
    return true;
}

uint32_t FaderUnit::beginRun(uint32_t remaining)
{
    const uint64_t t = clock_;
    if (pending_ && !active_ && t >= actions_[head_].start) {
        active_ = true;
        // A one-sample ramp is a step: the ramp formula would leave its only sample at the
        // starting value and never move.
        if (actions_[head_].end - actions_[head_].start == 1) {
            level_ = actions_[head_].target;
            slope_ = 0.0f;
        }
    } else if (active_ && t >= actions_[head_].end) {
        active_ = false;
        level_ = actions_[head_].target;
        ++head_;
        armHead();
    }
    // The first later sample at which the schedule can step again.
    uint64_t next = UINT64_MAX;
    if (active_)
        next = std::max(t + 1, actions_[head_].end);
    else if (pending_)
        next = std::max(t + 1, actions_[head_].start);
    return static_cast<uint32_t>(std::min<uint64_t>(remaining, next - t));
}

void FaderUnit::holdGain(const float* in, float* out, uint32_t frames) const
{
    const float g = gain_;
    uint32_t i = 0;
    // Four loads before four stores: the compiler makes one vector step of them even when out is in.
    for (; i + 4 <= frames; i += 4) {
        const float a = in[i], b = in[i + 1], c = in[i + 2], d = in[i + 3];
        out[i] = g * a;
        out[i + 1] = g * b;
        out[i + 2] = g * c;
        out[i + 3] = g * d;
    }
    for (; i < frames; ++i)
        out[i] = g * in[i];
}

void FaderUnit::process(const float* in, float* out, uint32_t frames)
{
    const DbTable& db = DbTable::instance();
    uint32_t i = 0;
    while (i < frames) {
        const uint32_t run = beginRun(frames - i);
        if (ramping()) {
            for (uint32_t j = 0; j < run; ++j, ++i) {
                value_ = rampValue(clock_ + j);
                gain_ = db.lookup(value_);
                out[i] = gain_ * in[i];
            }
        } else {
            holdGain(in + i, out + i, run);
            i += run;
        }
        clock_ += run;
    }
}
