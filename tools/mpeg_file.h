#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "orvane/mp3.h"
#include "tools/stream_input.h"

// A decode handle on a file whose stream starts offset bytes in, read through the decode
// interface's callbacks, or on a stream read once (no seek). Owns the file or stream and the handle.
class MpegFile {
public:
    MpegFile() = default;
    ~MpegFile();
    MpegFile(const MpegFile&) = delete;
    MpegFile& operator=(const MpegFile&) = delete;

    // Takes the open file (closed when this goes, even on failure); false when it holds no MPEG
    // audio at offset.
    bool open(FILE* file, int64_t offset);
    // Takes the stream, passes offset bytes and opens the handle without a seek; false when no
    // MPEG audio follows.
    bool open(std::unique_ptr<StreamInput> input, int64_t offset);
    OrvaneDecoder* decoder() const { return decoder_; }
    // The stream read once, or null for a file.
    StreamInput* stream() const { return input_.get(); }

private:
    static int64_t read(void* context, void* buffer, int64_t bytes);
    static int64_t seek(void* context, int64_t offset, int32_t whence);

    FILE* file_ = nullptr;
    int64_t offset_ = 0;
    std::unique_ptr<StreamInput> input_;
    OrvaneDecoder* decoder_ = nullptr;
};
