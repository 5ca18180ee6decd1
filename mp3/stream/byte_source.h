#pragma once

#include <cstdint>
#include <memory>

#include "platform/platform.h"

// Where a stream reader takes its bytes from: a file, a block of memory or the caller's
// callbacks. Offsets and sizes are bytes; the calls mean what platform::File's do.
class ByteSource {
public:
    using Origin = platform::File::Origin;
    virtual ~ByteSource() = default;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;
    // The bytes read (0 at the end), or -1 on error.
    virtual int64_t read(void* dst, uint64_t bytes) = 0;
    // The new position, or -1 when the target is before the start or the source cannot move.
    virtual int64_t seek(int64_t offset, Origin origin) = 0;
    virtual int64_t position() const = 0;
    // The size in bytes, or -1.
    virtual int64_t size() const = 0;
    // False for a stream read once, front to back (a pipe, a socket): it moves only within the
    // bytes it holds, and its size is not known.
    virtual bool canSeek() const { return true; }
    // Whether a read failed, rather than the stream ending.
    virtual bool failed() const { return false; }
};

// The file at path; not open when it cannot be read.
std::unique_ptr<ByteSource> openFileSource(const char* path);
// bytes bytes at data, which must outlive the source (nothing is copied).
std::unique_ptr<ByteSource> openMemorySource(const void* data, uint64_t bytes);

// Reads up to bytes bytes into buffer: the count read, 0 at the end, -1 on error.
using ReadCallback = int64_t (*)(void* context, void* buffer, int64_t bytes);
// Moves to offset from whence (0 start, 1 current, 2 end): the new position from the start, or -1.
using SeekCallback = int64_t (*)(void* context, int64_t offset, int32_t whence);
// The caller's callbacks; not open when either is null.
std::unique_ptr<ByteSource> openCallbackSource(ReadCallback read, SeekCallback seek, void* context);
