// `--set NAME_OR_INDEX=VALUE`: which parameter, and which normalised value
// the words on the command line mean for it.
//
// The host knows only what the plug-in tells any host: each parameter's
// name, unit label and display text for a value. A VALUE is read as
//   - a bare number: the normalised value, 0..1;
//   - a number followed by the parameter's unit label ("300Hz", "150 %",
//     "7.5 level"): found by asking the plug-in which value displays it,
//     which needs a display that is a number rising or falling with the
//     value;
//   - any other text: one of the parameter's display texts ("Lead",
//     "Modern British 4x12"), found by reading the display across the range.
// Bare numbers are never taken in the unit, even outside 0..1: "Bass=1"
// could mean either, so the unit must be written out.
#pragma once

#include <cstdint>
#include <string>

namespace korvane::host {

class Plugin;

struct Assignment {
    std::string parameter;  // name or index as written
    std::string value;
    std::string written;    // the whole argument, for messages
};

// Splits at the first '='. Throws Failure(kExitUsage) when either side is
// empty.
Assignment parseAssignment(const std::string& argument);

struct AppliedSetting {
    int32_t index;
    std::string name;
    float value;
    std::string shown;  // display text and label after setting it
};

// Finds the parameter, works out the value and sets it. Throws
// Failure(kExitUsage) for an unknown parameter, a value out of range or a
// text the parameter never displays.
AppliedSetting applyAssignment(const Plugin& plugin, const Assignment& assignment);

} // namespace korvane::host
