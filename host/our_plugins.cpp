#include "host/our_plugins.h"

#include <cstdlib>
#include <filesystem>

#include "host/plugin.h"
#include "shell/vst2.h"

namespace korvane::host {

std::optional<Voicing> voicingNamed(const std::string& name)
{
    if (name == "base")
        return Voicing::base;
    if (name == "variant")
        return Voicing::variant;
    return std::nullopt;
}

std::string defaultPluginPath(Voicing voicing)
{
    const char* file = voicing == Voicing::base ? KORVANE_BASE_PLUGIN_FILE : KORVANE_VARIANT_PLUGIN_FILE;
    const std::filesystem::path built = std::filesystem::path(KORVANE_PLUGIN_DIR) / file;
    std::error_code ec;
    if (std::filesystem::exists(built, ec))
        return built.string();
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        const std::filesystem::path installed = std::filesystem::path(home) / ".vst" / file;
        if (std::filesystem::exists(installed, ec))
            return installed.string();
    }
    return built.string();
}

std::string demoClipPath()
{
    return KORVANE_DEMO_CLIP;
}

bool isOurPlugin(const Plugin& plugin)
{
    const int32_t id = plugin.effect().uniqueID;
    return id == fourCharCode("KVN2") || id == fourCharCode("KVB2");
}

bool amplifiesAt(double rate)
{
    return cabinetFactor(rate) != 0;
}

int cabinetFactor(double rate)
{
    if (rate == 44100.0 || rate == 48000.0)
        return 1;
    if (rate == 88200.0 || rate == 96000.0)
        return 2;
    if (rate == 176400.0 || rate == 192000.0)
        return 4;
    return 0;
}

} // namespace korvane::host
