// VST 2 through the project's own loader (host/plugin.cpp), set up the way
// a DAW starts an effect before playback.
#include <chrono>
#include <stdexcept>
#include <vector>

#include "bench/compare/runner.h"
#include "host/failure.h"
#include "host/plugin.h"

namespace korvane::compare {

namespace {

constexpr intptr_t kProcessPrecision32 = 0;
constexpr intptr_t kProcessPrecision64 = 1;

template <class Sample>
class VstRunner final : public Runner {
public:
    VstRunner(std::unique_ptr<host::Plugin> loaded, double rate, int32_t block)
        : plugin(std::move(loaded))
    {
        AEffect& e = plugin->effect();
        constexpr bool wide = sizeof(Sample) == sizeof(double);
        if (wide && ((e.flags & effFlagsCanDoubleReplacing) == 0 || e.processDoubleReplacing == nullptr))
            throw std::runtime_error(plugin->path() + " cannot process double precision");
        if (!wide && e.processReplacing == nullptr)
            throw std::runtime_error(plugin->path() + " has no processReplacing");
        if (e.numOutputs < 1)
            throw std::runtime_error(plugin->path() + " has no audio output");

        plugin->dispatch(effOpen);
        plugin->dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
        plugin->dispatch(effSetBlockSize, 0, block);
        plugin->dispatch(effSetProcessPrecision, 0, wide ? kProcessPrecision64 : kProcessPrecision32);
        plugin->dispatch(effMainsChanged, 0, 1);
        plugin->dispatch(effStartProcess);
        running = true;

        inBuffers.assign(static_cast<size_t>(e.numInputs), std::vector<Sample>(static_cast<size_t>(block)));
        outBuffers.assign(static_cast<size_t>(e.numOutputs), std::vector<Sample>(static_cast<size_t>(block)));
        for (auto& b : inBuffers)
            inPointers.push_back(b.data());
        for (auto& b : outBuffers)
            outPointers.push_back(b.data());
    }

    ~VstRunner() override
    {
        if (running) {
            plugin->dispatch(effStopProcess);
            plugin->dispatch(effMainsChanged, 0, 0);
        }
        // The Plugin destructor sends effClose and unloads the library.
    }

    std::string pluginName() const override { return plugin->effectName(); }
    int latency() const override { return plugin->effect().initialDelay; }
    int inputs() const override { return plugin->effect().numInputs; }
    int outputs() const override { return plugin->effect().numOutputs; }

    int64_t process(const float* in, float* out, int32_t frames) override
    {
        // A mono source goes to every input, as a host does when a mono
        // track feeds a stereo effect.
        for (auto& b : inBuffers)
            for (int32_t i = 0; i < frames; ++i)
                b[static_cast<size_t>(i)] = static_cast<Sample>(in[i]);
        AEffect& e = plugin->effect();
        const auto start = std::chrono::steady_clock::now();
        if constexpr (sizeof(Sample) == sizeof(double))
            e.processDoubleReplacing(&e, inPointers.data(), outPointers.data(), frames);
        else
            e.processReplacing(&e, inPointers.data(), outPointers.data(), frames);
        const auto stop = std::chrono::steady_clock::now();
        const Sample* first = outBuffers.front().data();
        for (int32_t i = 0; i < frames; ++i)
            out[i] = static_cast<float>(first[i]);
        return std::chrono::duration_cast<std::chrono::nanoseconds>(stop - start).count();
    }

private:
    std::unique_ptr<host::Plugin> plugin;
    bool running = false;
    std::vector<std::vector<Sample>> inBuffers;
    std::vector<std::vector<Sample>> outBuffers;
    std::vector<Sample*> inPointers;
    std::vector<Sample*> outPointers;
};

} // namespace

std::unique_ptr<Runner> makeVstRunner(const std::string& path, bool doublePrecision, double rate,
                                      int32_t block, bool)
{
    // The plug-in may ask for both while its entry point runs.
    host::hostContext().sampleRate = rate;
    host::hostContext().blockSize = block;
    std::unique_ptr<host::Plugin> plugin;
    try {
        plugin = host::Plugin::load(path);
    } catch (const host::Failure& failure) {
        throw std::runtime_error(failure.what());
    }
    if (doublePrecision)
        return std::make_unique<VstRunner<double>>(std::move(plugin), rate, block);
    return std::make_unique<VstRunner<float>>(std::move(plugin), rate, block);
}

} // namespace korvane::compare
