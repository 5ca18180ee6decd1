/* libdsp: audio effects, analysis, WAV files and a 16-byte-aligned allocator.
 *
 * Conventions for every family:
 * - Sample counts at these exports are bytes of interleaved signed 16-bit PCM; a frame is one
 *   sample per channel. Rates are in Hz, gains and levels in dB.
 * - An effect handle comes from its family's init* export. Every export taking a handle returns 0
 *   and touches nothing when the handle is null or belongs to another family (effects, chains,
 *   WAV readers and writers carry distinct tags).
 * - Formats every init* accepts: rates 1..768000 Hz, 1 or 2 channels, blocks of 1..4194304 frames
 *   (narrower where its line says so); anything else, or no memory for the buffers, gives null.
 * - No C++ exception crosses an export: a failure inside gives the export's failure value.
 * - An export that fails (a refused handle or argument, a file it cannot read, no memory) records
 *   why as the calling thread's last error, read with dspLastError and dspLastErrorCode; a call
 *   that succeeds leaves the record as it was (as errno).
 * - A do* call with more bytes than the effect was sized for (frames given at init) processes
 *   nothing and returns 0.
 * - One thread at a time per handle. The allocator is safe from any thread.
 */
#ifndef ORVANE_DSP_H
#define ORVANE_DSP_H

#include <stdint.h>

#include "orvane/version.h"

#if defined(ORVANE_DSP_BUILD) && defined(_WIN32)
#define DSP_API __declspec(dllexport)
#elif defined(ORVANE_DSP_BUILD)
#define DSP_API __attribute__((visibility("default")))
#else
#define DSP_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Version ------------------------------------------------------------------------------- */

/* The library's ORVANE_VERSION (major x 10000 + minor x 100 + patch). Any thread. */
DSP_API uint32_t dspGetVersion(void);

/* ---- Errors -------------------------------------------------------------------------------- */

/* Codes of dspLastErrorCode (the same numbers as libmp3's ORVANE_ERROR_*). */
#define DSP_ERROR_NONE 0          /* no failure on this thread yet */
#define DSP_ERROR_CANNOT_OPEN 1   /* a file cannot be opened or created; the reason holds the system's words */
#define DSP_ERROR_UNSUPPORTED 3   /* a file in a format or layout the call does not handle (a 32-bit WAV file) */
#define DSP_ERROR_TRUNCATED 4     /* a file cut short */
#define DSP_ERROR_OUT_OF_MEMORY 5 /* an allocation failed */
#define DSP_ERROR_BAD_ARGUMENT 6  /* an argument outside what the call's line allows */
#define DSP_ERROR_WRONG_HANDLE 7  /* a null handle or one of another family */
#define DSP_ERROR_FAILED 8        /* any other failure inside the call */

/* The reason for the calling thread's last failed export, as text ("no error" before any); valid until the thread's next failing call. Any thread. */
DSP_API const char* dspLastError(void);
/* The DSP_ERROR_* code of the calling thread's last failed export (DSP_ERROR_NONE before any). Any thread. */
DSP_API int32_t dspLastErrorCode(void);

/* ---- Switches and PCM ---------------------------------------------------------------------- */

/* The vector path of the process, one for libdsp and libmp3 (whose OrvaneEnable* switches are these): at load the best the CPU has (SSE on, AVX2 on, 3DNow! off). A switch applies to what runs after it (blocks processed, frames decoded, by any object). Any thread. */
/* Only records the 64-bit block copy switch (kept for callers; every path copies alike). Default on. */
DSP_API void dspEnableMmx(int32_t on);
/* SSE kernels on or off (do* float-to-int rounds to nearest on this path). Default on. */
DSP_API void dspEnableSse(int32_t on);
/* Kernels with 3DNow! arithmetic (truncating) on or off; wins over AVX2 and SSE. Default off. */
DSP_API void dspEnable3dnow(int32_t on);
/* AVX2/FMA kernels on or off; wins over SSE, ignored where the CPU lacks AVX2 or FMA (do* conversions as on SSE). Default on. */
DSP_API void dspEnableAvx2(int32_t on);
/* The path taken now: 0 plain, 1 SSE, 2 3DNow! arithmetic, 3 AVX2/FMA. Any thread. */
DSP_API int32_t dspGetVectorPath(void);
/* 1 when this CPU can run path (0..3; 3 needs AVX2 and FMA), else 0 (any other value included). Any thread. */
DSP_API int32_t dspVectorPathSupported(int32_t path);
/* Converts count floats in 16-bit scale to int16 (plain: clamp to +-32767, truncate); returns count*2, 0 for a null pointer or count > 2^30 - 1. Any thread. */
DSP_API int32_t dspPcmEncode(const float* src, int16_t* dst, uint32_t count);
/* Does nothing (kept for callers); returns 0. */
DSP_API int32_t dspPcmDecode(void);

