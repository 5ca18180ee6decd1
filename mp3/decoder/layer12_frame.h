#pragma once

class Crc16;
class FrameHeader;
class Obuffer;
class StreamReader;
class SynthesisFilter;

// What became of one Layer I or II frame.
enum class Layer12Result {
    Decoded,              // samples written and the frame ended in the output
    CrcMismatch,          // protected frame whose check word is wrong: no output
    ForbiddenAllocation,  // an allocation the standard forbids: no output
};

// Decodes the Layer I or II frame whose header and body the reader holds: 384 (Layer I) or 1152
// (Layer II) samples per channel through filter0 (and filter1 for two-channel streams) into out,
// then the output's frame-done step. crc is the frame's accumulator (null when unprotected).
// A dropped frame writes nothing and leaves the output's block counter where it was.
Layer12Result decodeLayer12Frame(StreamReader& reader, const FrameHeader& header, Crc16* crc,
                                 SynthesisFilter* filter0, SynthesisFilter* filter1, Obuffer& out);
