// Values side by side, for work that the chain can do on several
// independent values at once. The compiler maps each type to the vector unit
// that the calling function is built for (Lanes8: one AVX-512 register, two
// AVX or four SSE2 ones); each lane gets exactly the scalar operations.
#pragma once

#include <cstdint>

namespace korvane {

using Lanes8 = double __attribute__((vector_size(64)));
using LaneBits8 = int64_t __attribute__((vector_size(64)));
using Lanes4 = double __attribute__((vector_size(32)));

} // namespace korvane
