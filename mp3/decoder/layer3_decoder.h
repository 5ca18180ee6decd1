#pragma once

#include <cstddef>
#include <cstdint>

#include "mp3/decoder/bit_reservoir.h"
#include "mp3/decoder/imdct.h"
#include "mp3/decoder/scale_factors.h"
#include "mp3/decoder/side_info.h"

// Layer III frame decoder: side information, bit reservoir, scale factors, Huffman decoding,
// requantisation, stereo processing, equaliser, reordering, alias reduction and the hybrid
// filterbank. It hands each granule's 18 x 32 subband samples per channel to a sink, which runs
// the polyphase synthesis.
namespace layer3 {

class GranuleSink {
public:
    virtual ~GranuleSink() = default;
    // samples[s][sb]: time slot s of subband sb, frequency inversion applied.
    virtual void granule(int channel, const SlotBlock& samples) = 0;
};

enum class FrameResult {
    Decoded,  // every granule went to the sink (as silence when the main data reaches back before the reservoir)
    Skipped,  // no output: a forbidden block type
    Invalid,  // no output: side information or main data size unusable
};

class Layer3Decoder {
public:
    Layer3Decoder();
    Layer3Decoder(const Layer3Decoder&) = delete;
    Layer3Decoder& operator=(const Layer3Decoder&) = delete;

    // After a seek: empties the reservoir, zeroes the overlap memory and the spectra.
    void reset();
    void setPath(Path path) { path_ = path; }
    // 32 gains applied to lines 18k..18k+17 after stereo processing; null switches the equaliser off.
    void setEqualizer(const float* gains32) { eq_ = gains32; }

    // Decodes one frame. sideInfo: the bytes after the header (and CRC), main data: the rest of
    // the frame body. Channels firstChannel..lastChannel (clamped to the stream's) go to the sink.
    FrameResult decodeFrame(const FrameFormat& format, const uint8_t* sideInfo, size_t sideInfoSize,
                            const uint8_t* mainData, int mainDataSize, int firstChannel, int lastChannel,
                            GranuleSink& sink);

    const SideInfo& sideInfo() const { return si_; }

private:
    void decodeGranule(const FrameFormat& format, int gr, int firstChannel, int lastChannel, BitReader& bits,
                       GranuleSink& sink);
    // Sends every granule of the frame as silence and forgets the overlap, as at a stream start.
    void silenceFrame(const FrameFormat& format, int firstChannel, int lastChannel, GranuleSink& sink);

    BitReservoir reservoir_;
    SideInfo si_;
    ScaleFactors sf_[2];
    Path path_ = Path::Plain;
    const float* eq_ = nullptr;
    alignas(16) int32_t is_[kGranuleLines];
    alignas(16) float xr_[2][kGranuleLines];
    alignas(16) float reordered_[kGranuleLines];
    alignas(16) float overlap_[2][kSlots][kSubbands];
    alignas(16) float out_[kSlots][kSubbands];
};

}  // namespace layer3
