// Run-time dispatch of loops over independent values to the widest vector
// unit the CPU has (AVX-512, AVX2, else the SSE2 baseline). Lanes never mix,
// and no fused multiply-add is formed, so every path gives the same bits.
#pragma once

#if defined(__x86_64__) && defined(__ELF__) && !defined(__clang__)
#define KORVANE_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define KORVANE_VECTOR_CLONES
#endif
