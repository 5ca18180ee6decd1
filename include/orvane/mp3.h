/* libmp3: MPEG audio decoder and player engine: MPEG-1, MPEG-2 and MPEG-2.5 (the 8, 11.025 and
 * 12 kHz extension), Layers I, II and III, free-format streams (no bit rate in the header: the
 * frame length is found from the next frame's sync) included.
 *
 * Defaults a first program meets:
 * - The player (OrvanePlay) is silent until OrvaneSetVolume is called: the volume starts at 0, so
 *   a host fades in from silence; call OrvaneSetVolume(32768) for full scale.
 * - Gapless: decoder handles (OrvaneDecode*) deliver a Layer III stream without the encoder's
 *   delay and padding when its VBR tag states them, unless OrvaneDecodeSetGapless turns it off;
 *   the player does so only after OrvaneEnableGapless(1) (default off); the orvane tool does by
 *   default.
 *
 * Conventions: paths are file system paths; a start offset is the byte position where the
 * stream starts (to skip leading data); ID3v2 tags found there are skipped by their sizes, and
 * ID3v1 and APEv2 tags at the end of the file are not read as audio. Exports returning int32_t
 * give 0 on failure unless their line says otherwise. No export throws; one that fails records
 * why for the calling thread (OrvaneLastError, OrvaneLastErrorCode).
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

/* ---- Errors (each thread keeps its own; a call that succeeds leaves the record as it was) -- */

#define ORVANE_ERROR_NONE 0 /* no failure on this thread yet */
#define ORVANE_ERROR_CANNOT_OPEN                                                                                       \
    1 /* the file (or callback source) cannot be opened; the reason holds the system's words */
#define ORVANE_ERROR_NOT_MPEG 2 /* opened, but no MPEG audio frame found */
#define ORVANE_ERROR_UNSUPPORTED                                                                                       \
    3                            /* MPEG audio this library cannot decode (a free-format stream with no second frame) */
#define ORVANE_ERROR_TRUNCATED 4 /* the stream is empty or ends inside its first frame */
#define ORVANE_ERROR_OUT_OF_MEMORY 5 /* an allocation failed */
#define ORVANE_ERROR_BAD_ARGUMENT                                                                                      \
    6 /* an argument outside what the call's line allows (a null pointer, a seek past the end) */
#define ORVANE_ERROR_WRONG_HANDLE 7 /* a null decoder handle */
#define ORVANE_ERROR_FAILED 8 /* any other failure (no output device, another play running, a source that fails) */

/* The reason for the calling thread's last failed export, as text ("no error" before any); valid until the thread's next failing call. Any thread. */
MP3_API const char* OrvaneLastError(void);
/* The ORVANE_ERROR_* code of the calling thread's last failed export (ORVANE_ERROR_NONE before any). Any thread. */
MP3_API int32_t OrvaneLastErrorCode(void);

/* ---- Play (one at a time; OrvanePlay runs on a host thread of its own) --------------------- */

/* Reads up to bytes bytes into buffer (waiting for them if it must): the count read, 0 at the end, -1 on error. */
typedef int64_t (*OrvaneReadCallback)(void* context, void* buffer, int64_t bytes);

