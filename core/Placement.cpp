#include "core/Placement.h"

#include "rtl/Extended.h"
#include "rtl/FloatingPoint.h"

PrintRect ComputePrintRect(std::int32_t PictureWidth, std::int32_t PictureHeight,
                           std::int32_t DpiX, std::int32_t DpiY,
                           std::int32_t PrintableWidth, std::int32_t PrintableHeight,
                           const PrintSettings& Settings)
{
    PrintRect Rect{0, 0, 0, 0};
    switch (Settings.Mode) {
    case pmDotLeft:
        Rect.Right = Mul(PictureWidth, Settings.DotScale);
        Rect.Bottom = Mul(PictureHeight, Settings.DotScale);
        return Rect;
    case pmDotCenter: {
        const std::int32_t Width = Mul(PictureWidth, Settings.DotScale);
        Rect.Left = Sub(Half(PrintableWidth), Half(Width));
        const std::int32_t Height = Mul(PictureHeight, Settings.DotScale);
        Rect.Top = Sub(Half(PrintableHeight), Half(Height));
        Rect.Right = Add(Rect.Left, Width);
        Rect.Bottom = Add(Rect.Top, Height);
        return Rect;
    }
    case pmSizeLeft:
    case pmSizeCenter:
        break;
    default:
        Rect.Right = PrintableWidth;
        Rect.Bottom = PrintableHeight;
        return Rect;
    }

    std::int32_t SizedWidth, SizedHeight;
    {
        ExtendedPrecision Precision;
        // A zero or negative width counts as 1, for the ratio only.
        long double W = PictureWidth;
        if (!(W >= 1.0L))
            W = 1.0L;
        const long double H = PictureHeight;
        const auto AspectRatio = static_cast<double>(FpFence(H / W));
        const long double WidthMm = FpFence(static_cast<long double>(Settings.WidthMm));
        SizedWidth = Round(FpFence((WidthMm / MillimetresPerInch) * DpiX));
        if (Settings.KeepRatio) {
            SizedHeight = Round(FpFence(((WidthMm * FpFence(static_cast<long double>(AspectRatio))) /
                                         MillimetresPerInch) * DpiY));
        } else {
            const long double HeightMm = FpFence(static_cast<long double>(Settings.HeightMm));
            SizedHeight = Round(FpFence((HeightMm / MillimetresPerInch) * DpiY));
        }
    }
    if (Settings.Mode == pmSizeLeft) {
        Rect.Right = SizedWidth;
        Rect.Bottom = SizedHeight;
    } else {
        Rect.Left = Sub(Half(PrintableWidth), Half(SizedWidth));
        Rect.Top = Sub(Half(PrintableHeight), Half(SizedHeight));
        Rect.Right = Add(Rect.Left, SizedWidth);
        Rect.Bottom = Add(Rect.Top, SizedHeight);
    }
    return Rect;
}
