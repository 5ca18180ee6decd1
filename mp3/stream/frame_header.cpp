#include "mp3/stream/frame_header.h"

#include <algorithm>
#include <cmath>

#include "mp3/stream/header_tables.h"
#include "mp3/stream/stream_reader.h"

using namespace header_tables;

bool FrameHeader::readFrame(StreamReader& reader, Crc16** crc)
{
    if (crc != nullptr)
        *crc = nullptr;
    uint32_t h = 0;
    const bool first = !synced_;
    if (!synced_) {
        // The first header is only believed when the next frame starts where it says (or the
        // file ends there): garbage such as cover art in a leading tag often holds sync words.
        for (;;) {
            if (!reader.findHeader(h))
                return false;
            if (((h >> 12) & 15) == 0 ? findFreeLength(reader, h) : successorConfirms(reader, h))
                break;
            reader.rejectHeader();
        }
        version_ = int32_t((h >> 19) & 1);
        mpeg25_ = ((h >> 20) & 1) == 0;
        sampleFrequencyIndex_ = int32_t((h >> 10) & 3);
        if (sampleFrequencyIndex_ == 3)
            return false;
        reader.setSyncPattern(h);
        synced_ = true;
    } else {
        // A header of another rate or channel count ends the stream's format only when the
        // frames after it keep the new one; elsewhere it is a stray sync word in damaged data.
        for (;;) {
            if (!reader.findHeader(h))
                return false;
            if (reader.matchesSync(h))
                break;
            if (formatChangeConfirmed(reader, h)) {
                version_ = int32_t((h >> 19) & 1);
                mpeg25_ = ((h >> 20) & 1) == 0;
                sampleFrequencyIndex_ = int32_t((h >> 10) & 3);
                reader.setSyncPattern(h);
                break;
            }
            reader.rejectHeader();
        }
    }

    protectionBit_ = int32_t((h >> 16) & 1);
    padding_ = int32_t((h >> 9) & 1);
    layer_ = 4 - int32_t((h >> 17) & 3);
    bitrateIndex_ = int32_t((h >> 12) & 15);
    mode_ = int32_t((h >> 6) & 3);
    modeExtension_ = int32_t((h >> 4) & 3);
    copyright_ = ((h >> 3) & 1) != 0;
    original_ = ((h >> 2) & 1) != 0;
    // The reader only hands out headers whose layer, bitrate and rate index the tables serve.
    if (layer_ < 1 || layer_ > 3 || (bitrateIndex_ == 0 && freeSlots_ == 0) || bitrateIndex_ == 15)
        return false;

    intensityBound_ = mode_ == kJointStereo ? modeExtension_ * 4 + 4 : 0;
    if (layer_ == 1) {
        subbands_ = 32;
    } else if (version_ == 0) {
        subbands_ = 30;  // the lower sampling frequencies have a single allocation table
    } else {
        // Layer II allocation table choice by bitrate per channel and sampling frequency.
        int32_t r = bitrateIndex_ != 0 ? bitrateIndex_ : freeFormatIndex();
        if (mode_ != kSingleChannel)
            r = r == 4 ? 1 : r - 4;
        if (r == 1 || r == 2)
            subbands_ = sampleFrequencyIndex_ == 2 ? 12 : 8;
        else if (sampleFrequencyIndex_ == 1 || (r >= 3 && r <= 5))
            subbands_ = 27;
        else
            subbands_ = 30;
    }
    intensityBound_ = std::min(intensityBound_, subbands_);

    const int32_t length = frameLength(padding_ != 0);
    bodySize_ = length - 4;
    mainDataSize_ = 0;
    if (layer_ == 3) {
        const int32_t side = kSideInfoBytes[version_][mode_ == kSingleChannel ? 0 : 1];
        mainDataSize_ = std::max(0, length - side - (protectionBit_ == 0 ? 2 : 0) - 4);
    }
    if (bodySize_ < 0 || uint32_t(bodySize_) > StreamReader::kFrameBufferBytes)
        return false;
    if (!reader.readBody(uint32_t(bodySize_)))
        return false;
    if (first)
        reader.takeFirstFrame();

    if (protectionBit_ == 0) {
        frameCrc_ = uint16_t(reader.getBits(16));
        if (!crc_)
            crc_ = std::make_unique<Crc16>();
        crc_->reset();
        crc_->addBits(h & 0xFFFF, 16);
        if (crc != nullptr)
            *crc = crc_.get();
    }

    if (sampleFrequencyIndex_ == 0) {
        // Record the padding of each frame reached for the first time, up to five times the
        // frame count the first frame implies.
        if (paddingCapacity_ == 0) {
            const int64_t bytes = reader.audioBytes();
            paddingCapacity_ = size_t(std::min<int64_t>(5 * (bytes / frameLength(false) + 1), 1 << 26));
        }
        const int32_t index = reader.frameIndex();
        if (index >= 0 && size_t(index) == paddingTable_.size() && paddingTable_.size() < paddingCapacity_) {
            const int32_t before = index == 0 ? 0 : paddingTable_[size_t(index) - 1];
            paddingTable_.push_back(before + padding_ * (layer_ == 1 ? 4 : 1));
        }
    }
    return true;
}

