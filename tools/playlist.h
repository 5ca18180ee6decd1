#pragma once

#include <string>
#include <vector>

// The files to play from the command line's names: a name ending in .m3u or .m3u8 is replaced by
// the entries it lists (a leading byte-order mark, #EXTM3U, #EXTINF and other comment lines
// skipped; relative names taken from the list's folder; URLs kept as they are).
// False with the reason in error when a list cannot be read or names nothing.
bool expandPlaylist(const std::vector<std::string>& names, std::vector<std::string>& files, std::string& error);
