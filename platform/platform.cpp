#include "platform/platform.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

uint32_t tickCount()
{
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(ms);
}

void sleepMs(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void Event::set()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        signalled_ = true;
    }
    cv_.notify_all();
}

void Event::reset()
{
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = false;
}

bool Event::isSet() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return signalled_;
}

bool Event::wait(uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (timeoutMs == kInfinite) {
        cv_.wait(lock, [this] { return signalled_; });
        return true;
    }
    return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return signalled_; });
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool File::open(const char* path, Mode mode)
{
    close();
    if (path == nullptr)
        return false;
    int flags = O_RDONLY;
    if (mode == Mode::Write)
        flags = O_WRONLY | O_CREAT | O_TRUNC;
    else if (mode == Mode::ReadWrite)
        flags = O_RDWR | O_CREAT;
    fd_ = ::open(path, flags | O_CLOEXEC, 0644);
    if (fd_ < 0)
        return false;
    struct stat st {};
    if (fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
        close();
        return false;
    }
    return true;
}

bool File::close()
{
    const bool ok = fd_ < 0 || ::close(fd_) == 0;
    fd_ = -1;
    return ok;
}

int64_t File::read(void* dst, uint64_t bytes)
{
    if (fd_ < 0)
        return -1;
    auto* p = static_cast<char*>(dst);
    uint64_t done = 0;
    while (done < bytes) {
        const ssize_t n = ::read(fd_, p + done, bytes - done);
        if (n < 0 && errno == EINTR)
            continue;  // a signal handler ran; the read itself did not fail
        if (n < 0)
            return done > 0 ? static_cast<int64_t>(done) : -1;
        if (n == 0)
            break;
        done += static_cast<uint64_t>(n);
    }
    return static_cast<int64_t>(done);
}

int64_t File::write(const void* src, uint64_t bytes)
{
    if (fd_ < 0)
        return -1;
    const auto* p = static_cast<const char*>(src);
    uint64_t done = 0;
    while (done < bytes) {
        const ssize_t n = ::write(fd_, p + done, bytes - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return -1;
        done += static_cast<uint64_t>(n);
    }
    return static_cast<int64_t>(done);
}

int64_t File::seek(int64_t offset, Origin origin)
{
    if (fd_ < 0)
        return -1;
    const int whence = origin == Origin::Begin ? SEEK_SET : origin == Origin::Current ? SEEK_CUR : SEEK_END;
    const off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
    return r < 0 ? -1 : static_cast<int64_t>(r);
}

int64_t File::position() const
{
    if (fd_ < 0)
        return -1;
    const off_t r = ::lseek(fd_, 0, SEEK_CUR);
    return r < 0 ? -1 : static_cast<int64_t>(r);
}

int64_t File::size() const
{
    if (fd_ < 0)
        return -1;
    struct stat st {};
    if (fstat(fd_, &st) != 0)
        return -1;
    return static_cast<int64_t>(st.st_size);
}

bool File::flush()
{
    // Writes go straight to the descriptor, so there is nothing buffered to push out.
    return fd_ >= 0;
}

namespace {
std::mutex messageMutex;
MessageHandler messageHandler = nullptr;
void* messageContext = nullptr;
bool messageQuiet = false;
}  // namespace

void messageBox(const char* caption, const char* text)
{
    std::lock_guard<std::mutex> lock(messageMutex);
    if (!messageQuiet)
        std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    if (messageHandler)
        messageHandler(caption, text, messageContext);
}

MessageHandler setMessageHandler(MessageHandler handler, void* context)
{
    std::lock_guard<std::mutex> lock(messageMutex);
    MessageHandler previous = messageHandler;
    messageHandler = handler;
    messageContext = context;
    return previous;
}

void setMessageQuiet(bool quiet)
{
    std::lock_guard<std::mutex> lock(messageMutex);
    messageQuiet = quiet;
}

}  // namespace platform