/* Plays (convert 0) or converts through norv (convert != 0) the file; startedEvent is an OrvaneEvent* (below; on Windows any event HANDLE) set once output is set up, or null. 1 at the end, after a stop or a failed seek; 0 when the output cannot be set up or (converting) norv refuses a block, which ends the play (NORVLastError tells why); -1 for no readable frame, a null path or startOffset < 0; -2 while another play runs (that play goes on untouched). */
MP3_API int32_t OrvanePlay(const char* path, void* startedEvent, int32_t startOffset, int32_t convert);
/* As OrvanePlay for a stream read once, front to back, through read (called on the play's thread with context; a pipe, a socket, a network stream): seeks are ignored, queued files are not joined, the total (OrvaneWhere) stays 0. To stop a play waiting in read, make read return 0 as well as calling OrvaneStop. The same results; -1 also for a null read. */
MP3_API int32_t OrvanePlayCallbacks(OrvaneReadCallback read, void* context, void* startedEvent, int32_t convert);
/* Queues a file to follow the current play's (or, called before OrvanePlay, the next play's) through the same output: at the end of its file the play goes on with the queued one when it has the same sample rate, channel count and layer, with no sample lost or added at the join (gapless trims apply to each file), and OrvaneGetTrackIndex counts it; otherwise the play ends as without it. The file replaces whatever was queued (a null path empties the queue); a play forgets the queue when it ends. The call counts the file's frames, so the join costs the play only its opening. 1, or -1 for startOffset < 0 (or out of memory). Any thread. */
MP3_API int32_t OrvaneQueueNext(const char* path, int32_t startOffset);
/* Adds a file after those queued (OrvaneQueueNext's queue), so a run of files, however short, joins while the host sleeps; the play takes them in order as above. 1, or -1 for a null path or startOffset < 0 (or out of memory). Any thread. */
MP3_API int32_t OrvaneQueueAppend(const char* path, int32_t startOffset);
/* Queued files the current or last play has gone on with: 0 while it plays the file it was started with. Any thread. */
MP3_API int32_t OrvaneGetTrackIndex(void);
/* Asks the current play to stop (queued audio is cut off); nothing without a play. Any thread. */
MP3_API void OrvaneStop(void);
/* Pauses (non-zero) or resumes the current play's output; a stop while paused still ends the play. Nothing without an output. */
MP3_API void OrvanePause(int8_t pause);
/* Seeks by delta frames from the last position read-out (16-frame steps), clamped at frame 0; past the end the play stops; ignored by a play from callbacks. */
MP3_API void OrvaneSeek(int32_t delta);
/* Seeks to fraction (0..1) of the total frames (the VBR tag's count when there is one); below 0 or NaN means 0, past the end stops; ignored by a play from callbacks. */
MP3_API void OrvaneAbsoluteSeek(float fraction);
/* Only records a pitch-change request on the current play: nothing acts on it (the pitch heard is OrvaneSetPitch's); nothing without a play. */
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

/* Master volume: 32768 gives full 16-bit scale; the default is 0 (silence) until this is called. Takes effect at once. */
MP3_API void OrvaneSetVolume(int32_t volume);
/* Switches the Layer III equaliser on or off (default off). */
MP3_API void OrvaneEnableEQ(int8_t enable);
/* Linear gain of subband band (0..31) for the Layer III equaliser; other bands are ignored. */
MP3_API void OrvaneSetEQ(int32_t band, float gain);
/* Gapless output for the next play (default off: every decoded sample): a Layer III file whose VBR tag carries the encoder's delay and padding plays without them, to the encoder's input length; other files are unchanged. */
MP3_API void OrvaneEnableGapless(int8_t enable);
/* Wave-out device for the next play (-1, the default, is the system default). */
MP3_API void OrvaneSelectWaveOut(int32_t device);
/* 3DNow!-semantics kernels on or off (wins over AVX2 and SSE; default off) for everything that runs after the call: plays, decoder handles and libdsp alike (this is dspEnable3dnow). */
MP3_API void OrvaneEnable3dnow(int8_t enable);
/* SSE kernels on or off (default on) for everything that runs after the call: plays, decoder handles and libdsp alike (this is dspEnableSse). */
MP3_API void OrvaneEnableSSE(int8_t enable);
/* AVX2/FMA kernels on or off (default on; wins over SSE; ignored where the CPU lacks AVX2 or FMA) for everything that runs after the call: plays, decoder handles and libdsp alike (this is dspEnableAvx2). */
MP3_API void OrvaneEnableAVX2(int8_t enable);
/* Frames per output block for the next play (default 12); a value the output cannot use (outside 1..1024) makes that play return 0. */
MP3_API void OrvaneSetBufferSize(int32_t frames);
/* Spectrum FFT size for the next play (default 256); not a power of two in 4..32768 makes that play return 0. */
MP3_API void OrvaneSetSpectrumSize(int32_t size);
/* Live pitch: stored for the next play and passed to the current output. */
MP3_API void OrvaneSetPitch(int32_t pitch);
/* Live speed: stored for the next play and passed to the current output. */
MP3_API void OrvaneSetSpeed(int32_t speed);
/* Output effect switch for the next play; its output only records it (see tessor's enableEffectWaveOut): no effect is applied. */
MP3_API void OrvaneEnableDspEffect(int8_t enable);
/* 48 kHz output switch for the next play. */
MP3_API void OrvaneEnable48k(int8_t enable);
/* Harmonics amount for the next play (default 0.3). */
MP3_API void OrvaneSetHarmonics(float amount);
/* ReplayGain in plays: 0 off (the default), 1 each file's track gain, 2 its album gain (the track gain where the file states none), as OrvaneGetReplayGain reads it; the gain multiplies the volume, held down so that the stated peak stays within full scale; a file stating none plays as without. Takes effect at once and follows each queued file; other values mean 0. */
MP3_API void OrvaneSetReplayGain(int32_t mode);

