#include "tools/terminal_keys.h"

#include <poll.h>
#include <unistd.h>

TerminalKeys::TerminalKeys() : active_(isatty(STDIN_FILENO) != 0 && tcgetattr(STDIN_FILENO, &saved_) == 0)
{
    if (!active_)
        return;
    termios raw = saved_;
    raw.c_lflag &= tcflag_t(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
}

TerminalKeys::~TerminalKeys()
{
    if (active_)
        tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
}

std::vector<int> TerminalKeys::read(int timeoutMs)
{
    std::vector<int> keys;
    pollfd p{STDIN_FILENO, POLLIN, 0};
    if (!active_ || poll(&p, 1, timeoutMs) <= 0)
        return keys;
    unsigned char buffer[256];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    for (ssize_t i = 0; i < n; ++i) {
        // An arrow is ESC [ A..D (or ESC O A..D in application mode).
        if (buffer[i] == 0x1B && i + 2 < n && (buffer[i + 1] == '[' || buffer[i + 1] == 'O')) {
            const unsigned char c = buffer[i + 2];
            i += 2;
            if (c >= 'A' && c <= 'D')
                keys.push_back(c == 'A' ? kUp : c == 'B' ? kDown : c == 'C' ? kRight : kLeft);
            continue;
        }
        keys.push_back(buffer[i]);
    }
    return keys;
}
