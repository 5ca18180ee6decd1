#include "tools/pcm16_input.h"

#include <algorithm>

#include "tools/pcm_format.h"

int64_t Pcm16Input::read(int16_t* out, uint32_t frames)
{
    block_.resize(size_t(frames) * in_.channels());
    const int64_t got = in_.read(block_.data(), frames);
    for (size_t i = 0; i < size_t(std::max<int64_t>(got, 0)) * in_.channels(); ++i)
        out[i] = pcm16Of(block_[i]);
    return got;
}