/* ---- Sample formats ------------------------------------------------------------------------ */
/* One conversion family, also behind libmp3's 16-bit output, with the same results on every vector
 * path: float full scale +-1.0 stands for 2^(bits - 1). Float to integer multiplies by it, rounds
 * to nearest (ties to even), saturates at the integer's range (+1.0 gives the top value) and turns
 * NaN into 0; integer to float divides by it (32-bit values rounded to the nearest float first).
 * count samples, interleaved or not; 24-bit PCM is packed, 3 bytes little-endian. Each returns
 * count, or 0 (nothing written) for a null pointer or count > 2^31 - 1. Any thread. */

/* float to int16. */
DSP_API int32_t dspFloatToPcm16(const float* src, int16_t* dst, uint32_t count);
/* float to packed 24-bit (3 x count bytes). */
DSP_API int32_t dspFloatToPcm24(const float* src, uint8_t* dst, uint32_t count);
/* float to int32. */
DSP_API int32_t dspFloatToPcm32(const float* src, int32_t* dst, uint32_t count);
/* Floats already in 16-bit scale (full scale +-32768) to int16 by the same rule, without the multiply: equals dspFloatToPcm16 of the samples / 32768. */
DSP_API int32_t dspScaledFloatToPcm16(const float* src, int16_t* dst, uint32_t count);
/* int16 to float. */
DSP_API int32_t dspPcm16ToFloat(const int16_t* src, float* dst, uint32_t count);
/* packed 24-bit (3 x count bytes) to float. */
DSP_API int32_t dspPcm24ToFloat(const uint8_t* src, float* dst, uint32_t count);
/* int32 to float. */
DSP_API int32_t dspPcm32ToFloat(const int32_t* src, float* dst, uint32_t count);

/* ---- Memory -------------------------------------------------------------------------------- */

/* Returns a 16-byte-aligned block of at least bytes bytes (bytes 0 allowed); null when out of memory. Any thread. */
DSP_API void* fastmemAlloc(uint32_t bytes);
/* Frees a live block: 1; anything else (null included): 0, nothing happens. Any thread. */
DSP_API int32_t fastmemFree(void* p);
/* Re-sizes a live block (contents undefined); null when out of memory (the old block stays live); another pointer (null included) comes back unchanged. Any thread. */
DSP_API void* fastmemRealloc(void* p, uint32_t bytes);
/* Sum over live blocks of requested bytes + 15 (0 when none). Any thread. */
DSP_API uint32_t fastmemGetAllocatedSize(void);

/* ---- Conversion chain ---------------------------------------------------------------------- */
/* A chain runs its effects in ascending order key (equal keys as added), re-sizing each to its
 * predecessor's output, and owns them: term* refuses (0) an added effect, and an effect belongs to
 * one chain only. Every call accepts a null or foreign handle (returning 0/null or doing nothing).
 * While some effect cannot take the format it is handed (a rate outside 1..768000 Hz, a block
 * above 4194304 frames, no memory), dspSend and dspSendFloat return 0 until a format suits all. */

