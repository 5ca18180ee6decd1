#pragma once

#include <cstdint>
#include <cstring>

// The Layer III bit reservoir: main data of the current frame and of the frames before it, read
// most significant bit first. Reads past the stored data return zero bits and never touch memory
// beyond the buffer.
namespace layer3 {

class BitReservoir {
public:
    // Largest main data of one frame accepted (a 320 kbit/s frame at 32 kHz holds 1440 bytes).
    static constexpr int kMaxFrameBytes = 4096;
    // Bytes kept from earlier frames: main_data_begin has at most 9 bits.
    static constexpr int kHistoryBytes = 512;

    BitReservoir() { reset(); }
    void reset();

    // Stores the frame's main data and moves the read position to main_data_begin bytes before
    // it. Returns false when that reaches back before the data held or into data an earlier
    // frame already consumed (start of stream, after a seek, corrupt begin), or when size is
    // negative or above kMaxFrameBytes: the frame then yields no output.
    bool appendFrame(const uint8_t* mainData, int size, int mainDataBegin);

    // Marks the end of the frame's reading: the next frame may not begin before this byte.
    void finishFrame() { consumedBytes_ = (bitPos_ + 7) >> 3; }

    uint32_t read(int n)
    {  // n = 0..32
        const uint32_t v = n ? peek32() >> (32 - n) : 0;
        bitPos_ += n;
        return v;
    }
    uint32_t readBit()
    {
        const uint32_t v = peek32() >> 31;
        ++bitPos_;
        return v;
    }
    // The next 32 bits, zeros past the stored data.
    uint32_t peek32() const { return static_cast<uint32_t>(peek64At(bitPos_) >> 32); }
    // The next 64 bits (at least 57 of them from the data), zeros past the stored data.
    uint64_t peek64() const { return peek64At(bitPos_); }
    // The same from bit position `bit`, for loops that keep the position in a register.
    uint64_t peek64At(int bit) const
    {
        const int byte = bit >> 3;
        if (bit < 0 || byte >= stored_)
            return 0;
        uint64_t w;
        std::memcpy(&w, buffer_ + byte, sizeof(w));  // padding after stored_ is zero
        return __builtin_bswap64(w) << (bit & 7);
    }
    int position() const { return bitPos_; }
    void setPosition(int bit) { bitPos_ = bit; }
    void skip(int bits) { bitPos_ += bits; }
    // Bit position just past the stored data.
    int endBit() const { return stored_ * 8; }

private:
    static constexpr int kPadding = 8;
    uint8_t buffer_[kHistoryBytes + kMaxFrameBytes + kPadding];
    int stored_ = 0;
    int consumedBytes_ = 0;
    int bitPos_ = 0;
};

}  // namespace layer3
