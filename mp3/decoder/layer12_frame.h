#pragma once

class Crc16;
class FrameHeader;
class FrameSynthesis;
class StreamReader;

// What became of one Layer I or II frame.
enum class Layer12Result {
    Decoded,              // samples written and the frame ended in the output
    CrcMismatch,          // protected frame whose check word is wrong: no output
    ForbiddenAllocation,  // an allocation the standard forbids: no output
};

// Decodes the Layer I or II frame whose header and body the reader holds: 384 (Layer I) or 1152
// (Layer II) samples per channel through the synthesis (its second channel only for two-channel
// frames) into its frame, begun afresh. crc is the frame's accumulator (null when unprotected).
// A dropped frame synthesises nothing.
Layer12Result decodeLayer12Frame(StreamReader& reader, const FrameHeader& header, Crc16* crc, FrameSynthesis& synth);
