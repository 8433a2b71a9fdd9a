#include "tests/fake_host.h"

namespace korvane::testing {

HostState& host()
{
    static HostState state;
    return state;
}

intptr_t VSTCALLBACK hostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t, void*, float opt)
{
    HostState& h = host();
    switch (opcode) {
    case audioMasterVersion: return h.version;
    case audioMasterGetSampleRate: return h.sampleRate;
    case audioMasterAutomate:
        h.automated.emplace_back(index, opt);
        if (h.onAutomate)
            h.onAutomate(effect, index);
        return 0;
    default: return 0;
    }
}

} // namespace korvane::testing