/* New empty chain for blocks of up to frames (1..1048576), channels 1 or 2, rate 1..768000 Hz; null on other values. */
DSP_API void* dspCreate(uint32_t frames, uint32_t channels, uint32_t rate);
/* Takes ownership of an effect handle; returns the effect count after the call (unchanged when the effect is null, not an effect, unsized or already in a chain; 0 on failure). When the count did not grow, release the effect with its term*, which refuses it if the chain took it after all. */
DSP_API int32_t dspAdd(void* chain, void* effect, uint32_t order);
/* Sets a new source format and re-sizes effects whose input format changes (others keep their state); invalid values are ignored. */
DSP_API void dspAdjust(void* chain, uint32_t frames, uint32_t channels, uint32_t rate);
/* Runs one interleaved 16-bit block (copied when empty) into dst (room for dspGetDstSize frames); returns bytes written, 0 for more than frames*channels*2 bytes or a null buffer. */
DSP_API int32_t dspSend(void* chain, const int16_t* src, int16_t* dst, uint32_t srcBytes);
/* As dspSend for interleaved floats, unscaled and unclamped; frames in, frames written out (0 for more than the chain's frames). */
DSP_API int32_t dspSendFloat(void* chain, const float* src, float* dst, uint32_t frames);
/* Deletes every effect; the source format stays. */
DSP_API void dspClear(void* chain);
/* Output rate of the last effect, or the source rate when empty. */
DSP_API uint32_t dspGetDstRate(void* chain);
/* Output channels of the last effect, or the source channels when empty. */
DSP_API uint32_t dspGetDstChannels(void* chain);
/* The most frames the chain can deliver for a block of srcFrames input frames (rate converters carry their position, so a block may give fewer; the totals keep the rates' exact ratio). */
DSP_API uint32_t dspGetDstSize(void* chain, uint32_t srcFrames);
/* The effect at position index (0 = first processed), still owned by the chain; null beyond the count. */
DSP_API void* dspGetHandle(void* chain, uint32_t index);
/* Deletes every effect and the chain. */
DSP_API void dspDestroy(void* chain);

/* ---- FFT ----------------------------------------------------------------------------------- */

/* Block spectra of n-point FFTs (n a power of two, 4..32768), spectra 1 (down-mix) or 2 (per channel), floor -floorDb dB; null on other n, channels not 1/2 or spectra not 1/2. */
DSP_API void* initFft(uint32_t n, uint32_t channels, uint32_t spectra, uint32_t floorDb);
/* Hann-windowed dB spectrum of up to n frames (zero-padded): n/2 floats per spectrum, channel 1 at dst+n/2 (stereo with 2 spectra only); returns n/2, 0 on wrong tag, null pointer or srcBytes > n*channels*2. */
DSP_API int32_t doFft(void* handle, const int16_t* src, float* dst, uint32_t srcBytes);
/* Destroys any FFT-family object (also from initFftAnalyze/initEnvAnalyze); 1, or 0 on wrong tag or null. */
DSP_API int32_t termFft(void* handle);

/* ---- Analysis ------------------------------------------------------------------------------ */

/* Overlapped spectrum analyser: blocks of up to blockFrames slide through a historyLen history, the newest n are analysed (floor -120 dB); null unless n is a power of two in 4..32768, channels 1/2 and 1 <= blockFrames <= historyLen, n <= historyLen, historyLen <= 4194304. */
DSP_API void* initFftAnalyze(uint32_t blockFrames, uint32_t channels, uint32_t n, uint32_t historyLen);
/* Appends one block (zero-padded to blockFrames) and writes n/2 dB values per channel, channel 1 at dst+n/2; 1, or 0 on wrong tag/kind, null pointer or srcBytes > blockFrames*channels*2. */
DSP_API int32_t doFftAnalyze(void* handle, const int16_t* src, float* dst, uint32_t srcBytes);
/* Same as termFft. */
DSP_API int32_t termFftAnalyze(void* handle);
/* Level follower (1 ms peak hold, 33 Hz 2nd-order Butterworth smoothing); null unless 1 <= blockFrames <= 1048576, channels 1/2, 1 <= rate <= 768000 Hz. */
DSP_API void* initEnvAnalyze(uint32_t blockFrames, uint32_t channels, uint32_t rate);
/* Envelope in whole 16-bit units, F floats per channel, channel 1 at dst+F (dst may be null); 1, or 0 on wrong tag/kind, null src or srcBytes > blockFrames*channels*2. */
DSP_API int32_t doEnvAnalyze(void* handle, const int16_t* src, float* dst, uint32_t srcBytes);
/* Same as termFft. */
DSP_API int32_t termEnvAnalyze(void* handle);

/* ---- WAV files ----------------------------------------------------------------------------- */

/* Reader and writer of RIFF WAVE files. Sizes assume 16-bit samples: a frame is 2 x channels bytes.
 * A null handle, or one that is not a reader (writer), gives the failure value. One thread per handle. */

