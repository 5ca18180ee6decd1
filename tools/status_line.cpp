#include "tools/status_line.h"

#include <sys/ioctl.h>
#include <unistd.h>

std::string fitStatusLine(const std::vector<std::string>& pieces, size_t width)
{
    // The last column stays empty: writing into it makes some terminals wrap at once.
    const size_t room = width > 1 ? width - 1 : 1;
    std::string line;
    for (const std::string& piece : pieces) {
        if (line.empty()) {
            line = piece.substr(0, room);
            continue;
        }
        if (line.size() + 1 + piece.size() <= room)
            line += ' ' + piece;
    }
    return line;
}

size_t terminalWidth()
{
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}
