#pragma once

#include <algorithm>
#include <cstring>

#include "mp3/stream/tag_text.h"
#include "orvane/mp3.h"

// The exported form of a tag's picture.
inline void fillPictureInfo(const TagPicture& picture, OrvanePictureInfo& info)
{
    info = OrvanePictureInfo{};
    if (!picture.present)
        return;
    info.present = 1;
    info.type = picture.type;
    info.bytes = picture.bytes;
    const std::string mime = tag_text::boundedUtf8(picture.mime, sizeof info.mime - 1);
    std::memcpy(info.mime, mime.data(), mime.size());
}
