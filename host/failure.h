// How a command ends when it cannot do its job: an exit code the caller can
// act on and one line saying why.
#pragma once

#include <stdexcept>
#include <string>

namespace korvane::host {

enum ExitCode : int {
    kExitOk = 0,
    kExitFailure = 1,     // anything not covered below
    kExitUsage = 2,       // command line: option, parameter name or value
    kExitInput = 3,       // input audio file missing or unreadable
    kExitPlugin = 4,      // plug-in not found or not loadable
    kExitOutput = 5,      // output file cannot be written
    kExitInterrupted = 130,  // SIGINT or SIGTERM, as shells report it
};

struct Failure : std::runtime_error {
    Failure(ExitCode c, const std::string& message) : std::runtime_error(message), code(c) {}
    ExitCode code;
};

} // namespace korvane::host
