#include "tools/status_line.h"

#include <algorithm>
#include <cmath>

#include "platform/tool/terminal.h"
#include "tools/play_session.h"

namespace {

std::string bar(double fraction, size_t width, char on, char off)
{
    fraction = std::clamp(fraction, 0.0, 1.0);
    const auto filled = size_t(fraction * double(width) + 0.5);
    return std::string(filled, on) + std::string(width - filled, off);
}

// A level meter over 48 dB, so quiet passages still move it.
std::string meter(int32_t peak, size_t width)
{
    const double db = peak > 0 ? 20.0 * std::log10(double(peak) / 32768.0) : -96.0;
    return bar((db + 48.0) / 48.0, width, '|', ' ');
}

std::string signedText(long value)
{
    return (value > 0 ? "+" : "") + std::to_string(value);
}

// Speed as a percentage change: per mille shown to a tenth of a percent when it has one.
std::string speedText(long perMille)
{
    const std::string whole = signedText(perMille / 10);
    return perMille % 10 == 0
        ? whole
        : (perMille < 0 && perMille > -10 ? "-" : "") + whole + "." + std::to_string(std::abs(perMille % 10));
}

size_t columns(const std::string& text)
{
    return size_t(std::count_if(text.begin(), text.end(), [](char c) { return (uint8_t(c) & 0xC0) != 0x80; }));
}

}  // namespace

std::string statusLine(const PlayStatus& s, size_t width)
{
    const size_t room = width > 1 ? width - 1 : 1;
    std::string line = std::string(s.paused ? "paused " : "playing") + " " + formatTime(std::min(s.nowMs, s.totalMs))
        + "/" + formatTime(s.totalMs);
    const std::string settings[]
        = {s.muted ? "muted" : "vol " + std::to_string(s.volumePercent) + "%",
           "pitch " + signedText(s.pitchCents) + " cents", "speed " + speedText(s.speedPerMille) + "%"};
    // Settings first, then meters of 5 to 10 columns, and the bar (8 to 40) in what is left.
    std::string tail;
    for (const std::string& piece : settings)
        if (columns(line) + columns(tail) + 1 + piece.size() <= room)
            tail += " " + piece;
    const size_t rest = room - std::min(room, columns(line) + columns(tail));
    constexpr size_t kMeters = 4 + 2 * 5, kBar = 11;
    const size_t meterWidth
        = rest < kMeters ? 0 : std::min<size_t>(10, (rest - (rest >= kMeters + kBar ? kBar : 0) - 4) / 2);
    if (meterWidth > 0)
        tail += " L" + meter(s.levels[0], meterWidth) + " R" + meter(s.levels[1], meterWidth);
    const size_t left = room - std::min(room, columns(line) + columns(tail));
    if (left >= 11) {
        const double fraction = s.totalMs > 0 ? double(s.nowMs) / s.totalMs : 0.0;
        line += " [" + bar(fraction, std::min<size_t>(40, left - 3), '#', '.') + "]";
    }
    return fitText(line + tail, width);
}

std::string fitText(const std::string& text, size_t width)
{
    const size_t room = width > 1 ? width - 1 : 1;
    if (columns(text) <= room)
        return text;
    // Cut at a character boundary, room - 3 characters in, and mark the cut.
    const size_t keep = room > 3 ? room - 3 : room;
    size_t count = 0, at = 0;
    for (; at < text.size(); ++at)
        if ((uint8_t(text[at]) & 0xC0) != 0x80 && count++ == keep)
            break;
    return text.substr(0, at) + (room > 3 ? "..." : "");
}

size_t terminalWidth()
{
    const size_t columns = platform::terminalColumns();
    return columns > 0 ? columns : 80;
}
