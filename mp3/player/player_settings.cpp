#include "mp3/player/player_settings.h"

namespace player {

namespace {

std::atomic<int32_t> g_volume{0};
std::atomic<bool> g_sse{false};
std::atomic<bool> g_3dnow{false};
std::atomic<bool> g_avx2{false};

}  // namespace

PlayerSettings& settings()
{
    static PlayerSettings s;
    return s;
}

void enableSse(bool on)
{
    g_sse.store(on);
}
void enable3dnow(bool on)
{
    g_3dnow.store(on);
}
void enableAvx2(bool on)
{
    g_avx2.store(on);
}
bool sseOn()
{
    return g_sse.load(std::memory_order_relaxed);
}
bool threeDNowOn()
{
    return g_3dnow.load(std::memory_order_relaxed);
}
bool avx2On()
{
    return g_avx2.load(std::memory_order_relaxed);
}

SimdPath activePath()
{
    if (threeDNowOn())
        return SimdPath::ThreeDNow;
    if (avx2On() && decoder::vectorPathSupported(SimdPath::Avx2))
        return SimdPath::Avx2;
    if (sseOn())
        return SimdPath::Sse;
    return SimdPath::Plain;
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
    d.path = activePath();
    d.volume = static_cast<float>(volume());
    d.equalizer = settings().eqEnable.load(std::memory_order_relaxed);
    if (d.equalizer)
        for (int k = 0; k < kEqBands; ++k)
            d.eqGains[k] = eqGain(k);
    return d;
}

}  // namespace player
