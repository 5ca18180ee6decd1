#include "mp3/player/player_settings.h"

#include "mp3/decoder/synthesis_window_table.h"

namespace player {

namespace {

constexpr int kWindowSlots = 4;

struct VolumeWindows {
    VolumeWindow slots[kWindowSlots] = {};
    std::atomic<int> current{0};
    std::atomic<int32_t> volume{0};
};

VolumeWindows& windows() {
    static VolumeWindows w;
    return w;
}

std::atomic<bool> g_sse{false};
std::atomic<bool> g_3dnow{false};

void setSwitch(std::atomic<bool>& sw, bool on) {
    if (sw.exchange(on) != on) settings().decoderTablesReady.store(false);
}

}  // namespace

PlayerSettings& settings() {
    static PlayerSettings s;
    return s;
}

void enableSse(bool on) { setSwitch(g_sse, on); }
void enable3dnow(bool on) { setSwitch(g_3dnow, on); }
bool sseOn() { return g_sse.load(std::memory_order_relaxed); }
bool threeDNowOn() { return g_3dnow.load(std::memory_order_relaxed); }

SimdPath activePath() {
    if (threeDNowOn()) return SimdPath::ThreeDNow;
    if (sseOn()) return SimdPath::Sse;
    return SimdPath::Plain;
}

void setEqGain(int32_t band, float gain) {
    if (band < 0 || band >= kEqBands) return;
    settings().eqGains[band].store(gain, std::memory_order_relaxed);
}

float eqGain(int32_t band) {
    if (band < 0 || band >= kEqBands) return 0.0f;
    return settings().eqGains[band].load(std::memory_order_relaxed);
}

void setVolume(int32_t vol) {
    VolumeWindows& w = windows();
    const int next = (w.current.load(std::memory_order_relaxed) + 1) % kWindowSlots;
    VolumeWindow& dst = w.slots[next];
    const float v = static_cast<float>(vol);
    for (int i = 0; i < 32; ++i) {
        for (int n = 0; n < 16; ++n) dst.natural[i * 16 + n] = v * decoder::synthesisWindow(n * 32 + i);
        for (int t = 0; t < 32; ++t) dst.rotating[i * 32 + t] = dst.natural[i * 16 + 15 - (t & 15)];
    }
    w.volume.store(vol, std::memory_order_relaxed);
    w.current.store(next, std::memory_order_release);
}

int32_t volume() { return windows().volume.load(std::memory_order_relaxed); }

const VolumeWindow& volumeWindow() {
    VolumeWindows& w = windows();
    return w.slots[w.current.load(std::memory_order_acquire)];
}

}  // namespace player
