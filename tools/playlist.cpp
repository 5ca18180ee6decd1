#include "tools/playlist.h"

#include <filesystem>
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
        // Entries are relative to the list's folder; the system's path rules say what is absolute.
        const std::filesystem::path folder = std::filesystem::path(name).parent_path();
        const size_t before = files.size();
        for (std::string line; std::getline(list, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.empty() || line[0] == '#')
                continue;
            const std::filesystem::path entry(line);
            files.push_back(entry.is_absolute() || folder.empty() ? line : (folder / entry).string());
        }
        if (files.size() == before)
            return error = "the playlist '" + name + "' names no files", false;
    }
    return true;
}
