#pragma once
// The print settings and where a picture lands on the page.
#include <cstdint>

// Placement modes; every other value places as pmFit.
inline constexpr std::int32_t pmFit = 0;        // stretched over the printable area
inline constexpr std::int32_t pmDotLeft = 1;    // N x N printer pixels per picture pixel, top-left
inline constexpr std::int32_t pmDotCenter = 2;  // the same, centred
inline constexpr std::int32_t pmSizeLeft = 3;   // WidthMm x HeightMm (or derived), top-left
inline constexpr std::int32_t pmSizeCenter = 4; // the same, centred

struct PrintSettings {
    std::int32_t Mode;
    double WidthMm;
    double HeightMm;
    std::int32_t DotScale; // N
    bool KeepRatio;        // height from WidthMm and the picture's aspect ratio
};

// Printer pixels, origin at the top-left corner of the printable area;
// the width is Right - Left.
struct PrintRect {
    std::int32_t Left, Top, Right, Bottom;
};

// Pure. The size modes convert millimetres to printer pixels in the extended
// format (whatever the caller's x87 precision), rounding ties to even; a
// converted size outside the 32-bit range raises ERangeError, and so does a
// non-finite WidthMm or HeightMm in a mode and setting that use it. Every
// 32-bit product, sum and difference is checked and raises EIntOverflow.
// Centred modes keep the full size: Right = Left + width, Bottom = Top + height.
PrintRect ComputePrintRect(std::int32_t PictureWidth, std::int32_t PictureHeight,
                           std::int32_t DpiX, std::int32_t DpiY,
                           std::int32_t PrintableWidth, std::int32_t PrintableHeight,
                           const PrintSettings& Settings);