/* ---- Tag text fields (OrvaneGetTagText, OrvaneDecodeGetTagText) ---------------------------- */

#define ORVANE_TAG_TITLE 0
#define ORVANE_TAG_ARTIST 1
#define ORVANE_TAG_ALBUM 2
#define ORVANE_TAG_YEAR 3
#define ORVANE_TAG_TRACK 4
#define ORVANE_TAG_GENRE 5
#define ORVANE_TAG_COMMENT 6
#define ORVANE_TAG_FIELDS 7 /* fields run 0 .. ORVANE_TAG_FIELDS - 1 */

/* ---- Decoding into the caller's buffers ----------------------------------------------------- */
/* A decoder handle reads one stream (from a path, memory or callbacks) and delivers its PCM on
 * demand, independent of any play and of every other handle: any number may be open at once,
 * each used from one thread at a time. Samples are interleaved, full scale is +-1.0 (float) or
 * +-32768 (int16, rounded to nearest and held to -32768..32767); a frame is one sample per
 * channel. A damaged or undecodable MPEG frame gives a frame of silence, so frame positions stay
 * those of the stream. Gapless: a Layer III stream whose VBR tag states the encoder's delay and
 * padding (as lame writes it) is delivered without them and without the decoder's own delay, so
 * it reads as the encoder's input, sample for sample; totals, seeks and OrvaneDecodeTell count on
 * that timeline. Streams joined end to end (each part with its own tag) are delivered whole, each
 * part trimmed by its own tag; a tag frame is never audio; the padding is only cut where the part
 * ends where its tag says (frame or byte count). Other streams deliver every decoded sample. */

typedef struct OrvaneDecoder OrvaneDecoder;

typedef struct OrvaneDecodeFormat {
    uint32_t sampleRate;      /* Hz */
    uint32_t channels;        /* 1 or 2 */
    uint32_t layer;           /* 1, 2 or 3 */
    uint32_t bitrate;         /* kbit/s of the first frame */
    uint32_t samplesPerFrame; /* PCM frames per MPEG frame: 384, 576 or 1152 */
    uint32_t
        encoderDelay; /* PCM frames the encoder added at the start (VBR tag's encoder extension); 0 when the stream does not say */
    uint32_t encoderPadding; /* PCM frames the encoder added at the end (same source); 0 when the stream does not say */
    uint32_t
        formatChanges; /* changes of sampling rate or channel count: in the whole stream (GetFormat surveys it; 0 when the encoder's tag vouches for the stream, see totalFrames); a source without seek: among the frames read so far. Later parts are delivered converted to the first part's rate and channels, counted in totalFrames */
    uint64_t
        totalFrames; /* PCM frames a read from the start delivers, exact (every frame's header is read on the handle's first GetFormat, GetStreamInfo or Seek: the frames present, gapless where the stream states how; or, until a seek, the counts of an encoder tag that vouches for the stream: its checksum holds and its byte count reaches exactly to the audio's end). A source without seek: the VBR tag's count until the reads reach the end, then exact; 0 while unknown */
} OrvaneDecodeFormat;

