#pragma once

#include <cstdint>
#include <memory>

#include "mp3/stream/audio_extent.h"
#include "mp3/stream/bit_reader.h"
#include "mp3/stream/byte_source.h"
#include "mp3/stream/vbr_tag.h"

// The file side of the decoder: buffered reads, the header scan, the frame buffer that holds the
// current body word-swapped for bit extraction, and the frame counter seeks are built on.
class StreamReader {
public:
    static constexpr uint32_t kReadBufferBytes = 65536;
    static constexpr uint32_t kFrameBufferWords = 433;
    static constexpr uint32_t kFrameBufferBytes = kFrameBufferWords * 4;
    // Bytes at the start of the audio kept for the VBR tag parse (with its encoder extension).
    static constexpr uint32_t kTagLookBytes = 256;

    // Bytes read at a time from a source that cannot seek (output starts after few of them), and
    // by the first fill after opening or moving on any other.
    static constexpr uint32_t kForwardReadBytes = 4096;

    // Opens path; the audio starts at startOffset, after any ID3v2 tags found there, and ends
    // before any ID3v1 or APEv2 tags at the end. Offsets below count from the audio's start.
    // The VBR tag is read from the first frame found (takeFirstFrame), wherever it lies. The
    // tags' text goes to text when it is not null.
    StreamReader(const char* path, uint32_t startOffset);
    StreamReader(std::unique_ptr<ByteSource> source, uint32_t startOffset, TagText* text = nullptr);
    StreamReader(const StreamReader&) = delete;
    StreamReader& operator=(const StreamReader&) = delete;

    void close() { file_->close(); }
    bool isOpen() const { return file_->isOpen(); }
    // Size of the file in bytes, or -1 when it is not open.
    int64_t fileSize() const { return file_->size(); }
    // False for a source read once, front to back: seeks fail and the length is unknown.
    bool canSeek() const { return file_->canSeek(); }
    // Whether a read of the source failed, rather than the stream ending.
    bool sourceFailed() const { return file_->failed(); }
    // File position of the audio's first byte, and the audio's length in bytes (0 or more; 0
    // when unknown).
    int64_t startOffset() const { return extent_.start; }
    int64_t audioBytes() const { return canSeek() && extent_.end > extent_.start ? extent_.end - extent_.start : 0; }
    const AudioExtent& extent() const { return extent_; }

    // Scans for the next header: any 12-bit sync word (11 for MPEG-2.5) whose layer, bitrate and
    // sampling frequency are usable; reserved layer, forbidden bitrate, and reserved sampling
    // frequency are passed over. False at the end of the stream.
    bool findHeader(uint32_t& header);
    // Whether header repeats the fields of the pattern set by setSyncPattern: sync, version,
    // sampling frequency, single channel or not, free format (bitrate index 0) or not.
    bool matchesSync(uint32_t header) const;
    // Undoes the last findHeader: the scan resumes one byte after the rejected header.
    void rejectHeader();
    // Reads the four bytes `ahead` bytes past the current read position (big-endian) without
    // consuming anything; false when the file ends before them.
    bool peekAhead(uint32_t ahead, uint32_t& word);
    // Takes the sync, version and sampling-frequency bits, the single-channel flag and whether the
    // bitrate index is 0 (free format) of header.
    void setSyncPattern(uint32_t header);
    // Offset of the last header found, and that header.
    int64_t frameOffset() const { return frameOffset_; }
    uint32_t frameHeaderWord() const { return frameHeader_; }
    // Copies the last header found and the body read after it (at most max bytes); the count.
    uint32_t copyFrame(uint8_t* dst, uint32_t max) const;
    // The VBR tag of the Layer III frame just read: tag.found when the frame carries one; true
    // when its counts can be used (parseVbrTag).
    bool frameVbrTag(VbrInfo& tag) const;
    // The frame just read is the stream's first: its header and VBR tag become the stream's.
    void takeFirstFrame();
    // Reads n body bytes into the frame buffer (at most its size); false when they did not all
    // come, which marks the stream truncated.
    bool readBody(uint32_t n);
    // True once a frame body was cut off by the end of the audio.
    bool truncated() const { return truncated_; }
    // Next n bits (1..32) of the body, most significant first; 0 for any other n. Reads past the
    // frame buffer give 0.
    uint32_t getBits(uint32_t n) { return n == 0 || n > 32 ? 0 : bits_.get(n); }
    // The next n bytes of the body into dst, as n calls of getBits(8) would give them; whole
    // words at a time when the position is on a byte.
    void getBytes(uint8_t* dst, uint32_t n);
    // Bits taken from the current body so far.
    uint32_t bitsRead() const { return bits_.position(); }
    // The body's read position, for loops that read many fields (Layers I and II take every
    // sample through it): read from a copy, then hand it back with continueAt.
    BitReader bodyBits() const { return bits_; }
    void continueAt(const BitReader& bits) { bits_ = bits; }

    // Moves the file to startOffset + offset, discards the buffer, and makes nextFrame the index
    // of the frame read next. False (nothing moved) when the target is outside the file.
    bool positionAt(int64_t offset, int32_t nextFrame);
    // Looks at every byte position from startOffset + from up to startOffset + to for four bytes
    // that read as value in the bits of mask (big-endian). On a hit the reader is positioned
    // there as for positionAt and the offset is returned in found; false when none is found.
    bool scanForWord(int64_t from, int64_t to, uint32_t mask, uint32_t value, int32_t nextFrame, int64_t& found);

    int32_t frameIndex() const { return frameIndex_; }
    int32_t highestFrameIndex() const { return highestFrameIndex_; }
    uint32_t bodySize() const { return bodySize_; }
    const VbrInfo& vbrInfo() const { return vbr_; }
    bool vbrTagPresent() const { return vbrTagPresent_; }
    // The four bytes at the start offset as a big-endian value (0 when the file is shorter).
    uint32_t firstHeaderBytes() const { return firstHeaderBytes_; }
    // Offset of the first frame (after any bytes before it that are not audio).
    int64_t firstFrameOffset() const { return firstFrameOffset_; }

private:
    bool bufferedRead(uint8_t* dst, uint32_t k);
    bool headerAcceptable(const uint8_t b[4]) const;

    std::unique_ptr<ByteSource> file_;
    uint8_t frameBuffer_[kFrameBufferBytes + BitReader::kPadding] = {};
    uint8_t readBuffer_[kReadBufferBytes];
    // Unread bytes: always the last bytesLeft_ bytes of the buffer. It may exceed filled_ after
    // bytes are given back across a refill; the next read then re-reads them from the file.
    uint32_t bytesLeft_ = 0;
    // Bytes at the end of the buffer that hold file data (less than the buffer at the file's end).
    uint32_t filled_ = 0;
    // Whether the buffer was filled since the reader opened or last moved.
    bool filledOnce_ = false;
    AudioExtent extent_;
    // The unread bits of the body. Reads past the frame buffer stay bounded by what one frame asks.
    BitReader bits_;
    uint32_t syncPattern_ = 0;
    bool singleChannelPattern_ = false;
    bool freeFormatPattern_ = false;
    int32_t frameIndex_ = -1;
    int32_t highestFrameIndex_ = -1;
    VbrInfo vbr_;
    uint32_t firstHeaderBytes_ = 0;
    int64_t firstFrameOffset_ = 0;
    int64_t frameOffset_ = 0;
    uint32_t frameHeader_ = 0;
    uint32_t bodySize_ = 0;
    bool vbrTagPresent_ = false;
    bool truncated_ = false;
};
