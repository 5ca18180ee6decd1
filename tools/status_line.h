#pragma once

#include <cstdint>
#include <string>

// The play screen's text lines, each fitted to the terminal's width (its last column left empty:
// writing into it makes some terminals wrap at once).

// What the status line shows.
struct PlayStatus {
    bool paused = false;
    int32_t nowMs = 0;
    int32_t totalMs = 0;  // negative when unknown (a stream): the time played alone, no bar
    bool muted = false;
    long volumePercent = 100;
    long pitchCents = 0;
    long speedPerMille = 0;
    int32_t levels[2] = {0, 0};  // peak, 16-bit scale
};

// "playing 0:05/0:10 [####....] vol 100% pitch +0 cents speed +0% L|||| R||||": the time always,
// the position bar, the meters and the settings as wide as the room allows.
std::string statusLine(const PlayStatus& s, size_t width);

// text cut to fit width (UTF-8; East Asian wide characters take two columns), "..." marking a cut.
std::string fitText(const std::string& text, size_t width);

// Columns of the terminal on standard output now (it may have been resized), 80 when unknown.
size_t terminalWidth();
