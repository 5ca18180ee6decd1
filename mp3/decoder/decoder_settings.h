#pragma once

#include <cstdint>

#include "mp3/decoder/vector_path.h"

namespace decoder {

constexpr int kEqBands = 32;

// Everything a decoder takes from its owner, handed in per frame: no decoder reads globals, so
// several decoders can run on several threads at once.
struct DecoderSettings {
    VectorPath path = VectorPath::Plain;
    // Output gain: 1 gives full scale as +-1.0, 32768 as 16-bit values.
    float volume = 32768.0f;
    // Layer III only: one gain per subband applied to the spectrum when on.
    bool equalizer = false;
    float eqGains[kEqBands] = {};
};

}  // namespace decoder
