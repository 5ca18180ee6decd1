#include "mp3/stream/replay_gain.h"

#include <strings.h>

#include <cmath>
#include <cstring>

namespace replay_gain {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A decimal number with an optional sign and fraction, spaces around it and, after it, an
// optional "dB" in any case. Parsed by hand: the C library's reading follows the locale.
bool parseNumber(const std::string& text, double& value)
{
    size_t i = 0;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    double whole = 0.0, scale = 1.0;
    size_t digits = 0;
    bool fraction = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !fraction) {
            fraction = true;
        } else if (c >= '0' && c <= '9') {
            // Past a few digits a number of these sizes changes no more.
            if (++digits > 12)
                return false;
            whole = whole * 10.0 + (c - '0');
            if (fraction)
                scale *= 10.0;
        } else {
            break;
        }
    }
    if (digits == 0)
        return false;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    if (i + 2 <= text.size() && strncasecmp(text.c_str() + i, "db", 2) == 0)
        i += 2;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    if (i != text.size())
        return false;
    value = (negative ? -whole : whole) / scale;
    return true;
}

bool gainInBounds(double db)
{
    return std::fabs(db) <= kMaxGainDb;
}

bool peakInBounds(double peak)
{
    return peak >= 0.0 && peak <= kMaxPeak;
}

}  // namespace

bool offerItem(const std::string& key, const std::string& text, ReplayGain& gain)
{
    struct Name {
        const char* key;
        ReplayGain::Slot slot;
    };
    static constexpr Name kNames[] = {{"replaygain_track_gain", ReplayGain::kTrackGain},
                                      {"replaygain_track_peak", ReplayGain::kTrackPeak},
                                      {"replaygain_album_gain", ReplayGain::kAlbumGain},
                                      {"replaygain_album_peak", ReplayGain::kAlbumPeak}};
    for (const Name& name : kNames) {
        if (strcasecmp(key.c_str(), name.key) != 0)
            continue;
        const bool isGain = name.slot == ReplayGain::kTrackGain || name.slot == ReplayGain::kAlbumGain;
        double value = 0.0;
        if (!parseNumber(text, value) || !(isGain ? gainInBounds(value) : peakInBounds(value)))
            return false;
        gain.offer(name.slot, float(value));
        return true;
    }
    return false;
}

void offerRelativeVolume(const uint8_t* p, size_t n, ReplayGain& gain)
{
    const void* zero = std::memchr(p, 0, n);
    if (zero == nullptr)
        return;
    const size_t idBytes = size_t(static_cast<const uint8_t*>(zero) - p);
    const bool album = idBytes == 5 && strncasecmp(reinterpret_cast<const char*>(p), "album", 5) == 0;
    constexpr uint8_t kMasterVolume = 1;
    size_t pos = idBytes + 1;
    while (pos + 4 <= n) {
        const uint8_t channel = p[pos];
        const int16_t adjustment = int16_t(uint16_t(p[pos + 1] << 8 | p[pos + 2]));
        const uint32_t peakBits = p[pos + 3];
        const size_t peakBytes = (peakBits + 7) / 8;
        pos += 4;
        if (peakBytes > n - pos)
            return;
        if (channel == kMasterVolume) {
            gain.offer(album ? ReplayGain::kAlbumGain : ReplayGain::kTrackGain, float(adjustment) / 512.0f);
            // The peak: an unsigned number of peakBits bits (right-aligned in whole bytes) with
            // full scale at 2^(peakBits - 1).
            double peak = 0.0;
            for (size_t k = 0; k < peakBytes; ++k)
                peak = peak * 256.0 + p[pos + k];
            if (peakBits > 0)
                peak = std::ldexp(peak, -int(peakBits - 1));
            if (peak > 0.0 && peakInBounds(peak))
                gain.offer(album ? ReplayGain::kAlbumPeak : ReplayGain::kTrackPeak, float(peak));
            return;
        }
        pos += peakBytes;
    }
}

void offerEncoderFields(uint32_t peakWord, uint16_t firstGain, uint16_t secondGain, ReplayGain& gain)
{
    for (const uint16_t word : {firstGain, secondGain}) {
        const uint32_t name = word >> 13;
        if (name != 1 && name != 2)
            continue;
        const float db = float(word & 0x1FF) / 10.0f * ((word & 0x200) ? -1.0f : 1.0f);
        gain.offer(name == 1 ? ReplayGain::kTrackGain : ReplayGain::kAlbumGain, db);
    }
    // At 0x30000000 and above the word reads as a float of at least 4.7e-10, below it as a fixed-
    // point value under 96.
    float peak = 0.0f;
    if (peakWord >= 0x30000000u)
        std::memcpy(&peak, &peakWord, sizeof peak);
    else
        peak = float(std::ldexp(double(peakWord), -23));
    if (peak > 0.0f && peakInBounds(peak))
        gain.offer(ReplayGain::kTrackPeak, peak);
}

float playbackScale(const ReplayGain& gain, bool album)
{
    const bool useAlbum = album && gain[ReplayGain::kAlbumGain].present;
    const ReplayGain::Value& db = gain[useAlbum ? ReplayGain::kAlbumGain : ReplayGain::kTrackGain];
    if (!db.present)
        return 1.0f;
    // The album's peak when the album gain is used and stated, else the track's: either keeps
    // this track from clipping.
    const ReplayGain::Value& albumPeak = gain[ReplayGain::kAlbumPeak];
    const ReplayGain::Value& peak = useAlbum && albumPeak.present ? albumPeak : gain[ReplayGain::kTrackPeak];
    double scale = std::pow(10.0, double(db.value) / 20.0);
    if (peak.present && peak.value > 0.0f)
        scale = std::fmin(scale, 1.0 / double(peak.value));
    return float(scale);
}

}  // namespace replay_gain
