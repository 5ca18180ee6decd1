#include "tools/play_screen.h"

#include <algorithm>
#include <cstdio>

#include "tools/cli.h"

PlayScreen::PlayScreen(bool active, bool muteEngine) : active_(active)
{
    if (muteEngine)
        mute_.emplace();
}

void PlayScreen::message(const std::string& text, bool isNote)
{
    if (isNote && verbosity() == Verbosity::quiet)
        return;
    clear();
    std::fflush(stdout);
    const bool muted = mute_.has_value();
    mute_.reset();
    std::fprintf(stderr, "orvane play: %s\n", text.c_str());
    std::fflush(stderr);
    if (muted)
        mute_.emplace();
}

void PlayScreen::messageOnce(const std::string& text)
{
    if (std::find(said_.begin(), said_.end(), text) != said_.end())
        return;
    said_.push_back(text);
    message(text, true);
}

void PlayScreen::print(const std::string& text)
{
    clear();
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

void PlayScreen::clear()
{
    if (!active_ || shown_ == 0)
        return;
    // Back to the footer's first line, then everything below the cursor erased.
    if (shown_ > 1)
        std::printf("\r\x1b[%zuA\x1b[J", shown_ - 1);
    else
        std::printf("\r\x1b[J");
    shown_ = 0;
    std::fflush(stdout);
}

void PlayScreen::draw(const std::vector<std::string>& lines)
{
    if (!active_)
        return;
    // Each line is overwritten in place and its rest erased, so nothing flickers; a footer that
    // shrank has its old lines below erased. The cursor stays at the end of the last line: a
    // newline there would scroll the screen at its bottom.
    std::string out = "\r";
    if (shown_ > 1)
        out += "\x1b[" + std::to_string(shown_ - 1) + "A";
    for (size_t i = 0; i < lines.size(); ++i)
        out += lines[i] + "\x1b[K" + (i + 1 < lines.size() ? "\r\n" : "");
    if (lines.size() < shown_)
        out += "\x1b[J";
    std::fputs(out.c_str(), stdout);
    std::fflush(stdout);
    shown_ = lines.size();
}
