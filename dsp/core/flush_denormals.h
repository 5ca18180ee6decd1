#pragma once

#include <xmmintrin.h>

// While alive, the SSE unit flushes denormal results and inputs to zero. Recursive filters
// fed silence decay through the denormal range, where each operation costs many times a normal
// one; values that small are far below anything 16-bit output can show. The caller's setting
// is restored on exit.
class FlushDenormals {
public:
    FlushDenormals() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero); }
    ~FlushDenormals() { _mm_setcsr(saved_); }
    FlushDenormals(const FlushDenormals&) = delete;
    FlushDenormals& operator=(const FlushDenormals&) = delete;

private:
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned saved_;
};
