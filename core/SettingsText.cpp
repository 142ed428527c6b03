#include "core/SettingsText.h"

#include "rtl/Conversions.h"

double MillimetresFromText(std::string_view Text)
{
    const RealFromText Converted = TextToReal(Text);
    double Value = Converted.ErrorPos == 0 ? Converted.Value : 0.0;
    if (!(Value >= 10.0))
        Value = 10.0;
    if (Value > 5000.0)
        Value = 5000.0;
    return Value;
}

std::int32_t DotScaleFromText(std::string_view Text)
{
    const IntFromText Converted = TextToInt(Text);
    std::int32_t Value = Converted.ErrorPos == 0 ? Converted.Value : 0;
    if (Value < 1)
        Value = 1;
    if (Value > 100)
        Value = 100;
    return Value;
}

std::string NumberToText(double Value) { return FloatToText(Value, "."); }