#pragma pack(push, 1)
/* The first 18 bytes of a "fmt " chunk (WAVEFORMATEX); cbSize is 0 when the chunk has 16 bytes. */
typedef struct OrvaneWaveFormat {
    uint16_t wFormatTag;
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t wBitsPerSample;
    uint16_t cbSize;
} OrvaneWaveFormat;

/* State record of a reader (offsets as in a 32-bit build; the pointer is 8 bytes on 64-bit). */
typedef struct OrvaneWavefileHeader {
    void* buffer;          /* buffer of the last read; after open, the reader's own */
    uint32_t dataBytes;    /* size of the "data" chunk */
    int32_t lastReadBytes; /* result of the last readWavefileIn (0 after open) */
    uint32_t reserved12;
    uint32_t reserved16; /* 0 */
    uint32_t reserved20; /* 0 */
    uint8_t reserved24[10];
    float durationSeconds; /* (dataBytes / (channels x 2)) / rate */
} OrvaneWavefileHeader;
#pragma pack(pop)

/* Opens a WAVE file of 16-bit PCM (format tag 1, or an extensible format of 16-bit PCM, reported as tag 1 with cbSize 0) with an own buffer of frames frames; null for any other sample format, or if unreadable, not WAVE, no "fmt "/"data", 0 channels or 0 Hz, a block align other than channels x 2, or a buffer over 256 MiB; dspLastError says which (a 32-bit file: DSP_ERROR_UNSUPPORTED, naming its sample size). */
DSP_API void* initWavefileIn(const char* path, uint32_t frames);
/* Reads frames x 2 x channels bytes into dst (null: the own buffer, clamped to its size); bytes read, 0 at the end, -1 on error; 0 if not open. */
DSP_API int32_t readWavefileIn(void* handle, void* dst, uint32_t frames);
/* Moves bytes from the current position (fromCurrent != 0) or from the first sample byte; new file position, 0 if not open or the data chunk is gone, -1 before the start. */
DSP_API int32_t seekWavefileIn(void* handle, int32_t bytes, int32_t fromCurrent);
/* As seekWavefileIn by trunc(rate x seconds) frames; 0 also for a seconds value that is not finite. */
DSP_API int32_t timeSeekWavefileIn(void* handle, float seconds, int32_t fromCurrent);
/* The reader's state record; null for a null handle. */
DSP_API OrvaneWavefileHeader* getHeaderWavefileIn(void* handle);
/* The reader's format; null for a null handle. */
DSP_API OrvaneWaveFormat* getFormatWavefileIn(void* handle);
/* Replaces the own buffer by a zeroed one of frames frames and returns it; null (old buffer kept) if over 256 MiB or null handle. */
DSP_API void* bufSizeExtendWavefileIn(void* handle, uint32_t frames);
/* Closes and frees the reader; null is ignored. */
DSP_API void termWavefileIn(void* handle);
/* Creates path and writes the 46-byte header for format; null if the file cannot be created or format is null. */
DSP_API void* initWavefileOut(const char* path, const OrvaneWaveFormat* format);
/* Appends bytes bytes of src unchanged; bytes written, -1 on a write error (and on every call after one), 0 if not open, bytes <= 0, src null or the data chunk would pass 4 GiB. */
DSP_API int32_t writeWavefileOut(void* handle, const void* src, int32_t bytes);
/* Writes buffered bytes to the file; 1, or 0 if not open or a write failed (now or before). */
DSP_API int32_t flushWavefileOut(void* handle);
/* The writer's format; null for a null handle. */
DSP_API OrvaneWaveFormat* getFormatWavefileOut(void* handle);
/* Pads to even, patches both sizes, closes and frees the writer; the data chunk's size in bytes, 0 if not open, 0xFFFFFFFF if a write, the patch or the close failed (the header then counts only the data that landed; errno tells why). */
DSP_API uint32_t termWavefileOut(void* handle);

/* ---- Graphic equaliser --------------------------------------------------------------------- */

/* One band: centre frequency in Hz, gain in dB, radius of the zero pair, radius of the pole pair (below 1 for a stable band). */
typedef struct GraphicEQBandParams {
    float frequency;
    float gain;
    float zeroRadius;
    float poleRadius;
} GraphicEQBandParams;

