#include "host/plugin.h"

#include <dlfcn.h>

#include <cstring>
#include <filesystem>

#include "host/failure.h"

namespace korvane::host {

HostContext& hostContext()
{
    static HostContext context;
    return context;
}

namespace {

// Plug-ins may call back from any of their entry points, including while
// they are being created (effect is null then). Nothing thrown here may
// reach the plug-in, so the callback only reads plain values.
intptr_t VSTCALLBACK hostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) noexcept
{
    const HostContext& context = hostContext();
    switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterGetSampleRate: return static_cast<intptr_t>(context.sampleRate);
    case audioMasterGetBlockSize: return context.blockSize;
    // An offline render: there is no user and no automation to record, so
    // automation and edit gestures are acknowledged and dropped.
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
    case audioMasterIdle: return 0;
    // There is no editor window to resize.
    case audioMasterSizeWindow: return 0;
    case audioMasterCanDo: {
        // 1 yes, -1 no: a plug-in may rely on "startStopProcess" being true.
        const char* what = static_cast<const char*>(ptr);
        return what != nullptr && std::strcmp(what, "startStopProcess") == 0 ? 1 : -1;
    }
    case audioMasterGetVendorString:
    case audioMasterGetProductString:
        if (ptr != nullptr) {
            static constexpr char kName[] = "korvane";
            std::memcpy(ptr, kName, sizeof kName);
            return 1;
        }
        return 0;
    default: return 0;
    }
}

using Entry = AEffect* (*)(audioMasterCallback);

} // namespace

std::unique_ptr<Plugin> Plugin::load(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        throw Failure(kExitPlugin, "plug-in not found: " + path);
    if (std::filesystem::is_directory(path, ec))
        throw Failure(kExitPlugin, "plug-in is a directory, not a library: " + path);

    // dlopen searches the library path for a bare name; a path with a slash
    // loads exactly that file.
    const std::string exact = path.find('/') == std::string::npos ? "./" + path : path;
    void* library = dlopen(exact.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* why = dlerror();
        throw Failure(kExitPlugin, "cannot load plug-in " + path + ": " + (why != nullptr ? why : "unknown error"));
    }
    auto entry = reinterpret_cast<Entry>(dlsym(library, "VSTPluginMain"));
    if (entry == nullptr)
        entry = reinterpret_cast<Entry>(dlsym(library, "main"));
    if (entry == nullptr) {
        dlclose(library);
        throw Failure(kExitPlugin, "not a VST 2 plug-in: " + path + " exports neither VSTPluginMain nor main");
    }
    AEffect* effect = entry(&hostCallback);
    if (effect == nullptr) {
        dlclose(library);
        throw Failure(kExitPlugin, "plug-in " + path + " returned no effect from its entry point");
    }
    if (effect->magic != kEffectMagic || effect->dispatcher == nullptr) {
        // Not knowing what the record is, closing it could do harm; leave
        // the library loaded until exit.
        throw Failure(kExitPlugin, "not a VST 2 plug-in: " + path + " returned a record without the VST magic");
    }
    return std::unique_ptr<Plugin>(new Plugin(path, library, effect));
}

Plugin::Plugin(std::string path, void* lib, AEffect* effect) : file(std::move(path)), library(lib), aeffect(effect) {}

Plugin::~Plugin()
{
    // effClose destroys the effect; its code lives in the library, so the
    // library stays loaded until after it.
    dispatch(effClose);
    dlclose(library);
}

intptr_t Plugin::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) const
{
    return aeffect->dispatcher(aeffect, opcode, index, value, ptr, opt);
}

std::string Plugin::text(int32_t opcode, int32_t index) const
{
    // Far larger than any limit: plug-ins that overrun the interface's
    // lengths are common, and must not overrun our stack.
    char buffer[512] = {};
    dispatch(opcode, index, 0, buffer);
    buffer[sizeof buffer - 1] = '\0';
    return buffer;
}

std::string Plugin::effectName() const { return text(effGetEffectName); }
std::string Plugin::vendor() const { return text(effGetVendorString); }
std::string Plugin::product() const { return text(effGetProductString); }
std::string Plugin::parameterName(int32_t index) const { return text(effGetParamName, index); }
std::string Plugin::parameterLabel(int32_t index) const { return text(effGetParamLabel, index); }
std::string Plugin::parameterDisplay(int32_t index) const { return text(effGetParamDisplay, index); }

std::string Plugin::programName(int32_t index) const
{
    return text(effGetProgramNameIndexed, index);
}

float Plugin::parameter(int32_t index) const
{
    return aeffect->getParameter != nullptr ? aeffect->getParameter(aeffect, index) : 0.0f;
}

void Plugin::setParameter(int32_t index, float value) const
{
    if (aeffect->setParameter != nullptr)
        aeffect->setParameter(aeffect, index, value);
}

std::string Plugin::title() const
{
    std::string name = effectName();
    if (name.empty())
        name = std::filesystem::path(file).filename().string();
    return name + " (" + fourCharText(aeffect->uniqueID) + ")";
}

std::string fourCharText(int32_t id)
{
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<unsigned char>(static_cast<uint32_t>(id) >> shift);
        s += c >= 0x20 && c < 0x7f ? static_cast<char>(c) : '.';
    }
    return s;
}

} // namespace korvane::host
