#pragma once

#include <cstdint>

namespace decoder {

// Where a decoder puts the PCM of each frame it decodes. A dropped frame reaches no sink.
class PcmSink {
public:
    virtual ~PcmSink() = default;
    // pcm[c] holds `samples` floats of channel c, c < channels (1 or 2), scaled by the decoder's
    // volume; the pointers are valid only during the call. Runs on the decoding thread.
    virtual void frame(const float* const* pcm, uint32_t channels, uint32_t samples) = 0;
};

}  // namespace decoder
