#include "mp3/player/player_settings.h"

namespace player {

namespace {

std::atomic<int32_t> g_volume{0};

}  // namespace

PlayerSettings& settings()
{
    static PlayerSettings s;
    return s;
}

void setEqGain(int32_t band, float gain)
{
    if (band < 0 || band >= kEqBands)
        return;
    settings().eqGains[band].store(gain, std::memory_order_relaxed);
}

float eqGain(int32_t band)
{
    if (band < 0 || band >= kEqBands)
        return 0.0f;
    return settings().eqGains[band].load(std::memory_order_relaxed);
}

void setVolume(int32_t vol)
{
    g_volume.store(vol, std::memory_order_relaxed);
}

int32_t volume()
{
    return g_volume.load(std::memory_order_relaxed);
}

decoder::DecoderSettings decoderSettings()
{
    decoder::DecoderSettings d;
    d.path = decoder::processVectorPath();
    d.volume = static_cast<float>(volume());
    d.equalizer = settings().eqEnable.load(std::memory_order_relaxed);
    if (d.equalizer)
        for (int k = 0; k < kEqBands; ++k)
            d.eqGains[k] = eqGain(k);
    return d;
}

}  // namespace player
