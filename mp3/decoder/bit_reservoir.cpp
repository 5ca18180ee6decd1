#include "mp3/decoder/bit_reservoir.h"

#include <cstring>

namespace layer3 {

void BitReservoir::reset()
{
    std::memset(buffer_, 0, sizeof(buffer_));
    stored_ = 0;
    consumedBytes_ = 0;
    beginBit_ = 0;
}

bool BitReservoir::appendFrame(const uint8_t* mainData, int size, int mainDataBegin)
{
    if (size < 0 || size > kMaxFrameBytes || (size > 0 && mainData == nullptr))
        return false;
    if (stored_ + size > kHistoryBytes + kMaxFrameBytes) {
        // Keep only the bytes a later main_data_begin can reach; positions shift with them.
        const int drop = stored_ - kHistoryBytes;
        std::memmove(buffer_, buffer_ + drop, kHistoryBytes);
        stored_ = kHistoryBytes;
        consumedBytes_ -= drop;
    }
    const int begin = stored_ - mainDataBegin;
    if (size > 0)
        std::memcpy(buffer_ + stored_, mainData, static_cast<size_t>(size));
    stored_ += size;
    std::memset(buffer_ + stored_, 0, kPadding);
    if (mainDataBegin < 0 || begin < 0 || begin < consumedBytes_)
        return false;
    beginBit_ = begin * 8;
    return true;
}

}  // namespace layer3
