// Runs the built `korvane` program as a user would and reads what it
// wrote; loads plug-ins directly to know what it should have written.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace korvane::host_test {

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

struct Audio {
    int sampleRate = 0;
    int channels = 0;
    std::vector<double> samples;  // interleaved
};

// A fresh folder per test: `work` holds the audio files, so a test can check
// that nothing else (no partial or temporary file) was left there.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    Outcome korvane(const std::vector<std::string>& args) const;
    std::string path(const std::string& name) const { return (work / name).string(); }
    // Names of the files in `work`, sorted.
    std::vector<std::string> files() const;

    std::filesystem::path root, work;
};

// A few seconds' worth of guitar-like test signal: decaying partials and a
// little noise, deterministic.
std::vector<double> testSignal(size_t frames, int sampleRate, double peak = 0.3);

// 32-bit float WAV unless `format` says otherwise (a libsndfile format).
void writeAudio(const std::string& path, const Audio& audio, int format = 0);
Audio readAudio(const std::string& path);

// Bit-exact comparison that names the first differing sample.
::testing::AssertionResult sameSamples(const std::vector<double>& actual, const std::vector<double>& expected);

// The plug-in driven directly through its record, the whole signal in one
// processing call, after setting (index, value) pairs.
template <typename Sample>
std::vector<Sample> processDirectly(const std::string& plugin, int sampleRate,
                                    const std::vector<std::pair<int32_t, float>>& settings,
                                    const std::vector<Sample>& input);

} // namespace korvane::host_test
