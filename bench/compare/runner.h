// One plug-in instance as korvane_compare drives it, whatever its format:
// created for one sample rate and block size, fed one mono block at a time,
// and timed around the plug-in's own process call only, so buffer copies
// and format conversions made by this host stay out of the measurement.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace korvane::compare {

class Runner {
public:
    virtual ~Runner() = default;

    // The name the plug-in gives itself, for the notes under the table.
    virtual std::string pluginName() const = 0;
    // What the plug-in reports as latency in samples at this rate, or -1
    // when it reports nothing. Read after at least one block.
    virtual int latency() const = 0;
    virtual int inputs() const = 0;
    virtual int outputs() const = 0;
    // Anything about this instance worth a line in the verbose output.
    virtual std::string details() const { return {}; }

    // Feeds `frames` samples of `in` to every input, writes the first output
    // to `out`, and returns the nanoseconds spent inside the plug-in.
    virtual int64_t process(const float* in, float* out, int32_t frames) = 0;
};

// A Linux VST 2 library by path, through processReplacing or, with
// `doublePrecision`, processDoubleReplacing. Throws std::runtime_error.
std::unique_ptr<Runner> makeVstRunner(const std::string& path, bool doublePrecision, double rate,
                                      int32_t block, bool verbose);

// An installed LV2 plug-in by URI, every control input at its default
// except those named in `settings` (symbol, value). The LV2 world is loaded
// on the first call and kept for the rest of the program. Throws
// std::runtime_error.
std::unique_ptr<Runner> makeLv2Runner(const std::string& uri, double rate, int32_t block, bool verbose,
                                      const std::vector<std::pair<std::string, float>>& settings);

} // namespace korvane::compare
