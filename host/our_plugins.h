// What the host knows about the two plug-ins built in this tree beyond what
// any VST 2 plug-in tells a host: where the builds are, the rates at which
// the amplifier runs, and the cabinet's block-size status.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace korvane::host {

class Plugin;

enum class Voicing { base, variant };

std::optional<Voicing> voicingNamed(const std::string& name);  // "base" or "variant"

// The build next to this program's build tree if it is there, else the copy
// setup.sh installs into ~/.vst, else the build path (for the error message).
std::string defaultPluginPath(Voicing voicing);

// The DI clip committed with the sources.
std::string demoClipPath();

// By unique id: Korvane (KVN2) and Korvane Blazewound (KVB2).
bool isOurPlugin(const Plugin& plugin);

// At any other rate the amplifier passes audio through unchanged.
bool amplifiesAt(double sampleRate);
constexpr const char* kAmplifiedRates = "44100, 48000, 88200, 96000, 176400 or 192000 Hz";

// The cabinet runs at 44.1/48 kHz; above, blocks must be a multiple of the
// rate's ratio to it, or the plug-in skips the cabinet for that block.
int cabinetFactor(double sampleRate);
// getParameter at this index reads 1 after a block that skipped the cabinet.
inline constexpr int32_t kCabinetSkippedStatus = 50;

} // namespace korvane::host
