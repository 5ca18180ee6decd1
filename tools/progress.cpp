#include "tools/progress.h"

#include "platform/tool/terminal.h"
#include "tools/cli.h"

ProgressBar::ProgressBar(const char* label)
    : label_(label), shown_(platform::isTerminal(platform::StandardStream::Error) && verbosity() != Verbosity::quiet)
{ }

void ProgressBar::update(uint64_t done, uint64_t total)
{
    const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    const int clamped = percent > 100 ? 100 : percent;
    if (!shown_ || clamped == lastShown_)
        return;
    constexpr int kWidth = 40;
    const int filled = clamped * kWidth / 100;
    std::fprintf(stderr, "\r%s [", label_);
    for (int i = 0; i < kWidth; ++i)
        std::fputc(i < filled ? '#' : '.', stderr);
    std::fprintf(stderr, "] %3d%%", clamped);
    std::fflush(stderr);
    lastShown_ = clamped;
}

void ProgressBar::finish()
{
    if (!shown_ || lastShown_ < 0)
        return;
    update(1, 1);
    std::fputc('\n', stderr);
}
