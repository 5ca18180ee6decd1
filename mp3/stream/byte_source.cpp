#include "mp3/stream/byte_source.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// A file read through a window of its bytes: tag and frame scans make many small reads and
// short moves, which the window answers without a system call.
class FileSource : public ByteSource {
public:
    explicit FileSource(const char* path)
    {
        if (path != nullptr)
            file_.open(path, platform::File::Mode::Read);
    }
    bool isOpen() const override { return file_.isOpen(); }
    void close() override
    {
        file_.close();
        window_.clear();
    }
    int64_t read(void* dst, uint64_t bytes) override
    {
        if (!file_.isOpen())
            return -1;
        uint8_t* out = static_cast<uint8_t*>(dst);
        uint64_t done = 0;
        while (done < bytes) {
            if (position_ >= windowStart_ && position_ < windowStart_ + int64_t(windowBytes_)) {
                const size_t at = size_t(position_ - windowStart_);
                const size_t n = size_t(std::min<uint64_t>(bytes - done, windowBytes_ - at));
                std::memcpy(out + done, window_.data() + at, n);
                done += n;
                position_ += int64_t(n);
                continue;
            }
            // Large reads go straight to the caller's buffer.
            const bool direct = bytes - done >= kWindowBytes;
            if (file_.seek(position_, Origin::Begin) != position_)
                return done > 0 ? int64_t(done) : -1;
            if (direct) {
                const int64_t got = file_.read(out + done, bytes - done);
                if (got < 0)
                    return done > 0 ? int64_t(done) : -1;
                done += uint64_t(got);
                position_ += got;
                break;
            }
            if (window_.empty())
                window_.resize(kWindowBytes);
            const int64_t got = file_.read(window_.data(), kWindowBytes);
            if (got < 0)
                return done > 0 ? int64_t(done) : -1;
            windowStart_ = position_;
            windowBytes_ = size_t(got);
            if (got == 0)
                break;
        }
        return int64_t(done);
    }
    int64_t seek(int64_t offset, Origin origin) override
    {
        if (!file_.isOpen())
            return -1;
        const int64_t base = origin == Origin::Begin ? 0 : origin == Origin::Current ? position_ : file_.size();
        if (base < 0 || (offset > 0 && base > INT64_MAX - offset) || base + offset < 0)
            return -1;
        position_ = base + offset;
        return position_;
    }
    int64_t position() const override { return file_.isOpen() ? position_ : -1; }
    int64_t size() const override { return file_.size(); }

private:
    static constexpr size_t kWindowBytes = 4096;
    platform::File file_;
    std::vector<uint8_t> window_;
    int64_t windowStart_ = 0;
    size_t windowBytes_ = 0;
    int64_t position_ = 0;
};

// The target of a seek from origin, or -1 when it falls before the start or overflows.
int64_t seekTarget(int64_t offset, ByteSource::Origin origin, int64_t position, int64_t size)
{
    const int64_t base = origin == ByteSource::Origin::Begin ? 0
        : origin == ByteSource::Origin::Current              ? position
                                                             : size;
    if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0)
        return -1;
    return base + offset;
}

class MemorySource : public ByteSource {
public:
    MemorySource(const void* data, uint64_t bytes)
        : data_(static_cast<const uint8_t*>(data)),
          size_(data != nullptr && bytes <= uint64_t(INT64_MAX) ? int64_t(bytes) : -1)
    { }
    bool isOpen() const override { return size_ >= 0; }
    void close() override { size_ = -1; }
    int64_t read(void* dst, uint64_t bytes) override
    {
        if (size_ < 0)
            return -1;
        const uint64_t n = std::min<uint64_t>(bytes, uint64_t(std::max<int64_t>(size_ - position_, 0)));
        if (n > 0)
            std::memcpy(dst, data_ + position_, n);
        position_ += int64_t(n);
        return int64_t(n);
    }
    int64_t seek(int64_t offset, Origin origin) override
    {
        const int64_t target = size_ < 0 ? -1 : seekTarget(offset, origin, position_, size_);
        if (target >= 0)
            position_ = target;
        return target;
    }
    int64_t position() const override { return size_ < 0 ? -1 : position_; }
    int64_t size() const override { return size_; }

private:
    const uint8_t* data_;
    int64_t size_;
    int64_t position_ = 0;
};

class CallbackSource : public ByteSource {
public:
    CallbackSource(ReadCallback readCallback, SeekCallback seekCallback, void* context)
        : read_(readCallback), seek_(seekCallback), context_(context)
    {
        // The size is asked for once; the position is followed from then on.
        if (read_ == nullptr || seek_ == nullptr)
            return;
        size_ = seek_(context_, 0, 2);
        position_ = size_ >= 0 ? seek_(context_, 0, 0) : -1;
        if (position_ != 0)
            size_ = -1;
    }
    bool isOpen() const override { return size_ >= 0; }
    void close() override { size_ = -1; }
    int64_t read(void* dst, uint64_t bytes) override
    {
        // Another source on the same callbacks (a survey of the stream) may have moved it.
        if (size_ < 0 || seek_(context_, position_, 0) != position_)
            return -1;
        // Pipes and sockets hand over what they have: ask again until the bytes are all here or
        // the source ends, so a short count always means the end.
        uint8_t* out = static_cast<uint8_t*>(dst);
        int64_t done = 0;
        const int64_t want = int64_t(std::min<uint64_t>(bytes, uint64_t(INT64_MAX)));
        while (done < want) {
            const int64_t got = read_(context_, out + done, want - done);
            // A callback claiming more than was asked for is treated as failing.
            if (got < 0 || got > want - done)
                return done > 0 ? done : -1;
            if (got == 0)
                break;
            done += got;
        }
        position_ += done;
        return done;
    }
    int64_t seek(int64_t offset, Origin origin) override
    {
        const int64_t target = size_ < 0 ? -1 : seekTarget(offset, origin, position_, size_);
        if (target < 0 || seek_(context_, target, 0) != target)
            return -1;
        position_ = target;
        return target;
    }
    int64_t position() const override { return size_ < 0 ? -1 : position_; }
    int64_t size() const override { return size_; }

private:
    ReadCallback read_;
    SeekCallback seek_;
    void* context_;
    int64_t size_ = -1;
    int64_t position_ = -1;
};

}  // namespace

std::unique_ptr<ByteSource> openFileSource(const char* path)
{
    return std::make_unique<FileSource>(path);
}

std::unique_ptr<ByteSource> openMemorySource(const void* data, uint64_t bytes)
{
    return std::make_unique<MemorySource>(data, bytes);
}

std::unique_ptr<ByteSource> openCallbackSource(ReadCallback read, SeekCallback seek, void* context)
{
    return std::make_unique<CallbackSource>(read, seek, context);
}
