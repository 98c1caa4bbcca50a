// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers written as decimal digits straight into a character buffer: the
// result lines write sizes and date-times for every line that is shown or
// saved.
#pragma once

#include <cstdint>
#include <cstring>

// value in decimal at out, with leading zeros up to minDigits (at most 20);
// returns the end. out needs room for max(minDigits, 20) characters.
inline char* PutDecimal(char* out, std::uint64_t value, int minDigits = 1)
{
    if (minDigits <= 2 && value < 100 && (value >= 10 || minDigits == 2)) {  // most date and time parts
        static constexpr char pairs[] =
            "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
            "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
            "8081828384858687888990919293949596979899";
        std::memcpy(out, pairs + 2 * value, 2);
        return out + 2;
    }
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (n < minDigits && n < static_cast<int>(sizeof digits))
        digits[n++] = '0';
    while (n > 0)
        *out++ = digits[--n];
    return out;
}
