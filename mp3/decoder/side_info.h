#pragma once

#include <cstddef>
#include <cstdint>

// Layer III side information: the per-frame header of the main data.
namespace layer3 {

// What the decoder needs of the frame header.
struct FrameFormat {
    bool mpeg1 = true;       // false: MPEG-2 lower sampling frequencies (one granule)
    bool mpeg25 = false;     // MPEG-2.5: the MPEG-2 syntax at half its sampling frequencies
    int frequencyIndex = 0;  // 0..2
    int mode = 0;            // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
    int modeExtension = 0;   // bit 1 mid/side, bit 0 intensity (joint stereo only)
    int channels() const { return mode == 3 ? 1 : 2; }
    int granules() const { return mpeg1 ? 2 : 1; }
    bool midSide() const { return mode == 1 && (modeExtension & 2); }
    bool intensity() const { return mode == 1 && (modeExtension & 1); }
};

struct GranuleInfo {
    int part23Length = 0;
    int bigValues = 0;
    int globalGain = 0;
    int scalefacCompress = 0;
    int windowSwitching = 0;
    int blockType = 0;
    int mixedBlock = 0;
    int tableSelect[3] = {};
    int subblockGain[3] = {};
    int region0Count = 0;
    int region1Count = 0;
    int preflag = 0;
    int scalefacScale = 0;
    int count1TableSelect = 0;
    bool shortBlocks() const { return windowSwitching && blockType == 2; }
};

struct SideInfo {
    int mainDataBegin = 0;
    int privateBits = 0;
    int scfsi[2][4] = {};
    GranuleInfo gr[2][2];  // [granule][channel]
};

// Bytes of side information after the header (and CRC): 32/17 (MPEG-1 stereo/mono), 17/9 (MPEG-2).
size_t sideInfoBytes(const FrameFormat& format);

// Parses the side information from data (at least sideInfoBytes). Returns false when the frame
// must not be decoded: data too short, or window switching with the forbidden block type 0 (the
// parse stops there and leaves the rest of that granule's fields as they were).
bool parseSideInfo(const uint8_t* data, size_t size, const FrameFormat& format, SideInfo& si);

}  // namespace layer3
