// Real-time factor of processBlock: seconds of audio processed per second
// of CPU, per voicing, sample type and host rate, 512-frame blocks.
//
//   build/default/bench/korvane_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/signal_chain.h"

namespace korvane {
namespace {

constexpr int32_t kBlock = 512;

// A guitar-like DI signal: a low E with overtones, plucked once a second.
template <class Sample>
std::vector<Sample> diSignal(double rate, size_t frames)
{
    std::vector<Sample> x(frames);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double env = std::exp(-2.0 * std::fmod(t, 1.0));
        x[i] = static_cast<Sample>(0.3 * env *
                                   (std::sin(2 * 3.141592653589793 * 82.41 * t) +
                                    0.5 * std::sin(2 * 3.141592653589793 * 164.8 * t) +
                                    0.25 * std::sin(2 * 3.141592653589793 * 247.2 * t)));
    }
    return x;
}

template <Voicing V, class Sample>
void BM_ProcessBlock(benchmark::State& state)
{
    const double rate = static_cast<double>(state.range(0));
    PreampEngine e;
    setSampleRate(e, static_cast<float>(rate));
    for (uint32_t i = 0; i < kNumParams; ++i)
        setParameter(e, i, kDefaultParams[i]);
    // One second of input, cycled through block by block.
    const std::vector<Sample> input = diSignal<Sample>(rate, static_cast<size_t>(rate) / kBlock * kBlock);
    std::vector<Sample> output(kBlock);
    size_t offset = 0;
    for (auto _ : state) {
        processBlock<V>(e, input.data() + offset, output.data(), kBlock);
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
        offset = (offset + kBlock) % input.size();
    }
    const double audioSeconds = static_cast<double>(kBlock) / rate;
    state.counters["rt_factor"] =
        benchmark::Counter(audioSeconds, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["ns_per_frame"] = benchmark::Counter(static_cast<double>(kBlock) * 1e-9,
                                                        benchmark::Counter::kIsIterationInvariantRate |
                                                            benchmark::Counter::kInvert);
}

void rates(benchmark::internal::Benchmark* b)
{
    for (int64_t rate : {44100, 96000, 192000})
        b->Arg(rate);
    b->ArgName("rate");
}

BENCHMARK(BM_ProcessBlock<Voicing::base, float>)->Apply(rates)->Name("base/float");
BENCHMARK(BM_ProcessBlock<Voicing::base, double>)->Apply(rates)->Name("base/double");
BENCHMARK(BM_ProcessBlock<Voicing::variant, float>)->Apply(rates)->Name("variant/float");
BENCHMARK(BM_ProcessBlock<Voicing::variant, double>)->Apply(rates)->Name("variant/double");

} // namespace
} // namespace korvane

BENCHMARK_MAIN();
