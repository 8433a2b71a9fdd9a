#include "host/info.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>

#include "host/plugin.h"

namespace korvane::host {

namespace {

std::string flagNames(int32_t flags)
{
    static constexpr std::pair<int32_t, const char*> kFlags[] = {
        {effFlagsHasEditor, "editor"},
        {effFlagsCanReplacing, "replacing"},
        {effFlagsProgramChunks, "program chunks"},
        {effFlagsIsSynth, "synth"},
        {effFlagsNoSoundInStop, "no sound in stop"},
        {effFlagsCanDoubleReplacing, "double replacing"},
    };
    std::string names;
    int32_t rest = flags;
    for (const auto& [bit, name] : kFlags) {
        if ((flags & bit) != 0) {
            names += (names.empty() ? "" : ", ") + std::string(name);
            rest &= ~bit;
        }
    }
    if (rest != 0) {
        char other[32];
        std::snprintf(other, sizeof other, "other bits 0x%x", static_cast<unsigned>(rest));
        names += (names.empty() ? "" : ", ") + std::string(other);
    }
    return names.empty() ? "none" : names;
}

const char* categoryName(intptr_t category)
{
    static constexpr const char* kNames[] = {"unknown",    "effect",     "instrument", "analysis",
                                             "mastering",  "spatializer", "room effect", "surround",
                                             "restoration", "offline",   "shell",       "generator"};
    return category >= 0 && category < static_cast<intptr_t>(std::size(kNames)) ? kNames[category] : "unknown";
}

std::string padded(const std::string& s, size_t width)
{
    return s + std::string(width > s.size() ? width - s.size() : 0, ' ');
}

std::string plural(int32_t n, const char* word)
{
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

} // namespace

void printInfo(const Plugin& plugin, std::ostream& out)
{
    const AEffect& e = plugin.effect();
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%04x", static_cast<unsigned>(e.flags));

    out << "File           " << plugin.path() << "\n"
        << "Name           " << plugin.effectName() << "\n"
        << "Vendor         " << plugin.vendor() << "\n"
        << "Product        " << plugin.product() << "\n"
        << "Unique id      " << fourCharText(e.uniqueID) << " (" << e.uniqueID << ")\n"
        << "Version        " << e.version << " (vendor version " << plugin.dispatch(effGetVendorVersion)
        << ", VST " << plugin.dispatch(effGetVstVersion) << ")\n"
        << "Category       " << categoryName(plugin.dispatch(effGetPlugCategory)) << "\n"
        << "Flags          " << hex << ": " << flagNames(e.flags) << "\n"
        << "Audio          " << plural(e.numInputs, "input") << ", " << plural(e.numOutputs, "output") << "\n"
        << "Initial delay  " << plural(e.initialDelay, "frame") << "\n";

    // Columns as wide as the longest entry, so the table reads at a glance.
    size_t nameWidth = 4, labelWidth = 4;
    for (int32_t i = 0; i < e.numParams; ++i) {
        nameWidth = std::max(nameWidth, plugin.parameterName(i).size());
        labelWidth = std::max(labelWidth, plugin.parameterLabel(i).size());
    }
    out << "\nParameters (" << e.numParams << ")\n"
        << "  #   " << padded("Name", nameWidth) << "  " << padded("Unit", labelWidth) << "  Value     Display\n";
    for (int32_t i = 0; i < e.numParams; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "  %-3d ", i);
        char value[32];
        std::snprintf(value, sizeof value, "%-8.6f", static_cast<double>(plugin.parameter(i)));
        out << number << padded(plugin.parameterName(i), nameWidth) << "  "
            << padded(plugin.parameterLabel(i), labelWidth) << "  " << value << "  " << plugin.parameterDisplay(i)
            << "\n";
    }

    out << "\nPrograms (" << e.numPrograms << ")\n";
    for (int32_t i = 0; i < e.numPrograms; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "  %-3d ", i);
        out << number << plugin.programName(i) << "\n";
    }
}

} // namespace korvane::host
