#include "platform/tool/terminal.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace platform {

bool isTerminal(StandardStream stream)
{
    const int fd = stream == StandardStream::In ? STDIN_FILENO
        : stream == StandardStream::Out         ? STDOUT_FILENO
                                                : STDERR_FILENO;
    return isatty(fd) != 0;
}

size_t terminalColumns()
{
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0)
        return size.ws_col;
    return 0;
}

size_t terminalRows()
{
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0)
        return size.ws_row;
    return 0;
}

bool terminalUsesUtf8()
{
    // The first of LC_ALL, LC_CTYPE and LANG that is set names the character set.
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            const std::string text = value;
            return text.find("UTF-8") != std::string::npos || text.find("utf8") != std::string::npos
                || text.find("utf-8") != std::string::npos || text.find("UTF8") != std::string::npos;
        }
    }
    return false;
}

void useBinaryStandardStreams()
{
    // POSIX streams carry bytes unchanged already.
}

struct TerminalKeys::State {
    termios saved;
    int fd;      // where the keys come from
    bool owned;  // fd was opened here (the controlling terminal) and is closed with the object
};

TerminalKeys::TerminalKeys()
{
    // Keys come from standard input; when that carries data (audio in a pipe) but the screen is
    // a terminal, from the controlling terminal.
    int fd = STDIN_FILENO;
    bool owned = false;
    if (isatty(STDIN_FILENO) == 0) {
        if (isatty(STDOUT_FILENO) == 0 || (fd = open("/dev/tty", O_RDONLY | O_CLOEXEC | O_NOCTTY)) < 0)
            return;
        owned = true;
    }
    termios saved{};
    if (tcgetattr(fd, &saved) != 0) {
        if (owned)
            close(fd);
        return;
    }
    state_ = std::make_unique<State>(State{saved, fd, owned});
    termios raw = saved;
    raw.c_lflag &= tcflag_t(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &raw);
}

TerminalKeys::~TerminalKeys()
{
    if (state_ == nullptr)
        return;
    tcsetattr(state_->fd, TCSANOW, &state_->saved);
    if (state_->owned)
        close(state_->fd);
}

std::vector<int> TerminalKeys::read(int timeoutMs)
{
    std::vector<int> keys;
    if (state_ == nullptr)
        return keys;
    pollfd p{state_->fd, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0)
        return keys;
    unsigned char buffer[256];
    const ssize_t n = ::read(state_->fd, buffer, sizeof buffer);
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

MutedStandardError::MutedStandardError()
{
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0)
        return;
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    if (saved_ >= 0 && dup2(null, STDERR_FILENO) < 0) {
        close(saved_);
        saved_ = -1;
    }
    close(null);
}

void MutedStandardError::release()
{
    if (saved_ < 0)
        return;
    std::fflush(stderr);
    dup2(saved_, STDERR_FILENO);
    close(saved_);
    saved_ = -1;
}

}  // namespace platform