/* Parallel two-pole bands summed and scaled by masterGain (dB); bands copied, 1..1024 of them; frames 1..4194304, channels 1 or 2, rate > 0; null otherwise (null bands too). */
DSP_API void* initGraphicEQ(uint32_t frames, uint32_t channels, uint32_t sampleRate, uint32_t bandCount,
                            const GraphicEQBandParams* bands, float masterGain);
/* Equalises bytes of PCM from in to out (may be the same; a trailing partial frame is ignored); 1, or 0 for a wrong handle, a null buffer or more bytes than sized. */
DSP_API int32_t doGraphicEQ(void* handle, const int16_t* in, int16_t* out, uint32_t bytes);
/* Sets one band's gain in dB (filter state kept): 1; 0 for a wrong handle or band >= count. */
DSP_API int32_t setGraphicEQGain(void* handle, uint32_t band, float gain);
/* Sets the master gain in dB: 1; 0 for a wrong handle. */
DSP_API int32_t setGraphicEQMasterGain(void* handle, float masterGain);
/* Re-tunes one band (Hz, zero and pole radii), keeping its gain and state: 1; 0 for a wrong handle or band >= count. */
DSP_API int32_t remakeGraphicEQBand(void* handle, uint32_t band, float frequency, float zeroRadius, float poleRadius);
/* Destroys the equaliser: 1; 0 for a wrong or null handle. */
DSP_API int32_t termGraphicEQ(void* handle);
/* The linear factor a band of these settings (Hz, zero and pole radii) at sampleRate is scaled by besides its gain, so a caller can set the band's overall level exactly; 0 for a rate outside 1..768000 Hz or a factor that is not finite. */
DSP_API float getGraphicEQBandNormaliser(uint32_t sampleRate, float frequency, float zeroRadius, float poleRadius);

/* ---- Shelving equaliser -------------------------------------------------------------------- */

/* Linear-phase FIR (4n-1 taps, delay 2n-1) from n gains in dB spread over 0..rate/2, n a power of two 1..1024, outputLevel in dB; frames 1..4194304, channels 1 or 2, rate > 0; null otherwise (null gains too). */
DSP_API void* initShelvingEQ(uint32_t frames, uint32_t channels, uint32_t sampleRate, uint32_t bandCount,
                             const float* gains, float outputLevel);
/* Equalises bytes of PCM from in to out (may be the same; a trailing partial frame is ignored); 1, or 0 for a wrong handle, a null buffer or more bytes than sized. */
DSP_API int32_t doShelvingEQ(void* handle, const int16_t* in, int16_t* out, uint32_t bytes);
/* Sets gain number band in dB and redesigns (delay line kept): 1; 0 for a wrong handle or band >= count. */
DSP_API int32_t setShelvingEQGain(void* handle, uint32_t band, float gain);
/* Sets the output level in dB (taps and delay line kept): 1; 0 for a wrong handle. */
DSP_API int32_t setShelvingEQOutputLevel(void* handle, float outputLevel);
/* Destroys the equaliser: 1; 0 for a wrong or null handle. */
DSP_API int32_t termShelvingEQ(void* handle);

/* ---- IIR filter ---------------------------------------------------------------------------- */

/* Chebyshev I (1 dB ripple) of order 0..64 (0 passes through), kind 1 high-pass else low-pass, cutoff in Hz clamped into (0, rate/2); frames 1..4194304, channels 1 or 2, rate > 0; null otherwise. */
DSP_API void* initIirFilter(uint32_t frames, uint32_t channels, uint32_t sampleRate, int32_t order, float cutoff,
                            int32_t kind);
/* Filters bytes of PCM from in to out (may be the same; a trailing partial frame is ignored); 1, or 0 for a wrong handle, a null buffer or more bytes than sized. */
DSP_API int32_t doIirFilter(void* handle, const int16_t* in, int16_t* out, uint32_t bytes);
/* Destroys the filter: 1; 0 for a wrong or null handle. */
DSP_API int32_t termIirFilter(void* handle);

/* ---- Chorus -------------------------------------------------------------------------------- */

/* New chorus (voices 0..64, delay and depth ms, LFO period speed s (0 holds still), mix and orgMix %); null on voices > 64 or out of memory. */
DSP_API void* initChorus(uint32_t frames, uint32_t channels, uint32_t sampleRate, uint32_t voices, float delaytime,
                         float depth, float speed, float mix, float orgMix);
