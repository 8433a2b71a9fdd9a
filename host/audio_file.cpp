#include "host/audio_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "host/failure.h"

namespace korvane::host {

namespace fs = std::filesystem;

InputFile::InputFile(const std::string& path) : file(path)
{
    std::error_code ec;
    if (!fs::exists(path, ec))
        throw Failure(kExitInput, "input file not found: " + path);
    if (fs::is_directory(path, ec))
        throw Failure(kExitInput, "input is a directory, not an audio file: " + path);
    handle = sf_open(path.c_str(), SFM_READ, &info);
    if (handle == nullptr)
        throw Failure(kExitInput, "cannot read " + path + ": " + sf_strerror(nullptr));
    if (info.channels < 1 || info.samplerate < 1) {
        sf_close(handle);
        handle = nullptr;
        throw Failure(kExitInput, "cannot read " + path + ": no channels or no sample rate");
    }
}

InputFile::~InputFile()
{
    if (handle != nullptr)
        sf_close(handle);
}

sf_count_t InputFile::read(double* interleaved, sf_count_t frames)
{
    const sf_count_t got = sf_readf_double(handle, interleaved, frames);
    if (got < frames && sf_error(handle) != SF_ERR_NO_ERROR)
        throw Failure(kExitInput, "cannot read " + file + ": " + sf_strerror(handle));
    return got;
}

namespace {

struct Container {
    const char* extensions[3];
    int format;
    const char* name;
    int defaultSubtype;  // 0: the codec decides, no sample format applies
};

const Container kContainers[] = {
    {{"wav"}, SF_FORMAT_WAV, "WAV", SF_FORMAT_FLOAT},
    {{"w64"}, SF_FORMAT_W64, "Wave64", SF_FORMAT_FLOAT},
    {{"rf64"}, SF_FORMAT_RF64, "RF64", SF_FORMAT_FLOAT},
    {{"aif", "aiff", "aifc"}, SF_FORMAT_AIFF, "AIFF", SF_FORMAT_FLOAT},
    {{"caf"}, SF_FORMAT_CAF, "CAF", SF_FORMAT_FLOAT},
    {{"au", "snd"}, SF_FORMAT_AU, "AU", SF_FORMAT_FLOAT},
    // FLAC holds integers only.
    {{"flac"}, SF_FORMAT_FLAC, "FLAC", SF_FORMAT_PCM_24},
    {{"ogg", "oga"}, SF_FORMAT_OGG | SF_FORMAT_VORBIS, "Ogg Vorbis", 0},
};

struct SampleFormat {
    const char* option;
    int subtype;
    const char* name;
    bool integer;
};

const SampleFormat kSampleFormats[] = {
    {"float", SF_FORMAT_FLOAT, "32-bit float", false}, {"double", SF_FORMAT_DOUBLE, "64-bit float", false},
    {"pcm16", SF_FORMAT_PCM_16, "16-bit", true},       {"pcm24", SF_FORMAT_PCM_24, "24-bit", true},
    {"pcm32", SF_FORMAT_PCM_32, "32-bit", true},
};

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

OutputFormat outputFormatFor(const std::string& path, const std::string& sampleFormat)
{
    std::string extension = lower(fs::path(path).extension().string());
    if (!extension.empty())
        extension.erase(0, 1);
    const Container* container = nullptr;
    std::string known;
    for (const Container& c : kContainers) {
        for (const char* e : c.extensions) {
            if (e == nullptr)
                break;
            if (extension == e)
                container = &c;
            known += (known.empty() ? "." : ", .") + std::string(e);
        }
    }
    if (container == nullptr)
        throw Failure(kExitUsage, "cannot tell the output format from \"" + path + "\"; use one of " + known);

    if (container->defaultSubtype == 0) {
        if (!sampleFormat.empty())
            throw Failure(kExitUsage, std::string("--format does not apply to ") + container->name);
        return {container->format, container->name, false};
    }
    const SampleFormat* chosen = nullptr;
    for (const SampleFormat& s : kSampleFormats)
        if (sampleFormat.empty() ? s.subtype == container->defaultSubtype : sampleFormat == s.option)
            chosen = &s;
    if (chosen == nullptr)
        throw Failure(kExitUsage,
                      "unknown --format \"" + sampleFormat + "\"; use float, double, pcm16, pcm24 or pcm32");

    SF_INFO probe{};
    probe.samplerate = 48000;
    probe.channels = 1;
    probe.format = container->format | chosen->subtype;
    if (!sf_format_check(&probe))
        throw Failure(kExitUsage, std::string(container->name) + " cannot hold " + chosen->name + " samples");
    return {probe.format, std::string(chosen->name) + " " + container->name, chosen->integer};
}

OutputFile::OutputFile(const std::string& path, const OutputFormat& format, int sampleRate, int channels)
    : file(path)
{
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = format.sndfileFormat;
    if (!sf_format_check(&info))
        throw Failure(kExitUsage, format.description + " cannot hold " + std::to_string(channels) + " channel(s) at " +
                                      std::to_string(sampleRate) + " Hz");

    const fs::path target(path);
    std::error_code ec;
    if (fs::is_directory(target, ec))
        throw Failure(kExitOutput, "cannot write " + path + ": it is a directory");
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string hidden(".");
    hidden += target.filename().string();
    hidden += ".XXXXXX";
    const std::string pattern = (folder / hidden).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0)
        throw Failure(kExitOutput, "cannot write " + path + ": " + std::strerror(errno));
    temporary = name.data();

    // mkstemp makes the file private; the result should look like any file
    // the user creates.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);

    handle = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    if (handle == nullptr) {
        const std::string why = sf_strerror(nullptr);
        close(fd);
        std::remove(temporary.c_str());
        throw Failure(kExitOutput, "cannot write " + path + ": " + why);
    }
    // Integer formats clip what lies beyond full scale instead of letting
    // it wrap around to the opposite sign.
    if (format.integer)
        sf_command(handle, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

OutputFile::~OutputFile()
{
    if (handle != nullptr) {
        sf_close(handle);
        std::remove(temporary.c_str());
    }
}

void OutputFile::check(sf_count_t written, sf_count_t frames)
{
    if (written != frames)
        throw Failure(kExitOutput, "cannot write " + file + ": " + sf_strerror(handle));
}

void OutputFile::write(const float* interleaved, sf_count_t frames)
{
    check(sf_writef_float(handle, interleaved, frames), frames);
}

void OutputFile::write(const double* interleaved, sf_count_t frames)
{
    check(sf_writef_double(handle, interleaved, frames), frames);
}

void OutputFile::commit()
{
    const int closed = sf_close(handle);
    handle = nullptr;
    if (closed != 0) {
        std::remove(temporary.c_str());
        throw Failure(kExitOutput, "cannot write " + file + ": " + sf_error_number(closed));
    }
    if (std::rename(temporary.c_str(), file.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        std::remove(temporary.c_str());
        throw Failure(kExitOutput, "cannot write " + file + ": " + why);
    }
}

} // namespace korvane::host
