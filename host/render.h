// One file through one plug-in, offline: the rate is the file's, blocks are
// fixed-length, settings are applied before the plug-in is switched on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/parameter_setting.h"

namespace korvane::host {

struct RenderOptions {
    std::string plugin;                 // library path
    std::vector<std::string> settings;  // "NAME_OR_INDEX=VALUE", applied in order
    std::optional<int32_t> program;     // selected before the settings
    int32_t blockSize = 512;
    bool doublePrecision = false;       // processDoubleReplacing
    std::string sampleFormat;           // --format; empty for the container's default
};

struct RenderResult {
    std::string plugin;        // "Korvane (KVN2)"
    std::string program;       // name of the selected program, if one was
    std::vector<AppliedSetting> settings;
    std::string format;        // "32-bit float WAV"
    int sampleRate = 0;
    int channels = 0;
    int64_t frames = 0;
    double peak = 0.0;         // over finite output samples
    double rms = 0.0;
};

// Throws Failure with the exit code for what went wrong; OUT then does not
// exist (or is as it was). Warnings and notes go to stderr as they arise.
RenderResult render(const std::string& in, const std::string& out, const RenderOptions& options);

} // namespace korvane::host
