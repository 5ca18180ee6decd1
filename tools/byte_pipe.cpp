#include "tools/byte_pipe.h"

#include <algorithm>
#include <cstring>

bool BytePipe::write(const uint8_t* data, size_t size)
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (size > 0) {
        changed_.wait(lock, [this] { return aborted_ || finished_ || count_ < ring_.size(); });
        if (aborted_ || finished_)
            return false;
        // Into the free space after the unread bytes, up to the ring's end.
        const size_t end = (start_ + count_) % ring_.size();
        const size_t n = std::min({size, ring_.size() - count_, ring_.size() - end});
        std::memcpy(ring_.data() + end, data, n);
        count_ += n;
        data += n;
        size -= n;
        changed_.notify_all();
    }
    return true;
}

int64_t BytePipe::read(uint8_t* out, size_t size)
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return aborted_ || finished_ || count_ > 0; });
    if (aborted_)
        return 0;
    if (count_ == 0)
        return failed_ ? -1 : 0;
    size_t done = 0;
    while (done < size && count_ > 0) {
        const size_t n = std::min({size - done, count_, ring_.size() - start_});
        std::memcpy(out + done, ring_.data() + start_, n);
        start_ = (start_ + n) % ring_.size();
        count_ -= n;
        done += n;
    }
    changed_.notify_all();
    return int64_t(done);
}

void BytePipe::waitFor(size_t bytes)
{
    std::unique_lock<std::mutex> lock(mutex_);
    bytes = std::min(bytes, ring_.size());
    changed_.wait(lock, [this, bytes] { return aborted_ || finished_ || count_ >= bytes; });
}

void BytePipe::finish(bool failed)
{
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    failed_ = failed;
    changed_.notify_all();
}

void BytePipe::abort()
{
    std::lock_guard<std::mutex> lock(mutex_);
    aborted_ = true;
    changed_.notify_all();
}
