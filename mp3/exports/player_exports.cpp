#include <cmath>

#include "mp3/exports/mp3_guard.h"
#include "mp3/player/playback.h"
#include "mp3/player/player_settings.h"
#include "orvane/dsp.h"
#include "orvane/mp3.h"

// Thin exports: settings go to PlayerSettings, requests to the current Playback, read-outs to
// the current output. Every object is reached through a reference taken from PlayState, so
// none of them can be destroyed while an export uses it.

using export_guard::kBadArgument;
using export_guard::refuse;

namespace {

// A play's result, its failure's reason recorded: -1 (notMpeg says why), -2 another play, 0 the
// output.
int32_t played(int32_t result, const char* notMpeg)
{
    if (result == -1)
        refuse(export_guard::kNotMpeg, notMpeg);
    if (result == -2)
        export_guard::record<Mp3Library>(export_guard::kFailed, "another play is running");
    if (result == 0)
        export_guard::record<Mp3Library>(export_guard::kFailed,
                                         "the output cannot be set up, or norv refused a block (NORVLastError)");
    return result;
}

}  // namespace

extern "C" {

MP3_API uint32_t OrvaneGetVersion(void)
{
    return mp3Guard<uint32_t>(0, [&]() -> uint32_t { return ORVANE_VERSION; });
}

MP3_API int32_t OrvanePlay(const char* path, void* startedEvent, int32_t startOffset, int32_t convert)
{
    return mp3Guard<int32_t>(-1, [&]() -> int32_t {
        if (path == nullptr || startOffset < 0)
            refuse(kBadArgument, "no path given, or a negative start offset");
        return played(runPlay(path, startedEvent, startOffset, convert != 0),
                      "no readable MPEG audio frame in the file (or it cannot be opened)");
    });
}

MP3_API int32_t OrvanePlayCallbacks(OrvaneReadCallback read, void* context, void* startedEvent, int32_t convert)
{
    return mp3Guard<int32_t>(-1, [&]() -> int32_t {
        if (read == nullptr)
            refuse(kBadArgument, "no read callback given");
        return played(runPlayStream(read, context, startedEvent, convert != 0),
                      "no readable MPEG audio frame in the stream (or its source fails)");
    });
}

MP3_API int32_t OrvaneQueueNext(const char* path, int32_t startOffset)
{
    return mp3Guard<int32_t>(-1, [&]() -> int32_t {
        if (startOffset < 0)
            refuse(kBadArgument, "a negative start offset");
        playState().queueNext(path, startOffset);
        return 1;
    });
}

MP3_API int32_t OrvaneQueueAppend(const char* path, int32_t startOffset)
{
    return mp3Guard<int32_t>(-1, [&]() -> int32_t {
        if (path == nullptr || startOffset < 0)
            refuse(kBadArgument, "no path given, or a negative start offset");
        playState().queueAppend(path, startOffset);
        return 1;
    });
}

MP3_API int32_t OrvaneGetTrackIndex(void)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t { return playState().trackIndex.load(); });
}

MP3_API void OrvaneStop(void)
{
    mp3Guard([&] {
        PlayState& s = playState();
        if (const auto pb = s.playback())
            pb->stopRequest.store(true);
        if (const auto out = s.output())
            out->requestStop();
    });
}

MP3_API void OrvanePause(int8_t pause)
{
    mp3Guard([&] { pausePlay(pause != 0); });
}

MP3_API void OrvaneSeek(int32_t delta)
{
    mp3Guard([&] {
        PlayState& s = playState();
        if (const auto pb = s.playback()) {
            const int64_t target = int64_t(s.positionFrame.load()) + delta;
            pb->seekTarget.store(target < 0 ? 0 : target > INT32_MAX ? INT32_MAX : int32_t(target));
            pb->seekRequest.store(true);
        }
    });
}

MP3_API void OrvaneAbsoluteSeek(float fraction)
{
    mp3Guard([&] {
        PlayState& s = playState();
        if (const auto pb = s.playback()) {
            double target = double(s.totalFrames.load()) * double(fraction);
            if (!(target >= 0.0))
                target = 0.0;
            pb->seekTarget.store(target >= double(INT32_MAX) ? INT32_MAX : int32_t(target));
            pb->seekRequest.store(true);
        }
    });
}

