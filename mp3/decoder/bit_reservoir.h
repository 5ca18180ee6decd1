#pragma once

#include <cstdint>

#include "mp3/stream/bit_reader.h"

// The Layer III bit reservoir: main data of the current frame and of the frames before it, with
// the zero padding the bit reader needs after them.
namespace layer3 {

class BitReservoir {
public:
    // Largest main data of one frame accepted (a 320 kbit/s frame at 32 kHz holds 1440 bytes).
    static constexpr int kMaxFrameBytes = 4096;
    // Bytes kept from earlier frames: main_data_begin has at most 9 bits.
    static constexpr int kHistoryBytes = 512;

    BitReservoir() { reset(); }
    void reset();

    // Stores the frame's main data and sets the frame's first bit to main_data_begin bytes before
    // it. Returns false when that reaches back before the data held or into data an earlier
    // frame already consumed (start of stream, after a seek, corrupt begin), or when size is
    // negative or above kMaxFrameBytes: the frame then yields no output.
    bool appendFrame(const uint8_t* mainData, int size, int mainDataBegin);

    // The stored data from the frame's first main data bit on (the position appendFrame set).
    BitReader reader() const
    {
        BitReader bits(buffer_, static_cast<uint32_t>(stored_));
        bits.seek(static_cast<uint32_t>(beginBit_));
        return bits;
    }
    // Marks the end of the frame's reading at bit position endBit: the next frame may not begin
    // before the byte that holds it.
    void finishFrame(int endBit) { consumedBytes_ = (endBit + 7) >> 3; }
    // Bit position just past the stored data.
    int endBit() const { return stored_ * 8; }

private:
    static constexpr int kPadding = BitReader::kPadding;
    uint8_t buffer_[kHistoryBytes + kMaxFrameBytes + kPadding];
    int stored_ = 0;
    int consumedBytes_ = 0;
    int beginBit_ = 0;
};

}  // namespace layer3
