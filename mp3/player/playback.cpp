#include "mp3/player/playback.h"

#include <algorithm>
#include <cmath>

#include "mp3/player/player_settings.h"
#include "mp3/stream/file_replay_gain.h"
#include "mp3/stream/forward_source.h"
#include "mp3/stream/frame_count.h"

namespace {

// How often the pause wait looks at the stop request.
constexpr uint32_t kPausePollMs = 10;

// What a play needs of a file before it joins it, read on the caller's thread.
PlayState::QueuedFile queuedFile(const char* path, int32_t startOffset)
{
    PlayState::QueuedFile file{path, startOffset, countAudioFrames(path, uint32_t(startOffset)), ReplayGain{}};
    readReplayGain(path, startOffset, file.gain);
    return file;
}

}  // namespace

PlayState& playState()
{
    static PlayState state;
    return state;
}

std::shared_ptr<Playback> PlayState::playback() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return playback_;
}

std::shared_ptr<Obuffer> PlayState::output() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return output_;
}

bool PlayState::claimPlayback(const std::shared_ptr<Playback>& p)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (playback_)
        return false;
    playback_ = p;
    return true;
}

void PlayState::setOutput(const std::shared_ptr<Obuffer>& o)
{
    std::lock_guard<std::mutex> lock(mutex_);
    output_ = o;
}

void PlayState::clearIfCurrent(const Playback* p, const Obuffer* o)
{
    std::shared_ptr<Playback> oldPlayback;
    std::shared_ptr<Obuffer> oldOutput;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (o != nullptr && output_.get() == o)
            oldOutput.swap(output_);
        if (p != nullptr && playback_.get() == p)
            oldPlayback.swap(playback_);
    }
    // The references die here, outside the lock.
}

void PlayState::queueNext(const char* path, int32_t startOffset)
{
    std::deque<QueuedFile> files;
    if (path != nullptr)
        files.push_back(queuedFile(path, startOffset));
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.swap(files);
}

void PlayState::queueAppend(const char* path, int32_t startOffset)
{
    QueuedFile file = queuedFile(path, startOffset);
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(file));
}

bool PlayState::takeQueued(QueuedFile& file)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_.empty())
        return false;
    file = std::move(queue_.front());
    queue_.pop_front();
    return true;
}

void PlayState::clearQueue()
{
    // Allocates nothing (an empty deque would), so it may run as a play unwinds.
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.clear();
}