/* Runs one block; every voice reads 1..65535 samples back whatever delay and depth say; 1, or 0 (wrong handle, oversized block, null buffer). */
DSP_API int32_t doChorus(void* handle, const int16_t* in, int16_t* out, uint32_t bytes);
/* Sets the base delay in ms (clamped to the 65535-sample line); 1, or 0 for a wrong handle. */
DSP_API int32_t setChorusDelaytime(void* handle, float delaytime);
/* Sets the sweep depth in ms either side of the delay; 1, or 0 for a wrong handle. */
DSP_API int32_t setChorusDepth(void* handle, float depth);
/* Sets the LFO period in s (0 or not finite: voices hold their phase; negative: runs backwards); 1, or 0 for a wrong handle. */
DSP_API int32_t setChorusSpeed(void* handle, float speed);
/* Sets voice's wet level in % (and the level set-up restores); 1, or 0 for a wrong handle or voice >= voice count (nothing changes). */
DSP_API int32_t setChorusMix(void* handle, uint32_t voice, float mix);
/* Sets the dry level in %; 1, or 0 for a wrong handle. */
DSP_API int32_t setChorusOrgMix(void* handle, float orgMix);
/* Destroys the chorus; 1, or 0 for a wrong handle (nothing happens). */
DSP_API int32_t termChorus(void* handle);

/* ---- Fader --------------------------------------------------------------------------------- */

/* New fader: two level faders (initial dB) and a cross-fader (position -1 B .. +1 A); levels clamp to -50..+50 dB; null if out of memory. */
DSP_API void* initFader(uint32_t frames, uint32_t channels, uint32_t sampleRate, float crossPosition, float fader0Level,
                        float fader1Level);
/* Runs fader 0 or 1 over one block; 1, or 0 (wrong handle, fader not 0/1, oversized block, null buffer: nothing changes). */
DSP_API int32_t doFade(void* handle, uint32_t fader, const int16_t* in, int16_t* out, uint32_t bytes);
/* A through fader 0 and B through fader 1, mixed by the cross-fader into out; 1, or 0 as doFade. */
DSP_API int32_t doCrossFade(void* handle, const int16_t* inA, const int16_t* inB, int16_t* out, uint32_t bytes);
/* As doCrossFade over frames of interleaved floats of any scale, unclamped (schedules and clocks shared with it); 1, or 0 for a wrong handle, more frames than sized or a null buffer. */
DSP_API int32_t doCrossFadeFloat(void* handle, const float* inA, const float* inB, float* out, uint32_t frames);
/* Ramps fader 0/1 to level dB over [start, end) s of its stream (times on one sample, or one sample apart: a step there); a ramp it cuts short ends at the level reached there, one it lies inside is split round it; times not after the stream so far, or end before start, are ignored (still 1); 0 for a wrong handle or fader. */
DSP_API int32_t setFaderAction(void* handle, uint32_t fader, float start, float end, float level);
/* Clears [start, end) s from fader 0/1's ramps, cutting and splitting as setFaderAction; 1, or 0 for a wrong handle or fader. */
DSP_API int32_t delFaderAction(void* handle, uint32_t fader, float start, float end);
/* Ramps the cross-fader to position (clamped to -1..+1) over [start, end) s, as setFaderAction; 1, or 0 for a wrong handle. */
DSP_API int32_t setCrossFaderAction(void* handle, float start, float end, float position);
/* Clears [start, end) s from the cross-fader's ramps; 1, or 0 for a wrong handle. */
DSP_API int32_t delCrossFaderAction(void* handle, float start, float end);
/* Sets the curve (both at centreLevel dB at 0, near input full from |centreWidth|, far one down to edgeLevel dB at |edgePosition|, silent beyond; default -1, -40, 0.05, 0.8), used from the next ramp on; 1, or 0 for a wrong handle. */
DSP_API int32_t setCrossFaderCurve(void* handle, float centreLevel, float edgeLevel, float centreWidth,
                                   float edgePosition);
/* Destroys the fader and its schedules; 1, or 0 for a wrong handle (nothing happens). */
DSP_API int32_t termFader(void* handle);

