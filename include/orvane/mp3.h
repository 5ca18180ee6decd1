/* libmp3: MPEG-1 and MPEG-2 audio (Layers I, II and III) player engine.
 *
 * Conventions: paths are file system paths; a start offset is the byte position of the first
 * frame (to skip leading data such as a tag). Exports returning int32_t give 0 on failure unless
 * their line says otherwise. No export throws.
 */
#ifndef ORVANE_MP3_H
#define ORVANE_MP3_H

#include <stdint.h>

#include "orvane/version.h"

#if defined(ORVANE_MP3_BUILD) && defined(_WIN32)
#define MP3_API __declspec(dllexport)
#elif defined(ORVANE_MP3_BUILD)
#define MP3_API __attribute__((visibility("default")))
#else
#define MP3_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The library's ORVANE_VERSION (major x 10000 + minor x 100 + patch). Any thread. */
MP3_API uint32_t OrvaneGetVersion(void);

/* ---- Play (one at a time; OrvanePlay runs on a host thread of its own) --------------------- */

/* Plays (convert 0) or converts through norv (convert != 0) the file; startedEvent is an OrvaneEvent* (below; on Windows any event HANDLE) set once output is set up, or null. 1 at the end, after a stop or a failed seek; 0 when the output cannot be set up or (converting) norv refuses a block, which ends the play (NORVLastError tells why); -1 for no readable frame, a null path or startOffset < 0; -2 while another play runs (that play goes on untouched). */
MP3_API int32_t OrvanePlay(const char* path, void* startedEvent, int32_t startOffset, int32_t convert);
/* Asks the current play to stop (queued audio is cut off); nothing without a play. Any thread. */
MP3_API void OrvaneStop(void);
/* Pauses (non-zero) or resumes the current play's output; a stop while paused still ends the play. Nothing without an output. */
MP3_API void OrvanePause(int8_t pause);
/* Seeks by delta frames from the last position read-out (16-frame steps), clamped at frame 0; past the end the play stops. */
MP3_API void OrvaneSeek(int32_t delta);
/* Seeks to fraction (0..1) of the total frames (the VBR tag's count when there is one); below 0 or NaN means 0, past the end stops. */
MP3_API void OrvaneAbsoluteSeek(float fraction);
/* Records a pitch-change request on the current play (live pitch is OrvaneSetPitch). */
MP3_API void OrvaneChangePitch(int32_t pitch);
/* Every play cleans up as OrvanePlay returns; a play still running is asked to stop. */
MP3_API void OrvaneClean(void);

/* ---- Started event (what a host waits on to know that OrvanePlay's output runs) ----------- */

/* A manual-reset event: once set it stays set until reset. On Windows an OrvaneEvent* is an event HANDLE. */
typedef struct OrvaneEvent OrvaneEvent;
/* A new event, not set; null when out of memory. Any thread. */
MP3_API OrvaneEvent* OrvaneEventCreate(void);
/* Waits until the event is set or timeoutMs ms pass (0xFFFFFFFF: no limit, 0: only looks); 1 when set, 0 on timeout or a null event. Any thread. */
MP3_API int32_t OrvaneEventWait(OrvaneEvent* event, uint32_t timeoutMs);
/* Sets the event, waking every waiter; 1, or 0 for a null event. Any thread. */
MP3_API int32_t OrvaneEventSet(OrvaneEvent* event);
/* Clears the event (so it can serve another OrvanePlay); 1, or 0 for a null event. Any thread. */
MP3_API int32_t OrvaneEventReset(OrvaneEvent* event);
/* Frees the event; null is ignored. Not while a wait on it or a play given it is running. */
MP3_API void OrvaneEventDestroy(OrvaneEvent* event);

/* ---- Read-outs (any thread; 0 when nothing is playing unless stated) ---------------------- */