namespace {

int32_t elapsedMs(const PlayState& s)
{
    return int32_t(platform::tickCount() + uint32_t(s.baseMs.load()) - s.startTick.load());
}

// Ends the output: draining lets queued audio play out, stop-at-once cuts it off. The output
// leaves the read-outs first so that no host thread starts on it once it is closing.
void closeOutput(PlayState& s, const std::shared_ptr<Obuffer>& out, bool stopAtOnce)
{
    if (!out)
        return;
    if (stopAtOnce)
        out->markStopAtOnce();
    out->close();
    s.clearIfCurrent(nullptr, out.get());
}

// Where a play stands in its current file: what seeks and the read-outs are counted on.
struct TrackTimeline {
    float msPerFrame = 0.0f;
    float trimMs = 0.0f;  // the gapless cut at the start; time read-outs follow the trimmed timeline
    int32_t total = 0;
    bool tagged = false;
    // The file's ReplayGain factors, by mode (off, track, album).
    float replayScale[3] = {1.0f, 1.0f, 1.0f};
};

// The settings the next frame decodes with: the player's, the file's ReplayGain folded into the volume.
decoder::DecoderSettings frameSettings(const TrackTimeline& t)
{
    decoder::DecoderSettings d = player::decoderSettings();
    const int32_t mode = player::settings().replayGain.load(std::memory_order_relaxed);
    d.volume *= t.replayScale[mode >= 0 && mode <= 2 ? mode : 0];
    return d;
}

// Starts the read-outs on the file the decoder has open.
TrackTimeline startTrack(PlayState& s, StreamDecoder& dec, int32_t total, const ReplayGain& gain)
{
    TrackTimeline t;
    t.replayScale[1] = replay_gain::playbackScale(gain, false);
    t.replayScale[2] = replay_gain::playbackScale(gain, true);
    t.msPerFrame = dec.header().msPerFrame();
    t.trimMs = float(dec.trimStart()) * 1000.0f / float(dec.sampleRate());
    t.total = total;
    t.tagged = dec.reader().vbrTagPresent();
    s.msPerFrame.store(t.msPerFrame);
    s.bitrate.store(dec.header().bitrate());
    s.baseMs.store(0);
    s.startTick.store(platform::tickCount());
    s.positionFrame.store(0);
    s.positionFraction.store(0.0f);
    s.totalFrames.store(total);
    return t;
}

// Opens the queued file in the decoder when there is one; true when it can go on the output
// as it is (same rate, channels and layer), with the timeline started on it.
bool joinQueued(PlayState& s, StreamDecoder& dec, TrackTimeline& t)
{
    PlayState::QueuedFile file;
    const int32_t rate = dec.sampleRate(), channels = dec.channels(), layer = dec.layer();
    const bool lowSampling = dec.lowSampling();
    if (!s.takeQueued(file) || !dec.openStream(file.path.c_str(), uint32_t(file.offset)))
        return false;
    if (dec.sampleRate() != rate || dec.channels() != channels || dec.layer() != layer
        || dec.lowSampling() != lowSampling)
        return false;
    t = startTrack(s, dec, file.frames, file.gain);
    s.trackIndex.fetch_add(1);
    return true;
}

int32_t playLoop(PlayState& s, Playback& pb, void* started, const PlayState::QueuedFile& file)
{
    StreamDecoder& dec = pb.decoder;

    player::PlayerSettings& settings = player::settings();
    ObufferConfig config;
    config.target = pb.convertMode ? ObufferTarget::Convert : ObufferTarget::WaveOut;
    config.bufferSize = settings.bufferSize.load();
    config.spectrumSize = settings.spectrumSize.load();
    config.wave.device = settings.waveOutDevice.load();
    config.wave.harmonics = settings.harmonics.load();
    config.wave.pitch = settings.pitch.load();
    config.wave.speed = settings.speed.load();
    config.wave.effectEnable = settings.effectEnable.load();
    config.wave.enable48k = settings.enable48k.load();
    config.layer = dec.layer();
    config.lowSampling = dec.lowSampling();
    config.sampleRate = dec.sampleRate();
    // Read-outs on host threads may hold the output past the play.
    const auto out = std::make_shared<Obuffer>(static_cast<uint32_t>(dec.channels()), config);
    const bool outputOk = !out->failed();
    dec.setSink(out.get());
    dec.setGapless(settings.gapless.load());
    TrackTimeline t = startTrack(s, dec, file.frames, file.gain);
    if (outputOk)
        out->setState(OutputState::Playing);
    s.setOutput(out);
    platform::Event::setHandle(started);

    if (!outputOk) {
        closeOutput(s, out, false);
        return 0;
    }

    for (;;) {
        if (pb.stopRequest.load())
            break;
        // A stop while paused ends the play at once.
        while (pb.pauseRequest.load() && !pb.stopRequest.load())
            platform::sleepMs(kPausePollMs);
        if (pb.stopRequest.load())
            break;
        // A stream read once cannot go back or ahead: its seek requests go unanswered.
        if (pb.seekRequest.load() && !pb.seekable)
            pb.seekRequest.store(false);
        if (pb.seekRequest.load()) {
            s.baseMs.store(int32_t(float(dec.reader().frameIndex()) * t.msPerFrame));
            out->setState(OutputState::Seeking);
            out->flush();
            const int32_t target = pb.seekTarget.load();
            const bool ok = t.tagged && t.total > 0 ? dec.seekPercent(float(double(target) / t.total * 100.0))
                                                    : dec.seekFrame(target);
            if (!ok) {
                closeOutput(s, out, true);
                return 1;
            }
            pb.seekRequest.store(false);
            dec.resetAfterSeek();
            s.baseMs.store(int32_t(std::max(0.0f, float(dec.reader().frameIndex()) * t.msPerFrame - t.trimMs)));
            s.startTick.store(platform::tickCount());
            if (!pb.convertMode)
                out->pause(false);
            out->setState(OutputState::Playing);
        }
        const int32_t frame = dec.reader().frameIndex();
        if (frame % 16 == 0 && !pb.stopRequest.load()) {
            s.positionFrame.store(frame);
            s.positionFraction.store(t.total > 0 ? float(frame) / float(t.total) : 0.0f);
        }
        dec.setSettings(frameSettings(t));
        const bool more = dec.decodeFrame();
        if (dec.header().layer() == 3)
            s.bitrate.store(dec.header().bitrate());
        if (out->writeFailed())
            break;
        if (!more) {
            // Everything before the cut has played; the user learns why the end came early.
            if (dec.reader().truncated())
                platform::messageBox("mp3.dll", "the stream is truncated: its last frame is cut off");
            // The next file goes on where this one ends, through the same output.
            if (pb.seekable && joinQueued(s, dec, t))
                continue;
            closeOutput(s, out, false);
            return out->writeFailed() ? 0 : 1;
        }
    }
    closeOutput(s, out, true);
    return out->writeFailed() ? 0 : 1;
}

}  // namespace

