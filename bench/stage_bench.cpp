// Cost of each pass of the chain over one run of host samples, in
// nanoseconds per host sample, to see where a block's time goes.
//
//   build/default/bench/korvane_stage_bench
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <random>

#include "engine/cabinet.h"
#include "engine/cabinet_tables.h"
#include "engine/halfband.h"
#include "engine/preamp_voicing.h"
#include "engine/signal_chain.h"

namespace korvane {
namespace {

constexpr int32_t kRun = 64;

std::array<double, 8 * kRun> noise(double level)
{
    std::array<double, 8 * kRun> x{};
    std::mt19937 g(7);
    std::uniform_real_distribution<double> d(-level, level);
    for (double& v : x)
        v = d(g);
    return x;
}

void perHostSample(benchmark::State& state, int32_t samples = kRun)
{
    state.counters["ns_per_frame"] = benchmark::Counter(
        static_cast<double>(samples) * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

template <int F>
void BM_Upsample(benchmark::State& state)
{
    HalfbandResampler r;
    configure(r, F);
    const auto in = noise(0.5);
    std::array<double, 8 * kRun> out{};
    std::array<double, 6 * kRun> scratch{};
    for (auto _ : state) {
        upsampleRun<F>(r, in.data(), out.data(), kRun, scratch.data());
        benchmark::DoNotOptimize(out.data());
    }
    perHostSample(state);
}

template <int F>
void BM_Downsample(benchmark::State& state)
{
    HalfbandResampler r;
    configure(r, F);
    const auto in = noise(0.5);
    std::array<double, kRun> out{};
    std::array<double, 6 * kRun> scratch{};
    for (auto _ : state) {
        downsampleRun<F>(r, in.data(), out.data(), kRun, scratch.data());
        benchmark::DoNotOptimize(out.data());
    }
    perHostSample(state);
}

// Both converters stepped together; per host sample of each.
template <int F>
void BM_UpsamplePair(benchmark::State& state)
{
    HalfbandResampler a;
    HalfbandResampler b;
    configure(a, F);
    configure(b, F);
    const auto in = noise(0.5);
    std::array<double, 8 * kRun> outA{};
    std::array<double, 8 * kRun> outB{};
    std::array<double, 12 * kRun> scratch{};
    for (auto _ : state) {
        upsampleRunPair<F>(a, in.data(), outA.data(), b, in.data() + kRun, outB.data(), kRun, scratch.data());
        benchmark::DoNotOptimize(outA.data());
        benchmark::DoNotOptimize(outB.data());
    }
    perHostSample(state);
}

template <int F>
void BM_DownsamplePair(benchmark::State& state)
{
    HalfbandResampler a;
    HalfbandResampler b;
    configure(a, F);
    configure(b, F);
    const auto in = noise(0.5);
    const auto in2 = noise(0.25);
    std::array<double, kRun> outA{};
    std::array<double, kRun> outB{};
    std::array<double, 12 * kRun> scratch{};
    for (auto _ : state) {
        downsampleRunPair<F>(a, in.data(), outA.data(), b, in2.data(), outB.data(), kRun, scratch.data());
        benchmark::DoNotOptimize(outA.data());
        benchmark::DoNotOptimize(outB.data());
    }
    perHostSample(state);
}

template <Voicing V>
void BM_Preamp(benchmark::State& state)
{
    const bool lead = state.range(0) != 0;
    const PreampControls c{lead, 0.25, -0.99, -0.999, -0.999};
    PreampStates s{};
    const auto in = noise(2.0);
    std::array<double, 8 * kRun> x{};
    for (auto _ : state) {
        x = in;
        preampRun<V>(s, c, x.data(), 8 * kRun);
        benchmark::DoNotOptimize(x.data());
    }
    perHostSample(state);
}

void BM_PowerStage(benchmark::State& state)
{
    const auto in = noise(40.0);
    std::array<double, 8 * kRun> x{};
    for (auto _ : state) {
        x = in;
        powerStageRun(x.data(), 8 * kRun);
        benchmark::DoNotOptimize(x.data());
    }
    perHostSample(state);
}

// arg: cabinet-rate samples per call. Per host sample at 44.1 kHz (one
// cabinet sample each); at 192 kHz a 32-frame block makes 8 of them and a
// 512-frame block 128. Each output is a chain of 511 dependent adds, so
// short calls cost that chain's latency however few outputs they hold.
void BM_Convolve(benchmark::State& state)
{
    const auto count = static_cast<int32_t>(state.range(0));
    PreampEngine e;
    setSampleRate(e, 44100.0f);
    e.cabinetIr = cabinetTable(4, false).data();
    e.cabinet = 4;
    const auto in = noise(0.5);
    std::array<double, 8 * kRun> x{};
    for (auto _ : state) {
        std::copy_n(in.begin(), count, x.begin());
        convolveBlock(e, x.data(), count);
        benchmark::DoNotOptimize(x.data());
    }
    perHostSample(state, count);
}

BENCHMARK(BM_Upsample<8>)->Name("up/8");
BENCHMARK(BM_Downsample<8>)->Name("down/8");
BENCHMARK(BM_UpsamplePair<8>)->Name("up-pair/8");
BENCHMARK(BM_DownsamplePair<8>)->Name("down-pair/8");
BENCHMARK(BM_Upsample<4>)->Name("up/4");
BENCHMARK(BM_Downsample<4>)->Name("down/4");
BENCHMARK(BM_UpsamplePair<4>)->Name("up-pair/4");
BENCHMARK(BM_DownsamplePair<4>)->Name("down-pair/4");
BENCHMARK(BM_Upsample<2>)->Name("up/2");
BENCHMARK(BM_Downsample<2>)->Name("down/2");
BENCHMARK(BM_UpsamplePair<2>)->Name("up-pair/2");
BENCHMARK(BM_DownsamplePair<2>)->Name("down-pair/2");
BENCHMARK(BM_Preamp<Voicing::base>)->Arg(1)->Arg(0)->ArgName("lead")->Name("preamp8/base");
BENCHMARK(BM_Preamp<Voicing::variant>)->Arg(1)->Arg(0)->ArgName("lead")->Name("preamp8/variant");
BENCHMARK(BM_PowerStage)->Name("power8");
BENCHMARK(BM_Convolve)->Arg(8)->Arg(64)->Arg(128)->ArgName("outputs")->Name("convolve");

} // namespace
} // namespace korvane

BENCHMARK_MAIN();
