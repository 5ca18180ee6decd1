#pragma once

#include "mp3/decoder/decoder_settings.h"
#include "mp3/decoder/layer3_decoder.h"

class FrameHeader;
class FrameSynthesis;
class StreamReader;

// Decodes the Layer III frame whose header and body the reader holds: takes the side information
// and main data from the body, runs the decoder with the settings' vector path and equaliser, and
// synthesises 1152 (MPEG-1) or 576 (MPEG-2) samples per channel of the synthesis into its frame,
// begun afresh. A skipped or invalid frame leaves nothing to hand on.
layer3::FrameResult decodeLayer3Frame(StreamReader& reader, const FrameHeader& header,
                                      const decoder::DecoderSettings& settings, layer3::Layer3Decoder& decoder,
                                      FrameSynthesis& synth);
