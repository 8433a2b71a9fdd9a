// Bounded text helpers for buffers that a host hands us. The interface
// passes no buffer sizes, so every write is capped at the documented limit
// of its opcode, always terminated, and skipped when the pointer is null.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvane {

// Copies at most capacity - 1 characters of source and a terminator.
// Returns false (writing nothing) when text is null or capacity is 0.
bool copyText(char* text, const char* source, size_t capacity);

// Eight-character number text: integer digits, a point, then as many
// decimals as fit, cut rather than rounded ("5.000000", "525.0000").
// Magnitudes above 99999999 (9999999 when negative) give "Huge!".
// At most maxLength characters plus a terminator are written.
void float2string(float value, char* text, int32_t maxLength);

} // namespace korvane
