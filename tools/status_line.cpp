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

// The UTF-8 character at text[at]: its length in bytes (a stray byte counts as one) and the
// columns a terminal gives it (two for East Asian wide characters, one otherwise).
size_t characterAt(const std::string& text, size_t at, size_t& bytes)
{
    const auto lead = uint8_t(text[at]);
    bytes = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (at + bytes > text.size())
        bytes = 1;
    uint32_t code = bytes == 1 ? lead : lead & (0x7F >> bytes);
    for (size_t k = 1; k < bytes; ++k)
        code = code << 6 | (uint8_t(text[at + k]) & 0x3F);
    const bool wide = (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF)
        || (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF)
        || (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60)
        || (code >= 0xFFE0 && code <= 0xFFE6) || (code >= 0x1F300 && code <= 0x1FAFF)
        || (code >= 0x20000 && code <= 0x3FFFD);
    return wide ? 2 : 1;
}

size_t columns(const std::string& text)
{
    size_t total = 0;
    for (size_t at = 0, bytes = 0; at < text.size(); at += bytes)
        total += characterAt(text, at, bytes);
    return total;
}

}  // namespace

std::string statusLine(const PlayStatus& s, size_t width)
{
    const size_t room = width > 1 ? width - 1 : 1;
    const bool known = s.totalMs >= 0;
    std::string line = std::string(s.paused ? "paused " : "playing") + " "
        + (known ? formatTime(std::min(s.nowMs, s.totalMs)) + "/" + formatTime(s.totalMs) : formatTime(s.nowMs));
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
    if (left >= 11 && known) {
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
    // Cut at a character boundary within room - 3 columns, and mark the cut.
    const size_t keep = room > 3 ? room - 3 : room;
    size_t used = 0, at = 0;
    for (size_t bytes = 0; at < text.size(); at += bytes) {
        const size_t step = characterAt(text, at, bytes);
        if (used + step > keep)
            break;
        used += step;
    }
    return text.substr(0, at) + (room > 3 ? "..." : "");
}

size_t terminalWidth()
{
    const size_t columns = platform::terminalColumns();
    return columns > 0 ? columns : 80;
}