/* ---- Resampler ----------------------------------------------------------------------------- */

/* Rate converter, linear (interpolation 0) or cubic, optional Chebyshev anti-alias of stopbandDb over a roll-off of slopeDbPerOctave (order capped at 64); dstChannels 2 duplicates mono, 1 keeps left; null on a rate outside 1..768000 Hz or stopbandDb/slope not positive. */
DSP_API void* initResampler(uint32_t frames, uint32_t channels, uint32_t dstChannels, uint32_t srcRate,
                            uint32_t dstRate, uint32_t interpolation, float stopbandDb, float slopeDbPerOctave,
                            uint8_t antiAlias);
/* Converts srcBytes of PCM into dst (room for getResamplerDstSize(frames) frames of dstChannels); returns bytes written, 0 on wrong tag, null buffers or more than frames frames. The position is carried between blocks: however the input is split, N frames in all give floor(N * dstRate / srcRate) frames in all, each block the whole output positions it reached (linear reads one input frame late, cubic two). */
DSP_API int32_t doResampler(void* handle, const int16_t* src, int16_t* dst, uint32_t srcBytes);
/* The most frames a block of srcSize frames can deliver, ceil(srcSize * dstRate / srcRate) (a block gives this or one less); 0 on wrong tag. */
DSP_API uint32_t getResamplerDstSize(void* handle, uint32_t srcSize);
/* Destroys the resampler; 1, or 0 on wrong tag or null. */
DSP_API int32_t termResampler(void* handle);

/* ---- Upsampler with harmonics (Hqups) ------------------------------------------------------ */

/* Converts to 48 kHz with harmonics: the band above bandCutoff Hz (clamped below 24000) is shaped by curve amount harmonics (0 = none) and mixed at mix percent; activeMode 1 keeps only harmonics above the detected source edge; dstFrames is the largest output block; null on a rate outside 1..768000 Hz, a zero size, or stopbandDb/slope not positive. */
DSP_API void* initHqups(uint32_t dstFrames, uint32_t channels, uint32_t dstChannels, uint32_t srcRate, float harmonics,
                        float mix, uint32_t bandCutoff, uint32_t interpolation, float stopbandDb,
                        float slopeDbPerOctave, int32_t activeMode, uint8_t antiAlias);
/* As initHqups, sized by the largest source block srcFrames instead. */
DSP_API void* initHqupsBySrcsize(uint32_t srcFrames, uint32_t channels, uint32_t dstChannels, uint32_t srcRate,
                                 float harmonics, float mix, uint32_t bandCutoff, uint32_t interpolation,
                                 float stopbandDb, float slopeDbPerOctave, int32_t activeMode, uint8_t antiAlias);
/* Converts srcBytes of PCM into dst (room for getHqupsDstSize(frames) frames of dstChannels); returns bytes written, 0 on wrong tag, null buffers or more source frames than sized for. The position is carried between blocks as in doResampler. */
DSP_API int32_t doHqups(void* handle, const int16_t* src, int16_t* dst, uint32_t srcBytes);
/* New curve amount (0 = identity); 1, or 0 on wrong tag or a non-finite value (nothing changed). */
DSP_API int32_t setHqupsHarmonics(void* handle, float harmonics);
/* Harmonics mix in percent; 1, or 0 on wrong tag or a non-finite value (nothing changed). */
DSP_API int32_t setHqupsMix(void* handle, float mix);
/* 1 enables the edge-adaptive filter, anything else disables it (the dry delay stays as at init); 1, or 0 on wrong tag. */
DSP_API int32_t setHqupsActiveMode(void* handle, int32_t mode);
/* The most frames a block of srcFrames can deliver, ceil(srcFrames * 48000 / srcRate); 0 on wrong tag. */
DSP_API uint32_t getHqupsDstSize(void* handle, uint32_t srcFrames);
/* The largest source block whose output never exceeds dstFrames, floor(dstFrames * srcRate / 48000); 0 on wrong tag. */
DSP_API uint32_t getHqupsSrcSize(void* handle, uint32_t dstFrames);
/* Destroys the upsampler; 1, or 0 on wrong tag or null. */
DSP_API int32_t termHqups(void* handle);

/* ---- Pitch shifter ------------------------------------------------------------------------- */

