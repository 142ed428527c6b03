// Any text: the settings rules stay in range and raise nothing but
// EOverflow; the raw conversions keep their contracts.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "core/SettingsText.h"
#include "rtl/Conversions.h"
#include "rtl/Exceptions.h"

namespace {

void Check(bool Condition)
{
    if (!Condition)
        std::abort();
}

// A double written with 15 digits reads back to the same 15 digits.
void CheckShownValueReadsBack(double Value)
{
    if (!std::isfinite(Value) || std::fabs(Value) > 1e300 || std::fabs(Value) < 1e-300)
        return;
    const std::string Text = NumberToText(Value);
    const RealFromText Back = TextToReal(Text);
    Check(Back.ErrorPos == 0);
    Check(NumberToText(Back.Value) == Text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    const std::string_view Text(reinterpret_cast<const char*>(Data), Size);

    bool Overflowed = false;
    try {
        const double Millimetres = MillimetresFromText(Text);
        Check(Millimetres >= 10 && Millimetres <= 5000);
        CheckShownValueReadsBack(Millimetres);
    } catch (const EOverflow&) {
        Overflowed = true;
    }

    try {
        const RealFromText Real = TextToReal(Text);
        Check(!Overflowed);
        Check(!std::isnan(Real.Value));
        Check(Real.ErrorPos <= Size + 1);
        Check(Real.ErrorPos == 0 || Real.Value == 0);
        CheckShownValueReadsBack(Real.Value);
    } catch (const EOverflow&) {
        Check(Overflowed);
    }

    const std::int32_t DotScale = DotScaleFromText(Text);
    Check(DotScale >= 1 && DotScale <= 100);
    const IntFromText Integer = TextToInt(Text);
    Check(Integer.ErrorPos <= Size + 1);
    Check(Integer.ErrorPos == 0 || Integer.Value == 0);
    if (Integer.ErrorPos == 0) {
        // A decimal number reads back from its own digits.
        const RealFromText Decimal = TextToReal(std::to_string(Integer.Value));
        Check(Decimal.ErrorPos == 0 && Decimal.Value == Integer.Value);
    }

    // The bytes as a double: any value formats, with any separator.
    if (Size >= sizeof(double)) {
        double Value;
        std::memcpy(&Value, Data, sizeof Value);
        Check(!FloatToText(Value, ",").empty());
        CheckShownValueReadsBack(Value);
    }
    return 0;
}
