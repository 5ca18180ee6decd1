#include "mp3/stream/vbr_tag.h"

#include <cstring>

#include "mp3/stream/tag_checksum.h"

namespace {

uint32_t bigEndian32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

}  // namespace

bool parseVbrTag(const uint8_t* bytes, uint32_t count, VbrInfo& info)
{
    info = VbrInfo{};
    if (count < 4)
        return false;
    const bool mpeg1 = (bytes[1] & 0x08) != 0;
    const bool singleChannel = bytes[3] >= 0xC0;
    // The tag sits where the side information of the first frame ends.
    uint32_t pos = mpeg1 ? (singleChannel ? 21 : 36) : (singleChannel ? 13 : 21);
    // "Info" is the same tag written into constant-bitrate streams.
    if (pos + 8 > count || (std::memcmp(bytes + pos, "Xing", 4) != 0 && std::memcmp(bytes + pos, "Info", 4) != 0))
        return false;

    info.found = true;
    static constexpr int32_t kRates[4] = {44100, 48000, 32000, 99999};
    info.version = mpeg1 ? 1 : 0;
    const bool mpeg25 = (bytes[1] & 0x10) == 0;
    info.sampleRate = kRates[(bytes[2] >> 2) & 3] / (mpeg1 ? 1 : mpeg25 ? 4 : 2);
    const uint32_t flags = bigEndian32(bytes + pos + 4);
    info.flags = int32_t(flags);
    info.constantBitrate = std::memcmp(bytes + pos, "Info", 4) == 0;
    pos += 8;

    uint32_t frames = 0;
    uint32_t streamBytes = 0;
    if (flags & VbrInfo::kFramesFlag) {
        if (pos + 4 > count)
            return false;
        frames = bigEndian32(bytes + pos);
        pos += 4;
    }
    if (flags & VbrInfo::kBytesFlag) {
        if (pos + 4 > count)
            return false;
        streamBytes = bigEndian32(bytes + pos);
        pos += 4;
    }
    if (flags & VbrInfo::kTocFlag) {
        if (pos + 100 > count)
            return false;
        std::memcpy(info.toc, bytes + pos, 100);
        pos += 100;
    } else {
        for (uint32_t i = 0; i < 100; ++i)
            info.toc[i] = uint8_t(i * 256 / 100);
    }
    if (flags & VbrInfo::kQualityFlag) {
        if (pos + 4 > count)
            return false;
        info.quality = int32_t(bigEndian32(bytes + pos));
        pos += 4;
    }
    // The encoder's extension: a 9-byte encoder name, a revision, a lowpass byte, the peak (4
    // bytes), two ReplayGain words, two more setting bytes, then the delay and the padding as two
    // 12-bit numbers.
    static constexpr uint32_t kPeakAt = 11;
    static constexpr uint32_t kDelayAt = 21;
    static constexpr uint32_t kChecksumAt = 34;
    if (pos + kDelayAt + 3 <= count
        && (std::memcmp(bytes + pos, "LAME", 4) == 0 || std::memcmp(bytes + pos, "Lavf", 4) == 0
            || std::memcmp(bytes + pos, "Lavc", 4) == 0)) {
        const uint8_t* d = bytes + pos + kDelayAt;
        info.encoderExtension = true;
        info.encoderDelay = int32_t(d[0]) << 4 | d[1] >> 4;
        info.encoderPadding = int32_t(d[1] & 0x0F) << 8 | d[2];
        const uint8_t* r = bytes + pos + kPeakAt;
        replay_gain::offerEncoderFields(bigEndian32(r), uint16_t(r[4] << 8 | r[5]), uint16_t(r[6] << 8 | r[7]),
                                        info.replayGain);
        const uint32_t checksumAt = pos + kChecksumAt;
        info.extensionIntact = checksumAt + 2 <= count
            && tag_checksum::of(bytes, checksumAt) == uint16_t(bytes[checksumAt] << 8 | bytes[checksumAt + 1]);
    }
    // Frame and byte counts drive the duration and every percentage seek: a tag without them,
    // or with values no 32-bit file can hold, is not used.
    if (frames == 0 || frames > 0x7FFFFFFFu || streamBytes == 0 || streamBytes > 0x7FFFFFFFu)
        return false;
    info.frames = int32_t(frames);
    info.bytes = int32_t(streamBytes);
    return true;
}

bool tagVouchesForStream(const VbrInfo& tag, int64_t tagOffset, int64_t audioBytes)
{
    return tag.found && tag.extensionIntact && tag.frames > 0 && tag.bytes > 0 && tagOffset >= 0
        && tagOffset + tag.bytes == audioBytes;
}
