#include "dsp/rate/harmonics_channel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr double kAttenuationDb = 100.0;
constexpr float kFloorDb = 120.0f;
}  // namespace

void HarmonicsChannel::init(uint32_t frames, uint32_t rate, float h, float mix, uint32_t bandCutoff, int32_t mode,
                            uint32_t taps)
{
    if (!ready || frames > maxFrames_) {
        bandSignal_.assign(frames, 0.0f);
        shaped_.assign(frames, 0.0f);
    }
    mixGain_ = 0.01f * mix;
    activeMode_ = mode;
    sampleRate_ = rate;
    maxFrames_ = frames;
    bandCutoffHz_ = static_cast<float>(bandCutoff);
    bandFilter_.setup(kAttenuationDb, taps);
    bandFilter_.design(rate, bandCutoffHz_);
    edgeFilter_.setup(kAttenuationDb, taps * 2);
    edgeFilter_.design(rate, bandCutoffHz_);
    // The dry path waits for the band filter, and for the edge filter too in active mode.
    dryDelay_.setup(mode == 1 ? taps : taps / 2, 0.0f);
    if (!ready || h != harmonics_)
        setHarmonics(h);
    const auto history = std::max(static_cast<uint32_t>(frames * 2.3333), kSpectrumSize);
    analyser_.setup(frames, history, kSpectrumSize, kFloorDb);
    if (spectrum_.empty())
        spectrum_.assign(kSpectrumSize, 0.0f);
    ready = 1;
}

void HarmonicsChannel::setHarmonics(float h)
{
    harmonics_ = h;
    curve_.rebuild(h);
}

uint32_t HarmonicsChannel::edgeBin(const float* db)
{
    constexpr uint32_t kTop = kSpectrumSize / 2 - 1;
    const auto lowest = static_cast<uint32_t>(0.666 * (kSpectrumSize / 2));
    bool rising = false;
    float lo = 65535.0f;
    float hi = 0.0f;
    for (uint32_t b = kTop + 1; b-- > lowest;) {
        const float v = db[b];
        if (!rising) {
            if (v <= lo) {
                lo = v;
            } else {
                rising = true;
                hi = v;
            }
        } else if (std::fabs(v - lo) >= kEdgeRiseDb) {
            return b;
        } else if (v >= hi) {
            hi = v;
        } else {
            rising = false;
            lo = v;
        }
    }
    return kTop;
}

float HarmonicsChannel::detectEdge(const float* x, uint32_t n)
{
    n = std::min(n, maxFrames_);
    if (n < maxFrames_) {
        // The analyser takes a full block: right-align a short one so the frame ends on it.
        std::fill(bandSignal_.begin(), bandSignal_.begin() + (maxFrames_ - n), 0.0f);
        std::copy(x, x + n, bandSignal_.begin() + (maxFrames_ - n));
        x = bandSignal_.data();
    }
    if (maxFrames_ == 0)
        return static_cast<float>(kSpectrumSize / 2 - 1) * sampleRate_ * (0.5f / (kSpectrumSize / 2));
    analyser_.transform(x);
    analyser_.toDecibels(spectrum_.data());
    return static_cast<float>(edgeBin(spectrum_.data())) * sampleRate_ * (0.5f / (kSpectrumSize / 2));
}

void HarmonicsChannel::process(const float* in, float* out, uint32_t n, float edgeHz)
{
    n = std::min(n, maxFrames_);
    float* band = bandSignal_.data();
    bandFilter_.process(in, band, n);
    for (uint32_t i = 0; i < n; ++i) {
        shaped_[i] = curve_(band[i]);
        band[i] = shaped_[i] - band[i];
    }
    if (activeMode_ == 1) {
        edgeFilter_.design(sampleRate_, edgeHz);
        edgeFilter_.process(band, band, n);
    }
    for (uint32_t i = 0; i < n; ++i)
        out[i] = dryDelay_.step(in[i]) + mixGain_ * band[i];
}
