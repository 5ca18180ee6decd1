#pragma once

#include <string>
#include <vector>

// Builds the one-line play status from pieces in order of importance: the first always shows
// (cut to fit), each later one only when it still fits the terminal's width.
std::string fitStatusLine(const std::vector<std::string>& pieces, size_t width);

// Columns of the terminal on standard output now (it may have been resized), 80 when unknown.
size_t terminalWidth();
