#include "host/render.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "host/audio_file.h"
#include "host/console.h"
#include "host/failure.h"
#include "host/interrupt.h"
#include "host/our_plugins.h"
#include "host/plugin.h"
#include "host/progress.h"

namespace korvane::host {

namespace {

void process(AEffect& e, float** in, float** out, int32_t frames)
{
    e.processReplacing(&e, in, out, frames);
}

void process(AEffect& e, double** in, double** out, int32_t frames)
{
    e.processDoubleReplacing(&e, in, out, frames);
}

struct Tally {
    double peak = 0.0;
    double energy = 0.0;
    int64_t samples = 0;  // finite ones
    int64_t nonFinite = 0;
    int64_t frames = 0;
    int64_t blocks = 0;
    int64_t cabinetSkipped = 0;
};

template <typename Sample>
void run(const Plugin& plugin, InputFile& in, OutputFile& out, int32_t blockSize, bool ours, Tally& tally)
{
    AEffect& e = plugin.effect();
    const auto block = static_cast<size_t>(blockSize);
    const auto fileChannels = static_cast<size_t>(in.channels());
    const auto inputs = static_cast<size_t>(e.numInputs);
    const auto outputs = static_cast<size_t>(e.numOutputs);
    // A file with one channel per plug-in input goes in as it is; anything
    // else is mixed to mono and fed to every input.
    const bool direct = fileChannels == inputs;

    std::vector<double> read(block * fileChannels);
    std::vector<std::vector<Sample>> inBuffers(inputs, std::vector<Sample>(block));
    std::vector<std::vector<Sample>> outBuffers(outputs, std::vector<Sample>(block));
    std::vector<Sample*> inPointers, outPointers;
    for (auto& b : inBuffers)
        inPointers.push_back(b.data());
    for (auto& b : outBuffers)
        outPointers.push_back(b.data());
    std::vector<Sample> interleaved(block * outputs);

    Progress progress("rendering " + std::filesystem::path(in.path()).filename().string(), in.frames());
    for (;;) {
        if (interrupted())
            throw Failure(kExitInterrupted, "interrupted");
        const auto got = static_cast<size_t>(in.read(read.data(), static_cast<sf_count_t>(block)));
        if (got == 0)
            break;
        for (size_t i = 0; i < got; ++i) {
            const double* frame = &read[i * fileChannels];
            if (direct) {
                for (size_t c = 0; c < inputs; ++c)
                    inBuffers[c][i] = static_cast<Sample>(frame[c]);
            } else {
                double sum = 0.0;
                for (size_t c = 0; c < fileChannels; ++c)
                    sum += frame[c];
                const auto mono = static_cast<Sample>(sum / static_cast<double>(fileChannels));
                for (auto& b : inBuffers)
                    b[i] = mono;
            }
        }
        // The last block is padded with silence rather than shortened: every
        // call has the announced block size, which the cabinet needs at the
        // higher rates, and the padding's output is never written.
        for (auto& b : inBuffers)
            std::fill(b.begin() + static_cast<std::ptrdiff_t>(got), b.end(), Sample(0));
        for (auto& b : outBuffers)
            std::fill(b.begin(), b.end(), Sample(0));

        process(e, inPointers.data(), outPointers.data(), blockSize);
        ++tally.blocks;
        // Read after every block: the status describes the block just run.
        if (ours && e.getParameter(&e, kCabinetSkippedStatus) == 1.0f)
            ++tally.cabinetSkipped;

        for (size_t i = 0; i < got; ++i) {
            for (size_t c = 0; c < outputs; ++c) {
                const Sample y = outBuffers[c][i];
                interleaved[i * outputs + c] = y;
                const double v = static_cast<double>(y);
                if (!std::isfinite(v)) {
                    ++tally.nonFinite;
                    continue;
                }
                tally.peak = std::max(tally.peak, std::fabs(v));
                tally.energy += v * v;
                ++tally.samples;
            }
        }
        out.write(interleaved.data(), static_cast<sf_count_t>(got));
        tally.frames += static_cast<int64_t>(got);
        progress.update(tally.frames);
    }
}

// The plug-in switched on for the render and off again on every way out,
// as hosts do around processing.
class Session {
public:
    Session(const Plugin& p, bool doublePrecision) : plugin(p)
    {
        // 2.4: the precision is announced while the plug-in is off.
        plugin.dispatch(effSetProcessPrecision, 0, doublePrecision ? 1 : 0);
        plugin.dispatch(effMainsChanged, 0, 1);
        plugin.dispatch(effStartProcess);
    }
    ~Session()
    {
        plugin.dispatch(effStopProcess);
        plugin.dispatch(effMainsChanged, 0, 0);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

private:
    const Plugin& plugin;
};

std::string frequencyText(int rate)
{
    return std::to_string(rate) + " Hz";
}

} // namespace

RenderResult render(const std::string& inPath, const std::string& outPath, const RenderOptions& options)
{
    // Everything the command line alone can get wrong is checked before any
    // file or library is opened.
    const OutputFormat format = outputFormatFor(outPath, options.sampleFormat);
    std::vector<Assignment> assignments;
    for (const std::string& s : options.settings)
        assignments.push_back(parseAssignment(s));

    InputFile in(inPath);
    hostContext().sampleRate = in.sampleRate();
    hostContext().blockSize = options.blockSize;
    const auto plugin = Plugin::load(options.plugin);
    AEffect& e = plugin->effect();
    RenderResult result;
    result.plugin = plugin->title();

    if (e.numInputs < 1 || e.numOutputs < 1)
        throw Failure(kExitPlugin, result.plugin + " has " + std::to_string(e.numInputs) + " input(s) and " +
                                       std::to_string(e.numOutputs) + " output(s); it cannot process a file");
    if (options.doublePrecision) {
        if ((e.flags & effFlagsCanDoubleReplacing) == 0 || e.processDoubleReplacing == nullptr)
            throw Failure(kExitUsage, "--double: " + result.plugin + " does not process 64-bit samples");
    } else if ((e.flags & effFlagsCanReplacing) == 0 || e.processReplacing == nullptr) {
        throw Failure(kExitPlugin, result.plugin + " does not offer replacing processing");
    }

    plugin->dispatch(effOpen);
    plugin->dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(in.sampleRate()));
    plugin->dispatch(effSetBlockSize, 0, options.blockSize);
    if (options.program) {
        const int32_t p = *options.program;
        if (p < 0 || p >= e.numPrograms)
            throw Failure(kExitUsage, "--program " + std::to_string(p) + ": " + result.plugin + " has " +
                                          (e.numPrograms > 0 ? "programs 0.." + std::to_string(e.numPrograms - 1)
                                                             : "no programs"));
        plugin->dispatch(effBeginSetProgram);
        plugin->dispatch(effSetProgram, 0, p);
        plugin->dispatch(effEndSetProgram);
        result.program = plugin->programName(p);
    }
    for (const Assignment& a : assignments)
        result.settings.push_back(applyAssignment(*plugin, a));

