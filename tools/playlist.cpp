#include "tools/playlist.h"

#include <fstream>

namespace {

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

bool expandPlaylist(const std::vector<std::string>& names, std::vector<std::string>& files, std::string& error)
{
    for (const std::string& name : names) {
        if (!endsWith(name, ".m3u") && !endsWith(name, ".m3u8")) {
            files.push_back(name);
            continue;
        }
        std::ifstream list(name);
        if (!list)
            return error = "cannot read the playlist '" + name + "'", false;
        const size_t slash = name.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : name.substr(0, slash + 1);
        const size_t before = files.size();
        for (std::string line; std::getline(list, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.empty() || line[0] == '#')
                continue;
            files.push_back(line[0] == '/' ? line : folder + line);
        }
        if (files.size() == before)
            return error = "the playlist '" + name + "' names no files", false;
    }
    return true;
}
