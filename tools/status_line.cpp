#include "tools/status_line.h"

#include "platform/tool/terminal.h"

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
    const size_t columns = platform::terminalColumns();
    return columns > 0 ? columns : 80;
}
