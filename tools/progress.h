#pragma once

#include <cstdint>
#include <cstdio>

// A one-line progress bar on standard error, redrawn in place. Shown only when standard error is
// a terminal and -q was not given, so logs and pipes stay clean.
class ProgressBar {
public:
    explicit ProgressBar(const char* label);
    void update(uint64_t done, uint64_t total);
    void finish();

private:
    const char* label_;
    bool shown_;
    int lastShown_ = -1;
};
