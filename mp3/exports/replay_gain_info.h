#pragma once

#include "mp3/stream/replay_gain.h"
#include "orvane/mp3.h"

// The exported form of a file's ReplayGain.
inline void fillReplayGainInfo(const ReplayGain& gain, OrvaneReplayGain& info)
{
    info = OrvaneReplayGain{};
    info.hasTrack = gain[ReplayGain::kTrackGain].present ? 1 : 0;
    info.hasAlbum = gain[ReplayGain::kAlbumGain].present ? 1 : 0;
    info.trackGain = gain[ReplayGain::kTrackGain].value;
    info.trackPeak = gain[ReplayGain::kTrackPeak].value;
    info.albumGain = gain[ReplayGain::kAlbumGain].value;
    info.albumPeak = gain[ReplayGain::kAlbumPeak].value;
}
