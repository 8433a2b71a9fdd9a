// `korvane info`: everything a host can read from a plug-in without running
// it, as text.
#pragma once

#include <iosfwd>

namespace korvane::host {

class Plugin;

void printInfo(const Plugin& plugin, std::ostream& out);

} // namespace korvane::host
