// A VST 2 plug-in loaded the way any host loads one: dlopen, the exported
// entry point (VSTPluginMain, else main) and from then on only the AEffect
// record and its dispatcher.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "shell/vst2.h"

namespace korvane::host {

// What the host callback tells plug-ins. Plug-ins ask for the rate as soon
// as they are created, so set it before load().
struct HostContext {
    double sampleRate = 44100.0;
    int32_t blockSize = 512;
};
HostContext& hostContext();

class Plugin {
public:
    // Throws Failure(kExitPlugin) saying why: not found, not loadable, no
    // entry point, entry returned nothing, not a VST 2 effect.
    static std::unique_ptr<Plugin> load(const std::string& path);
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    AEffect& effect() const { return *aeffect; }
    const std::string& path() const { return file; }

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.0f) const;
    // Texts the plug-in writes on request, cut to what the interface allows.
    std::string text(int32_t opcode, int32_t index = 0) const;

    std::string effectName() const;
    std::string vendor() const;
    std::string product() const;
    std::string parameterName(int32_t index) const;
    std::string parameterLabel(int32_t index) const;
    std::string parameterDisplay(int32_t index) const;
    std::string programName(int32_t index) const;
    float parameter(int32_t index) const;
    void setParameter(int32_t index, float value) const;
    // "Korvane (KVN2)" or the file name when the plug-in has no name.
    std::string title() const;

private:
    Plugin(std::string path, void* library, AEffect* effect);
    std::string file;
    void* library;
    AEffect* aeffect;
};

// The unique id as its four characters, dots for unprintable ones.
std::string fourCharText(int32_t id);

} // namespace korvane::host
