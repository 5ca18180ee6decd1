#pragma once

#include <cstdint>

#include "orvane/dsp.h"

// The process-wide vector path, in dspGetVectorPath's numbering (0 plain, 1 SSE, 2 3DNow!, 3 AVX2).
namespace testsig {

// The path the process starts on: the best this CPU has.
inline int32_t bestVectorPath()
{
    return dspVectorPathSupported(3) != 0 ? 3 : 1;
}

// Sets the switches so that path is taken; those that do not decide it stay as at load.
inline void selectVectorPath(int32_t path)
{
    dspEnable3dnow(path == 2 ? 1 : 0);
    dspEnableAvx2(path == 3 || path == 2 || dspVectorPathSupported(3) == 0 ? 1 : 0);
    dspEnableSse(path != 0 ? 1 : 0);
}

// Puts the path in force at its making back when it goes, however the scope ends, so a test that
// switches paths leaves the next test the path it found.
class VectorPathScope {
public:
    VectorPathScope() : saved_(dspGetVectorPath()) { }
    // Switches to path for the scope.
    explicit VectorPathScope(int32_t path) : VectorPathScope() { selectVectorPath(path); }
    ~VectorPathScope() { selectVectorPath(saved_); }
    VectorPathScope(const VectorPathScope&) = delete;
    VectorPathScope& operator=(const VectorPathScope&) = delete;

private:
    int32_t saved_;
};

}  // namespace testsig
