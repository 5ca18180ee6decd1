#pragma once

#include <cstdint>

// The ID3v2 picture types (APIC), by number.
constexpr const char* kPictureTypes[] = {"other",
                                         "file icon",
                                         "other file icon",
                                         "front cover",
                                         "back cover",
                                         "leaflet page",
                                         "media",
                                         "lead artist",
                                         "artist",
                                         "conductor",
                                         "band",
                                         "composer",
                                         "lyricist",
                                         "recording location",
                                         "during recording",
                                         "during performance",
                                         "video screen capture",
                                         "a bright coloured fish",
                                         "illustration",
                                         "band logo",
                                         "publisher logo"};

// The name of picture type n; "other" for numbers outside the table.
inline const char* pictureTypeName(uint32_t n)
{
    return n < sizeof kPictureTypes / sizeof kPictureTypes[0] ? kPictureTypes[n] : kPictureTypes[0];
}