/* Position as a fraction of the total frames, refreshed every 16 frames; the last value after a play. */
MP3_API float OrvaneWhere(void);
/* Milliseconds played; 0 without a play or while seeking; stands still while paused. */
MP3_API int32_t OrvaneGetCurrentTime(void);
/* Bitrate in kbit/s of the first frame, following each Layer III frame; 0 until the first header is read. */
MP3_API int32_t OrvaneGetBitrate(void);
/* Fills destination with the dB spectrum now playing (channel 1 after channel 0); values per spectrum, 0 without output or for null. */
MP3_API int32_t OrvaneGetSpectrum(float* destination);
/* Fills buffer with count frames (1..65536) of the 16-bit samples now playing; count x channels, 0 on failure. */
MP3_API int32_t OrvaneGetWaveform(int16_t* buffer, int32_t count);
/* Peak level now playing of channel 0 or 1; 0 for other channels or without output. */
MP3_API int32_t OrvaneGetLevel(int32_t channel);
/* The wave-out handle of the current output, or 0. */
MP3_API int32_t OrvaneGetDestination(void);
/* Block size in bytes of 16-bit PCM of the current output, or 0. */
MP3_API int32_t DebugGetCurrentOutSize(void);
/* Frames per block the current output was created with, or 0. */
MP3_API int32_t DebugGetEffectiveBufferSize(void);

/* ---- Settings (process-wide, kept between plays; any thread) ------------------------------ */

/* Master volume: 32768 gives full 16-bit scale; the default is silence until this is called. Takes effect at once. */
MP3_API void OrvaneSetVolume(int32_t volume);
/* Switches the Layer III equaliser on or off (default off). */
MP3_API void OrvaneEnableEQ(int8_t enable);
/* Linear gain of subband band (0..31) for the Layer III equaliser; other bands are ignored. */
MP3_API void OrvaneSetEQ(int32_t band, float gain);
/* Wave-out device for the next play (-1, the default, is the system default). */
MP3_API void OrvaneSelectWaveOut(int32_t device);
/* 3DNow!-semantics kernels on or off (wins over SSE); a change makes the decoder rebuild its tables. */
MP3_API void OrvaneEnable3dnow(int8_t enable);
/* SSE kernels on or off; a change makes the decoder rebuild its tables. */
MP3_API void OrvaneEnableSSE(int8_t enable);
/* AVX2/FMA kernels on or off (wins over SSE; ignored where the CPU lacks AVX2 or FMA); a change makes the decoder rebuild its tables. */
MP3_API void OrvaneEnableAVX2(int8_t enable);
/* Frames per output block for the next play (default 12); a value the output cannot use (outside 1..1024) makes that play return 0. */
MP3_API void OrvaneSetBufferSize(int32_t frames);
/* Spectrum FFT size for the next play (default 256); not a power of two in 4..32768 makes that play return 0. */
MP3_API void OrvaneSetSpectrumSize(int32_t size);
/* Live pitch: stored for the next play and passed to the current output. */
MP3_API void OrvaneSetPitch(int32_t pitch);
/* Live speed: stored for the next play and passed to the current output. */
MP3_API void OrvaneSetSpeed(int32_t speed);
/* Output effect switch for the next play. */
MP3_API void OrvaneEnableDspEffect(int8_t enable);
/* 48 kHz output switch for the next play. */
MP3_API void OrvaneEnable48k(int8_t enable);
/* Harmonics amount for the next play (default 0.3). */
MP3_API void OrvaneSetHarmonics(float amount);

/* ---- File information (any thread, independent of any play) ------------------------------- */

/* Duration of the file in ms (VBR tag frame count, else size over the first frame's length); 0 when it cannot be opened, holds no valid frame, or startOffset < 0. */
MP3_API int32_t OrvaneGetTotalMs(const char* path, int32_t startOffset);
/* Bitrate of the first frame header in kbit/s; 0 when the file cannot be opened, holds no valid frame, or startOffset < 0. */
MP3_API int32_t OrvaneGetFirstBitrate(const char* path, int32_t startOffset);

#ifdef __cplusplus
}
#endif

#endif
