// What the user reads: results on stdout, notes and warnings on stderr, each
// one line starting with the program's name so it stands out in a script's
// output.
#pragma once

#include <string>

namespace korvane::host {

void note(const std::string& message);
void warning(const std::string& message);
void error(const std::string& message);

// A linear level as "-6.0 dBFS" ("-inf dBFS" for silence).
std::string dbfs(double level);

} // namespace korvane::host
