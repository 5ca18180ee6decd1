/* libnorv: the conversion output. Takes blocks of interleaved signed 16-bit PCM and writes them to
 * a 16-bit WAV file named by NORVSetOutputFile. The file is created by the first block (its channel
 * count fixes the file's) at the rate last set, and completed (sizes patched, nothing lost) by
 * NORVClose, by naming another file, or at unload. Process-wide; all calls may come from any thread. */
#ifndef ORVANE_NORV_H
#define ORVANE_NORV_H

#include <stdint.h>

#include "orvane/version.h"

#if defined(ORVANE_NORV_BUILD) && defined(_WIN32)
#define NORV_API __declspec(dllexport)
#elif defined(ORVANE_NORV_BUILD)
#define NORV_API __attribute__((visibility("default")))
#else
#define NORV_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The library's ORVANE_VERSION (major x 10000 + minor x 100 + patch). */
NORV_API uint32_t NORVGetVersion(void);
/* Rate in Hz (1..384000) of the next file created; 1, or 0 (ignored) out of range. */
NORV_API int32_t NORVSetSampleRate(int32_t rate);
/* Completes any open file, then names the file the next blocks go to (null: none); 1, or 0 for null or empty path. */
NORV_API int32_t NORVSetOutputFile(const char* path);
/* Writes samples mono samples; samples written, 0 without a named file, for null pcm, samples <= 0, a stereo file or a write error. */
NORV_API int32_t shortMono(const int16_t* pcm, int32_t samples, int32_t reserved);
/* Writes pairs stereo frames (2 x pairs samples); pairs written, 0 as for shortMono (with a mono file). */
NORV_API int32_t shortStereo(const int16_t* pcm, int32_t pairs, int32_t reserved);
/* Completes the open file (pad byte, sizes patched) and forgets its name; the data bytes written, 0 when none was open, 0xFFFFFFFF when a write or the close failed (the header counts only the data that landed). */
NORV_API uint32_t NORVClose(void);
/* errno of the first failed file creation or write since NORVSetOutputFile (kept after NORVClose), 0 when none. */
NORV_API int32_t NORVLastError(void);

#ifdef __cplusplus
}
#endif

#endif
