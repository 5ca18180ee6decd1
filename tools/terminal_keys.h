#pragma once

#include <termios.h>

#include <vector>

// Puts the terminal into single-key mode for the life of the object and reads keys from it.
class TerminalKeys {
public:
    // Arrow keys arrive as these codes; every other key as its character.
    enum : int { kLeft = 0x101, kRight, kUp, kDown };

    TerminalKeys();
    ~TerminalKeys();
    TerminalKeys(const TerminalKeys&) = delete;
    TerminalKeys& operator=(const TerminalKeys&) = delete;

    bool active() const { return active_; }
    // Waits up to timeoutMs for input, then returns every key that has arrived, in order.
    std::vector<int> read(int timeoutMs);

private:
    termios saved_{};
    bool active_;
};