/* Moves to offset from whence (0 start, 1 current position, 2 end, as fseek): the new position from the start, or -1. A handle also calls it (whence 0) before each read, to the position it reads from. */
typedef int64_t (*OrvaneSeekCallback)(void* context, int64_t offset, int32_t whence);

/* Opens the file at path; null when it cannot be read (ORVANE_ERROR_CANNOT_OPEN), holds no readable frame (NOT_MPEG, UNSUPPORTED or TRUNCATED, see above), or path is null (BAD_ARGUMENT). Any thread. */
MP3_API OrvaneDecoder* OrvaneDecodeOpenFile(const char* path);
/* Opens bytes bytes at data (not copied: they must stay unchanged until OrvaneDecodeClose); null as for a file, or for null data. Any thread. */
MP3_API OrvaneDecoder* OrvaneDecodeOpenMemory(const void* data, uint64_t bytes);
/* Opens a stream read through the callbacks (called on the handle's thread only, with context); null as for a file, for a null read, or when seeking to the end and back to 0 fails. A null seek reads a stream that cannot seek (a pipe, a socket) once, front to back, with the samples of a file of the same bytes (gapless by a VBR tag at its start; end tags are held back and not decoded), but no seeks but to OrvaneDecodeTell, no stream info, and totalFrames as known; an open that finds no frame fails with NOT_MPEG, one whose read callback fails (returns < 0) before a frame with FAILED. Any thread. */
MP3_API OrvaneDecoder* OrvaneDecodeOpenCallbacks(OrvaneReadCallback read, OrvaneSeekCallback seek, void* context);
/* Copies the stream's format into format (the first call reads every frame header for the exact total, except from a source without seek); 1, or 0 for a null handle or format. */
MP3_API int32_t OrvaneDecodeGetFormat(OrvaneDecoder* decoder, OrvaneDecodeFormat* format);
/* Decodes up to frames frames into pcm (frames x channels floats); the frames written, 0 at the end, -1 for a null handle or pcm or frames < 0. */
MP3_API int64_t OrvaneDecodeReadFloat(OrvaneDecoder* decoder, float* pcm, int64_t frames);
/* As OrvaneDecodeReadFloat with 16-bit samples. */
MP3_API int64_t OrvaneDecodeReadInt16(OrvaneDecoder* decoder, int16_t* pcm, int64_t frames);
/* Makes frame the next one read (what a read from the start would give there; in a part resampled to the first part's rate, within one sample's shift of it); frame = totalFrames is the end (reads then give 0). 1, or 0 for a null handle or a frame past the end (nothing changes), or a source that fails (reads then give 0 until the next good seek); a source without seek: 1 for frame = OrvaneDecodeTell, else 0 (nothing changes). */
MP3_API int32_t OrvaneDecodeSeek(OrvaneDecoder* decoder, uint64_t frame);
/* Gapless delivery on (enable != 0, the default) or off (every decoded sample, the encoder's delay and padding and the decoder's delay included; the total then counts them); either way the next read starts at the first frame. 1, or 0 for a null handle or a source without seek whose reads have begun (nothing changes). */
MP3_API int32_t OrvaneDecodeSetGapless(OrvaneDecoder* decoder, int32_t enable);
/* The frame the next read starts at; 0 for a null handle. */
MP3_API uint64_t OrvaneDecodeTell(OrvaneDecoder* decoder);
/* Tag text field of the handle's stream, as OrvaneGetTagText gives it for a path (read at open, for memory and callback sources too; from a source without seek, the end tags count once the reads reach the end); the field's full length, 0 when no tag has it; -1 for a null handle, a field outside ORVANE_TAG_*, size < 0, or a null buffer with size > 0. */
MP3_API int32_t OrvaneDecodeGetTagText(OrvaneDecoder* decoder, int32_t field, char* buffer, int32_t size);
/* The first picture a tag embeds (ID3v2 APIC/PIC, APEv2 "Cover Art (...)"). */
typedef struct OrvanePictureInfo {
    uint32_t present; /* 1 when a tag holds a picture; the other fields are 0 or empty otherwise */
    uint32_t type;    /* the ID3v2 picture type: 0 other, 3 front cover, 4 back cover, ... 20 */
    uint64_t bytes;   /* size of the image data */
    char mime[64];    /* its MIME type ("image/jpeg", "image/png"), zero-terminated; may be empty */
} OrvanePictureInfo;
/* The handle's stream's picture into info (read at open); 1, or 0 (info untouched) for a null handle or info. */
MP3_API int32_t OrvaneDecodeGetPictureInfo(OrvaneDecoder* decoder, OrvanePictureInfo* info);
/* The loudness normalisation a file states. Each value comes from the first carrier that states it: ID3v2 TXXX and then APEv2 items named REPLAYGAIN_TRACK_GAIN, _TRACK_PEAK, _ALBUM_GAIN or _ALBUM_PEAK (any case; "-6.50 dB", "0.988"), then ID3v2 RVA2 frames ("album" or other identification, master volume), then the LAME tag in the first frame. Gains outside +-64 dB and peaks outside 0..64 are ignored as damage. */
typedef struct OrvaneReplayGain {
    uint32_t hasTrack; /* 1 when trackGain is stated */
    uint32_t hasAlbum; /* 1 when albumGain is stated */
    float trackGain;   /* dB that bring the track to the reference loudness; 0 without hasTrack */
    float trackPeak;   /* the track's largest sample magnitude (1.0 full scale); 0 when not stated */
    float albumGain;   /* dB for the album; 0 without hasAlbum */
    float albumPeak;   /* the album's largest sample magnitude; 0 when not stated */
} OrvaneReplayGain;
/* The handle's stream's ReplayGain into gain (read at open); 1, or 0 (gain untouched) for a null handle or gain. */
MP3_API int32_t OrvaneDecodeGetReplayGain(OrvaneDecoder* decoder, OrvaneReplayGain* gain);
/* Reads from here on (the position kept) scaled by the stream's ReplayGain as OrvaneSetReplayGain scales plays: mode 0 off (the default), 1 track, 2 album (the track gain where the stream states none); float samples may then pass +-1.0 only where no peak is stated. 1, or 0 for a null handle or a mode outside 0..2 (nothing changes), or a source that fails (reads then give 0 until the next good seek). */
MP3_API int32_t OrvaneDecodeSetReplayGain(OrvaneDecoder* decoder, int32_t mode);
/* Closes the handle; null is ignored. */
MP3_API void OrvaneDecodeClose(OrvaneDecoder* decoder);

