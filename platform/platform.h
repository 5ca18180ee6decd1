// The small operating-system layer the libraries stand on: clock, sleep, events,
// interlocked counters, files, shared libraries loaded at run time and the message box. Everything else is portable C++.
// posix/ implements it with the C++ library and POSIX files, win32/ with the Win32 API.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#if !defined(_WIN32)
#include <condition_variable>
#endif

namespace platform {

// Milliseconds from a monotonic clock; wraps like a 32-bit tick counter.
uint32_t tickCount();

void sleepMs(uint32_t ms);

// Manual-reset event: stays signalled until reset.
class Event {
public:
    explicit Event(bool signalled = false);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set();
    void reset();
    bool isSet() const;
    // Waits until signalled or until timeoutMs passes; returns true when signalled.
    bool wait(uint32_t timeoutMs);

    // The value a C caller hands across the libraries' interface as an event: the event HANDLE
    // on Windows, this object elsewhere. The static calls below work on such values; each does
    // nothing (false) for null.
    void* handle();
    // A new manual-reset event, clear, as a handle of its own; null when none can be made.
    static void* createHandle();
    static void destroyHandle(void* handle);
    static void setHandle(void* handle);
    static void resetHandle(void* handle);
    static bool waitHandle(void* handle, uint32_t timeoutMs);

private:
#if defined(_WIN32)
    void* event_;  // manual-reset event HANDLE
#else
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_;
#endif
};

inline constexpr uint32_t kInfinite = 0xFFFFFFFFu;

// The system's words for why the calling thread's last failed file call failed ("No such file
// or directory"); read it straight after the failure.
std::string systemErrorText();

// Interlocked counter: increments and decrements return the new value.
int32_t interlockedIncrement(std::atomic<int32_t>& v);
int32_t interlockedDecrement(std::atomic<int32_t>& v);

// A file opened for reading or writing. All sizes and offsets are bytes.
class File {
public:
    enum class Mode { Read, Write, ReadWrite };
    enum class Origin { Begin, Current, End };

    File() = default;
    ~File() { close(); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept : native_(other.native_) { other.native_ = -1; }
    File& operator=(File&& other) noexcept;

    bool open(const char* path, Mode mode);
    bool isOpen() const { return native_ != -1; }
    // False when the system reports an error on close (a write it had deferred failed).
    bool close();
    // Returns the bytes read (0 at the end of the file), or -1 on error.
    int64_t read(void* dst, uint64_t bytes);
    // Returns the bytes written, or -1 on error.
    int64_t write(const void* src, uint64_t bytes);
    // Returns the new position, or -1 when the target is before the start or the call fails.
    int64_t seek(int64_t offset, Origin origin);
    int64_t position() const;
    // Returns the file's size, or -1.
    int64_t size() const;
    bool flush();

private:
    intptr_t native_ = -1;  // descriptor, or file HANDLE on Windows (-1 is invalid for both)
};

#if defined(_WIN32)
// A file read and written through winmm's multimedia file I/O (mmioRead, mmioWrite, mmioSeek,
// mmioClose over a file opened as File opens it): the system's own access path for RIFF files,
// which the WAV reader and writer use. The calls mean what File's do, except that mmio counts
// in LONG: a seek to, or position at, 2 GiB or beyond gives -1.
class MmioFile {
public:
    using Mode = File::Mode;
    using Origin = File::Origin;

    MmioFile() = default;
    ~MmioFile() { close(); }
    MmioFile(const MmioFile&) = delete;
    MmioFile& operator=(const MmioFile&) = delete;

    bool open(const char* path, Mode mode);
    bool isOpen() const { return mmio_ != nullptr; }
    bool close();
    int64_t read(void* dst, uint64_t bytes);
    int64_t write(const void* src, uint64_t bytes);
    int64_t seek(int64_t offset, Origin origin);
    int64_t position() const;
    int64_t size() const;
    bool flush();

private:
    void* mmio_ = nullptr;    // HMMIO
    void* handle_ = nullptr;  // the file HANDLE under it, closed after mmio lets it go
};
using WaveFile = MmioFile;
#else
using WaveFile = File;
#endif

// Loads a shared library by file name (as the system's loader searches for it), for an outside
// library that only some uses need; it stays loaded for the life of the process. Null when it
// cannot be loaded.
void* loadLibrary(const char* name);
// The address of a function the library exports; null when the library or the function is missing.
void* librarySymbol(void* library, const char* name);

// Reports a failure to the user: caption and text go to standard error and to the installed handler.
void messageBox(const char* caption, const char* text);

using MessageHandler = void (*)(const char* caption, const char* text, void* context);
// Installs a handler that receives every message (null removes it); returns the previous one.
MessageHandler setMessageHandler(MessageHandler handler, void* context);
// When quiet, messages go to the handler only, not to standard error.
void setMessageQuiet(bool quiet);

}  // namespace platform