MP3_API void OrvaneChangePitch(int32_t pitch)
{
    mp3Guard([&] {
        if (const auto pb = playState().playback()) {
            pb->requestedPitch.store(pitch);
            pb->pitchChangeRequest.store(true);
        }
    });
}

MP3_API void OrvaneClean(void)
{
    mp3Guard([&] {
        // A play cleans up after itself when OrvanePlay returns; one still running is asked to stop.
        OrvaneStop();
    });
}

MP3_API float OrvaneWhere(void)
{
    return mp3Guard<float>(0, [&]() -> float { return playState().positionFraction.load(); });
}

MP3_API int32_t OrvaneGetCurrentTime(void)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t { return currentTimeMs(); });
}

MP3_API int32_t OrvaneGetBitrate(void)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t { return playState().bitrate.load(); });
}

MP3_API void OrvaneSetVolume(int32_t volume)
{
    mp3Guard([&] { player::setVolume(volume); });
}

MP3_API void OrvaneEnableEQ(int8_t enable)
{
    mp3Guard([&] { player::settings().eqEnable.store(enable != 0); });
}

MP3_API void OrvaneEnableGapless(int8_t enable)
{
    mp3Guard([&] { player::settings().gapless.store(enable != 0); });
}

MP3_API void OrvaneSetEQ(int32_t band, float gain)
{
    mp3Guard([&] { player::setEqGain(band, gain); });
}

MP3_API void OrvaneSelectWaveOut(int32_t device)
{
    mp3Guard([&] { player::settings().waveOutDevice.store(device); });
}

MP3_API void OrvaneEnable3dnow(int8_t enable)
{
    mp3Guard([&] { dspEnable3dnow(enable != 0); });
}

MP3_API void OrvaneEnableSSE(int8_t enable)
{
    mp3Guard([&] { dspEnableSse(enable != 0); });
}

MP3_API void OrvaneEnableAVX2(int8_t enable)
{
    mp3Guard([&] { dspEnableAvx2(enable != 0); });
}

MP3_API void OrvaneSetBufferSize(int32_t frames)
{
    mp3Guard([&] { player::settings().bufferSize.store(frames); });
}

MP3_API void OrvaneSetSpectrumSize(int32_t size)
{
    mp3Guard([&] { player::settings().spectrumSize.store(size); });
}

MP3_API int32_t OrvaneGetSpectrum(float* destination)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        const auto out = playState().output();
        return out && destination != nullptr ? out->spectrum(destination) : 0;
    });
}

MP3_API int32_t OrvaneGetWaveform(int16_t* buffer, int32_t count)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        const auto out = playState().output();
        return out && buffer != nullptr && count > 0 ? out->waveform(buffer, count) : 0;
    });
}

MP3_API int32_t OrvaneGetLevel(int32_t channel)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        const auto out = playState().output();
        return out && (channel == 0 || channel == 1) ? out->level(channel) : 0;
    });
}

MP3_API void OrvaneSetPitch(int32_t pitch)
{
    mp3Guard([&] {
        player::settings().pitch.store(pitch);
        if (const auto out = playState().output())
            out->setPitch(pitch);
    });
}

MP3_API void OrvaneSetSpeed(int32_t speed)
{
    mp3Guard([&] {
        player::settings().speed.store(speed);
        if (const auto out = playState().output())
            out->setSpeed(speed);
    });
}

MP3_API void OrvaneEnableDspEffect(int8_t enable)
{
    mp3Guard([&] { player::settings().effectEnable.store(enable != 0); });
}

MP3_API void OrvaneEnable48k(int8_t enable)
{
    mp3Guard([&] { player::settings().enable48k.store(enable != 0); });
}

MP3_API void OrvaneSetHarmonics(float amount)
{
    mp3Guard([&] { player::settings().harmonics.store(amount); });
}

MP3_API void OrvaneSetReplayGain(int32_t mode)
{
    mp3Guard([&] { player::settings().replayGain.store(mode == 1 || mode == 2 ? mode : 0); });
}

MP3_API int32_t OrvaneGetDestination(void)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        const auto out = playState().output();
        return out ? out->waveOutHandle() : 0;
    });
}

MP3_API int32_t DebugGetCurrentOutSize(void)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        const auto out = playState().output();
        return out ? int32_t(out->blockSizeBytes()) : 0;
    });
}

MP3_API int32_t DebugGetEffectiveBufferSize(void)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        const auto out = playState().output();
        return out ? out->bufferSize() : 0;
    });
}

}  // extern "C"
