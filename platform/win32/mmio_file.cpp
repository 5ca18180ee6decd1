#include <climits>

#include "platform/platform.h"
#include "platform/win32/file_handle.h"  // brings windows.h, which mmsystem.h needs first

#include <mmsystem.h>

namespace platform {

namespace {

HMMIO mmioOf(void* p)
{
    return static_cast<HMMIO>(p);
}

// mmioRead and mmioWrite move at most LONG_MAX bytes per call.
constexpr uint64_t kMaxChunk = 0x40000000u;

}  // namespace

bool MmioFile::open(const char* path, Mode mode)
{
    close();
    // mmio opens names itself through OpenFile, which takes at most 127 characters and reads
    // "name.ext+element" as a compound file; given a handle it only reads and writes.
    const HANDLE h = openFileHandle(path, mode);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    MMIOINFO info{};
    info.fccIOProc = FOURCC_DOS;
    info.adwInfo[0] = static_cast<DWORD>(reinterpret_cast<uintptr_t>(h));  // kernel handles fit 32 bits
    const DWORD access = mode == Mode::Read ? MMIO_READ : mode == Mode::Write ? MMIO_WRITE : MMIO_READWRITE;
    const HMMIO m = mmioOpenA(nullptr, &info, access | MMIO_DENYNONE);
    if (m == nullptr) {
        CloseHandle(h);
        return false;
    }
    mmio_ = m;
    handle_ = h;
    return true;
}

bool MmioFile::close()
{
    if (mmio_ == nullptr)
        return true;
    // MMIO_FHOPEN leaves the handle open: it is closed here, and its failure reported.
    bool ok = mmioClose(mmioOf(mmio_), MMIO_FHOPEN) == 0;
    ok = CloseHandle(handle_) != 0 && ok;
    mmio_ = nullptr;
    handle_ = nullptr;
    return ok;
}

int64_t MmioFile::read(void* dst, uint64_t bytes)
{
    if (mmio_ == nullptr)
        return -1;
    auto* p = static_cast<char*>(dst);
    uint64_t done = 0;
    while (done < bytes) {
        const LONG want = static_cast<LONG>(bytes - done < kMaxChunk ? bytes - done : kMaxChunk);
        const LONG got = mmioRead(mmioOf(mmio_), p + done, want);
        if (got < 0)
            return done > 0 ? static_cast<int64_t>(done) : -1;
        if (got == 0)
            break;
        done += static_cast<uint64_t>(got);
    }
    return static_cast<int64_t>(done);
}

int64_t MmioFile::write(const void* src, uint64_t bytes)
{
    if (mmio_ == nullptr)
        return -1;
    const auto* p = static_cast<const char*>(src);
    uint64_t done = 0;
    while (done < bytes) {
        const LONG want = static_cast<LONG>(bytes - done < kMaxChunk ? bytes - done : kMaxChunk);
        const LONG put = mmioWrite(mmioOf(mmio_), p + done, want);
        if (put <= 0)
            return -1;
        done += static_cast<uint64_t>(put);
    }
    return static_cast<int64_t>(done);
}

int64_t MmioFile::seek(int64_t offset, Origin origin)
{
    if (mmio_ == nullptr)
        return -1;
    // The target is worked out here so that one before the start fails without moving.
    const int64_t base = origin == Origin::Begin ? 0 : origin == Origin::Current ? position() : size();
    if (base < 0 || offset < -base || offset > LONG_MAX - base)
        return -1;
    const LONG r = mmioSeek(mmioOf(mmio_), static_cast<LONG>(base + offset), SEEK_SET);
    return r < 0 ? -1 : r;
}

int64_t MmioFile::position() const
{
    if (mmio_ == nullptr)
        return -1;
    const LONG r = mmioSeek(mmioOf(mmio_), 0, SEEK_CUR);
    return r < 0 ? -1 : r;
}

int64_t MmioFile::size() const
{
    LARGE_INTEGER size{};
    if (mmio_ == nullptr || !GetFileSizeEx(handle_, &size))
        return -1;
    return size.QuadPart;
}

bool MmioFile::flush()
{
    return mmio_ != nullptr && mmioFlush(mmioOf(mmio_), 0) == 0;
}

}  // namespace platform
