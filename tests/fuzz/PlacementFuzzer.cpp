// Any inputs: only the range and overflow errors escape, the result has the
// geometry of its mode, and the caller's x87 control word changes nothing.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "core/Placement.h"
#include "rtl/Exceptions.h"
#include "rtl/FloatingPoint.h"

namespace {

void Check(bool Condition)
{
    if (!Condition)
        std::abort();
}

struct Outcome {
    std::optional<PrintRect> Rect;
    bool RangeError = false;
    bool Overflow = false;

    bool operator==(const Outcome& Other) const
    {
        if (Rect.has_value() != Other.Rect.has_value())
            return false;
        if (Rect)
            return Rect->Left == Other.Rect->Left && Rect->Top == Other.Rect->Top &&
                   Rect->Right == Other.Rect->Right && Rect->Bottom == Other.Rect->Bottom;
        return RangeError == Other.RangeError && Overflow == Other.Overflow;
    }
};

struct Inputs {
    std::int32_t PictureWidth, PictureHeight, DpiX, DpiY, PrintableWidth, PrintableHeight;
    PrintSettings Settings;
};

Outcome Run(const Inputs& In)
{
    Outcome Result;
    try {
        Result.Rect = ComputePrintRect(In.PictureWidth, In.PictureHeight, In.DpiX, In.DpiY, In.PrintableWidth,
                                       In.PrintableHeight, In.Settings);
    } catch (const ERangeError&) {
        Result.RangeError = true;
    } catch (const EIntOverflow&) {
        Result.Overflow = true;
    }
    return Result;
}

bool Fits32(std::int64_t Value) { return Value >= INT32_MIN && Value <= INT32_MAX; }

// The millimetre size in printer pixels, computed another way, and whether
// the rounded value must fit.
long double Pixels(long double Millimetres, std::int32_t Dpi) { return Millimetres * Dpi / 25.4L; }

void CheckSize(std::int32_t Sized, long double Exact)
{
    Check(std::fabs(static_cast<long double>(Sized) - Exact) <= 0.5L + 1e-12L * std::fabs(Exact));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    FuzzedDataProvider Provider(Data, Size);
    Inputs In;
    In.PictureWidth = Provider.ConsumeIntegral<std::int32_t>();
    In.PictureHeight = Provider.ConsumeIntegral<std::int32_t>();
    In.DpiX = Provider.ConsumeIntegral<std::int32_t>();
    In.DpiY = Provider.ConsumeIntegral<std::int32_t>();
    In.PrintableWidth = Provider.ConsumeIntegral<std::int32_t>();
    In.PrintableHeight = Provider.ConsumeIntegral<std::int32_t>();
    In.Settings.Mode = Provider.ConsumeIntegralInRange<std::int32_t>(-1, 5);
    In.Settings.WidthMm = Provider.ConsumeFloatingPoint<double>();
    In.Settings.HeightMm = Provider.ConsumeFloatingPoint<double>();
    In.Settings.DotScale = Provider.ConsumeIntegral<std::int32_t>();
    In.Settings.KeepRatio = Provider.ConsumeBool();
    static constexpr std::uint16_t ControlWords[] = {0x027F, 0x067F, 0x0F7F, 0x0E7F};
    const std::uint16_t ControlWord = Provider.PickValueInArray(ControlWords);

    SetFloatingPointDefaults();
    const Outcome Result = Run(In);
    SetX87ControlWord(ControlWord);
    const Outcome Again = Run(In);
    Check(GetX87ControlWord() == ControlWord);
    SetFloatingPointDefaults();
    Check(Result == Again);

    const PrintSettings& S = In.Settings;
    const std::int64_t DotWidth = std::int64_t{In.PictureWidth} * S.DotScale;
    const std::int64_t DotHeight = std::int64_t{In.PictureHeight} * S.DotScale;
    const std::int64_t HalfWidth = In.PrintableWidth / 2, HalfHeight = In.PrintableHeight / 2;
    switch (S.Mode) {
    case pmDotLeft:
    case pmDotCenter:
        Check(!Result.RangeError);
        Check(Result.Overflow == !(Fits32(DotWidth) && Fits32(DotHeight)));
        if (Result.Rect) {
            const PrintRect& R = *Result.Rect;
            Check(std::int64_t{R.Right} - R.Left == DotWidth && std::int64_t{R.Bottom} - R.Top == DotHeight);
            if (S.Mode == pmDotLeft)
                Check(R.Left == 0 && R.Top == 0);
            else
                Check(R.Left == HalfWidth - DotWidth / 2 && R.Top == HalfHeight - DotHeight / 2);
        }
        break;
    case pmSizeLeft:
    case pmSizeCenter: {
        Check(!Result.Overflow);
        const long double Ratio = In.PictureHeight / static_cast<long double>(In.PictureWidth >= 1 ? In.PictureWidth : 1);
        const long double Width = Pixels(S.WidthMm, In.DpiX);
        const long double Height = S.KeepRatio ? Pixels(S.WidthMm * Ratio, In.DpiY) : Pixels(S.HeightMm, In.DpiY);
        const bool ClearlyFits = std::fabs(Width) < 2e9L && std::fabs(Height) < 2e9L;
        const bool ClearlyNot = !std::isfinite(Width) || !std::isfinite(Height) ||
                                std::fabs(Width) > 2.2e9L || std::fabs(Height) > 2.2e9L;
        if (ClearlyFits)
            Check(Result.Rect.has_value());
        if (ClearlyNot)
            Check(Result.RangeError);
        if (Result.Rect) {
            const PrintRect& R = *Result.Rect;
            const std::int32_t SizedWidth = R.Right - R.Left, SizedHeight = R.Bottom - R.Top;
            CheckSize(SizedWidth, Width);
            CheckSize(SizedHeight, Height);
            if (S.Mode == pmSizeLeft)
                Check(R.Left == 0 && R.Top == 0);
            else
                Check(R.Left == HalfWidth - SizedWidth / 2 && R.Top == HalfHeight - SizedHeight / 2);
        }
        break;
    }
    default:
        Check(Result.Rect && Result.Rect->Left == 0 && Result.Rect->Top == 0 &&
              Result.Rect->Right == In.PrintableWidth && Result.Rect->Bottom == In.PrintableHeight);
    }
    return 0;
}
