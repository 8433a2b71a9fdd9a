// Denormal handling for the duration of one processing call.
//
// The 1e-16 offsets keep most recursive states away from denormal numbers,
// but not all: the base voicing's hard clippers round a near-silent signal
// to exact zeros, and allpass and high-pass states fed with zeros decay
// into the denormal range, where each operation costs many times more. A
// processor then gets slower on silence than on signal. Flushing them
// changes no output sample: every path to the output adds 1e-16 or a
// normal-sized value, which absorbs anything below the smallest normal
// double. The caller's mode is restored afterwards.
#pragma once

#if defined(__SSE2__) || defined(_M_X64)
#include <xmmintrin.h>
#define KORVANE_HAS_MXCSR 1
#endif

namespace korvane {

class FlushDenormals {
public:
#if defined(KORVANE_HAS_MXCSR)
    FlushDenormals() : saved(_mm_getcsr()) { _mm_setcsr(saved | kFlushToZero | kDenormalsAreZero); }
    ~FlushDenormals() { _mm_setcsr(saved); }
#else
    FlushDenormals() = default;
#endif
    FlushDenormals(const FlushDenormals&) = delete;
    FlushDenormals& operator=(const FlushDenormals&) = delete;

private:
#if defined(KORVANE_HAS_MXCSR)
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned saved;
#endif
};

} // namespace korvane
