// The plug-in's exported entry point, compiled into each deliverable with
// KORVANE_DELIVERABLE naming its identity (kBaseDeliverable or
// kVariantDeliverable).
#include <new>

#include "shell/korvane.h"

#ifndef KORVANE_DELIVERABLE
#error "KORVANE_DELIVERABLE must name the deliverable this plug-in is built as"
#endif

#if defined(_WIN32)
#define KORVANE_EXPORT extern "C" __declspec(dllexport)
#else
#define KORVANE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

AudioEffect* createEffectInstance(audioMasterCallback audioMaster)
{
    return new (std::nothrow) CKorvane(audioMaster, korvane::KORVANE_DELIVERABLE);
}

} // namespace

KORVANE_EXPORT AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback audioMaster)
{
    // A host that does not answer the version query is not a VST 2 host.
    if (audioMaster == nullptr || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    // Nothing may cross the boundary as an exception; a failed construction
    // reads as "no instance", which every host understands.
    try {
        AudioEffect* effect = createEffectInstance(audioMaster);
        return effect != nullptr ? effect->getAeffect() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

// Older hosts look for "main". C++ reserves that name, so the entry point
// gets it as a second symbol of the same routine through an assembler label.
#if !defined(_WIN32)
KORVANE_EXPORT AEffect* VSTCALLBACK korvaneMainAlias(audioMasterCallback audioMaster) __asm__("main")
    __attribute__((alias("VSTPluginMain")));
#endif
