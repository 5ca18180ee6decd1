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
#include "tools/live_view.h"
#include "tools/output_devices.h"
#include "tools/play_screen.h"
#include "tools/play_session.h"
#include "tools/playlist.h"
#include "tools/status_line.h"

namespace {

const char* const kUsage
    = "FILE|LIST.m3u... [--start TIME] [--offset BYTES] [--volume 0..65536] [--device N|NAME] [--pitch CENTS]"
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
    double msPerFrame = 0;
    int32_t seekFrames = 0;
    int32_t totalMs = 0;
    uint32_t rate = 0;  // of the output: 48 kHz with --48k
    uint32_t channels = 0;
    bool truncated = false;
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
    t.rate = o.out48k ? 48000 : info.sampleRate;
    t.channels = info.channelMode == 3 ? 1 : 2;
    const std::string title = tagText(path, int32_t(o.offset), kTagTitle);
    const std::string artist = tagText(path, int32_t(o.offset), kTagArtist);
    t.name = title.empty() ? artist : artist.empty() ? title : artist + " - " + title;
    t.tagged = !t.name.empty();
    if (!t.tagged)
        t.name = std::filesystem::path(path).filename().string();
    return true;
}

// A file starts playing: what must be said about it is said above the screen.
void announce(const std::string& path, const Track& t, PlayScreen& screen)
{
    if (t.truncated)
        screen.message("'" + path + "' is truncated: its last frame is cut off", true);
}

// Without a screen (output to a pipe or file), one line per file once it has played.
void reportPlayed(const std::vector<std::string>& files, size_t index, const Track& t, int32_t playedMs,
                  const PlayScreen& screen)
{
    if (screen.active() || verbosity() == Verbosity::quiet)
        return;
    std::printf("played %s of %s  %zu/%zu %s%s%s\n", formatTime(std::min(playedMs, t.totalMs)).c_str(),
                formatTime(t.totalMs).c_str(), index + 1, files.size(), files[index].c_str(), t.tagged ? "  " : "",
                t.tagged ? t.name.c_str() : "");
    std::fflush(stdout);
}

// Appends files[from...] to the library's queue on a thread of its own until done or destroyed.
class QueueFeeder {
public:
    QueueFeeder(const std::vector<std::string>& files, size_t from, int32_t offset)
        : thread_([this, &files, from, offset] {
              for (size_t i = from; i < files.size() && !stop_.load(); ++i)
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

// Plays files[index] and, through the same output, each following file of the same format (a
// gapless album joins without a gap or click), until the last ends or a key moves on; index
// follows the file playing. The result says where to go next, status is the exit status so far
// (1 on a failure).
Next playFiles(const std::vector<std::string>& files, size_t& index, const PlayOptions& o, long startMs,
               LiveState& live, platform::TerminalKeys& keys, PlayScreen& screen, LiveView& view, int& status)
{
    Track track;
    if (!readTrack(files[index], o, track, screen, status))
        return Next::advance;
    const char* env = std::getenv("ORVANE_OUTPUT");
    const bool wantsDevice = env == nullptr || *env == '\0' || std::strcmp(env, "device") == 0;

    // The next file is queued before the play starts, so even a short file cannot end before it
    // is; the rest follow from a thread of their own, far ahead of the decoder, so a run of
    // short files joins however seldom this thread looks.
    const size_t first = index;
    OrvaneQueueNext(index + 1 < files.size() ? files[index + 1].c_str() : nullptr, int32_t(o.offset));
    QueueFeeder feeder(files, index + 2, int32_t(o.offset));
    PlaySession session(files[index], int32_t(o.offset), false);
    session.waitStarted(5000);
    if (wantsDevice && !session.finished() && getOutputWaveOut(OrvaneGetDestination()) == TESSOR_OUTPUT_NULL)
        screen.messageOnce("no sound device could be opened; playing silently (-v shows why)");
    if (startMs > 0)
        OrvaneSeek(int32_t(std::lround(startMs / track.msPerFrame)));
    announce(files[index], track, screen);
    Next next = Next::advance;
    bool stopped = false;
    int32_t playedMs = 0;
    while (!session.finished()) {
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
        // The play has gone on with the files queued: the ones before have played whole.
        for (const size_t joined = first + size_t(OrvaneGetTrackIndex()); index < joined && joined < files.size();) {
            reportPlayed(files, index, track, track.totalMs, screen);
            if (!readTrack(files[++index], o, track, screen, status))
                track.name = files[index];
            announce(files[index], track, screen);
        }
        if (session.finished())
            break;  // the read-outs have gone with the play
        playedMs = OrvaneGetCurrentTime();
        if (screen.active())
            screen.draw(footer(files, index, track, live, view));
    }
    const int32_t result = session.wait();
    screen.clear();
    if (result == 1)
        reportPlayed(files, index, track, stopped ? playedMs : track.totalMs, screen);
    if (result == -1) {
        screen.message("'" + files[index] + "' is not MPEG audio");
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
