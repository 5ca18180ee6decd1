#pragma once

#include <cstdint>
#include <cstdio>

// A one-line progress bar on standard error: redrawn in place on a terminal, printed at
// most every 10 % otherwise so that logs stay short.
class ProgressBar {
public:
    explicit ProgressBar(const char* label);
    void update(uint64_t done, uint64_t total);
    void finish();

private:
    const char* label_;
    bool terminal_;
    int lastShown_ = -1;
};
