#pragma once

#include <cstdint>
#include <string>

#include "orvane/mp3.h"

// Tag fields as OrvaneGetTagText numbers them.
enum TagField : int32_t { kTagTitle, kTagArtist, kTagAlbum, kTagYear, kTagTrack, kTagGenre, kTagComment };

// The UTF-8 text of one tag field of the file at path (from offset on); "" when no tag has it or
// the file cannot be read. Control characters become spaces, so the text is safe to print.
std::string tagText(const std::string& path, int32_t offset, int32_t field);
// The same for the stream a decode handle reads.
std::string tagText(OrvaneDecoder* decoder, int32_t field);

// "Artist - Title", or whichever of the two there is ("" for neither).
std::string displayName(const std::string& artist, const std::string& title);
