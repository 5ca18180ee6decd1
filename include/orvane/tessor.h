/* libtessor: wave output. Each handle owns one output thread that pulls float PCM in 16-bit scale
 * (interleaved, +-32768 full scale) through the caller's callback and sends it to an output:
 * - device:  the sound card through PortAudio (device -1 = system default, 0..n = PortAudio's
 *            indices; on Windows winmm's waveOut and its device ids); when no device can be
 *            opened, the null output is used and a message says so;
 * - null:    nothing is heard, but the thread is paced by a real clock at the stream's rate;
 * - capture: everything played is written to a 16-bit WAV file, paced like null or as fast as the
 *            callback delivers.
 * The output is chosen by selectOutputWaveOut, else by the environment variable
 * ORVANE_OUTPUT=device|null|capture:PATH[,fast] read at openWaveOut, else the device.
 * Pitch, speed and harmonics change the sound from the next block the output thread plays; the
 * 48 kHz switch applies at openWaveOut. The effect, equaliser and capture-convert switches are
 * only recorded and reported back by getSettingsWaveOut: they change nothing that is played.
 * Handles are small non-zero integers; every call with an unknown or closed handle returns 0.
 * All calls may come from any thread. */
#ifndef ORVANE_TESSOR_H
#define ORVANE_TESSOR_H

#include <stdint.h>

#include "orvane/version.h"

#if defined(ORVANE_TESSOR_BUILD) && defined(_WIN32)
#define TESSOR_API __declspec(dllexport)
#elif defined(ORVANE_TESSOR_BUILD)
#define TESSOR_API __attribute__((visibility("default")))
#else
#define TESSOR_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Called on the output thread: write up to frames frames into buffer; return the frames written
 * (0 = nothing now). reserved is always 0. */
typedef int32_t (*TessorPullCallback)(float* buffer, int32_t frames, int32_t reserved, void* context);

enum TessorOutput { TESSOR_OUTPUT_DEVICE = 0, TESSOR_OUTPUT_NULL = 1, TESSOR_OUTPUT_CAPTURE = 2 };

typedef struct TessorSettings {
    float pitch;
    float speed;
    float harmonics;
    int32_t effectEnabled;
    int32_t output48k;
    int32_t graphicEq;
    int32_t captureConvertMode;
} TessorSettings;

/* One output device as getDeviceInfoWaveOut describes it. */
typedef struct TessorDevice {
    int32_t device;    /* the number openWaveOut takes */
    int32_t isDefault; /* 1 for the device that device -1 plays on */
    char name[256];    /* UTF-8, zero-terminated, cut at a character boundary */
} TessorDevice;

/* The library's ORVANE_VERSION (major x 10000 + minor x 100 + patch). */
TESSOR_API uint32_t getVersionWaveOut(void);
/* Creates a closed output; a non-zero handle, 0 when out of memory. */
TESSOR_API int32_t initWaveOut(void);
/* Chooses the output before openWaveOut: kind TESSOR_OUTPUT_*, capturePath for capture (copied), fast != 0 for unpaced capture; 1, or 0 for a bad kind, a capture without a path, or an open handle. */
TESSOR_API int32_t selectOutputWaveOut(int32_t handle, int32_t kind, const char* capturePath, int32_t fast);
/* The output in use after openWaveOut (TESSOR_OUTPUT_*), or -1 for an unknown or unopened handle. */
TESSOR_API int32_t getOutputWaveOut(int32_t handle);
/* Only records the convert-mode flag for getSettingsWaveOut (the capture is written the same either way); 1, 0 for an unknown handle. */
TESSOR_API int32_t startCaptureWaveOut(int32_t handle, int32_t reserved, int8_t convertMode);
/* Only records the effect switch for getSettingsWaveOut (no effect is applied); 1, 0 for an unknown handle. */
TESSOR_API int32_t enableEffectWaveOut(int32_t handle, int8_t on);
/* 48 kHz output with added harmonics from the next openWaveOut (a 48 kHz stream is left as is); 1, 0 for an unknown handle. */
TESSOR_API int32_t enableOrvane48kWaveOut(int32_t handle, int8_t on);
/* Harmonics amount of the 48 kHz output (curve bend, 0 = none, 0.3 typical), from the next block; 1, 0 for an unknown handle. */
TESSOR_API int32_t setHarmonicsWaveOut(int32_t handle, float amount);
/* Speed in per mille of tempo change (0 unchanged, 250 = 25 % faster; held to -750..7000), pitch kept, from the next block; 1, 0 for an unknown handle. */
TESSOR_API int32_t setSpeedWaveOut(int32_t handle, float speed);
/* Pitch in cents (held to +-1200), length kept, from the next block; 1, 0 for an unknown handle. */
TESSOR_API int32_t setPitchWaveOut(int32_t handle, float pitch);
/* Only records the graphic-equaliser switch for getSettingsWaveOut (no equaliser is applied); 1, 0 for an unknown handle. */
TESSOR_API int32_t enableGraphicEQWaveOut(int32_t handle, int8_t on);
/* Copies the stored settings into out; 1, 0 for an unknown handle or null out. */
TESSOR_API int32_t getSettingsWaveOut(int32_t handle, TessorSettings* out);
/* Opens the output (rate 1..384000 Hz, 1 or 2 channels, pulls of blockBytes bytes of 16-bit PCM, 256..1048576) and starts the thread calling callback; 1, or 0 for bad arguments, a second open, or an output that cannot open. */
TESSOR_API int32_t openWaveOut(int32_t handle, int32_t device, int32_t rate, int32_t channels,
                               TessorPullCallback callback, void* context, int32_t reserved, int32_t blockBytes,
                               int32_t blockCount);
/* Resumes calling the callback; 1, 0 for an unknown or unopened handle. */
TESSOR_API int32_t startWaveOut(int32_t handle);
/* Stops output at once (no callback starts after it returns); 1, 0 for an unknown or unopened handle. */
TESSOR_API int32_t stopWaveOut(int32_t handle);
/* Stops the thread, closes the output (a capture file is completed) and frees the handle; no callback runs afterwards; 1, 0 for an unknown handle. Not from the callback. */
TESSOR_API int32_t termWaveOut(int32_t handle);
/* Peak of the last block sent, per channel (a mono output gives both the same) into levels[2]; 1, 0 for an unknown handle or null levels. */
TESSOR_API int32_t getCurrentLevelWaveOut(int32_t handle, int16_t* levels);
/* Fills buffer with the frames frames last sent, interleaved (zeros before the first); 1, 0 for an unknown handle, null buffer or frames outside 1..65536. */
TESSOR_API int32_t getCurrentWaveformWaveOut(int32_t handle, int16_t* buffer, int32_t frames);
/* Takes a fresh list of the system's output devices (PortAudio's, winmm's on Windows) and returns their count; 0 when there is none or no sound system. */
TESSOR_API int32_t getDeviceCountWaveOut(void);
/* Copies entry position (0..count-1) of the last list into out; 1, or 0 for a position outside it or null out. */
TESSOR_API int32_t getDeviceInfoWaveOut(int32_t position, TessorDevice* out);

#ifdef __cplusplus
}
#endif

#endif
