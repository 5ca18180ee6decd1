#include "mp3/decoder/side_info.h"

namespace layer3 {
namespace {

// Most-significant-first reader over the side-information bytes (length checked by the caller).
class FieldReader {
public:
    explicit FieldReader(const uint8_t* data) : data_(data) { }
    int get(int n)
    {
        int v = 0;
        for (int i = 0; i < n; ++i, ++pos_)
            v = (v << 1) | ((data_[pos_ >> 3] >> (7 - (pos_ & 7))) & 1);
        return v;
    }

private:
    const uint8_t* data_;
    size_t pos_ = 0;
};

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
    FieldReader r(data);
    const int channels = format.channels();
    if (format.mpeg1) {
        si.mainDataBegin = r.get(9);
        si.privateBits = r.get(channels == 1 ? 5 : 3);
        for (int ch = 0; ch < channels; ++ch)
            for (int band = 0; band < 4; ++band)
                si.scfsi[ch][band] = r.get(1);
    } else {
        si.mainDataBegin = r.get(8);
        si.privateBits = r.get(channels == 1 ? 1 : 2);
    }
    for (int gr = 0; gr < format.granules(); ++gr) {
        for (int ch = 0; ch < channels; ++ch) {
            GranuleInfo& g = si.gr[gr][ch];
            g.part23Length = r.get(12);
            g.bigValues = r.get(9);
            g.globalGain = r.get(8);
            g.scalefacCompress = r.get(format.mpeg1 ? 4 : 9);
            g.windowSwitching = r.get(1);
            if (g.windowSwitching) {
                g.blockType = r.get(2);
                if (g.blockType == 0)
                    return false;  // forbidden: the frame is dropped
                g.mixedBlock = r.get(1);
                for (int i = 0; i < 2; ++i)
                    g.tableSelect[i] = r.get(5);
                g.tableSelect[2] = 0;
                for (int i = 0; i < 3; ++i)
                    g.subblockGain[i] = r.get(3);
                g.region0Count = (g.blockType == 2 && !g.mixedBlock) ? 8 : 7;
                g.region1Count = 20 - g.region0Count;
            } else {
                for (int i = 0; i < 3; ++i)
                    g.tableSelect[i] = r.get(5);
                g.region0Count = r.get(4);
                g.region1Count = r.get(3);
                g.blockType = 0;
                g.mixedBlock = 0;
                for (int i = 0; i < 3; ++i)
                    g.subblockGain[i] = 0;
            }
            g.preflag = format.mpeg1 ? r.get(1) : 0;
            g.scalefacScale = r.get(1);
            g.count1TableSelect = r.get(1);
        }
    }
    return true;
}

}  // namespace layer3
