#pragma once

#include <cstdint>

#include "mp3/stream/replay_gain.h"

// Contents of a "Xing" (or "Info") VBR information tag carried in the first frame of a stream.
struct VbrInfo {
    static constexpr uint32_t kFramesFlag = 1;
    static constexpr uint32_t kBytesFlag = 2;
    static constexpr uint32_t kTocFlag = 4;
    static constexpr uint32_t kQualityFlag = 8;

    // "Xing" or "Info" stands where the tag belongs: the frame holds no audio, whatever its counts.
    bool found = false;
    int32_t version = 0;     // 1 MPEG-1, 0 MPEG-2
    int32_t sampleRate = 0;  // Hz
    int32_t flags = 0;
    int32_t frames = 0;
    int32_t bytes = 0;
    int32_t quality = -1;
    // "Info": the same tag written into a constant-bitrate stream.
    bool constantBitrate = false;
    // The encoder's extension after the tag: samples per channel the encoder put before the
    // source (delay) and after it (padding, which includes the decoder's own delay).
    bool encoderExtension = false;
    int32_t encoderDelay = 0;
    int32_t encoderPadding = 0;
    // The extension's checksum over every byte of the frame before it holds: the tag is as the
    // encoder wrote it.
    bool extensionIntact = false;
    // The ReplayGain the encoder's extension states (its peak and two gain words).
    ReplayGain replayGain;
    // Byte position of each percent of the stream in 1/256 of the stream's bytes; a linear
    // table when the tag carries none.
    uint8_t toc[100] = {};
};

// Parses the tag from the first `count` bytes of a stream. Returns true only for a tag that can
// be used: "Xing" or "Info" at the place the first header implies, every announced field inside the bytes
// given, and a positive frame and byte count. info.found (and the encoder's delay and padding)
// may be set while the counts make the tag unusable.
bool parseVbrTag(const uint8_t* bytes, uint32_t count, VbrInfo& info);

// Whether a usable tag (parseVbrTag true) speaks for the whole stream: its extension is intact and
// its byte count, from the tag's frame at tagOffset, reaches exactly to the end of the audioBytes
// of audio. Its frame count is then the stream's, as a pass over every header would find it; a
// stream joined to another, cut short or edited after encoding fails the check.
bool tagVouchesForStream(const VbrInfo& tag, int64_t tagOffset, int64_t audioBytes);
