#include "shell/text.h"

#include <cmath>
#include <cstring>

namespace korvane {

bool copyText(char* text, const char* source, size_t capacity)
{
    if (text == nullptr || capacity == 0)
        return false;
    size_t n = 0;
    if (source != nullptr) {
        while (n + 1 < capacity && source[n] != '\0') {
            text[n] = source[n];
            ++n;
        }
    }
    text[n] = '\0';
    return true;
}

namespace {

char digitOf(double y)
{
    return static_cast<char>('0' + static_cast<int>(std::fmod(y, 10.0)));
}

} // namespace

void float2string(float value, char* text, int32_t maxLength)
{
    if (text == nullptr || maxLength < 0)
        return;
    const size_t n = static_cast<size_t>(maxLength);

    double v = value;
    bool negative = false;
    int c = 0;
    double limit = 99999999.0;
    if (v < 0.0) {
        negative = true;
        v = -v;
        c = 1;
        limit = 9999999.0;
    }
    // The comparison is false for NaN too, which then formats as digits of
    // nothing; reject it here with the same text as an overflow.
    if (!(v <= limit)) {
        copyText(text, "Huge!", n + 1);
        return;
    }

    // Built right to left into the tail of a scratch buffer.
    char integer[16];
    int pos = static_cast<int>(sizeof integer) - 1;
    integer[pos] = '\0';
    integer[--pos] = '.';
    ++c;
    double p = std::floor(v);
    integer[--pos] = digitOf(p);
    p = p * 0.1;
    ++c;
    while (p >= 1.0 && c < 8) {
        integer[--pos] = digitOf(p);
        p = p * 0.1;
        ++c;
    }
    if (negative)
        integer[--pos] = '-';

    char full[32];
    copyText(full, integer + pos, n + 1 < sizeof full ? n + 1 : sizeof full);
    if (c < 8) {
        char fraction[8];
        const int count = 8 - c;
        double m = std::fmod(v, 1.0) * std::pow(10.0, count);
        for (int k = count - 1; k >= 0; --k) {
            if (m <= 0.0) {
                fraction[k] = '0';
            } else {
                fraction[k] = digitOf(m);
                m = m * 0.1;
            }
        }
        size_t len = std::strlen(full);
        for (int k = 0; k < count && len < n && len + 1 < sizeof full; ++k)
            full[len++] = fraction[k];
        full[len] = '\0';
    }
    copyText(text, full, n + 1);
}

} // namespace korvane