    const bool ours = isOurPlugin(*plugin);
    if (ours && !amplifiesAt(in.sampleRate()))
        warning(inPath + " is at " + frequencyText(in.sampleRate()) + ", where " + plugin->effectName() +
                " passes audio through unchanged; it amplifies at " + kAmplifiedRates +
                " (resample first, e.g. sox IN -r 48000 OUT)");
    if (in.channels() > 1 && in.channels() != e.numInputs)
        note(inPath + " has " + std::to_string(in.channels()) + " channels; mixed to mono for " + result.plugin +
             (e.numInputs == 1 ? "'s single input" : "'s " + std::to_string(e.numInputs) + " inputs"));

    OutputFile out(outPath, format, in.sampleRate(), e.numOutputs);
    Tally tally;
    {
        Session session(*plugin, options.doublePrecision);
        if (options.doublePrecision)
            run<double>(*plugin, in, out, options.blockSize, ours, tally);
        else
            run<float>(*plugin, in, out, options.blockSize, ours, tally);
    }
    out.commit();

    result.format = format.description;
    result.sampleRate = in.sampleRate();
    result.channels = e.numOutputs;
    result.frames = tally.frames;
    result.peak = tally.peak;
    result.rms = tally.samples > 0 ? std::sqrt(tally.energy / static_cast<double>(tally.samples)) : 0.0;

    if (tally.cabinetSkipped > 0)
        warning("the cabinet was skipped in " + std::to_string(tally.cabinetSkipped) + " of " +
                std::to_string(tally.blocks) + " blocks: at " + frequencyText(in.sampleRate()) +
                " it needs blocks of a multiple of " + std::to_string(cabinetFactor(in.sampleRate())) +
                " frames (--block " + std::to_string(options.blockSize) + " is not)");
    if (tally.nonFinite > 0)
        warning(result.plugin + " produced " + std::to_string(tally.nonFinite) +
                " non-finite samples (NaN or infinity)");
    if (format.integer && tally.peak > 1.0)
        warning(outPath + " clipped: the output peaks at " + dbfs(tally.peak) + " and " + format.description +
                " stops at 0 dBFS; write a float WAV (the default for .wav) or lower " +
                (ours ? "Output Volume" : "the output level"));
    return result;
}

} // namespace korvane::host
