#pragma once

#include <cstdint>

class Crc16;
class StreamReader;

namespace decoder {

// The coded subbands of one Layer I frame, read section by section: the allocations, the scale
// factors, then twelve groups of one sample per subband and channel. Below bound both channels
// are coded apart; from bound up (joint stereo) one sample serves both, each channel keeping its
// own scale factor.
class Layer1Bands {
public:
    // channels is 1 or 2, bound 0..32 (32 when the frame has no intensity part).
    Layer1Bands(int channels, int bound);

    // Reads the allocations, feeding crc (may be null); false when one is the forbidden value.
    bool readAllocation(StreamReader& reader, Crc16* crc);
    void readScaleFactors(StreamReader& reader);
    // Reads one group into out0 and out1, 32 subbands each (out1 null: channel 1 is read and left).
    void readGroup(StreamReader& reader, float* out0, float* out1);

private:
    // One channel of one subband: bits per sample (0: none) and its requantisation.
    struct Band {
        uint32_t bits = 0;
        float factor = 0.0f;
        float offset = 0.0f;
        float scale = 0.0f;
    };
    // False for the forbidden allocation, which codes nothing.
    static bool setAllocation(Band& band, uint32_t allocation);

    Band bands_[32][2];
    int channels_;
    int bound_;
};

}  // namespace decoder
