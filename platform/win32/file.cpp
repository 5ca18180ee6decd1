#include "platform/platform.h"
#include "platform/win32/file_handle.h"

#include <system_error>

namespace platform {

namespace {

HANDLE handleOf(intptr_t native)
{
    return reinterpret_cast<HANDLE>(native);
}

// ReadFile and WriteFile move at most 4 GiB - 1 per call.
constexpr uint64_t kMaxChunk = 0x40000000u;

}  // namespace

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        close();
        native_ = other.native_;
        other.native_ = -1;
    }
    return *this;
}

HANDLE openFileHandle(const char* path, File::Mode mode)
{
    if (path == nullptr)
        return INVALID_HANDLE_VALUE;
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    if (mode == File::Mode::Write) {
        access = GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
    } else if (mode == File::Mode::ReadWrite) {
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = OPEN_ALWAYS;
    }
    // Without backup semantics a directory cannot be opened, which is what a file needs.
    return CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string systemErrorText()
{
    return std::system_category().message(int(GetLastError()));
}

bool File::open(const char* path, Mode mode)
{
    close();
    const HANDLE h = openFileHandle(path, mode);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    native_ = reinterpret_cast<intptr_t>(h);
    return true;
}

bool File::close()
{
    const bool ok = native_ == -1 || CloseHandle(handleOf(native_)) != 0;
    native_ = -1;
    return ok;
}

int64_t File::read(void* dst, uint64_t bytes)
{
    if (native_ == -1)
        return -1;
    auto* p = static_cast<char*>(dst);
    uint64_t done = 0;
    while (done < bytes) {
        const DWORD want = static_cast<DWORD>(bytes - done < kMaxChunk ? bytes - done : kMaxChunk);
        DWORD got = 0;
        if (!ReadFile(handleOf(native_), p + done, want, &got, nullptr))
            return done > 0 ? static_cast<int64_t>(done) : -1;
        if (got == 0)
            break;
        done += got;
    }
    return static_cast<int64_t>(done);
}

int64_t File::write(const void* src, uint64_t bytes)
{
    if (native_ == -1)
        return -1;
    const auto* p = static_cast<const char*>(src);
    uint64_t done = 0;
    while (done < bytes) {
        const DWORD want = static_cast<DWORD>(bytes - done < kMaxChunk ? bytes - done : kMaxChunk);
        DWORD put = 0;
        if (!WriteFile(handleOf(native_), p + done, want, &put, nullptr) || put == 0)
            return -1;
        done += put;
    }
    return static_cast<int64_t>(done);
}

int64_t File::seek(int64_t offset, Origin origin)
{
    if (native_ == -1)
        return -1;
    const DWORD method = origin == Origin::Begin ? FILE_BEGIN : origin == Origin::Current ? FILE_CURRENT : FILE_END;
    LONG high = static_cast<LONG>(offset >> 32);
    SetLastError(NO_ERROR);
    const DWORD low = SetFilePointer(handleOf(native_), static_cast<LONG>(offset & 0xFFFFFFFF), &high, method);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return -1;  // includes a target before the start, which leaves the position where it was
    return static_cast<int64_t>((uint64_t(uint32_t(high)) << 32) | low);
}

int64_t File::position() const
{
    if (native_ == -1)
        return -1;
    LONG high = 0;
    SetLastError(NO_ERROR);
    const DWORD low = SetFilePointer(handleOf(native_), 0, &high, FILE_CURRENT);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return -1;
    return static_cast<int64_t>((uint64_t(uint32_t(high)) << 32) | low);
}

int64_t File::size() const
{
    if (native_ == -1)
        return -1;
    DWORD high = 0;
    SetLastError(NO_ERROR);
    const DWORD low = GetFileSize(handleOf(native_), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return -1;
    return static_cast<int64_t>((uint64_t(high) << 32) | low);
}

bool File::flush()
{
    // Writes go straight to the handle, so there is nothing buffered to push out.
    return native_ != -1;
}

}  // namespace platform
