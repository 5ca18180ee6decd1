#include "tools/progress.h"

#include <unistd.h>

ProgressBar::ProgressBar(const char* label) : label_(label), terminal_(isatty(STDERR_FILENO) != 0) {}

void ProgressBar::update(uint64_t done, uint64_t total)
{
    const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    const int clamped = percent > 100 ? 100 : percent;
    if (terminal_) {
        if (clamped == lastShown_)
            return;
        constexpr int kWidth = 40;
        const int filled = clamped * kWidth / 100;
        std::fprintf(stderr, "\r%s [", label_);
        for (int i = 0; i < kWidth; ++i)
            std::fputc(i < filled ? '#' : '.', stderr);
        std::fprintf(stderr, "] %3d%%", clamped);
        std::fflush(stderr);
    } else {
        if (clamped / 10 == lastShown_ / 10 && lastShown_ >= 0)
            return;
        std::fprintf(stderr, "%s %d%%\n", label_, clamped);
    }
    lastShown_ = clamped;
}

void ProgressBar::finish()
{
    update(1, 1);
    if (terminal_)
        std::fputc('\n', stderr);
}
