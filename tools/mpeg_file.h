#pragma once

#include <cstdint>
#include <cstdio>

#include "orvane/mp3.h"

// A decode handle on a file whose stream starts offset bytes in, read through the decode
// interface's callbacks. Owns the file and the handle.
class MpegFile {
public:
    MpegFile() = default;
    ~MpegFile();
    MpegFile(const MpegFile&) = delete;
    MpegFile& operator=(const MpegFile&) = delete;

    // Takes the open file (closed when this goes, even on failure); false when it holds no MPEG
    // audio at offset.
    bool open(FILE* file, int64_t offset);
    OrvaneDecoder* decoder() const { return decoder_; }

private:
    static int64_t read(void* context, void* buffer, int64_t bytes);
    static int64_t seek(void* context, int64_t offset, int32_t whence);

    FILE* file_ = nullptr;
    int64_t offset_ = 0;
    OrvaneDecoder* decoder_ = nullptr;
};
