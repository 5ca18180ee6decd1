#include "dsp/rate/stretch.h"

#include <algorithm>
#include <memory>

#include "dsp/core/fast_heap.h"
#include "dsp/core/pcm_convert.h"

Stretch* Stretch::create(uint32_t frames, uint32_t channelCount, uint32_t sampleRate, float scaleValue, float levelDb,
                         float grainSeconds, float intervalSeconds)
{
    // The output may be four times the input: keep every buffer size within 32 bits.
    if (frames > kMaxFrames)
        return nullptr;
    std::unique_ptr<Stretch> owner(new Stretch);  // freed if a set-up step throws
    Stretch* s = owner.get();
    for (StretchChannel& c : s->channels) {
        if (!c.init(static_cast<float>(sampleRate), scaleValue, levelDb, grainSeconds, intervalSeconds)) {
            return nullptr;
        }
    }
    s->allocBaseBuffers(frames, channelCount);
    s->outCapacity_ = frames;
    s->inRate = s->outRate = sampleRate;
    s->scale = scaleValue;
    s->outLevelDb = levelDb;
    s->grainTime = grainSeconds;
    s->grainInterval = intervalSeconds;
    s->growOutput();
    return owner.release();
}

void Stretch::growOutput()
{
    maxOutFrames = getDstSize(maxInFrames);
    if (maxOutFrames > outCapacity_ && growBuffers({&outL, &outR}, maxOutFrames))
        outCapacity_ = maxOutFrames;
}

bool Stretch::setScale(float value)
{
    if (!channels[0].setScale(value))
        return false;
    channels[1].setScale(value);
    scale = value;
    return true;
}

bool Stretch::setOutLevel(float levelDb)
{
    if (!channels[0].setOutLevel(levelDb))
        return false;
    channels[1].setOutLevel(levelDb);
    outLevelDb = levelDb;
    return true;
}

void Stretch::allocBuffers(uint32_t frames, uint32_t channelCount, uint32_t rate)
{
    if (frames > kMaxFrames)
        return;  // no buffer could hold it: keep the current size
    const bool grows = !buffersReady || frames > maxInFrames;
    allocBaseBuffers(frames, channelCount);
    if (grows)
        outCapacity_ = frames;  // the base reallocation resized outL/outR to frames
    if (rate != outRate) {
        StretchChannel fresh[2];
        // A rate too low for one-sample grains keeps the channels as they were.
        if (fresh[0].init(static_cast<float>(rate), scale, outLevelDb, grainTime, grainInterval)) {
            for (StretchChannel& c : channels)
                c.init(static_cast<float>(rate), scale, outLevelDb, grainTime, grainInterval);
        }
    }
    inRate = outRate = rate;
    growOutput();
}

uint32_t Stretch::getDstSize(uint32_t srcFrames)
{
    // A new scale waits for the next block, whose first piece still runs at the old factor: the
    // larger of the two counts bounds that block, so buffers sized by it hold what it delivers.
    const StretchChannel& c = channels[0];
    const uint32_t first = std::min(srcFrames, StretchChannel::kPiece);
    const uint64_t pending = uint64_t(c.outputFor(first)) + c.dstSize(srcFrames - first);
    return std::max(c.dstSize(srcFrames), static_cast<uint32_t>(std::min<uint64_t>(pending, 0xFFFFFF00u)));
}

bool Stretch::fits(uint32_t frames) const
{
    if (frames > maxInFrames)
        return false;
    uint64_t bound = 0;
    for (uint32_t done = 0; done < frames; done += StretchChannel::kPiece)
        bound += channels[0].boundFor(std::min(frames - done, StretchChannel::kPiece));
    return bound <= outCapacity_;
}

uint32_t Stretch::runChannel(StretchChannel& c, const float* in, float* out, uint32_t frames)
{
    if (frames == 0)
        return c.processBlock(in, out, 0);  // an empty block makes a pending scale current
    uint32_t written = 0;
    for (uint32_t done = 0; done < frames; done += StretchChannel::kPiece) {
        const uint32_t piece = std::min(frames - done, StretchChannel::kPiece);
        written += c.processBlock(in + done, out + written, piece);
    }
    return written;
}

uint32_t Stretch::processChannel(uint32_t channel, const float* in, float* out, uint32_t frames)
{
    if (!fits(frames))
        return 0;
    return runChannel(channels[channel == 1 ? 1 : 0], in, out, frames);
}

uint32_t Stretch::process(const float* srcL, const float* srcR, float* dstL, float* dstR, uint32_t frames)
{
    if (!fits(frames))
        return 0;
    const uint32_t m = runChannel(channels[0], srcL, dstL, frames);
    if (isStereo())
        runChannel(channels[1], srcR, dstR, frames);
    return m;
}

uint32_t Stretch::processPcm16(const int16_t* src, int16_t* dst, uint32_t srcBytes)
{
    const uint32_t ch = isStereo() ? 2 : 1;
    const uint32_t frames = srcBytes / (ch * 2);
    if (!fits(frames))
        return 0;
    pcm16ToFloat(src, frames * ch * 2, inL, inR, ch);
    const uint32_t m = process(inL, inR, outL, outR, frames);
    return floatToPcm16(outL, outR, m, dst, ch);
}
