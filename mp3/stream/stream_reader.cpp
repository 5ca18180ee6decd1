#include "mp3/stream/stream_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

uint32_t bigEndian32(const uint8_t* b)
{
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
}

// Layer, bitrate index and sampling frequency that no frame buffer or table can serve; the
// reserved version, and MPEG-2.5 (an 11-bit sync) in any layer but III. Bitrate index 0 (free
// format: the length comes from the next frame's sync) is left to the caller.
bool fieldsUsable(const uint8_t b[4])
{
    const uint32_t versionBits = (b[1] >> 3) & 3;
    const uint32_t layerBits = (b[1] >> 1) & 3;
    if (versionBits == 1 || (versionBits == 0 && layerBits != 1))
        return false;
    const uint32_t bitrateIndex = b[2] >> 4;
    const uint32_t rateIndex = (b[2] >> 2) & 3;
    return layerBits != 0 && bitrateIndex != 15 && rateIndex != 3;
}

}  // namespace

StreamReader::StreamReader(const char* path, uint32_t startOffset) : StreamReader(openFileSource(path), startOffset) { }

StreamReader::StreamReader(std::unique_ptr<ByteSource> source, uint32_t startOffset, TagText* text)
    : file_(std::move(source))
{
    extent_.start = extent_.end = startOffset;
    if (!file_->isOpen())
        return;
    extent_ = findAudioExtent(*file_, startOffset, text);
    file_->seek(extent_.start, ByteSource::Origin::Begin);
}

uint32_t StreamReader::copyFrame(uint8_t* dst, uint32_t max) const
{
    const uint32_t n = std::min(max, bodySize_ + 4);
    // The header most significant byte first, then the body.
    for (uint32_t i = 0; i < n && i < 4; ++i)
        dst[i] = uint8_t(frameHeader_ >> (24 - 8 * i));
    if (n > 4)
        std::memcpy(dst + 4, frameBuffer_, n - 4);
    return n;
}

bool StreamReader::frameVbrTag(VbrInfo& tag) const
{
    // The header, the longest side information and the tag's name decide whether a frame holds
    // a tag; only then is the rest of the tag copied.
    constexpr uint32_t kNameBytes = 4 + 32 + 8;
    uint8_t bytes[kTagLookBytes];
    const bool counted = parseVbrTag(bytes, copyFrame(bytes, kNameBytes), tag);
    return tag.found ? parseVbrTag(bytes, copyFrame(bytes, sizeof bytes), tag) : counted;
}

void StreamReader::takeFirstFrame()
{
    firstHeaderBytes_ = frameHeader_;
    firstFrameOffset_ = frameOffset_;
    uint8_t look[kTagLookBytes];
    vbrTagPresent_ = parseVbrTag(look, copyFrame(look, sizeof look), vbr_);
}

bool StreamReader::bufferedRead(uint8_t* dst, uint32_t k)
{
    uint32_t copied = 0;
    while (copied < k) {
        if (bytesLeft_ > filled_) {
            // Bytes were given back from before what the buffer holds: read them again.
            if (file_->seek(-int64_t(bytesLeft_), ByteSource::Origin::Current) < 0)
                return false;
            bytesLeft_ = 0;
            filled_ = 0;
        }
        if (bytesLeft_ == 0) {
            // Reads stop where the audio ends: the end tags are never searched for frames.
            const int64_t here = file_->position();
            // The first fill after opening or moving is small: a format, tag or seek may need no more.
            const int64_t chunk = file_->canSeek() && filledOnce_ ? kReadBufferBytes : kForwardReadBytes;
            filledOnce_ = true;
            const int64_t room = here < 0 ? 0 : std::min<int64_t>(chunk, extent_.end - here);
            const int64_t got = room > 0 ? file_->read(readBuffer_, uint64_t(room)) : 0;
            if (got <= 0)
                return false;
            if (got < int64_t(kReadBufferBytes))
                std::memmove(readBuffer_ + kReadBufferBytes - got, readBuffer_, size_t(got));
            bytesLeft_ = filled_ = uint32_t(got);
        }
        const uint32_t n = std::min(k - copied, bytesLeft_);
        std::memcpy(dst + copied, readBuffer_ + kReadBufferBytes - bytesLeft_, n);
        bytesLeft_ -= n;
        copied += n;
    }
    return true;
}

bool StreamReader::matchesSync(uint32_t h) const
{
    return (h & 0xFFF80C00u) == syncPattern_ && (((h >> 6) & 3) == 3) == singleChannelPattern_
        && (((h >> 12) & 15) == 0) == freeFormatPattern_;
}

