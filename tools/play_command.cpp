#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "orvane/mp3.h"
#include "orvane/tessor.h"
#include "platform/tool/terminal.h"
#include "tools/cli.h"
#include "tools/command.h"
#include "tools/file_tags.h"
#include "tools/format_change.h"
#include "tools/live_view.h"
#include "tools/output_devices.h"
#include "tools/play_screen.h"
#include "tools/play_session.h"
#include "tools/playlist.h"
#include "tools/status_line.h"
#include "tools/stream_head.h"
#include "tools/stream_input.h"

namespace {

const char* const kUsage
    = "FILE|LIST.m3u|-|URL... [--start TIME] [--offset BYTES] [--volume 0..65536] [--device N|NAME] [--pitch CENTS]"
      " [--speed PERMILLE] [--48k] [--harmonics H] [--eq BAND:GAIN ...] [--replaygain track|album]"
      " [--plain|--sse|--3dnow] [--no-gapless] [--spectrum]";

const char* const kKeys = "keys: space pause, left/right seek 5 s, n/p next/previous file, q quit, h keys\n"
                          "      +/- volume 5%, m mute, up/down pitch 100 cents, [/] speed 5%, s spectrum\n";

// The ranges the output holds pitch and speed to.
constexpr long kMinPitch = -1200, kMaxPitch = 1200;
constexpr long kMinSpeed = -750, kMaxSpeed = 7000;
// Twice full scale: louder settings only clip.
constexpr long kMaxVolume = 65536;
constexpr long kFullScale = 32768;
constexpr long kVolumeStepPercent = 5;
// The live view's FFT: 21.5 Hz bins at 44.1 kHz, fine enough for its lowest bands.
constexpr uint32_t kSpectrumSize = 2048;

void printDetails(FILE* out)
{
    std::fprintf(out,
                 "Plays the files in order; a .m3u list stands for the files it names. Files of one format\n"
                 "follow each other through one output, with no gap at the joins of a gapless album. The\n"
                 "tags' artist and title name each file. TIME is seconds, m:ss or h:mm:ss into the first file.\n"
                 "- plays standard input; an http:// or https:// URL plays an MP3 stream (internet radio),\n"
                 "showing the title the station announces as it changes (one \"title: ...\" line each when\n"
                 "output is not a terminal); a broken connection is made again once, then the play ends\n"
                 "with exit status 1. Streams cannot seek and have no known length.\n"
                 "--spectrum shows the live view: spectrum bars (dBFS, log frequency) and level meters.\n"
                 "N|NAME is a device number or (part of) a name from 'orvane devices'.\n"
                 "--replaygain track or album plays each file at the gain its tags state (album falls back\n"
                 "to track), held down so that the stated peak stays within full scale; off by default.\n%s",
                 kKeys);
}

std::atomic<bool> interrupted{false};

void onInterrupt(int)
{
    interrupted.store(true);
}

struct PlayOptions {
    std::vector<std::string> names;
    long startMs = 0;
    long offset = 0;
    long volume = 32768;
    long device = -1;
    long pitch = 0;
    long speed = 0;
    bool out48k = false;
    bool gapless = true;
    bool spectrum = false;
    int32_t replayGain = 0;  // 0 off, 1 track, 2 album
    float harmonics = 0.3f;
    std::vector<std::pair<long, float>> eq;
    VectorChoice vectors = VectorChoice::Best;
};

// 0 when the options are good, otherwise the exit status after a message.
int parseOptions(const std::vector<std::string>& args, PlayOptions& o)
{
    for (ArgReader r(args); !r.done();) {
        bool ok = true;
        if (r.option("--start")) {
            ok = r.clock("--start", o.startMs);
        } else if (r.option("--offset")) {
            ok = r.integer(0, 0x7FFFFFFF, "bytes", o.offset);
        } else if (r.option("--volume")) {
            ok = r.integer(0, kMaxVolume, "32768 = full scale", o.volume);
        } else if (r.option("--device")) {
            std::string text;
            ok = r.value(text) && findOutputDevice(text, o.device);
        } else if (r.option("--pitch")) {
            ok = r.integer(kMinPitch, kMaxPitch, "cents", o.pitch);
        } else if (r.option("--speed")) {
            ok = r.integer(kMinSpeed, kMaxSpeed, "per mille", o.speed);
        } else if (r.option("--48k")) {
            o.out48k = true;
        } else if (r.option("--no-gapless")) {
            o.gapless = false;
        } else if (r.option("--spectrum")) {
            o.spectrum = true;
        } else if (r.option("--harmonics")) {
            double h = 0;
            ok = r.number(0, 1, "curve bend", h);
            o.harmonics = float(h);
        } else if (r.option("--eq")) {
            std::string v;
            if (!r.value(v))
                return 2;
            const size_t colon = v.find(':');
            if (colon == std::string::npos)
                return usageError("--eq needs BAND:GAIN (band 0..31, linear gain 0..4), not '" + v + "'");
            long band = 0;
            double gain = 0;
            ok = parseInteger(v.substr(0, colon), 0, 31, "--eq band", band)
                && parseNumber(v.substr(colon + 1), 0, 4, "--eq gain (linear)", gain);
            o.eq.emplace_back(band, float(gain));
        } else if (readVectorOption(r, o.vectors)) {
        } else if (readReplayGainOption(r, o.replayGain, ok)) {
        } else if (const int status = r.operand(o.names)) {
            return status;
        }
        if (!ok)
            return 2;
    }
    return o.names.empty() ? usageError("no FILE given") : 0;
}

// Volume as a whole percentage of full scale.
long percent(long volume)
{
    return (volume * 100 + kFullScale / 2) / kFullScale;
}

// What the keys change while playing.
struct LiveState {
    long volume;
    long pitch;
    long speed;
    bool muted = false;
    bool paused = false;
    bool spectrum = false;  // the live view shown
};

enum class Next { advance, back, quit };

// What the screen shows of a file and how far a seek key moves in it.
struct Track {
    std::string name;  // "Artist - Title" from the tags, else the file's name
    bool tagged = false;
    bool stream = false;  // read once (standard input, a URL): no seeking, no known length
    double msPerFrame = 0;
    int32_t seekFrames = 0;
    int32_t totalMs = 0;  // -1 for a stream
    uint32_t rate = 0;    // of the output: 48 kHz with --48k
    uint32_t channels = 0;
    bool truncated = false;
    std::string formatNotice;  // for a stream that changes rate or channel count: empty otherwise
};

// False after a message (status 1) when the file cannot be read as MPEG audio.
bool readTrack(const std::string& path, const PlayOptions& o, Track& t, PlayScreen& screen, int& status)
{
    OrvaneStreamInfo info{};
    if (OrvaneGetStreamInfo(path.c_str(), int32_t(o.offset), &info) != 1) {
        FILE* probe = std::fopen(path.c_str(), "rb");
        screen.message(probe != nullptr ? "'" + path + "' is not MPEG audio" : "cannot open '" + path + "'");
        status = 1;
        if (probe != nullptr)
            std::fclose(probe);
        return false;
    }
    t.msPerFrame = double(info.samplesPerFrame) * 1000.0 / info.sampleRate;
    t.seekFrames = int32_t(std::lround(5000.0 / t.msPerFrame));
    // Counted, not estimated from the first frame: right for variable-bitrate files too; gapless
    // play leaves out the encoder's delay and padding, as the time read-out does.
    const uint64_t cut = o.gapless ? uint64_t(info.encoderDelay) + info.encoderPadding : 0;
    t.totalMs = int32_t(double(info.samples > cut ? info.samples - cut : 0) * 1000.0 / info.sampleRate);
    t.truncated = info.truncated != 0;
    if (info.formatChanges != 0)
        t.formatNotice = formatChangeNotice(path, info.formatChanges, info.sampleRate, info.channelMode == 3 ? 1 : 2);
    // Parts at other rates last their own samples at their own rate: the library's count in time.
    if (info.formatChanges != 0 && o.gapless)
        t.totalMs = OrvaneGetTotalMs(path.c_str(), int32_t(o.offset));
    t.rate = o.out48k ? 48000 : info.sampleRate;
    t.channels = info.channelMode == 3 ? 1 : 2;
    t.name = displayName(tagText(path, int32_t(o.offset), kTagArtist), tagText(path, int32_t(o.offset), kTagTitle));
    t.tagged = !t.name.empty();
    if (!t.tagged)
        t.name = std::filesystem::path(path).filename().string();
    return true;
}

// A stream before its play has begun: named by its station or what it is; the rate and
// channels are those most streams have until its first frame tells.
Track streamTrack(const std::string& name, const StreamInput& input, const PlayOptions& o)
{
    Track t;
    t.stream = true;
    t.totalMs = -1;
    t.rate = o.out48k ? 48000 : 44100;
    t.channels = 2;
    const std::string station = input.name();
    t.name = station.empty() ? (name == "-" ? std::string("standard input") : name) : station;
    return t;
}

// A file starts playing: what must be said about it is said above the screen.
void announce(const std::string& path, const Track& t, PlayScreen& screen)
{
    if (t.truncated)
        screen.message("'" + path + "' is truncated: its last frame is cut off", true);
    if (!t.formatNotice.empty())
        screen.message(t.formatNotice, true);
}

// Without a screen (output to a pipe or file), one line per file once it has played.
void reportPlayed(const std::vector<std::string>& files, size_t index, const Track& t, int32_t playedMs,
                  const PlayScreen& screen)
{
    if (screen.active() || verbosity() == Verbosity::quiet)
        return;
    const std::string length
        = t.stream ? formatTime(playedMs) : formatTime(std::min(playedMs, t.totalMs)) + " of " + formatTime(t.totalMs);
    std::printf("played %s  %zu/%zu %s%s%s\n", length.c_str(), index + 1, files.size(), files[index].c_str(),
                t.tagged ? "  " : "", t.tagged ? t.name.c_str() : "");
    std::fflush(stdout);
}

// Appends files[from...end) to the library's queue on a thread of its own until done or destroyed.
class QueueFeeder {
public:
    QueueFeeder(const std::vector<std::string>& files, size_t from, size_t end, int32_t offset)
        : thread_([this, &files, from, end, offset] {
              for (size_t i = from; i < end && !stop_.load(); ++i)
                  OrvaneQueueAppend(files[i].c_str(), offset);
          })
    { }
    ~QueueFeeder()
    {
        stop_.store(true);
        thread_.join();
    }
    QueueFeeder(const QueueFeeder&) = delete;
    QueueFeeder& operator=(const QueueFeeder&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The footer: the live view when it is on, then the file playing (its place in the list and its
// name) over the status line.
std::vector<std::string> footer(const std::vector<std::string>& files, size_t index, const Track& t,
                                const LiveState& live, LiveView& view)
{
    const size_t width = terminalWidth();
    const std::string place
        = files.size() > 1 ? std::to_string(index + 1) + "/" + std::to_string(files.size()) + " " : "";
    PlayStatus s;
    s.paused = live.paused;
    s.nowMs = OrvaneGetCurrentTime();
    s.totalMs = t.totalMs;
    s.muted = live.muted;
    s.volumePercent = percent(live.volume);
    s.pitchCents = live.pitch;
    s.speedPerMille = live.speed;
    s.levels[0] = OrvaneGetLevel(0);
    s.levels[1] = OrvaneGetLevel(1);
    std::vector<std::string> lines;
    if (live.spectrum) {
        static std::vector<float> spectrum(2 * kSpectrumSize);
        const int32_t bins = OrvaneGetSpectrum(spectrum.data());
        // Two rows stay free above the footer for messages.
        const size_t rows = platform::terminalRows();
        lines = view.lines(bins > 0 ? spectrum : std::vector<float>{}, kSpectrumSize, t.channels, t.rate, s.levels,
                           width, rows > 4 ? rows - 4 : 0);
    }
    lines.push_back(fitText(place + t.name, width));
    lines.push_back(statusLine(s, width));
    return lines;
}

// Acts on one key; false when it ends this play (next says where to go).
bool onKey(int key, const Track& track, LiveState& live, Next& next, PlayScreen& screen)
{
    switch (key) {
    case 'q':
    case 'Q':
        next = Next::quit;
        OrvaneStop();
        return false;
    case 'n':
    case 'p':
        next = key == 'n' ? Next::advance : Next::back;
        OrvaneStop();
        return false;
    case ' ':
        live.paused = !live.paused;
        OrvanePause(live.paused ? 1 : 0);
        break;
    case platform::TerminalKeys::kLeft:
    case platform::TerminalKeys::kRight:
        if (track.stream)
            screen.messageOnce("a stream cannot seek: the arrow keys do nothing here");
        OrvaneSeek(key == platform::TerminalKeys::kLeft ? -track.seekFrames : track.seekFrames);
        break;
    case platform::TerminalKeys::kUp:
    case platform::TerminalKeys::kDown:
        live.pitch = std::clamp(live.pitch + (key == platform::TerminalKeys::kUp ? 100L : -100L), kMinPitch, kMaxPitch);
        OrvaneSetPitch(int32_t(live.pitch));
        break;
    case ']':
    case '[':
        live.speed = std::clamp(live.speed + (key == ']' ? 50L : -50L), kMinSpeed, kMaxSpeed);
        OrvaneSetSpeed(int32_t(live.speed));
        break;
    case '+':
    case '=':
    case '-':
        live.volume = std::clamp(percent(live.volume) + (key == '-' ? -kVolumeStepPercent : kVolumeStepPercent), 0L,
                                 kMaxVolume * 100 / kFullScale)
            * kFullScale / 100;
        live.muted = false;
        OrvaneSetVolume(int32_t(live.volume));
        break;
    case 'm':
        live.muted = !live.muted;
        OrvaneSetVolume(live.muted ? 0 : int32_t(live.volume));
        break;
    case 'h':
        screen.print(kKeys);
        break;
    case 's':
        live.spectrum = !live.spectrum;
        break;
    default:
        break;
    }
    return true;
}

// The entries from `from` on that can join one play: files, up to the first stream.
size_t fileRunEnd(const std::vector<std::string>& files, size_t from)
{
    while (from < files.size() && !isStreamName(files[from]))
        ++from;
    return from;
}

// A stream's titles as its audio reaches them: the footer names the latest, and without a
// screen a line says each.
void followTitles(const StreamInput& input, size_t& seen, Track& track, const PlayScreen& screen)
{
    for (const std::string& title : input.titlesSince(seen)) {
        if (title.empty())
            continue;
        track.name = title;
        track.tagged = true;
        if (!screen.active() && verbosity() != Verbosity::quiet)
            std::printf("title: %s\n", title.c_str());
    }
    std::fflush(stdout);
}

// Plays files[index] and, through the same output, each following file of the same format (a
// gapless album joins without a gap or click), until the last ends or a key moves on; index
// follows the file playing. A stream (standard input, a URL) plays alone. The result says where
// to go next, status is the exit status so far (1 on a failure).
Next playFiles(const std::vector<std::string>& files, size_t& index, const PlayOptions& o, long startMs,
               LiveState& live, platform::TerminalKeys& keys, PlayScreen& screen, LiveView& view, int& status)
{
    Track track;
    std::unique_ptr<StreamInput> input;
    std::unique_ptr<StreamHead> head;
    if (isStreamName(files[index])) {
        std::string error;
        if ((input = openStreamInput(files[index], error)) == nullptr) {
            screen.message(error);
            status = 1;
            return Next::advance;
        }
        if (!skipBytes(*input, o.offset)) {
            screen.message(streamLabel(files[index]) + " ends before --offset");
            status = 1;
            return Next::advance;
        }
        head = std::make_unique<StreamHead>(*input);
        track = streamTrack(files[index], *input, o);
    } else if (!readTrack(files[index], o, track, screen, status)) {
        return Next::advance;
    }
    const char* env = std::getenv("ORVANE_OUTPUT");
    const bool wantsDevice = env == nullptr || *env == '\0' || std::strcmp(env, "device") == 0;

    // The next file is queued before the play starts, so even a short file cannot end before it
    // is; the rest follow from a thread of their own, far ahead of the decoder, so a run of
    // short files joins however seldom this thread looks.
    const size_t first = index;
    const size_t end = input ? index + 1 : fileRunEnd(files, index + 1);
    OrvaneQueueNext(index + 1 < end ? files[index + 1].c_str() : nullptr, int32_t(o.offset));
    QueueFeeder feeder(files, index + 2, end, int32_t(o.offset));
    std::unique_ptr<PlaySession> session = input
        ? std::make_unique<PlaySession>(&StreamHead::readCallback, head.get(), *input, false)
        : std::make_unique<PlaySession>(files[index], int32_t(o.offset), false);
    session->waitStarted(5000);
    if (wantsDevice && !session->finished() && getOutputWaveOut(OrvaneGetDestination()) == TESSOR_OUTPUT_NULL)
        screen.messageOnce("no sound device could be opened; playing silently (-v shows why)");
    // A stream's format and leading tag, read from its first bytes once the play has them.
    bool described = false;
    size_t titlesSeen = 0;
    const auto describe = [&] {
        std::string name;
        if (described || !head->describe(track.rate, track.channels, name))
            return;
        described = true;
        if (o.out48k)
            track.rate = 48000;
        if (!name.empty() && titlesSeen == 0)
            track.name = name, track.tagged = true;
    };
    if (input) {
        describe();
        if (startMs > 0)
            screen.messageOnce("a stream cannot seek: --start is ignored");
    } else {
        if (startMs > 0)
            OrvaneSeek(int32_t(std::lround(startMs / track.msPerFrame)));
        announce(files[index], track, screen);
    }
    Next next = Next::advance;
    bool stopped = false;
    int32_t playedMs = 0;
    while (!session->finished()) {
        const std::vector<int> pressed = screen.active() ? keys.read(100) : std::vector<int>{};
        if (!screen.active())
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (interrupted.load()) {
            next = Next::quit;
            stopped = true;
            OrvaneStop();
        }
        for (const int key : pressed)
            stopped = !onKey(key, track, live, next, screen) || stopped;
        // A play waiting for a stream's next bytes only stops when the stream ends.
        if (stopped && input)
            input->abort();
        if (input) {
            describe();
            followTitles(*input, titlesSeen, track, screen);
        }
        // The play has gone on with the files queued: the ones before have played whole.
        for (const size_t joined = first + size_t(OrvaneGetTrackIndex()); index < joined && joined < end;) {
            reportPlayed(files, index, track, track.totalMs, screen);
            if (!readTrack(files[++index], o, track, screen, status))
                track.name = files[index];
            announce(files[index], track, screen);
        }
        if (session->finished())
            break;  // the read-outs have gone with the play
        playedMs = OrvaneGetCurrentTime();
        if (screen.active())
            screen.draw(footer(files, index, track, live, view));
    }
    const int32_t result = session->wait();
    screen.clear();
    if (input)
        followTitles(*input, titlesSeen, track, screen);
    const std::string streamError = input ? input->error() : std::string();
    if (result == 1)
        reportPlayed(files, index, track, stopped || input ? playedMs : track.totalMs, screen);
    if (!streamError.empty()) {
        screen.message(streamError);
        status = 1;
    } else if (result == -1) {
        screen.message((input ? streamLabel(files[index]) : "'" + files[index] + "'") + " is not MPEG audio");
        status = 1;
    } else if (result == 0) {
        screen.message("no sound output could be opened");
        status = 1;
    }
    return next;
}

int runPlay(const std::vector<std::string>& args)
{
    PlayOptions o;
    if (const int status = parseOptions(args, o))
        return status;
    std::vector<std::string> files;
    std::string error;
    if (!expandPlaylist(o.names, files, error))
        return failure(error);

    OrvaneSetVolume(int32_t(o.volume));
    OrvaneSelectWaveOut(int32_t(o.device));
    OrvaneSetPitch(int32_t(o.pitch));
    OrvaneSetSpeed(int32_t(o.speed));
    OrvaneEnable48k(o.out48k ? 1 : 0);
    OrvaneEnableGapless(o.gapless ? 1 : 0);
    OrvaneSetReplayGain(o.replayGain);
    OrvaneSetHarmonics(o.harmonics);
    OrvaneSetSpectrumSize(kSpectrumSize);
    applyVectorChoice(o.vectors);
    if (!o.eq.empty()) {
        for (int band = 0; band < 32; ++band)
            OrvaneSetEQ(band, 1.0f);
        for (const auto& [band, gain] : o.eq)
            OrvaneSetEQ(int32_t(band), gain);
        OrvaneEnableEQ(1);
    }

    interrupted.store(false);
    std::signal(SIGINT, onInterrupt);
    platform::TerminalKeys keys;
    PlayScreen screen(keys.active() && platform::isTerminal(platform::StandardStream::Out),
                      verbosity() != Verbosity::verbose);
    LiveState live{o.volume, o.pitch, o.speed};
    live.spectrum = o.spectrum;
    LiveView view(platform::terminalUsesUtf8());
    int status = 0;
    for (size_t i = 0; i < files.size();) {
        const Next next = playFiles(files, i, o, i == 0 ? o.startMs : 0, live, keys, screen, view, status);
        if (next == Next::quit)
            break;
        i = next == Next::back ? (i > 0 ? i - 1 : 0) : i + 1;
    }
    std::signal(SIGINT, SIG_DFL);
    return status;
}

}  // namespace

ORVANE_COMMAND("play", kUsage, "play MPEG audio files and playlists", runPlay, printDetails);
