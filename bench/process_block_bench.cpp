// Real-time factor of processBlock: seconds of audio processed per second
// of CPU, per voicing, sample type, host rate and block length, default
// parameters (cabinet 4 engaged).
//
//   build/default/bench/korvane_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/signal_chain.h"

namespace korvane {
namespace {

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

PreampEngine defaultEngine(double rate, bool cabinet = true)
{
    PreampEngine e;
    setSampleRate(e, static_cast<float>(rate));
    for (uint32_t i = 0; i < kNumParams; ++i)
        setParameter(e, i, kDefaultParams[i]);
    if (!cabinet)
        setParameter(e, kParamCabinet, 0.0f);
    return e;
}

void reportRate(benchmark::State& state, double rate, int32_t block)
{
    state.counters["rt_factor"] = benchmark::Counter(static_cast<double>(block) / rate,
                                                     benchmark::Counter::kIsIterationInvariantRate);
    state.counters["ns_per_frame"] = benchmark::Counter(
        static_cast<double>(block) * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// args: host rate, block length
template <Voicing V, class Sample, bool Cabinet = true>
void BM_ProcessBlock(benchmark::State& state)
{
    const double rate = static_cast<double>(state.range(0));
    const auto block = static_cast<int32_t>(state.range(1));
    PreampEngine e = defaultEngine(rate, Cabinet);
    // One second of input, cycled through block by block.
    const std::vector<Sample> input = diSignal<Sample>(rate, static_cast<size_t>(rate) / block * block);
    std::vector<Sample> output(static_cast<size_t>(block));
    size_t offset = 0;
    for (auto _ : state) {
        processBlock<V>(e, input.data() + offset, output.data(), block);
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
        offset = (offset + static_cast<size_t>(block)) % input.size();
    }
    reportRate(state, rate, block);
}

// Silence after a loud passage: the decaying states must not slow down
// (they would without the 1e-16 offsets, on denormal numbers).
template <Voicing V>
void BM_SilenceAfterSignal(benchmark::State& state)
{
    const double rate = static_cast<double>(state.range(0));
    constexpr int32_t block = 256;
    PreampEngine e = defaultEngine(rate);
    const std::vector<double> loud = diSignal<double>(rate, static_cast<size_t>(rate));
    std::vector<double> output(loud.size());
    processBlock<V>(e, loud.data(), output.data(), static_cast<int32_t>(loud.size()));
    const std::vector<double> silence(static_cast<size_t>(rate) * 20, 0.0);
    // Twenty seconds of tail: long enough for every state to decay far.
    size_t offset = 0;
    for (auto _ : state) {
        processBlock<V>(e, silence.data() + offset, output.data(), block);
        benchmark::DoNotOptimize(output.data());
        offset = (offset + block) % (silence.size() - block);
    }
    reportRate(state, rate, block);
}

// The machine's speed at the time of the run: one add that waits for the
// one before, a fixed two cycles on current x86 cores, so its time tells
// the clock. Shared machines change speed over minutes; a real-time factor
// means most next to this.
void BM_ClockReference(benchmark::State& state)
{
    constexpr int kAdds = 4096;
    double x = 1.0;
    double step = 0.0;
    benchmark::DoNotOptimize(step);
    for (auto _ : state) {
        for (int i = 0; i < kAdds; ++i)
            x = x + step;
        benchmark::DoNotOptimize(x);
    }
    state.counters["ghz_if_2_cycle_add"] = benchmark::Counter(2.0 * kAdds * 1e-9, benchmark::Counter::kIsIterationInvariantRate);
}

void ratesAndBlocks(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"rate", "block"});
    for (int64_t rate : {44100, 48000, 96000, 192000})
        for (int64_t block : {32, 256, 512})
            b->Args({rate, block});
}

BENCHMARK(BM_ClockReference)->Name("clock_reference");
BENCHMARK(BM_ProcessBlock<Voicing::base, float>)->Apply(ratesAndBlocks)->Name("base/float");
BENCHMARK(BM_ProcessBlock<Voicing::base, double>)->Apply(ratesAndBlocks)->Name("base/double");
BENCHMARK(BM_ProcessBlock<Voicing::variant, float>)->Apply(ratesAndBlocks)->Name("variant/float");
BENCHMARK(BM_ProcessBlock<Voicing::variant, double>)->Apply(ratesAndBlocks)->Name("variant/double");
// The chain alone, to tell its own cost for short blocks from the
// cabinet's: at 192 kHz a 32-frame block gives the cabinet only 8 sums.
BENCHMARK(BM_ProcessBlock<Voicing::base, double, false>)->Apply(ratesAndBlocks)->Name("base/double/no-cabinet");
BENCHMARK(BM_SilenceAfterSignal<Voicing::base>)->Arg(44100)->ArgName("rate")->Name("base/silence");
BENCHMARK(BM_SilenceAfterSignal<Voicing::variant>)->Arg(44100)->ArgName("rate")->Name("variant/silence");

} // namespace
} // namespace korvane

BENCHMARK_MAIN();
