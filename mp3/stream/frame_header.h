#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "mp3/stream/crc16.h"

class StreamReader;

// One MPEG audio frame header at a time: finds it through the reader, decodes its fields, works
// out the frame's sizes, reads the body and starts the frame's CRC. Also derives the stream facts
// (bitrate, time per frame, duration) and carries out seeks.
class FrameHeader {
public:
    enum Mode : int32_t { kStereo = 0, kJointStereo = 1, kDualChannel = 2, kSingleChannel = 3 };

    // Finds and decodes the next header and reads its body. A stream may change its sampling
    // frequency or channel count between frames (joined files, broadcasts): a confirmed header
    // of a new format becomes the one later headers must repeat. crc (may be null) receives the CRC
    // accumulator, already fed with the header, for a protected frame, else null. False at the
    // end of the stream or when the body is cut off.
    bool readFrame(StreamReader& reader, Crc16** crc);

    int32_t layer() const { return layer_; }
    // 1 = no CRC, 0 = a 16-bit CRC word starts the body.
    int32_t protectionBit() const { return protectionBit_; }
    int32_t bitrateIndex() const { return bitrateIndex_; }
    // The index whose bitrate the frame has: bitrateIndex(), or for free format the standard
    // rate it reaches (what Layer II's allocation table choice goes by).
    int32_t tableBitrateIndex() const { return bitrateIndex_ != 0 ? bitrateIndex_ : freeFormatIndex(); }
    int32_t modeExtension() const { return modeExtension_; }
    // 1 = MPEG-1, 0 = MPEG-2 lower sampling frequencies (MPEG-2.5 included).
    int32_t version() const { return version_; }
    // MPEG-2.5: the lower sampling frequencies halved again (12, 11.025 and 8 kHz, Layer III).
    bool mpeg25() const { return mpeg25_; }
    int32_t mode() const { return mode_; }
    int32_t channels() const { return mode_ == kSingleChannel ? 1 : 2; }
    int32_t sampleFrequencyIndex() const { return sampleFrequencyIndex_; }
    int32_t subbands() const { return subbands_; }
    int32_t intensityBound() const { return intensityBound_; }
    bool copyright() const { return copyright_; }
    bool original() const { return original_; }
    bool synced() const { return synced_; }
    uint16_t frameCrc() const { return frameCrc_; }
    int32_t mainDataSize() const { return mainDataSize_; }
    int32_t padding() const { return padding_; }
    int32_t bodySize() const { return bodySize_; }

    // What a description of the stream reports of a frame, copied out of the header.
    struct Summary {
        int32_t version = 0;  // as version()
        bool mpeg25 = false;
        int32_t layer = 0;
        int32_t sampleRate = 0;
        int32_t mode = 0;
        bool crc = false;
        int32_t bitrate = 0;
        int32_t samplesPerFrame = 0;
        int32_t bytes = 0;  // header included
        bool padded = false;
    };
    Summary summary() const
    {
        return {version_,  mpeg25_,           layer_,        sampleRate(), mode_, protectionBit_ == 0,
                bitrate(), samplesPerFrame(), bodySize_ + 4, padding_ != 0};
    }
    // The same of a header word the reader accepted (bytes 0 for free format, whose length the
    // word does not give).
    static Summary summarize(uint32_t header);

    // Bitrate of the current frame in kbit/s (-1 for the forbidden index).
    int32_t bitrate() const;
    int32_t sampleRate() const;
    int32_t samplesPerFrame() const;
    float msPerFrame() const;
    // Frames in the stream: the VBR tag's count, else the bytes after the start offset over the
    // mean frame length of the current bitrate.
    int32_t totalFrames(const StreamReader& reader) const;
    float totalMs(const StreamReader& reader) const { return msPerFrame() * float(totalFrames(reader)); }

    // Both seeks leave the target frame read (header and body) on success and return false,
    // without reading, for a target before the start; a target past the end fails.
    // Seek to frame t, for constant-bitrate streams.
    // crc receives the target frame's accumulator as for readFrame.
    bool seekFrame(StreamReader& reader, int32_t t, Crc16** crc = nullptr);
    // Seek to percent (0..100, clamped) of the stream through the VBR tag's table of contents;
    // false without a usable tag.
    bool seekPercent(StreamReader& reader, float percent, Crc16** crc = nullptr);

private:
    int32_t frameLength(bool withPadding) const;
    static bool successorConfirms(StreamReader& reader, uint32_t header);
    // A header of another format than the stream's so far starts a new part when the
    // kFormatChangeChecks frames after it (or those up to the end of the stream, at least one)
    // start where each one's length says and keep its fields.
    static bool formatChangeConfirmed(StreamReader& reader, uint32_t header);
    static constexpr int32_t kFormatChangeChecks = 3;
    // Free format (bitrate index 0): the length of an unpadded frame is where the next header
    // starts, and must hold for kFreeFormatChecks more frames (or to the end of the file). False
    // when none is found within a frame buffer.
    bool findFreeLength(StreamReader& reader, uint32_t header);
    // The bitrate index whose bitrate a free-format stream reaches (Layer II's table choice).
    int32_t freeFormatIndex() const;

    static constexpr int32_t kMinFreeLength = 16;
    static constexpr int32_t kFreeFormatChecks = 3;
    int32_t freeSlots_ = 0;

    int32_t layer_ = 0;
    int32_t protectionBit_ = 1;
    int32_t bitrateIndex_ = 0;
    int32_t modeExtension_ = 0;
    int32_t version_ = 0;
    bool mpeg25_ = false;
    int32_t mode_ = 0;
    int32_t sampleFrequencyIndex_ = 0;
    int32_t subbands_ = 0;
    int32_t intensityBound_ = 0;
    bool copyright_ = false;
    bool original_ = false;
    bool synced_ = false;
    std::unique_ptr<Crc16> crc_;
    // 44.1 and 22.05 kHz streams, whose frames vary by a padding slot: entry i is the count of
    // padding bytes in frames 0..i, recorded as frames are first reached.
    std::vector<int32_t> paddingTable_;
    size_t paddingCapacity_ = 0;
    uint16_t frameCrc_ = 0;
    int32_t mainDataSize_ = 0;
    int32_t padding_ = 0;
    int32_t bodySize_ = 0;
};
