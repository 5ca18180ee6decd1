#pragma once

#include <string>
#include <vector>

// The files to play from the command line's names: a name ending in .m3u or .m3u8 is replaced by
// the files it lists (comment lines skipped, relative names taken from the list's folder).
// False with the reason in error when a list cannot be read or names nothing.
bool expandPlaylist(const std::vector<std::string>& names, std::vector<std::string>& files, std::string& error);
