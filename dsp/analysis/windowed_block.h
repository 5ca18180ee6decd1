#pragma once

#include "dsp/analysis/spectrum_frame.h"

// A non-overlapped frame: each feed windows the N samples it is given, with no history.
class WindowedBlock : public SpectrumFrame {
public:
    void feed(const float* in) override;
};
