#include "platform/platform.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string systemErrorText()
{
    return std::generic_category().message(errno);
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        close();
        native_ = other.native_;
        other.native_ = -1;
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
    native_ = ::open(path, flags | O_CLOEXEC, 0644);
    if (native_ < 0)
        return false;
    struct stat st { };
    if (fstat(native_, &st) != 0 || S_ISDIR(st.st_mode)) {
        close();
        return false;
    }
    return true;
}

bool File::close()
{
    const bool ok = native_ < 0 || ::close(native_) == 0;
    native_ = -1;
    return ok;
}

int64_t File::read(void* dst, uint64_t bytes)
{
    if (native_ < 0)
        return -1;
    auto* p = static_cast<char*>(dst);
    uint64_t done = 0;
    while (done < bytes) {
        const ssize_t n = ::read(native_, p + done, bytes - done);
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
    if (native_ < 0)
        return -1;
    const auto* p = static_cast<const char*>(src);
    uint64_t done = 0;
    while (done < bytes) {
        const ssize_t n = ::write(native_, p + done, bytes - done);
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
    if (native_ < 0)
        return -1;
    const int whence = origin == Origin::Begin ? SEEK_SET : origin == Origin::Current ? SEEK_CUR : SEEK_END;
    const off_t r = ::lseek(native_, static_cast<off_t>(offset), whence);
    return r < 0 ? -1 : static_cast<int64_t>(r);
}

int64_t File::position() const
{
    if (native_ < 0)
        return -1;
    const off_t r = ::lseek(native_, 0, SEEK_CUR);
    return r < 0 ? -1 : static_cast<int64_t>(r);
}

int64_t File::size() const
{
    if (native_ < 0)
        return -1;
    struct stat st { };
    if (fstat(native_, &st) != 0)
        return -1;
    return static_cast<int64_t>(st.st_size);
}

bool File::flush()
{
    // Writes go straight to the descriptor, so there is nothing buffered to push out.
    return native_ >= 0;
}

}  // namespace platform
