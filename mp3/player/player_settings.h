#pragma once

#include <atomic>
#include <cstdint>

// Process-wide player settings, kept between plays, with their load-time defaults. Host threads
// write them through the exports at any time; the playback loop, the decoders and the output
// stage read them, so every value is atomic.
namespace player {

enum class SimdPath { Plain, Sse, ThreeDNow };

constexpr int kEqBands = 32;
constexpr int kVolumeWindowSize = 512;

struct PlayerSettings {
    std::atomic<int32_t> waveOutDevice{-1};
    std::atomic<int32_t> bufferSize{12};     // frames per output block
    std::atomic<int32_t> spectrumSize{256};  // FFT and read-out size
    std::atomic<float> harmonics{0.3f};
    std::atomic<int32_t> pitch{0};
    std::atomic<int32_t> speed{0};
    std::atomic<bool> effectEnable{false};
    std::atomic<bool> enable48k{false};
    std::atomic<bool> eqEnable{false};
    std::atomic<bool> gapless{false};  // trim the encoder's delay and padding (Layer III)
    std::atomic<float> eqGains[kEqBands] = {};
    // Cleared whenever a vector switch changes, so the Layer III decoder rebuilds its tables.
    std::atomic<bool> decoderTablesReady{false};
};

PlayerSettings& settings();

// The vector switches of the mp3 library, independent of dsp's. 3DNow! wins over SSE.
// Setting a switch to a different value clears the decoder-tables-ready flag.
void enableSse(bool on);
void enable3dnow(bool on);
bool sseOn();
bool threeDNowOn();
SimdPath activePath();

// Sets one equaliser gain; bands outside 0..31 are ignored.
void setEqGain(int32_t band, float gain);
float eqGain(int32_t band);

// The synthesis window with the master volume folded in, in two layouts.
struct VolumeWindow {
    // W[i*16 + n] = volume * D[n*32 + i], i = subband row 0..31, n = tap 0..15.
    alignas(16) float natural[kVolumeWindowSize];
    // Row i holds W[i*16 + 15 - (t mod 16)] for t = 0..31: the row reversed and written twice,
    // so the taps for any ring position are 16 consecutive floats starting at t = (15 - p) mod 16.
    alignas(16) float rotating[2 * kVolumeWindowSize];
};

// Rebuilds the volume window from volume (16-bit full scale at 32768). Until the first call the
// window is all zero, so the synthesis puts out silence. Takes effect at the next synthesis run.
void setVolume(int32_t volume);
int32_t volume();
// The current window. A new volume is written into a spare window that no synthesis run holds
// and then published.
const VolumeWindow& volumeWindow();

// Holds the current window for one synthesis run: no volume change rewrites it meanwhile.
class VolumeWindowLease {
public:
    VolumeWindowLease();
    ~VolumeWindowLease();
    VolumeWindowLease(const VolumeWindowLease&) = delete;
    VolumeWindowLease& operator=(const VolumeWindowLease&) = delete;
    const VolumeWindow& window() const;

private:
    int slot_;
};

}  // namespace player