namespace {

// Claims the play, opens the decoder with open(decoder) and runs the loop on it with what file()
// says of it (its frames and ReplayGain), then forgets the play and its queue.
template<class Open, class File> int32_t claimAndPlay(void* started, bool convert, bool seekable, Open open, File file)
{
    PlayState& s = playState();
    auto pb = std::make_shared<Playback>(convert, seekable);
    // A second play would take the controls from the first, which could then never be stopped.
    if (!s.claimPlayback(pb))
        return -2;
    // However the play ends (an allocation that fails throws), it leaves no claim, queue or
    // output behind: a claim left would refuse every later play.
    struct Release {
        PlayState& state;
        const Playback* play;
        ~Release()
        {
            state.clearQueue();
            state.clearIfCurrent(play, state.output().get());
        }
    } release{s, pb.get()};
    s.bitrate.store(0);
    s.trackIndex.store(0);
    if (!open(pb->decoder))
        return -1;
    return playLoop(s, *pb, started, file());
}

}  // namespace

int32_t runPlay(const char* path, void* started, int32_t startOffset, bool convert)
{
    const bool valid = path != nullptr && startOffset >= 0;
    return claimAndPlay(
        started, convert, true,
        [&](StreamDecoder& dec) { return valid && dec.openStream(path, uint32_t(startOffset)); },
        [&] { return queuedFile(path, startOffset); });
}

int32_t runPlayStream(ReadCallback read, void* context, void* started, bool convert)
{
    return claimAndPlay(
        started, convert, false,
        [&](StreamDecoder& dec) {
            return read != nullptr && dec.openStream(openForwardSource(read, context, nullptr), 0);
        },
        [] {
            return PlayState::QueuedFile{std::string(), 0, 0, ReplayGain{}};
        });
}

int32_t currentTimeMs()
{
    PlayState& s = playState();
    const auto out = s.output();
    if (!s.playback() || !out)
        return 0;
    const OutputState state = out->state();
    if (state == OutputState::Seeking)
        return 0;
    if (state == OutputState::Paused)
        return s.baseMs.load();
    return elapsedMs(s);
}

void pausePlay(bool pause)
{
    PlayState& s = playState();
    const auto out = s.output();
    const auto pb = s.playback();
    if (!out)
        return;
    if (pb)
        pb->pauseRequest.store(pause);
    if (pause) {
        if (out->state() == OutputState::Paused)
            return;
        // The clock stands at the paused position until the play resumes.
        s.baseMs.store(elapsedMs(s));
        out->pause(true);
    } else {
        if (out->state() != OutputState::Paused)
            return;
        s.startTick.store(platform::tickCount());
        out->pause(false);
    }
}
