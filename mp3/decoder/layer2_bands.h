#pragma once

#include <cstdint>

#include "mp3/decoder/layer2_alloc_tables.h"

class Crc16;
class StreamReader;

namespace decoder {

// The coded subbands of one Layer II frame, read section by section: allocations, scale-factor
// selection, scale factors, then twelve groups of three samples per subband and channel. Below
// bound both channels are coded apart; from bound up (joint stereo) one sample set serves both,
// each channel keeping its own scale factors.
class Layer2Bands {
public:
    // channels is 1 or 2, bound 0..table.sblimit (sblimit when the frame has no intensity part).
    Layer2Bands(const AllocTable& table, int channels, int bound);

    // Reads the allocations, then the scale-factor selection, feeding crc (may be null).
    void readAllocation(StreamReader& reader, Crc16* crc);
    void readScaleFactorSelection(StreamReader& reader, Crc16* crc);
    void readScaleFactors(StreamReader& reader);
    // Reads group g (0..11) into the coded subbands of the three time slots of 32 subbands at out0
    // and out1 (out1 null: channel 1 is read and left); the subbands above the table's limit are
    // not written.
    void readGroup(StreamReader& reader, int g, float (*out0)[32], float (*out1)[32]);

private:
    // One channel of one subband: its class (none: no samples) and scale factors.
    struct Band {
        bool coded = false;
        uint32_t bits = 0;              // of a codeword (grouped) or of one sample
        const float* groups = nullptr;  // requantised triples of a grouped class, by codeword
        float step = 0.0f;              // an ungrouped sample's quantisation step
        float c = 0.0f;                 // and its requantisation constants
        float d = 0.0f;
        uint32_t scfsi = 0;
        float scale[3] = {0.0f, 0.0f, 0.0f};
    };
    static void setAllocation(Band& band, const AllocRow& row, uint32_t allocation);

    const AllocTable& table_;
    Band bands_[32][2];
    int channels_;
    int bound_;
};

}  // namespace decoder
