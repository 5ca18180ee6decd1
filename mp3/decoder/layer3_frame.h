#pragma once

#include "mp3/decoder/layer3_decoder.h"

class FrameHeader;
class Obuffer;
class StreamReader;
class SynthesisFilter;

// Decodes the Layer III frame whose header and body the reader holds: takes the side information
// and main data from the body, runs the decoder with the player's vector path and equaliser, and
// synthesises 1152 (MPEG-1) or 576 (MPEG-2) samples per channel through filter0 (and filter1 for
// two-channel output) into out, then the output's frame-done step. A skipped or invalid frame
// writes nothing and leaves the output's block counter where it was.
layer3::FrameResult decodeLayer3Frame(StreamReader& reader, const FrameHeader& header, layer3::Layer3Decoder& decoder,
                                      SynthesisFilter* filter0, SynthesisFilter* filter1, Obuffer& out);
