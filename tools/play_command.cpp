#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "mp3/player/frame_header.h"
#include "mp3/player/stream_reader.h"
#include "orvane/mp3.h"
#include "tools/cli.h"
#include "tools/command.h"
#include "tools/play_session.h"

namespace {

const char* const kUsage =
    "FILE [--offset BYTES] [--volume 0..65536] [--device N] [--pitch CENTS] [--speed PERMILLE] [--48k]"
    " [--harmonics H] [--eq BAND:GAIN ...] [--plain|--sse|--3dnow]";

// The ranges the output holds pitch and speed to.
constexpr long kMinPitch = -1200, kMaxPitch = 1200;
constexpr long kMinSpeed = -750, kMaxSpeed = 7000;
// Twice full scale: louder settings only clip.
constexpr long kMaxVolume = 65536;

void printDetails(FILE* out)
{
    std::fprintf(out, "keys while playing: space pause, arrows left/right seek 5 s, up/down pitch +-100 cents,\n"
                      "+/- speed +-50 per mille, q quit\n");
}

std::atomic<bool> interrupted{false};

void onInterrupt(int)
{
    interrupted.store(true);
}

// Puts the terminal into single-key mode for the life of the object.
class RawTerminal {
public:
    RawTerminal() : active_(isatty(STDIN_FILENO) != 0 && tcgetattr(STDIN_FILENO, &saved_) == 0)
    {
        if (!active_)
            return;
        termios raw = saved_;
        raw.c_lflag &= tcflag_t(~(ICANON | ECHO));
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    }
    ~RawTerminal()
    {
        if (active_)
            tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    }
    bool active() const { return active_; }