bool StreamReader::headerAcceptable(const uint8_t b[4]) const
{
    return b[0] == 0xFF && (b[1] & 0xE0) == 0xE0 && fieldsUsable(b);
}

bool StreamReader::findHeader(uint32_t& header)
{
    uint8_t b[4];
    for (;;) {
        if (!bufferedRead(b, 4))
            return false;
        if (headerAcceptable(b))
            break;
        bytesLeft_ += 3;  // move on by one byte
    }
    header = bigEndian32(b);
    frameHeader_ = header;
    frameOffset_ = file_->position() - int64_t(bytesLeft_) - 4 - extent_.start;
    ++frameIndex_;
    highestFrameIndex_ = std::max(highestFrameIndex_, frameIndex_);
    return true;
}

void StreamReader::rejectHeader()
{
    bytesLeft_ += 3;
    --frameIndex_;
    if (highestFrameIndex_ > frameIndex_ && frameIndex_ < 0)
        highestFrameIndex_ = frameIndex_;
}

bool StreamReader::peekAhead(uint32_t ahead, uint32_t& word)
{
    uint8_t b[4];
    if (bytesLeft_ <= filled_ && uint64_t(ahead) + 4 <= bytesLeft_) {
        std::memcpy(b, readBuffer_ + kReadBufferBytes - bytesLeft_ + ahead, 4);
    } else {
        const int64_t here = file_->position();
        const int64_t at = here - int64_t(bytesLeft_) + ahead;
        if (here < 0 || at + 4 > extent_.end || file_->seek(at, ByteSource::Origin::Begin) < 0)
            return false;
        const int64_t got = file_->read(b, 4);
        file_->seek(here, ByteSource::Origin::Begin);
        if (got != 4)
            return false;
    }
    word = bigEndian32(b);
    return true;
}

void StreamReader::setSyncPattern(uint32_t header)
{
    singleChannelPattern_ = ((header >> 6) & 3) == 3;
    freeFormatPattern_ = ((header >> 12) & 15) == 0;
    syncPattern_ = header & 0xFFF80C00u;
}

bool StreamReader::readBody(uint32_t n)
{
    bits_ = BitReader(frameBuffer_, 0);
    bodySize_ = 0;
    if (n > kFrameBufferBytes)
        return false;
    // Reads past the body give zero bits, and so do the bytes a body the file cut short does not
    // fill, so a decoder reading too far sees silence rather than the previous frame.
    std::memset(frameBuffer_, 0, n + BitReader::kPadding);
    const bool complete = bufferedRead(frameBuffer_, n);
    truncated_ = truncated_ || !complete;
    bodySize_ = n;
    bits_ = BitReader(frameBuffer_, n);
    return complete;
}

void StreamReader::getBytes(uint8_t* dst, uint32_t n)
{
    const uint32_t at = bits_.position();
    if (n == 0)
        return;
    if (at % 8 != 0) {
        for (uint32_t i = 0; i < n; ++i)
            dst[i] = static_cast<uint8_t>(getBits(8));
        return;
    }
    // On a byte: straight from the buffer, zeros past the body.
    const uint32_t byte = std::min(at / 8, bodySize_);
    const uint32_t have = std::min(n, bodySize_ - byte);
    std::memcpy(dst, frameBuffer_ + byte, have);
    std::memset(dst + have, 0, n - have);
    bits_.seek(at + 8 * n);
}

bool StreamReader::positionAt(int64_t offset, int32_t nextFrame)
{
    const int64_t target = extent_.start + offset;
    if (offset < 0 || !file_->isOpen() || target > extent_.end)
        return false;
    if (file_->seek(target, ByteSource::Origin::Begin) < 0)
        return false;
    bytesLeft_ = 0;
    filled_ = 0;
    filledOnce_ = false;
    frameIndex_ = nextFrame - 1;
    return true;
}

bool StreamReader::scanForWord(int64_t from, int64_t to, uint32_t mask, uint32_t value, int32_t nextFrame,
                               int64_t& found)
{
    if (!positionAt(from, nextFrame))
        return false;
    uint8_t b[4];
    for (int64_t d = from; d <= to; ++d) {
        if (!bufferedRead(b, 4))
            return false;
        if ((bigEndian32(b) & mask) == value) {
            found = d;
            return positionAt(d, nextFrame);
        }
        bytesLeft_ += 3;
    }
    return false;
}
