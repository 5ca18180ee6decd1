#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mp3/player/player_settings.h"

namespace decodertest {

// Decoder settings for one vector path at the given volume, equaliser off.
inline decoder::DecoderSettings settingsFor(player::SimdPath path, float volume = 32768.0f)
{
    decoder::DecoderSettings s;
    s.path = path;
    s.volume = volume;
    return s;
}

// Every vector path this CPU can run, the plain reference first.
inline std::vector<player::SimdPath> supportedPaths()
{
    std::vector<player::SimdPath> paths;
    for (player::SimdPath p :
         {player::SimdPath::Plain, player::SimdPath::Sse, player::SimdPath::ThreeDNow, player::SimdPath::Avx2})
        if (decoder::vectorPathSupported(p))
            paths.push_back(p);
    return paths;
}

inline const char* pathName(player::SimdPath p)
{
    switch (p) {
    case player::SimdPath::Plain:
        return "Plain";
    case player::SimdPath::Sse:
        return "Sse";
    case player::SimdPath::ThreeDNow:
        return "ThreeDNow";
    case player::SimdPath::Avx2:
        return "Avx2";
    }
    return "?";
}

// Float PCM in 16-bit scale rounded to nearest and clamped to the 16-bit range.
inline std::vector<int16_t> roundToPcm16(const std::vector<float>& x)
{
    std::vector<int16_t> out(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        float v = x[i] < -32768.0f ? -32768.0f : x[i] > 32767.0f ? 32767.0f : x[i];
        out[i] = static_cast<int16_t>(v < 0 ? -static_cast<int32_t>(-v + 0.5f) : static_cast<int32_t>(v + 0.5f));
    }
    return out;
}

}  // namespace decodertest
