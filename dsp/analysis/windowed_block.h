#pragma once

#include "dsp/core/spectrum_frame.h"

// A non-overlapped frame: each feed windows the N samples it is given, with no history.
class WindowedBlock : public SpectrumFrame {
public:
    void feed(const float* in) override;
};
