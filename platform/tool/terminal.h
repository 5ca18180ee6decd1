// The terminal as the command-line tool sees it: which standard streams are terminals, how wide
// the screen is, single keys as they are pressed, and standard error held quiet for a while.
// posix/ implements it with termios and descriptors, win32/ with the console API.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace platform {

enum class StandardStream { In, Out, Error };

// True when the stream is an interactive terminal (a console window on Windows).
bool isTerminal(StandardStream stream);

// Columns of the terminal on standard output now (it may have been resized); 0 when unknown.
size_t terminalColumns();
// Rows of that terminal now; 0 when unknown.
size_t terminalRows();
// True when the terminal shows UTF-8 text (the locale's character set; the console's code page on Windows).
bool terminalUsesUtf8();

// Standard input and output carry bytes unchanged (Windows would otherwise turn "\n" into "\r\n"
// and stop reading at Ctrl-Z). Called once, before either is used.
void useBinaryStandardStreams();

// Puts the terminal into single-key mode for the life of the object and reads keys from it; where
// the console needs it, escape sequences written to standard output are honoured meanwhile.
class TerminalKeys {
public:
    // Arrow keys arrive as these codes; every other key as its character.
    enum : int { kLeft = 0x101, kRight, kUp, kDown };

    TerminalKeys();
    ~TerminalKeys();
    TerminalKeys(const TerminalKeys&) = delete;
    TerminalKeys& operator=(const TerminalKeys&) = delete;

    // False when neither standard input is a terminal nor (POSIX) standard output, with the
    // controlling terminal to read from: read then returns nothing.
    bool active() const { return state_ != nullptr; }
    // Waits up to timeoutMs for input, then returns every key that has arrived, in order.
    std::vector<int> read(int timeoutMs);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Sends standard error to the null device until release (or destruction), then restores it.
class MutedStandardError {
public:
    MutedStandardError();
    ~MutedStandardError() { release(); }
    MutedStandardError(const MutedStandardError&) = delete;
    MutedStandardError& operator=(const MutedStandardError&) = delete;

    void release();

private:
    int saved_ = -1;  // descriptor holding the original standard error while muted
};

}  // namespace platform
