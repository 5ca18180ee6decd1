#include "dsp/rate/sliding_line.h"

#include <cstring>

#include "dsp/core/fast_heap.h"

namespace {
// Blocks' worth of room to slide over before the past is copied back.
constexpr uint64_t kSlideBlocks = 4;
}  // namespace

SlidingLine::~SlidingLine()
{
    FastHeap::instance().free(buffer_);
}

bool SlidingLine::reset(uint32_t keep, uint32_t block)
{
    const uint64_t needed = uint64_t(keep) + (kSlideBlocks + 1) * block;
    if (needed > capacity_) {
        FastHeap& heap = FastHeap::instance();
        heap.free(buffer_);
        buffer_ = static_cast<float*>(heap.alloc(needed * sizeof(float)));
        capacity_ = buffer_ != nullptr ? needed : 0;
        if (buffer_ == nullptr)
            return false;
    }
    keep_ = keep;
    block_ = block;
    view_ = buffer_;
    std::memset(view_, 0, keep * sizeof(float));
    return true;
}

void SlidingLine::advance(uint32_t n)
{
    view_ += n;
    if (view_ + keep_ + block_ > buffer_ + capacity_) {
        std::memmove(buffer_, view_, keep_ * sizeof(float));
        view_ = buffer_;
    }
}
