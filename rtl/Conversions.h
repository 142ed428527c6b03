#pragma once
// Conversions between text and numbers. Texts are UTF-8; only ASCII
// characters can form a number, so a multi-byte character is an error.
//
// An error position is the 1-based byte index of the first character that
// does not fit the syntax, or the length + 1 when the text ends too early;
// 0 means the whole text converted. On error the value is 0.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct RealFromText {
    double Value;
    std::size_t ErrorPos;
};

// Blanks (code 32 only), one optional sign, then digits with an optional
// "." fraction (no digits at all is fine: "." and "e5" read as 0), then an
// optional exponent "E"/"e" with an optional sign and at least one digit,
// then the end of the text. The digits are accumulated in the extended
// format and scaled by the power of ten (exponent less fraction digits); the
// sign is applied last. A power of 5120 or more gives infinity, -5120 or
// less gives zero. Otherwise a result whose magnitude is too large for a
// double raises EOverflow; that is the only exception.
RealFromText TextToReal(std::string_view Text);

struct IntFromText {
    std::int32_t Value;
    std::size_t ErrorPos;
};

// Blanks (code 32 only), then either a decimal number (optional sign, at
// least one digit, within the signed 32-bit range) or a hexadecimal one
// (prefix "$", "x", "X", "0x" or "0X" with no sign before it, at most eight
// significant digits read as a signed 32-bit pattern), then the end of the
// text. Raises nothing.
IntFromText TextToInt(std::string_view Text);

// General format, 15 significant digits, trailing zeros dropped, ties to
// even. Fixed notation when the leading digit's power of ten lies in -4..14
// (no thousands separators), otherwise "d<sep>dddE-x" with no plus sign and
// no leading zeros in the exponent. Zero (of either sign) gives "0"; NaN and
// the infinities give "NAN", "INF" and "-INF".
std::string FloatToText(double Value, std::string_view DecimalSeparator);
