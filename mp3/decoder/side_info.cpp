#include "mp3/decoder/side_info.h"

#include <algorithm>
#include <cstring>

#include "mp3/stream/bit_reader.h"

namespace layer3 {
namespace {

constexpr size_t kMostBytes = 32;

}  // namespace

size_t sideInfoBytes(const FrameFormat& format)
{
    if (format.mpeg1)
        return format.channels() == 1 ? 17 : 32;
    return format.channels() == 1 ? 9 : 17;
}

bool parseSideInfo(const uint8_t* data, size_t size, const FrameFormat& format, SideInfo& si)
{
    if (data == nullptr || size < sideInfoBytes(format))
        return false;
    // The side information (at most 32 bytes) with zeros after it, read in sequence.
    uint8_t bytes[kMostBytes + BitReader::kPadding] = {};
    std::memcpy(bytes, data, std::min(size, kMostBytes));
    BitReader bits(bytes, kMostBytes);
    auto r = [&bits](int n) { return static_cast<int>(bits.get(static_cast<uint32_t>(n))); };
    const int channels = format.channels();
    if (format.mpeg1) {
        si.mainDataBegin = r(9);
        si.privateBits = r(channels == 1 ? 5 : 3);
        for (int ch = 0; ch < channels; ++ch)
            for (int band = 0; band < 4; ++band)
                si.scfsi[ch][band] = r(1);
    } else {
        si.mainDataBegin = r(8);
        si.privateBits = r(channels == 1 ? 1 : 2);
    }
    for (int gr = 0; gr < format.granules(); ++gr) {
        for (int ch = 0; ch < channels; ++ch) {
            GranuleInfo& g = si.gr[gr][ch];
            g.part23Length = r(12);
            g.bigValues = r(9);
            g.globalGain = r(8);
            g.scalefacCompress = r(format.mpeg1 ? 4 : 9);
            g.windowSwitching = r(1);
            if (g.windowSwitching) {
                g.blockType = r(2);
                if (g.blockType == 0)
                    return false;  // forbidden: the frame is dropped
                g.mixedBlock = r(1);
                for (int i = 0; i < 2; ++i)
                    g.tableSelect[i] = r(5);
                g.tableSelect[2] = 0;
                for (int i = 0; i < 3; ++i)
                    g.subblockGain[i] = r(3);
                g.region0Count = (g.blockType == 2 && !g.mixedBlock) ? 8 : 7;
                g.region1Count = 20 - g.region0Count;
            } else {
                for (int i = 0; i < 3; ++i)
                    g.tableSelect[i] = r(5);
                g.region0Count = r(4);
                g.region1Count = r(3);
                g.blockType = 0;
                g.mixedBlock = 0;
                for (int i = 0; i < 3; ++i)
                    g.subblockGain[i] = 0;
            }
            g.preflag = format.mpeg1 ? r(1) : 0;
            g.scalefacScale = r(1);
            g.count1TableSelect = r(1);
        }
    }
    return true;
}

}  // namespace layer3
