#include "rtl/MetafileSize.h"

bool MetafileFramePixels(std::int32_t FrameLow, std::int32_t FrameHigh, std::int32_t DevicePixels,
                         std::int32_t DeviceMillimetres, std::int32_t& Pixels)
{
    if (DevicePixels <= 0 || DeviceMillimetres <= 0 || FrameHigh < FrameLow)
        return false;
    // The span is below 2^32 and the device below 2^31, so the product fits
    // 63 bits and the division is exact in 64-bit integers.
    auto Span = static_cast<std::uint64_t>(std::int64_t{FrameHigh} - FrameLow);
    std::uint64_t Numerator = Span * static_cast<std::uint64_t>(DevicePixels);
    std::uint64_t Denominator = static_cast<std::uint64_t>(DeviceMillimetres) * 100;
    std::uint64_t Quotient = Numerator / Denominator;
    std::uint64_t Twice = 2 * (Numerator % Denominator);
    if (Twice > Denominator || (Twice == Denominator && (Quotient & 1) != 0))
        ++Quotient;
    if (Quotient > static_cast<std::uint64_t>(INT32_MAX))
        return false;
    Pixels = static_cast<std::int32_t>(Quotient);
    return true;
}