/* Granular pitch shifter (grains grainTime s every grainInterval s, cubic when interpolation != 0; anti-alias takes effect after a chain rate change); null on a rate outside 1..768000, grain or interval under one sample, or non-finite values. */
DSP_API void* initPitchShift(uint32_t frames, uint32_t channels, uint32_t sampleRate, float pitchCents,
                             float outLevelDb, float grainTime, float grainInterval, uint32_t interpolation,
                             uint8_t antiAlias);
/* Shifts srcBytes of PCM into dst (srcBytes bytes); returns 1, 0 on wrong tag, null buffers or more than frames frames. */
DSP_API int32_t doPitchShift(void* handle, const int16_t* src, int16_t* dst, uint32_t srcBytes);
/* Pitch in cents, clamped to +-1200, exactly 0 passes the input through; the grains follow one block later, or at once after a 0-byte doPitchShift; 1, or 0 on wrong tag or non-finite cents (nothing changed). */
DSP_API int32_t setPitchShiftPitch(void* handle, float pitchCents);
/* Output level in dB from the next sample; 1, or 0 on wrong tag or a non-finite level (nothing changed). */
DSP_API int32_t setPitchShiftOutLevel(void* handle, float outLevelDb);
/* Destroys the pitch shifter; 1, or 0 on wrong tag or null. */
DSP_API int32_t termPitchShift(void* handle);

/* ---- Time stretcher ------------------------------------------------------------------------ */

/* Granular time stretcher, length factor 2^(-scale/1000) with scale clamped to [-2000, 3000], 0 passes through; null on a rate outside 1..768000, grain or interval under one sample, or non-finite values. */
DSP_API void* initStretch(uint32_t frames, uint32_t channels, uint32_t sampleRate, float scale, float outLevelDb,
                          float grainTime, float grainInterval);
/* Stretches srcBytes of PCM into dst; returns bytes written, 0 on wrong tag, null buffers, more than frames frames, or output past the capacity sized at init (shorten blocks after raising the factor). */
DSP_API int32_t doStretch(void* handle, const int16_t* src, int16_t* dst, uint32_t srcBytes);
/* New scale (see initStretch): the next block still runs at the old factor unless a 0-byte doStretch comes first; 1, or 0 on wrong tag or non-finite scale (nothing changed). */
DSP_API int32_t setStretchScale(void* handle, float scale);
/* Output level in dB; 1, or 0 on wrong tag or a non-finite level (nothing changed). */
DSP_API int32_t setStretchOutLevel(void* handle, float outLevelDb);
/* trunc(srcSize * factor) at the current scale, or the next block's larger count while a new scale waits for it (that block runs at the old factor); at most 4294967040; 0 on wrong tag. */
DSP_API uint32_t getStretchDstSize(void* handle, uint32_t srcSize);
/* Destroys the stretcher; 1, or 0 on wrong tag or null. */
DSP_API int32_t termStretch(void* handle);

/* ---- Wave slicer --------------------------------------------------------------------------- */

/* One slice, owned by its slicer until termWaveSlice: neighbours in time order, start and end in seconds since init. */
typedef struct OrvaneSlice {
    const struct OrvaneSlice* next;
    const struct OrvaneSlice* previous;
    float start;
    float end;
} OrvaneSlice;

/* New slicer (attack must reach onDb and climb risePercent % of full scale from its valley; slice ends below offDb, never before minSeconds). */
DSP_API void* initWaveSlice(uint32_t frames, uint32_t channels, uint32_t sampleRate, float onDb, float offDb,
                            float risePercent, float minSeconds);
/* Follows one block (stereo mixed down); 1, or 0 (wrong handle, null src, more frames than given at init). */
DSP_API int32_t doWaveSlice(void* handle, const int16_t* src, uint32_t srcBytes);
/* Closes an open slice at the current position; the slice count, 0 for a wrong handle. */
DSP_API uint32_t stopWaveSlice(void* handle);
/* As stopWaveSlice, then slice index (past the end: the last one); null for a wrong handle or no slices. */
DSP_API const OrvaneSlice* getWaveSlice(void* handle, uint32_t index);
/* Destroys the slicer and its slices; 1, or 0 for a wrong handle (nothing happens). */
DSP_API int32_t termWaveSlice(void* handle);

#ifdef __cplusplus
}
#endif

#endif
