#include "host/progress.h"

#include <unistd.h>

#include <cstdio>

namespace korvane::host {

namespace {

// Below this a bar would only flicker.
constexpr auto kDelay = std::chrono::milliseconds(400);
constexpr int kWidth = 30;

} // namespace

Progress::Progress(std::string name, int64_t frames)
    : label(std::move(name)), total(frames), terminal(isatty(STDERR_FILENO) == 1),
      start(std::chrono::steady_clock::now())
{
}

Progress::~Progress()
{
    if (shown)
        std::fprintf(stderr, "\r\033[K");
}

void Progress::update(int64_t done)
{
    if (!terminal || total <= 0)
        return;
    if (!shown && std::chrono::steady_clock::now() - start < kDelay)
        return;
    const int percent = static_cast<int>(done * 100 / total);
    if (percent == lastPercent)
        return;
    lastPercent = percent;
    shown = true;
    const int filled = percent * kWidth / 100;
    std::fprintf(stderr, "\r%s [%.*s%*s] %3d%%", label.c_str(), filled, "##############################",
                 kWidth - filled, "", percent);
    std::fflush(stderr);
}

} // namespace korvane::host
