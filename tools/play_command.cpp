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
#include "tools/command.h"
#include "tools/play_session.h"

namespace {

const char* const kUsage = "FILE [--offset B] [--volume V] [--device N] [--pitch CENTS] [--speed PERMILLE] [--48k] [--harmonics H] [--eq band:gain ...] [--no-gapless]\n"
                           "keys while playing: space pause, arrows left/right seek, up/down pitch +-100 cents, +/- speed +-50 per mille, q quit";

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
    bool gapless = true;
    float harmonics = 0.3f;
    std::vector<std::pair<long, float>> eq;
};

bool parseOptions(const std::vector<std::string>& args, PlayOptions& o)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--offset" && hasValue) {
            if (!parseInt(args[++i], 0, 0x7FFFFFFF, o.offset, "offset"))
                return false;
        } else if (a == "--volume" && hasValue) {
            if (!parseInt(args[++i], 0, 1 << 20, o.volume, "volume"))
                return false;
        } else if (a == "--device" && hasValue) {
            if (!parseInt(args[++i], -1, 1 << 16, o.device, "device"))
                return false;
        } else if (a == "--pitch" && hasValue) {
            if (!parseInt(args[++i], -100000, 100000, o.pitch, "pitch"))
                return false;
        } else if (a == "--speed" && hasValue) {
            if (!parseInt(args[++i], -100000, 100000, o.speed, "speed"))
                return false;
        } else if (a == "--48k") {
            o.out48k = true;
        } else if (a == "--no-gapless") {
            o.gapless = false;
        } else if (a == "--harmonics" && hasValue) {
            if (!parseFloat(args[++i], o.harmonics, "harmonics"))
                return false;
        } else if (a == "--eq" && hasValue) {
            const std::string v = args[++i];
            const size_t colon = v.find(':');
            long band = 0;
            float gain = 0;
            if (colon == std::string::npos || !parseInt(v.substr(0, colon), 0, 31, band, "eq band") ||
                !parseFloat(v.substr(colon + 1), gain, "eq gain"))
                return false;
            o.eq.emplace_back(band, gain);
        } else if (o.path.empty() && a.rfind("--", 0) != 0) {
            o.path = a;
        } else {
            std::fprintf(stderr, "usage: orvane play %s\n", kUsage);
            return false;
        }
    }
    if (o.path.empty()) {
        std::fprintf(stderr, "usage: orvane play %s\n", kUsage);
        return false;
    }
    return true;
}

int runPlay(const std::vector<std::string>& args)
{
    PlayOptions o;
    if (!parseOptions(args, o))
        return 2;

    // Frame duration for 5-second seeks.
    float msPerFrame = 0;
    {
        auto reader = std::make_unique<StreamReader>(o.path.c_str(), uint32_t(o.offset));
        FrameHeader header;
        if (!reader->isOpen() || !header.readFrame(*reader, nullptr)) {
            std::fprintf(stderr, "orvane play: '%s' cannot be opened or is not MPEG audio\n", o.path.c_str());
            return 1;
        }
        msPerFrame = header.msPerFrame();
    }
    const int32_t seekFrames = int32_t(std::lround(5000.0 / msPerFrame));
    const int32_t totalMs = OrvaneGetTotalMs(o.path.c_str(), int32_t(o.offset));

    OrvaneSetVolume(int32_t(o.volume));
    OrvaneSelectWaveOut(int32_t(o.device));
    OrvaneSetPitch(int32_t(o.pitch));
    OrvaneSetSpeed(int32_t(o.speed));
    OrvaneEnable48k(o.out48k ? 1 : 0);
    OrvaneEnableGapless(o.gapless ? 1 : 0);
    OrvaneSetHarmonics(o.harmonics);
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
            o.pitch = std::clamp(o.pitch + (key == 'U' ? 100L : -100L), -1200L, 1200L);
            OrvaneSetPitch(int32_t(o.pitch));
        } else if (key == '+' || key == '-') {
            o.speed = std::clamp(o.speed + (key == '+' ? 50L : -50L), -750L, 7000L);
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
    if (result == -1) {
        std::fprintf(stderr, "orvane play: '%s' is not MPEG audio\n", o.path.c_str());
        return 1;
    }
    if (result == 0) {
        std::fprintf(stderr, "orvane play: the output could not be set up\n");
        return 1;
    }
    return 0;
}

}  // namespace

ORVANE_COMMAND("play", kUsage, "play an MPEG audio file (space pause, left/right seek 5 s, q quit)", runPlay);
