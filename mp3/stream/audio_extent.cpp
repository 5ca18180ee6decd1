#include "mp3/stream/audio_extent.h"

#include <cstdint>
#include <vector>

#include "mp3/stream/end_tags.h"
#include "mp3/stream/id3v2_tag.h"

namespace {

// A leading tag is read for its text only up to this size (cover art makes tags large).
constexpr uint64_t kTextReadLimit = 16u << 20;

}  // namespace

AudioExtent findAudioExtent(ByteSource& file, int64_t startOffset, TagText* text)
{
    AudioExtent extent;
    const int64_t size = file.size();
    // A source read once does not know its size; it stops before its end tags itself.
    const bool bounded = file.canSeek();
    if (bounded && size < 0)
        return extent;
    extent.start = startOffset;
    for (;;) {
        uint8_t head[id3v2::kHeaderBytes];
        if (file.seek(extent.start, ByteSource::Origin::Begin) != extent.start
            || file.read(head, sizeof head) != int64_t(sizeof head))
            break;
        const uint64_t tagBytes = id3v2::tagSize(head, sizeof head);
        if (tagBytes == 0 || (bounded && tagBytes > uint64_t(size - extent.start)))
            break;
        if (text != nullptr && tagBytes <= kTextReadLimit) {
            std::vector<uint8_t> tag(tagBytes);
            if (file.seek(extent.start, ByteSource::Origin::Begin) == extent.start
                && file.read(tag.data(), tag.size()) == int64_t(tag.size()))
                id3v2::readText(tag.data(), tag.size(), *text);
        }
        extent.id3v2 = true;
        extent.start += int64_t(tagBytes);
    }
    if (!bounded) {
        extent.end = INT64_MAX;
        return extent;
    }
    const end_tags::Found end = end_tags::find(file, size, extent.start, text);
    extent.end = end.audioEnd;
    extent.id3v1 = end.id3v1;
    extent.ape = end.ape;
    return extent;
}

bool readTagText(const char* path, int64_t startOffset, TagText& text)
{
    if (path == nullptr || startOffset < 0)
        return false;
    const std::unique_ptr<ByteSource> file = openFileSource(path);
    if (!file->isOpen())
        return false;
    findAudioExtent(*file, startOffset, &text);
    return true;
}
