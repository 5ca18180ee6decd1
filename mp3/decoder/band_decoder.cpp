#include "mp3/decoder/band_decoder.h"

#include "mp3/decoder/synthesis_filter.h"

void BandDecoder::store(ChannelChoice choice, SynthesisFilter* filter0, SynthesisFilter* filter1, int ch,
                        float value) const {
    SynthesisFilter* target = nullptr;
    switch (choice) {
    case ChannelChoice::Both: target = ch == 0 ? filter0 : filter1; break;
    case ChannelChoice::Left: target = ch == 0 ? filter0 : nullptr; break;
    case ChannelChoice::RightAsMono: target = ch == 1 ? filter0 : nullptr; break;
    }
    if (target) target->samples()[subband_] = value;
}
