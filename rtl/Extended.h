#pragma once
// The extended real format and the checked integer arithmetic of the program.
#include <cstdint>
#include <limits>

static_assert(std::numeric_limits<long double>::digits == 64,
              "long double must be the 80-bit extended format (64-bit significand)");

// Millimetres per inch: the extended value nearest 25.4.
inline constexpr long double MillimetresPerInch = 25.4L;

// Nearest integer, ties to even (2.5 -> 2, -2.5 -> -2). A result outside the
// signed 32-bit range, and NaN, raise ERangeError. Exact whatever the x87
// precision and rounding control say.
std::int32_t Round(long double X);

// 32-bit arithmetic raising EIntOverflow when the result does not fit.
std::int32_t Add(std::int32_t A, std::int32_t B);
std::int32_t Sub(std::int32_t A, std::int32_t B);
std::int32_t Mul(std::int32_t A, std::int32_t B);

// X / 2 truncated toward zero (-5 -> -2); cannot overflow.
constexpr std::int32_t Half(std::int32_t X) { return X / 2; }
