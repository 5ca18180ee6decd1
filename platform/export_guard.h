// The one guard every export of a library runs its body through: a refused argument or handle,
// and any exception (out of memory included), end in the export's documented failure value and
// are recorded as the calling thread's last error for that library (code and reason), which the
// library's LastError exports read back. Library is a tag type, one per library, so each keeps a
// record of its own.
#pragma once

#include <cstdint>
#include <cstdio>
#include <exception>
#include <new>
#include <type_traits>

namespace export_guard {

// The error codes the public headers name, the same numbers in every library.
enum Code : int32_t {
    kOk = 0,
    kCannotOpen = 1,
    kNotMpeg = 2,
    kUnsupported = 3,
    kTruncated = 4,
    kOutOfMemory = 5,
    kBadArgument = 6,
    kWrongHandle = 7,
    kFailed = 8,
};

struct LastError {
    int32_t code = kOk;
    char reason[256] = "no error";
    uint64_t serial = 0;  // counts the records
};

template<class Library> LastError& lastError()
{
    thread_local LastError error;
    return error;
}

template<class Library> void record(int32_t code, const char* reason) noexcept
{
    LastError& e = lastError<Library>();
    e.code = code;
    std::snprintf(e.reason, sizeof e.reason, "%s", reason);
    ++e.serial;
}

// Thrown inside a guarded body to refuse the call; the reason is copied, nothing allocated.
struct Refusal {
    Refusal(int32_t c, const char* text) : code(c) { std::snprintf(reason, sizeof reason, "%s", text); }
    int32_t code;
    char reason[256];
};

[[noreturn]] inline void refuse(int32_t code, const char* reason)
{
    throw Refusal(code, reason);
}

// The handle as T, or a refusal with kWrongHandle when it is not one.
template<class T> T* require(T* handle, const char* what)
{
    if (handle == nullptr)
        refuse(kWrongHandle, what);
    return handle;
}

// Records the exception being handled; called only inside a catch block.
template<class Library> void recordCurrent() noexcept
{
    try {
        throw;
    } catch (const Refusal& r) {
        record<Library>(r.code, r.reason);
    } catch (const std::bad_alloc&) {
        record<Library>(kOutOfMemory, "out of memory");
    } catch (const std::exception& e) {
        record<Library>(kFailed, e.what());
    } catch (...) {
        record<Library>(kFailed, "unexpected failure");
    }
}

// A null pointer is always a failure: when the body gave one without saying why, the reason is
// the arguments it refused.
template<class Library, class R, class Body> R run(R failure, Body&& body) noexcept
{
    try {
        const uint64_t before = lastError<Library>().serial;
        R result = body();
        if constexpr (std::is_pointer_v<R>) {
            if (result == nullptr && lastError<Library>().serial == before)
                record<Library>(kBadArgument, "an argument outside what the call's line in the header allows");
        }
        return result;
    } catch (...) {
        recordCurrent<Library>();
    }
    return failure;
}

template<class Library, class Body> void run(Body&& body) noexcept
{
    try {
        body();
    } catch (...) {
        recordCurrent<Library>();
    }
}

}  // namespace export_guard