    // Waits up to timeoutMs for a key: ' ', 'q', '+', '-', 'L', 'R', 'U', 'D' (the arrows); 0 for none.
    int key(int timeoutMs)
    {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        if (!active_ || poll(&p, 1, timeoutMs) <= 0)
            return 0;
        unsigned char c[8];
        const ssize_t n = read(STDIN_FILENO, c, sizeof c);
        if (n <= 0)
            return 0;
        if (c[0] == 0x1B && n >= 3 && c[1] == '[')
            return c[2] == 'D' ? 'L' : c[2] == 'C' ? 'R' : c[2] == 'A' ? 'U' : c[2] == 'B' ? 'D' : 0;
        if (c[0] == 'q' || c[0] == 'Q')
            return 'q';
        if (c[0] == '+' || c[0] == '=')
            return '+';
        return c[0] == ' ' || c[0] == '-' ? c[0] : 0;
    }

private:
    termios saved_{};
    bool active_;
};

std::string bar(double fraction, int width, char on, char off)
{
    fraction = std::min(std::max(fraction, 0.0), 1.0);
    const int filled = int(fraction * width + 0.5);
    return std::string(size_t(filled), on) + std::string(size_t(width - filled), off);
}

// Level meter over 48 dB, so quiet passages still move it.
std::string meter(int32_t peak)
{
    const double db = peak > 0 ? 20.0 * std::log10(double(peak) / 32768.0) : -96.0;
    return bar((db + 48.0) / 48.0, 16, '|', ' ');
}

struct PlayOptions {
    std::string path;
    long offset = 0;
    long volume = 32768;
    long device = -1;
    long pitch = 0;
    long speed = 0;
    bool out48k = false;
    float harmonics = 0.3f;
    std::vector<std::pair<long, float>> eq;
    VectorChoice vectors = VectorChoice::Best;
};

// 0 when the options are good, otherwise the exit status after a message.
int parseOptions(const std::vector<std::string>& args, PlayOptions& o)
{
    for (ArgReader r(args); !r.done();) {
        bool ok = true;
        if (r.option("--offset")) {
            ok = r.integer(0, 0x7FFFFFFF, "bytes", o.offset);
        } else if (r.option("--volume")) {
            ok = r.integer(0, kMaxVolume, "32768 = full scale", o.volume);
        } else if (r.option("--device")) {
            ok = r.integer(-1, 1 << 16, "-1 = default", o.device);
        } else if (r.option("--pitch")) {
            ok = r.integer(kMinPitch, kMaxPitch, "cents", o.pitch);
        } else if (r.option("--speed")) {
            ok = r.integer(kMinSpeed, kMaxSpeed, "per mille", o.speed);
        } else if (r.option("--48k")) {
            o.out48k = true;
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
            ok = parseInteger(v.substr(0, colon), 0, 31, "--eq band", band) &&
                 parseNumber(v.substr(colon + 1), 0, 4, "--eq gain (linear)", gain);
            o.eq.emplace_back(band, float(gain));
        } else if (r.option("--plain")) {
            o.vectors = VectorChoice::Plain;
        } else if (r.option("--sse")) {
            o.vectors = VectorChoice::Sse;
        } else if (r.option("--3dnow")) {
            o.vectors = VectorChoice::ThreeDNow;
        } else if (r.isOption()) {
            return usageError("unknown option '" + r.current() + "'");
        } else if (o.path.empty()) {
            o.path = r.current();
            r.skip();
        } else {
            return usageError("one FILE only");
        }
        if (!ok)
            return 2;
    }
    return o.path.empty() ? usageError("no FILE given") : 0;
}

int runPlay(const std::vector<std::string>& args)
{
    PlayOptions o;
    if (const int status = parseOptions(args, o))
        return status;

    // Frame duration for 5-second seeks.
    float msPerFrame = 0;
    {
        auto reader = std::make_unique<StreamReader>(o.path.c_str(), uint32_t(o.offset));
        FrameHeader header;
        if (!reader->isOpen())
            return failure("cannot open '" + o.path + "'");
        if (!header.readFrame(*reader, nullptr))
            return failure("'" + o.path + "' is not MPEG audio");
        msPerFrame = header.msPerFrame();
    }
    const int32_t seekFrames = int32_t(std::lround(5000.0 / msPerFrame));
    const int32_t totalMs = OrvaneGetTotalMs(o.path.c_str(), int32_t(o.offset));

    OrvaneSetVolume(int32_t(o.volume));
    OrvaneSelectWaveOut(int32_t(o.device));
    OrvaneSetPitch(int32_t(o.pitch));
    OrvaneSetSpeed(int32_t(o.speed));
    OrvaneEnable48k(o.out48k ? 1 : 0);
    OrvaneSetHarmonics(o.harmonics);
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
    RawTerminal terminal;
    const bool screen = terminal.active() && isatty(STDOUT_FILENO);
    PlaySession session(o.path, int32_t(o.offset), false);
    session.waitStarted(5000);
    bool paused = false;
    int64_t lastPrinted = -1;
    while (!session.finished()) {
        const int key = screen ? terminal.key(100) : 0;
        if (!screen)
            usleep(100 * 1000);
        if (key == 'q' || interrupted.load()) {
            OrvaneStop();
        } else if (key == ' ') {
            paused = !paused;
            OrvanePause(paused ? 1 : 0);
        } else if (key == 'L' || key == 'R') {
            OrvaneSeek(key == 'L' ? -seekFrames : seekFrames);
        } else if (key == 'U' || key == 'D') {
            o.pitch = std::clamp(o.pitch + (key == 'U' ? 100L : -100L), kMinPitch, kMaxPitch);
            OrvaneSetPitch(int32_t(o.pitch));
        } else if (key == '+' || key == '-') {
            o.speed = std::clamp(o.speed + (key == '+' ? 50L : -50L), kMinSpeed, kMaxSpeed);
            OrvaneSetSpeed(int32_t(o.speed));
        }
        const int32_t now = OrvaneGetCurrentTime();
        if (session.finished())
            break;  // the read-outs have gone with the play
        if (screen) {
            std::printf("\r%s %5s / %5s [%s] L %s R %s pitch %+5ld speed %+5ld  ", paused ? "paused " : "playing",
                        formatTime(now).c_str(), formatTime(totalMs).c_str(),
                        bar(totalMs > 0 ? double(now) / totalMs : 0, 24, '#', '.').c_str(),
                        meter(OrvaneGetLevel(0)).c_str(), meter(OrvaneGetLevel(1)).c_str(), o.pitch, o.speed);
            std::fflush(stdout);
        } else if (now / 1000 != lastPrinted) {
            lastPrinted = now / 1000;
            std::printf("%s / %s  level %d %d\n", formatTime(now).c_str(), formatTime(totalMs).c_str(),
                        OrvaneGetLevel(0), OrvaneGetLevel(1));
            std::fflush(stdout);
        }
    }
    const int32_t result = session.wait();
    std::signal(SIGINT, SIG_DFL);
    if (screen)
        std::printf("\n");
    if (result == -1)
        return failure("'" + o.path + "' is not MPEG audio");
    if (result == 0)
        return failure("no sound output could be opened");
    return 0;
}

}  // namespace

ORVANE_COMMAND("play", kUsage, "play an MPEG audio file", runPlay, printDetails);
