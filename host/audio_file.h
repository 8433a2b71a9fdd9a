// Audio files through libsndfile: an input read block by block, and an
// output that only appears under its name once it is complete.
#pragma once

#include <sndfile.h>

#include <string>

namespace korvane::host {

class InputFile {
public:
    // Throws Failure(kExitInput): not found, not a file, not audio.
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    int sampleRate() const { return info.samplerate; }
    int channels() const { return info.channels; }
    sf_count_t frames() const { return info.frames; }
    const std::string& path() const { return file; }

    // Interleaved frames at full scale +-1; fewer than asked at the end.
    sf_count_t read(double* interleaved, sf_count_t frames);

private:
    std::string file;
    SF_INFO info{};
    SNDFILE* handle = nullptr;
};

struct OutputFormat {
    int sndfileFormat = 0;
    std::string description;  // "32-bit float WAV"
    bool integer = false;     // clips at full scale
};

// The container from the file name's extension; the sample format from
// `sampleFormat` (float, double, pcm16, pcm24, pcm32) or, when empty, float
// where the container holds it (the amplifier's output is not limited to
// full scale) and 24-bit FLAC. Throws Failure(kExitUsage).
OutputFormat outputFormatFor(const std::string& path, const std::string& sampleFormat);

class OutputFile {
public:
    // Creates a hidden temporary file in the destination's folder, so the
    // final rename is atomic and an error leaves no partial file. Throws
    // Failure(kExitOutput), or Failure(kExitUsage) for a rate or channel
    // count the format cannot hold.
    OutputFile(const std::string& path, const OutputFormat& format, int sampleRate, int channels);
    ~OutputFile();  // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(const float* interleaved, sf_count_t frames);
    void write(const double* interleaved, sf_count_t frames);
    // Closes the file and gives it its name. Throws Failure(kExitOutput).
    void commit();

private:
    void check(sf_count_t written, sf_count_t frames);
    std::string file;
    std::string temporary;
    SNDFILE* handle = nullptr;
};

} // namespace korvane::host