bool FrameHeader::successorConfirms(StreamReader& reader, uint32_t h)
{
    const int32_t length = summarize(h).bytes;
    uint32_t next = 0;
    if (!reader.peekAhead(uint32_t(length - 4), next))
        return true;  // the file ends within or right after this frame
    const uint32_t layerBits = (next >> 17) & 3;
    const uint32_t bitrateIndex = (next >> 12) & 15;
    return (next & 0xFFF80C00u) == (h & 0xFFF80C00u) && layerBits != 0 && bitrateIndex != 0 && bitrateIndex != 15;
}

bool FrameHeader::formatChangeConfirmed(StreamReader& reader, uint32_t h)
{
    // Sync, version, layer, sampling frequency and the single-channel mode repeat in every frame.
    constexpr uint32_t kFixed = 0xFFFE0C00u;
    const auto fixed = [](uint32_t word) { return (word & kFixed) | (((word >> 6) & 3) == 3 ? 1u : 0u); };
    uint32_t word = h;
    int64_t at = 0;
    for (int32_t k = 0; k < kFormatChangeChecks; ++k) {
        const uint32_t bitrateIndex = (word >> 12) & 15;
        if (bitrateIndex == 0 || bitrateIndex == 15)
            return false;
        at += summarize(word).bytes;
        if (!reader.peekAhead(uint32_t(at - 4), word))
            return k > 0;  // the stream ends after at least one frame of the new format
        if (fixed(word) != fixed(h))
            return false;
    }
    return true;
}

bool FrameHeader::findFreeLength(StreamReader& reader, uint32_t h)
{
    // Sync, version, layer, bitrate index and sampling frequency repeat in every frame.
    constexpr uint32_t kFixed = 0xFFFEFC00u;
    const int32_t unit = ((h >> 17) & 3) == 3 ? 4 : 1;  // Layer I counts 4-byte slots
    const int32_t padded = ((h >> 9) & 1) != 0 ? unit : 0;
    for (int32_t length = kMinFreeLength; length <= int32_t(StreamReader::kFrameBufferBytes) + 4; ++length) {
        uint32_t next = 0;
        if (!reader.peekAhead(uint32_t(length - 4), next))
            return false;
        if ((next & kFixed) != (h & kFixed))
            continue;
        // The length of an unpadded frame must hold for the frames that follow too.
        const int32_t slots = length - padded;
        int64_t at = length;
        bool holds = true;
        for (int32_t k = 0; k < kFreeFormatChecks && holds; ++k) {
            const int64_t following = at + slots + (((next >> 9) & 1) != 0 ? unit : 0);
            if (!reader.peekAhead(uint32_t(following - 4), next))
                break;  // the file ends there
            holds = (next & kFixed) == (h & kFixed);
            at = following;
        }
        if (holds) {
            freeSlots_ = slots;
            return true;
        }
    }
    return false;
}

int32_t FrameHeader::freeFormatIndex() const
{
    const int64_t bps = int64_t(freeSlots_) * 8 * sampleRate() / std::max(samplesPerFrame(), 1);
    int32_t index = 1;
    while (index < 14 && kBitrates[version_][layer_ - 1][index + 1] <= bps)
        ++index;
    return index;
}

FrameHeader::Summary FrameHeader::summarize(uint32_t h)
{
    FrameHeader f;
    f.version_ = int32_t((h >> 19) & 1);
    f.mpeg25_ = ((h >> 20) & 1) == 0;
    f.sampleFrequencyIndex_ = int32_t((h >> 10) & 3);
    f.layer_ = 4 - int32_t((h >> 17) & 3);
    f.bitrateIndex_ = int32_t((h >> 12) & 15);
    f.protectionBit_ = int32_t((h >> 16) & 1);
    f.mode_ = int32_t((h >> 6) & 3);
    f.padding_ = int32_t((h >> 9) & 1);
    f.synced_ = true;
    f.bodySize_ = f.bitrateIndex_ == 0 ? -4 : f.frameLength(f.padding_ != 0) - 4;
    return f.summary();
}

