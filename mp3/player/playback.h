#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "mp3/decode/stream_decoder.h"
#include "mp3/player/obuffer.h"
#include "mp3/stream/replay_gain.h"
#include "platform/platform.h"

// The per-call object of one play: the requests host threads make, and the decoder that owns the
// reader, the frame header, the filters and the output.
class PlaybackBase {
public:
    virtual ~PlaybackBase() = default;
};

class Playback : public PlaybackBase {
public:
    explicit Playback(bool convert) : convertMode(convert) { }

    std::atomic<bool> stopRequest{false};
    std::atomic<bool> pauseRequest{false};
    std::atomic<int32_t> seekTarget{0};
    std::atomic<int32_t> requestedPitch{0};
    std::atomic<bool> seekRequest{false};
    std::atomic<bool> pitchChangeRequest{false};
    const bool convertMode;
    StreamDecoder decoder;
};

// Read-outs of the current or last play, and the objects host threads may reach. The pointers
// are shared: a control or read-out takes its own reference under the lock, so the object lives
// until it is done, whatever the play does meanwhile.
struct PlayState {
    // A file to follow the play's: its frames and ReplayGain are read when it is queued.
    struct QueuedFile {
        std::string path;
        int32_t offset = 0;
        int32_t frames = 0;
        ReplayGain gain;
    };

    std::atomic<int32_t> bitrate{0};
    std::atomic<float> msPerFrame{0.0f};
    std::atomic<int32_t> totalFrames{0};
    std::atomic<int32_t> positionFrame{0};
    std::atomic<float> positionFraction{0.0f};
    std::atomic<int32_t> baseMs{0};
    std::atomic<uint32_t> startTick{0};
    // Queued files the current play has joined (0 while it plays the file it was started with).
    std::atomic<int32_t> trackIndex{0};

    std::shared_ptr<Playback> playback() const;
    std::shared_ptr<Obuffer> output() const;
    // Makes p the current play unless one is running; false (nothing changed) when one is.
    bool claimPlayback(const std::shared_ptr<Playback>& p);
    void setOutput(const std::shared_ptr<Obuffer>& o);
    // Forgets the play and its output, but only when they are still those of p.
    void clearIfCurrent(const Playback* p, const Obuffer* o);
    // The files to follow the play's at its end on the same output, in order; taken one by one
    // by the play, forgotten when the play ends. queueNext makes path the only one (null: none),
    // queueAppend adds it after the others. The frames are counted here, on the caller's thread,
    // so a join costs the play nothing but opening the file.
    void queueNext(const char* path, int32_t startOffset);
    void queueAppend(const char* path, int32_t startOffset);
    // Takes the first queued file; false when there is none.
    bool takeQueued(QueuedFile& file);
    // Forgets every queued file.
    void clearQueue();

private:
    mutable std::mutex mutex_;
    std::deque<QueuedFile> queue_;
    std::shared_ptr<Playback> playback_;
    std::shared_ptr<Obuffer> output_;
};

PlayState& playState();

// Runs one play on the calling thread, going on with each queued file that has the same format
// (gapless: no sample lost or added at the join): 1 at the end of the last file, after a stop or a failed seek;
// 0 when the output could not be set up or a converted block could not be written; -1 when the
// file has no readable frame; -2, touching nothing, while another play runs.
int32_t runPlay(const char* path, void* started, int32_t startOffset, bool convert);

// Milliseconds played: 0 without a play or while seeking, the base value while paused.
int32_t currentTimeMs();
// Pauses or resumes the current play's output and keeps the clock right.
void pausePlay(bool pause);
