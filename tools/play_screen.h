#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/tool/terminal.h"

// What orvane play shows on its terminal: a footer of lines (the live view, the file playing,
// the status line) redrawn in place by cursor movement, and messages that scroll above it, so
// no message ever lands inside the status line. The engine's own messages on standard error are
// held back while it plays (the tool says what matters itself), unless -v asks for them.
class PlayScreen {
public:
    // active: standard output is a terminal that shows the footer.
    PlayScreen(bool active, bool muteEngine);
    ~PlayScreen() { clear(); }
    PlayScreen(const PlayScreen&) = delete;
    PlayScreen& operator=(const PlayScreen&) = delete;

    bool active() const { return active_; }
    // "orvane play: text" on standard error, above the footer; a note is dropped under -q.
    void message(const std::string& text, bool isNote = false);
    // The same once per run: later calls with this text say nothing.
    void messageOnce(const std::string& text);
    // Redraws the footer with these lines (each already fitted to the width).
    void draw(const std::vector<std::string>& lines);
    // Lines written to standard output above the footer (the key help).
    void print(const std::string& text);
    // Removes the footer; the cursor stands where it began.
    void clear();

private:
    bool active_;
    size_t shown_ = 0;  // footer lines on the screen
    std::optional<platform::MutedStandardError> mute_;
    std::vector<std::string> said_;
};