/* ---- File information (any thread, independent of any play) ------------------------------- */

/* Duration in ms of what a decode handle delivers from the file (every frame's header read: a VBR tag's counts are only believed where the stream agrees; gapless where the stream states its delay and padding; leading ID3v2 and trailing ID3v1/APEv2 tags are not audio), rounded down; 0 when it cannot be opened, holds no valid frame, or startOffset < 0. */
MP3_API int32_t OrvaneGetTotalMs(const char* path, int32_t startOffset);
/* Bitrate of the first frame header in kbit/s; 0 when the file cannot be opened, holds no valid frame, or startOffset < 0. */
MP3_API int32_t OrvaneGetFirstBitrate(const char* path, int32_t startOffset);
/* What a scan of the whole stream finds (OrvaneGetStreamInfo). */
typedef struct OrvaneStreamInfo {
    uint32_t version;         /* 10 MPEG-1, 20 MPEG-2, 25 MPEG-2.5 (first frame) */
    uint32_t layer;           /* 1, 2 or 3 */
    uint32_t sampleRate;      /* Hz */
    uint32_t channelMode;     /* 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel */
    uint32_t crc;             /* 1 when the first frame carries a CRC */
    uint32_t firstBitrate;    /* kbit/s of the first frame (the VBR tag's frame when there is one) */
    uint32_t samplesPerFrame; /* of the first frame */
    uint32_t variableBitrate; /* 1 when some frame's bitrate differs from the first's */
    uint64_t frames;          /* audio frames counted (a frame carrying a VBR tag is not audio) */
    uint64_t samples;         /* PCM frames they decode to, each at its own rate, delay and padding included */
    uint64_t audioBytes;      /* bytes of those frames, headers included */
    uint32_t vbrTag;          /* 0 none, 1 "Xing" (VBR), 2 "Info" (CBR) */
    uint32_t vbrTagFrames;    /* the tag's frame count; 0 without a tag */
    uint32_t encoderTag;      /* 1 when the tag states the encoder's delay and padding */
    uint32_t encoderDelay;    /* PCM frames; 0 without encoderTag */
    uint32_t encoderPadding;  /* PCM frames; 0 without encoderTag */
    uint32_t tags;            /* bit 0 ID3v2, bit 1 APEv2, bit 2 ID3v1 */
    uint32_t truncated;       /* 1 when the last frame is cut off */
    uint32_t
        formatChanges; /* changes of sampling rate or channel count between frames (the fields above are the first frame's) */
} OrvaneStreamInfo;

