/* libmp3: MPEG-1 and MPEG-2 audio (Layers I, II and III) player engine.
 *
 * Conventions: paths are file system paths; a start offset is the byte position of the first
 * frame (to skip leading data such as a tag). Exports returning int32_t give 0 on failure unless
 * their line says otherwise. No export throws.
 */
#ifndef ORVANE_MP3_H
#define ORVANE_MP3_H

#include <stdint.h>

#if defined(ORVANE_MP3_BUILD)
#define MP3_API __attribute__((visibility("default")))
#else
#define MP3_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- File information (any thread, independent of any play) ------------------------------- */

/* Duration of the file in ms (VBR tag frame count, else size over the first frame's length); 0 when it cannot be opened, holds no valid frame, or startOffset < 0. */
MP3_API int32_t OrvaneGetTotalMs(const char* path, int32_t startOffset);
/* Bitrate of the first frame header in kbit/s; 0 when the file cannot be opened, holds no valid frame, or startOffset < 0. */
MP3_API int32_t OrvaneGetFirstBitrate(const char* path, int32_t startOffset);

#ifdef __cplusplus
}
#endif

#endif
