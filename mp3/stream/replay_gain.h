#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The loudness normalisation a file's tags carry: the gain in dB that brings the track (or its
// album) to the reference loudness, and the largest sample magnitude of each (1.0 = full scale).
struct ReplayGain {
    enum Slot : int32_t { kTrackGain, kTrackPeak, kAlbumGain, kAlbumPeak, kSlotCount };
    struct Value {
        bool present = false;
        float value = 0.0f;
    };
    Value values[kSlotCount];

    Value& operator[](Slot s) { return values[s]; }
    const Value& operator[](Slot s) const { return values[s]; }
    // Sets slot s unless a value is already there (the first carrier to state it wins).
    void offer(Slot s, float value)
    {
        if (!values[s].present)
            values[s] = Value{true, value};
    }
    // Fills each absent value from a carrier of lower precedence.
    void fillFrom(const ReplayGain& other)
    {
        for (int32_t s = 0; s < kSlotCount; ++s)
            if (other.values[s].present)
                offer(Slot(s), other.values[s].value);
    }
};

namespace replay_gain {

// Values outside these bounds are taken as damage and ignored: no carrier can state a larger
// gain (ID3v2's relative volume ends at +-64 dB), and a peak is a magnitude.
constexpr float kMaxGainDb = 64.0f;
constexpr float kMaxPeak = 64.0f;

// A REPLAYGAIN_TRACK_GAIN, _TRACK_PEAK, _ALBUM_GAIN or _ALBUM_PEAK item (key in any case) with
// its text ("-6.50 dB", "0.988"; a dot is the decimal point whatever the locale) offered to gain.
// False when the key names none of them or the text is not a number in bounds.
bool offerItem(const std::string& key, const std::string& text, ReplayGain& gain);
// An ID3v2 relative volume frame (RVA2): identification, then per channel a type byte, the
// adjustment (signed 16-bit, 1/512 dB) and the peak (a bit count, then that many bits). The master
// volume channel is read: an "album" identification gives the album values, any other the track's.
void offerRelativeVolume(const uint8_t* p, size_t n, ReplayGain& gain);
// The encoder extension's fields: the peak word (a 9.23 fixed-point value as the encoder writes
// it, or an IEEE float as the tag's layout describes it: the two cannot be confused below a peak
// of 96) and two gain words (3 bits name: 1 track, 2 album; 3 bits originator; sign; 9 bits of
// 0.1 dB). A zero peak or an unnamed word states nothing.
void offerEncoderFields(uint32_t peakWord, uint16_t firstGain, uint16_t secondGain, ReplayGain& gain);
// The linear factor that plays the file at its track (album false) or album gain; album falls
// back to the track values when the file states no album gain. The gain is held down so that the
// stated peak reaches full scale at most; 1 when no gain is stated.
float playbackScale(const ReplayGain& gain, bool album);

}  // namespace replay_gain
