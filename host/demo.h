// `korvane demo`: the bundled DI clip through both voicings and a handful of
// settings, so a first listen needs no host, no DAW and no guitar.
#pragma once

#include <string>

namespace korvane::host {

// Renders into folder (created if missing) and lists what it wrote on
// stdout. Throws Failure like render().
void runDemo(const std::string& folder, const std::string& clip);

} // namespace korvane::host
