#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mp3/player/player_settings.h"

namespace decodertest {

// Selects one vector path of the mp3 switches and a volume for a scope; restores plain and the
// old volume afterwards.
class PathScope {
public:
    explicit PathScope(player::SimdPath path, int32_t volume = 32768) : oldVolume_(player::volume()) {
        player::enableSse(path == player::SimdPath::Sse);
        player::enable3dnow(path == player::SimdPath::ThreeDNow);
        player::setVolume(volume);
    }
    ~PathScope() {
        player::enableSse(false);
        player::enable3dnow(false);
        player::setVolume(oldVolume_);
    }
    PathScope(const PathScope&) = delete;
    PathScope& operator=(const PathScope&) = delete;

private:
    int32_t oldVolume_;
};

inline const char* pathName(player::SimdPath p) {
    return p == player::SimdPath::Plain ? "Plain" : p == player::SimdPath::Sse ? "Sse" : "ThreeDNow";
}

// Float PCM in 16-bit scale rounded to nearest and clamped to the 16-bit range.
inline std::vector<int16_t> roundToPcm16(const std::vector<float>& x) {
    std::vector<int16_t> out(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        float v = x[i] < -32768.0f ? -32768.0f : x[i] > 32767.0f ? 32767.0f : x[i];
        out[i] = static_cast<int16_t>(v < 0 ? -static_cast<int32_t>(-v + 0.5f) : static_cast<int32_t>(v + 0.5f));
    }
    return out;
}

}  // namespace decodertest
