#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "tools/stream_input.h"

// A stream's first bytes, kept as the play reads them, so that once the play has begun its
// format and leading tag can be read from them through a decode handle of their own.
class StreamHead {
public:
    explicit StreamHead(StreamInput& input) : input_(input) { }

    // The library's read callback on a StreamHead context: reads the input, keeping the start.
    static int64_t readCallback(void* context, void* buffer, int64_t bytes);

    // What the bytes kept so far tell: rate and channels of the first frame, and "Artist - Title"
    // from a leading tag ("" without). False (nothing changed) when they hold no frame yet.
    bool describe(uint32_t& rate, uint32_t& channels, std::string& name);

private:
    // Enough for the first frames behind a leading tag with a small picture.
    static constexpr size_t kKeptBytes = 256 * 1024;

    StreamInput& input_;
    std::mutex mutex_;
    std::vector<uint8_t> head_;
};
