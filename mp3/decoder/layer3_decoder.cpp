#include "mp3/decoder/layer3_decoder.h"

#include <algorithm>
#include <cstring>

#include "mp3/decoder/alias_reduction.h"
#include "mp3/decoder/huffman_decoder.h"
#include "mp3/decoder/reorder.h"
#include "mp3/decoder/requantize.h"
#include "mp3/decoder/scalefactor_band_tables.h"
#include "mp3/decoder/stereo_processing.h"

namespace layer3 {

Layer3Decoder::Layer3Decoder()
{
    reset();
}

void Layer3Decoder::reset()
{
    reservoir_.reset();
    si_ = SideInfo{};
    sf_[0] = sf_[1] = ScaleFactors{};
    std::memset(is_, 0, sizeof(is_));
    std::memset(xr_, 0, sizeof(xr_));
    std::memset(reordered_, 0, sizeof(reordered_));
    std::memset(overlap_, 0, sizeof(overlap_));
    std::memset(out_, 0, sizeof(out_));
}

FrameResult Layer3Decoder::decodeFrame(const FrameFormat& format, const uint8_t* sideInfo, size_t sideInfoSize,
                                       const uint8_t* mainData, int mainDataSize, int firstChannel, int lastChannel,
                                       GranuleSink& sink)
{
    if (format.frequencyIndex < 0 || format.frequencyIndex > 2 || format.mode < 0 || format.mode > 3)
        return FrameResult::Invalid;
    const bool parsed = parseSideInfo(sideInfo, sideInfoSize, format, si_);
    if (!parsed && (sideInfo == nullptr || sideInfoSize < sideInfoBytes(format))) {
        // The main data still belongs to the stream: later frames may reach back into it.
        reservoir_.appendFrame(mainData, mainDataSize, 0);
        return FrameResult::Invalid;
    }
    const bool placed = reservoir_.appendFrame(mainData, mainDataSize, si_.mainDataBegin);
    if (mainDataSize < 0 || mainDataSize > BitReservoir::kMaxFrameBytes)
        return FrameResult::Invalid;
    // A forbidden block type drops the frame.
    if (!parsed)
        return FrameResult::Skipped;

    const int channels = format.channels();
    firstChannel = std::clamp(firstChannel, 0, channels - 1);
    lastChannel = std::clamp(lastChannel, firstChannel, channels - 1);
    // Main data from before the reservoir (a stream cut mid-way): the frame still takes its time
    // as silence, so every later sample keeps its position.
    if (!placed) {
        silenceFrame(format, firstChannel, lastChannel, sink);
        return FrameResult::Decoded;
    }
    BitReader bits = reservoir_.reader();
    for (int gr = 0; gr < format.granules(); ++gr)
        decodeGranule(format, gr, firstChannel, lastChannel, bits, sink);
    reservoir_.finishFrame(static_cast<int>(bits.position()));
    return FrameResult::Decoded;
}

void Layer3Decoder::silenceFrame(const FrameFormat& format, int firstChannel, int lastChannel, GranuleSink& sink)
{
    std::memset(overlap_, 0, sizeof(overlap_));
    std::memset(out_, 0, sizeof(out_));
    for (int gr = 0; gr < format.granules(); ++gr)
        for (int ch = firstChannel; ch <= lastChannel; ++ch)
            sink.granule(ch, out_);
}

void Layer3Decoder::decodeGranule(const FrameFormat& format, int gr, int firstChannel, int lastChannel, BitReader& bits,
                                  GranuleSink& sink)
{
    const int channels = format.channels();
    const BandTable& bands = kBandTables[format.frequencyIndex + (format.mpeg1 ? 3 : format.mpeg25 ? 6 : 0)];
    int nonzero[2] = {0, 0};
    for (int ch = 0; ch < channels; ++ch) {
        GranuleInfo& g = si_.gr[gr][ch];
        const int part2Start = static_cast<int>(bits.position());
        if (format.mpeg1)
            readScaleFactorsMpeg1(bits, g, si_.scfsi[ch], gr, sf_[ch]);
        else
            readScaleFactorsMpeg2(bits, g, ch == 1 && format.intensity(), sf_[ch]);
        // part2_3_length may claim more bits than the frame's main data holds: bounded there.
        const int end = std::min(part2Start + g.part23Length, reservoir_.endBit());
        nonzero[ch] = decodeSpectrum(bits, g, bands, std::max(end, static_cast<int>(bits.position())), is_);
        requantize(is_, nonzero[ch], g, sf_[ch], bands, format.mpeg1, xr_[ch], path_);
    }

    int extent[2] = {nonzero[0], nonzero[1]};
    if (channels == 2 && (format.midSide() || format.intensity())) {
        const StereoInput in{&format, &si_.gr[gr][1], &sf_[1], &bands};
        extent[0] = extent[1] = processStereo(in, xr_[0], xr_[1], nonzero[0], nonzero[1]);
    }
    if (eq_ != nullptr) {
        for (int ch = 0; ch < channels; ++ch)
            for (int k = 0; k < kSubbands; ++k)
                for (int i = 0; i < kSlots; ++i)
                    xr_[ch][18 * k + i] *= eq_[k];
    }

    for (int ch = firstChannel; ch <= lastChannel; ++ch) {
        const GranuleInfo& g = si_.gr[gr][ch];
        const float* lines = xr_[ch];
        int active = (extent[ch] + 17) / 18;
        if (g.shortBlocks()) {
            reorderShort(xr_[ch], bands, g.mixedBlock != 0, reordered_);
            lines = reordered_;
            active = kSubbands;  // reordering moves lines within a band
            if (g.mixedBlock)
                reduceAliases(reordered_, 1);
        } else {
            reduceAliases(xr_[ch], std::min(active, 31));
            active = std::min(active + 1, kSubbands);
        }
        if (g.windowSwitching && g.mixedBlock)
            active = std::max(active, 2);
        hybridTransform(path_, lines, g.shortBlocks() ? 2 : g.blockType, g.windowSwitching && g.mixedBlock, active,
                        overlap_[ch], out_);
        invertFrequencies(out_);
        sink.granule(ch, out_);
    }
}

}  // namespace layer3