/* Reads the whole stream's headers (no decoding) into info; 1, or 0 (info untouched) for a null path or info, startOffset < 0, a file that cannot be opened or holds no valid frame. */
MP3_API int32_t OrvaneGetStreamInfo(const char* path, int32_t startOffset, OrvaneStreamInfo* info);
/* The handle's stream facts into info, as OrvaneGetStreamInfo gives them for a path (every frame header read once per handle, unless the encoder's tag vouches for the stream as for totalFrames: variableBitrate then says whether the audio's bytes differ from that many frames at the first audio frame's bitrate); 1, or 0 (info untouched) for a null handle or info, a source without seek, or a source that fails. */
MP3_API int32_t OrvaneDecodeGetStreamInfo(OrvaneDecoder* decoder, OrvaneStreamInfo* info);
/* Tag text field (ORVANE_TAG_TITLE, ARTIST, ALBUM, YEAR, TRACK, GENRE or COMMENT) from the file's ID3v2, APEv2 or ID3v1 tag, in that order of preference (several values in one tag joined with "; ", at most 65536 bytes), as UTF-8 into buffer (size bytes, zero-terminated, cut at a character boundary; buffer may be null with size 0); returns the field's full length in bytes, 0 when no tag has it; -1 for a null path, startOffset < 0, a file that cannot be opened, a field outside ORVANE_TAG_*, size < 0, or a null buffer with size > 0. */
MP3_API int32_t OrvaneGetTagText(const char* path, int32_t startOffset, int32_t field, char* buffer, int32_t size);
/* The file's ReplayGain (see OrvaneReplayGain) into gain; 1 (all 0 when the file states none), or 0 (gain untouched) for a null path or gain, startOffset < 0, or a file that cannot be opened. */
MP3_API int32_t OrvaneGetReplayGain(const char* path, int32_t startOffset, OrvaneReplayGain* gain);
/* The file's embedded picture (see OrvanePictureInfo) into info; 1, or 0 (info untouched) for a null path or info, startOffset < 0, or a file that cannot be opened. */
MP3_API int32_t OrvaneGetPictureInfo(const char* path, int32_t startOffset, OrvanePictureInfo* info);

#ifdef __cplusplus
}
#endif

#endif
