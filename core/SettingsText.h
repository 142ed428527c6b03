#pragma once
// The settings dialog's texts: typed text to clamped settings, and back.
#include <cstdint>
#include <string>
#include <string_view>

// Width or height: the text as a real number (0 when it does not convert),
// raised to 10 if not at least 10, then lowered to 5000 if above 5000.
// Raises EOverflow for a number too large for a double.
double MillimetresFromText(std::string_view Text);

// N: the text as a 32-bit integer (0 when it does not convert), raised to 1
// if below 1, then lowered to 100 if above 100. Raises nothing.
std::int32_t DotScaleFromText(std::string_view Text);

// General format, 15 significant digits, always with a period as the
// decimal point so the text reads back unchanged whatever the locale.
std::string NumberToText(double Value);
