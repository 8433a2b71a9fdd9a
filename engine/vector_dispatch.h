// Run-time dispatch of loops over independent values to the widest vector
// unit the CPU has (AVX-512, AVX2, else the SSE2 baseline). Lanes never mix,
// and no fused multiply-add is formed, so every path gives the same bits.
#pragma once

#if defined(__x86_64__) && defined(__ELF__) && !defined(__clang__)
#define KORVANE_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define KORVANE_VECTOR_CLONES
#endif

// Kernels written with AVX-512 intrinsics, chosen at run time where the CPU
// has the instructions; they too give the bits of the portable loops.
#if defined(__x86_64__) && defined(__ELF__) && !defined(__clang__)
#define KORVANE_HAS_AVX512_KERNELS 1
#include <immintrin.h>

namespace korvane {

inline bool cpuHasAvx512()
{
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") != 0;
    }();
    return has;
}

} // namespace korvane
#else
#define KORVANE_HAS_AVX512_KERNELS 0
#endif
