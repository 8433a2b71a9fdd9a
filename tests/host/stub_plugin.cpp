// Plug-in libraries that misbehave in one chosen way, for the host's error
// paths. STUB_KIND picks the way:
//   1  exports no entry point at all
//   2  has an entry point that returns no effect
//   3  a pass-through effect that raises SIGINT in its third block, as a
//      user's Ctrl-C would arrive in the middle of a render
#include <csignal>
#include <cstring>

#include "shell/vst2.h"

#define STUB_EXPORT extern "C" __attribute__((visibility("default")))

#if STUB_KIND == 1

STUB_EXPORT int korvaneStubNotAnEntryPoint()
{
    return 0;
}

#elif STUB_KIND == 2

STUB_EXPORT AEffect* VSTPluginMain(audioMasterCallback)
{
    return nullptr;
}

#elif STUB_KIND == 3

namespace {

int blocks = 0;

intptr_t dispatch(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float)
{
    if (opcode == effGetEffectName && ptr != nullptr) {
        std::strcpy(static_cast<char*>(ptr), "Interrupting Stub");
        return 1;
    }
    return 0;
}

void processReplacing(AEffect*, float** in, float** out, int32_t frames)
{
    std::memmove(out[0], in[0], sizeof(float) * static_cast<size_t>(frames));
    if (++blocks == 3)
        std::raise(SIGINT);
}

void setParameter(AEffect*, int32_t, float) {}
float getParameter(AEffect*, int32_t) { return 0.0f; }

} // namespace

STUB_EXPORT AEffect* VSTPluginMain(audioMasterCallback)
{
    static AEffect effect{};
    effect.magic = kEffectMagic;
    effect.dispatcher = dispatch;
    effect.setParameter = setParameter;
    effect.getParameter = getParameter;
    effect.processReplacing = processReplacing;
    effect.numInputs = 1;
    effect.numOutputs = 1;
    effect.flags = effFlagsCanReplacing;
    effect.uniqueID = fourCharCode("Stub");
    return &effect;
}

#else
#error "STUB_KIND must be 1, 2 or 3"
#endif
