#include "mp3/player/player_settings.h"

#include <mutex>
#include <thread>

#include "mp3/decoder/synthesis_window_table.h"

namespace player {

namespace {

constexpr int kWindowSlots = 4;

struct VolumeWindows {
    VolumeWindow slots[kWindowSlots] = {};
    std::atomic<int> current{0};
    std::atomic<int> readers[kWindowSlots] = {};
    std::atomic<int32_t> volume{0};
    // Host threads may set the volume at the same time: one rebuilds a window at a time.
    std::mutex writer;
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
    std::lock_guard<std::mutex> lock(w.writer);
    // A spare window no synthesis run holds; runs are short, so one frees up at once.
    const int current = w.current.load();
    int next = (current + 1) % kWindowSlots;
    while (next == current || w.readers[next].load() != 0) {
        next = (next + 1) % kWindowSlots;
        if (next == current) std::this_thread::yield();
    }
    VolumeWindow& dst = w.slots[next];
    const float v = static_cast<float>(vol);
    for (int i = 0; i < 32; ++i) {
        for (int n = 0; n < 16; ++n) dst.natural[i * 16 + n] = v * decoder::synthesisWindow(n * 32 + i);
        for (int t = 0; t < 32; ++t) dst.rotating[i * 32 + t] = dst.natural[i * 16 + 15 - (t & 15)];
    }
    w.volume.store(vol, std::memory_order_relaxed);
    w.current.store(next);
}

int32_t volume() { return windows().volume.load(std::memory_order_relaxed); }

const VolumeWindow& volumeWindow() {
    VolumeWindows& w = windows();
    return w.slots[w.current.load(std::memory_order_acquire)];
}

VolumeWindowLease::VolumeWindowLease() {
    VolumeWindows& w = windows();
    for (;;) {
        slot_ = w.current.load();
        w.readers[slot_].fetch_add(1);
        // Still current after taking it: no writer can choose it until it is released.
        if (w.current.load() == slot_) return;
        w.readers[slot_].fetch_sub(1);
    }
}

VolumeWindowLease::~VolumeWindowLease() { windows().readers[slot_].fetch_sub(1); }

const VolumeWindow& VolumeWindowLease::window() const { return windows().slots[slot_]; }

}  // namespace player
