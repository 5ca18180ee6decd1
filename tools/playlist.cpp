#include "tools/playlist.h"

#include <cctype>
#include <filesystem>
#include <fstream>

namespace {

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// "scheme://...": kept as written, not taken as a name in the list's folder.
bool isUrl(const std::string& text)
{
    const size_t colon = text.find("://");
    if (colon == std::string::npos || colon < 2)
        return false;
    for (size_t i = 0; i < colon; ++i)
        if (!std::isalpha(static_cast<unsigned char>(text[i])) && text[i] != '+' && text[i] != '-' && text[i] != '.')
            return false;
    return true;
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
            // A UTF-8 byte-order mark may open the list (common in .m3u8 files).
            if (files.size() == before && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
                line.erase(0, 3);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            // "#EXTM3U", "#EXTINF:..." and other comments name no file.
            if (line.empty() || line[0] == '#')
                continue;
            const std::filesystem::path entry(line);
            files.push_back(entry.is_absolute() || folder.empty() || isUrl(line) ? line : (folder / entry).string());
        }
        if (files.size() == before)
            return error = "the playlist '" + name + "' names no files", false;
    }
    return true;
}
