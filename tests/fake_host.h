// A minimal host callback for tests: answers the version and sample-rate
// queries and records automation, like the hosts the plug-in meets.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "shell/vst2.h"

namespace korvane::testing {

struct HostState {
    intptr_t version = 2400;
    intptr_t sampleRate = 44100;
    std::vector<std::pair<int32_t, float>> automated;
    // Called from inside audioMasterAutomate, as some hosts read the value
    // straight back while the plug-in is still in its own call.
    std::function<void(AEffect*, int32_t)> onAutomate;
};

// The callback reads this process-wide state; tests reset it in SetUp.
HostState& host();
intptr_t VSTCALLBACK hostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                  float opt);

} // namespace korvane::testing
