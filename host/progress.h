// A progress bar on stderr for renders long enough to wait for. It shows
// only on a terminal (never in logs or pipes) and only once a render has
// taken a moment, so short files print nothing.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace korvane::host {

class Progress {
public:
    Progress(std::string label, int64_t total);
    ~Progress();  // clears the bar's line
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void update(int64_t done);

private:
    std::string label;
    int64_t total;
    bool terminal;
    bool shown = false;
    int lastPercent = -1;
    std::chrono::steady_clock::time_point start;
};

} // namespace korvane::host
