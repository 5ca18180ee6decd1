#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

// A bounded ring of bytes between one writing thread and one reading thread. The writer waits
// while it is full, the reader while it is empty; either side may end it.
class BytePipe {
public:
    explicit BytePipe(size_t capacity) : ring_(capacity) { }

    // Writes every byte, waiting for room; false (nothing more written) once the pipe is ended.
    bool write(const uint8_t* data, size_t size);
    // Waits for at least one byte; up to size bytes into out: the count, 0 once the writer has
    // finished and everything was read (or at once after abort), -1 when it failed instead.
    int64_t read(uint8_t* out, size_t size);
    // Waits until the pipe holds bytes bytes (at most its capacity), or the writer is done, or
    // the pipe is ended.
    void waitFor(size_t bytes);
    // The writer is done: reads drain what is left, then give 0 (failed: -1).
    void finish(bool failed);
    // Ends the pipe at once from either side: writes refuse, reads give 0, waiters wake.
    void abort();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<uint8_t> ring_;
    size_t start_ = 0;  // first unread byte
    size_t count_ = 0;  // unread bytes
    bool finished_ = false;
    bool failed_ = false;
    bool aborted_ = false;
};