int32_t FrameHeader::frameLength(bool withPadding) const
{
    if (bitrateIndex_ == 0)
        return freeSlots_ + (withPadding ? (layer_ == 1 ? 4 : 1) : 0);
    const int64_t rate = kSampleRates[version_][sampleFrequencyIndex_] / (mpeg25_ ? 2 : 1);
    const int64_t bps = kBitrates[version_][layer_ - 1][bitrateIndex_];
    if (layer_ == 1)
        return int32_t((12 * bps / rate + (withPadding ? 1 : 0)) * 4);
    int64_t slots = 144 * bps / rate;
    if (layer_ == 3 && version_ == 0)
        slots /= 2;  // 576 samples per frame
    return int32_t(slots + (withPadding ? 1 : 0));
}

int32_t FrameHeader::bitrate() const
{
    if (!synced_ || layer_ < 1)
        return 0;
    if (bitrateIndex_ == 15)
        return -1;
    if (bitrateIndex_ == 0)
        return int32_t((int64_t(freeSlots_) * 8 * sampleRate() / std::max(samplesPerFrame(), 1) + 500) / 1000);
    return kBitrates[version_][layer_ - 1][bitrateIndex_] / 1000;
}

int32_t FrameHeader::sampleRate() const
{
    return synced_ ? kSampleRates[version_][sampleFrequencyIndex_] / (mpeg25_ ? 2 : 1) : 0;
}

int32_t FrameHeader::samplesPerFrame() const
{
    return synced_ && layer_ >= 1 ? kSamplesPerFrame[version_][layer_ - 1] : 0;
}

float FrameHeader::msPerFrame() const
{
    const int32_t rate = sampleRate();
    return rate > 0 ? float(samplesPerFrame()) * 1000.0f / float(rate) : 0.0f;
}

int32_t FrameHeader::totalFrames(const StreamReader& reader) const
{
    if (reader.vbrTagPresent())
        return reader.vbrInfo().frames;
    if (!synced_ || layer_ < 1)
        return 0;
    const int64_t bytes = reader.audioBytes();
    if (bytes <= 0)
        return 0;
    // Mean frame length at this bitrate: padded and unpadded frames alternate to hit it.
    const double mean = bitrateIndex_ == 0
        ? double(freeSlots_)
        : double(samplesPerFrame()) * kBitrates[version_][layer_ - 1][bitrateIndex_] / (8.0 * sampleRate());
    return int32_t(std::min(double(bytes) / mean + 0.5, 2147483647.0));
}

bool FrameHeader::seekFrame(StreamReader& reader, int32_t t, Crc16** crc)
{
    if (t < 0 || !synced_ || layer_ < 1)
        return false;
    const int64_t len = frameLength(false);
    if (sampleFrequencyIndex_ != 0) {
        // 48 and 32 kHz frames carry no padding at any bitrate: all have the same length.
        if (!reader.positionAt(int64_t(t) * len, t))
            return false;
        return readFrame(reader, crc);
    }
    const int32_t known = int32_t(paddingTable_.size()) - 1;
    if (t <= known) {
        const int64_t offset = (t >= 1 ? paddingTable_[size_t(t) - 1] : 0) + len * t;
        if (!reader.positionAt(offset, t))
            return false;
        return readFrame(reader, crc);
    }
    // Beyond the frames recorded so far: start after the last one and read forward.
    const int64_t offset = (known >= 0 ? paddingTable_[size_t(known)] : 0) + len * (known + 1);
    if (!reader.positionAt(offset, known + 1))
        return false;
    do {
        if (!readFrame(reader, crc))
            return false;
    } while (reader.frameIndex() < t);
    return true;
}

bool FrameHeader::seekPercent(StreamReader& reader, float percent, Crc16** crc)
{
    if (!reader.vbrTagPresent() || !synced_)
        return false;
    const VbrInfo& tag = reader.vbrInfo();
    double p = percent;
    if (!(p >= 0.0))
        p = 0.0;  // also NaN
    p = std::min(p, 100.0);
    const int32_t target = int32_t(p * tag.frames * 0.01);
    const int32_t i = std::min(int32_t(p), 99);
    const double fa = tag.toc[i];
    const double fb = i == 99 ? 256.0 : tag.toc[i + 1];
    const int64_t d = std::max<int64_t>(0, int64_t((fa + (p - i) * (fb - fa)) * (tag.bytes - 256.0) / 256.0));
    // Land on a header that repeats the fields fixed for the whole stream: sync, version, layer,
    // protection, sampling frequency and channel mode. Bitrate, padding and the joint-stereo mode
    // extension change from frame to frame in variable-bitrate streams.
    const uint32_t mask = 0xFFFF0CC0u;
    int64_t found = 0;
    const int64_t at = reader.firstFrameOffset();
    if (!reader.scanForWord(at + d, at + tag.bytes, mask, reader.firstHeaderBytes() & mask, target, found))
        return false;
    return readFrame(reader, crc);
}
