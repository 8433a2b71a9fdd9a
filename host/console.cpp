#include "host/console.h"

#include <cmath>
#include <cstdio>

namespace korvane::host {

void note(const std::string& message)
{
    std::fflush(stdout);
    std::fprintf(stderr, "korvane: note: %s\n", message.c_str());
}

void warning(const std::string& message)
{
    std::fflush(stdout);
    std::fprintf(stderr, "korvane: warning: %s\n", message.c_str());
}

void error(const std::string& message)
{
    std::fflush(stdout);
    std::fprintf(stderr, "korvane: error: %s\n", message.c_str());
}

std::string dbfs(double level)
{
    if (!(level > 0.0))
        return "-inf dBFS";
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f dBFS", 20.0 * std::log10(level));
    return text;
}

} // namespace korvane::host
