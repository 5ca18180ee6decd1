#pragma once

#include <string>

// Which output a handle sends its samples to.
struct OutputChoice {
    enum class Kind { Device = 0, Null = 1, Capture = 2 };
    Kind kind = Kind::Device;
    std::string capturePath;
    bool fast = false;  // capture without real-time pacing
};

// Parses "device", "null", "capture:PATH" or "capture:PATH,fast". False (choice untouched) for
// anything else, including a capture without a path.
bool parseOutputChoice(const char* text, OutputChoice& choice);
