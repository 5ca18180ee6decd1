#include "tools/stream_head.h"

#include <algorithm>

#include "orvane/mp3.h"
#include "tools/file_tags.h"

int64_t StreamHead::readCallback(void* context, void* buffer, int64_t bytes)
{
    auto* self = static_cast<StreamHead*>(context);
    const int64_t n = self->input_.read(buffer, bytes);
    std::lock_guard<std::mutex> lock(self->mutex_);
    if (n > 0 && self->head_.size() < kKeptBytes) {
        const auto* bytesRead = static_cast<const uint8_t*>(buffer);
        self->head_.insert(self->head_.end(), bytesRead,
                           bytesRead + std::min<size_t>(size_t(n), kKeptBytes - self->head_.size()));
    }
    return n;
}

bool StreamHead::describe(uint32_t& rate, uint32_t& channels, std::string& name)
{
    std::lock_guard<std::mutex> lock(mutex_);
    OrvaneDecoder* decoder = OrvaneDecodeOpenMemory(head_.data(), head_.size());
    OrvaneDecodeFormat format{};
    const bool found = OrvaneDecodeGetFormat(decoder, &format) == 1;
    if (found) {
        rate = format.sampleRate;
        channels = format.channels;
        name = displayName(tagText(decoder, ORVANE_TAG_ARTIST), tagText(decoder, ORVANE_TAG_TITLE));
    }
    OrvaneDecodeClose(decoder);
    return found;
}
