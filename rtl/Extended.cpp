#include "rtl/Extended.h"

#include "rtl/Exceptions.h"

std::int32_t Round(long double X)
{
    // Outside this open interval no value rounds into the 32-bit range;
    // NaN fails the test too.
    if (!(X > -2147483649.0L && X < 2147483648.0L))
        throw ERangeError();
    auto Whole = static_cast<std::int64_t>(X); // truncates
    // Whole +- 0.5 needs at most 34 significant bits, so it is exact at any
    // precision and rounding; the comparisons are exact too.
    if (X >= 0) {
        const long double Midpoint = static_cast<long double>(Whole) + 0.5L;
        if (X > Midpoint || (X == Midpoint && (Whole & 1) != 0))
            ++Whole;
    } else {
        const long double Midpoint = static_cast<long double>(Whole) - 0.5L;
        if (X < Midpoint || (X == Midpoint && (Whole & 1) != 0))
            --Whole;
    }
    if (Whole < std::numeric_limits<std::int32_t>::min() ||
        Whole > std::numeric_limits<std::int32_t>::max())
        throw ERangeError();
    return static_cast<std::int32_t>(Whole);
}

std::int32_t Add(std::int32_t A, std::int32_t B)
{
    std::int32_t Result;
    if (__builtin_add_overflow(A, B, &Result))
        throw EIntOverflow();
    return Result;
}

std::int32_t Sub(std::int32_t A, std::int32_t B)
{
    std::int32_t Result;
    if (__builtin_sub_overflow(A, B, &Result))
        throw EIntOverflow();
    return Result;
}

std::int32_t Mul(std::int32_t A, std::int32_t B)
{
    std::int32_t Result;
    if (__builtin_mul_overflow(A, B, &Result))
        throw EIntOverflow();
    return Result;
}
