#include "rtl/Conversions.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include "rtl/Exceptions.h"
#include "rtl/Extended.h"
#include "rtl/FloatingPoint.h"

namespace {

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

int HexDigit(char C)
{
    if (C >= '0' && C <= '9')
        return C - '0';
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    return -1;
}

// Significand (integer bit included, so the top bit is set) times
// 2^(Exponent - 63), built bit by bit so no library rounding is involved.
long double MakeExtended(std::uint64_t Significand, int Exponent)
{
    unsigned char Bytes[sizeof(long double)] = {};
    std::memcpy(Bytes, &Significand, 8);
    auto SignAndExponent = static_cast<std::uint16_t>(Exponent + 16383);
    std::memcpy(Bytes + 8, &SignAndExponent, 2);
    long double Result;
    std::memcpy(&Result, Bytes, sizeof Result);
    return Result;
}

// 10^K rounded once to the nearest extended value (ties to even), for
// 0 <= K <= 4900. 10^K = 5^K * 2^K; 5^K is formed exactly as a big integer
// and its top 64 bits rounded.
long double PowerOfTen(int K)
{
    std::vector<std::uint32_t> Limbs{1}; // little-endian
    auto MultiplyBy = [&Limbs](std::uint32_t Factor) {
        std::uint64_t Carry = 0;
        for (auto& Limb : Limbs) {
            std::uint64_t Product = std::uint64_t{Limb} * Factor + Carry;
            Limb = static_cast<std::uint32_t>(Product);
            Carry = Product >> 32;
        }
        if (Carry)
            Limbs.push_back(static_cast<std::uint32_t>(Carry));
    };
    constexpr std::uint32_t FiveToThe13 = 1220703125;
    for (int Left = K; Left > 0; Left -= 13) {
        std::uint32_t Factor = 1;
        for (int I = 0; I < (Left < 13 ? Left : 13); ++I)
            Factor *= 5;
        MultiplyBy(Left >= 13 ? FiveToThe13 : Factor);
    }

    const int Bits = static_cast<int>(Limbs.size() * 32) - __builtin_clz(Limbs.back());
    auto Bit = [&Limbs](int Index) { return (Limbs[Index / 32] >> (Index % 32)) & 1u; };
    std::uint64_t Top = 0;
    int Shift = Bits - 64; // bits below the kept 64
    for (int I = Bits - 1; I >= 0 && I >= Shift; --I)
        Top = (Top << 1) | Bit(I);
    if (Shift < 0) {
        Top <<= -Shift;
    } else if (Shift > 0 && Bit(Shift - 1)) {
        bool Sticky = false;
        for (int I = 0; I < Shift - 1 && !Sticky; ++I)
            Sticky = Bit(I) != 0;
        if (Sticky || (Top & 1)) {
            if (++Top == 0) { // carried out of 64 bits: 2^64
                Top = std::uint64_t{1} << 63;
                return MakeExtended(Top, Bits + K);
            }
        }
    }
    return MakeExtended(Top, Bits - 1 + K);
}

// Above this the next digit could overflow the accumulator; later digits
// only count towards the power of ten.
constexpr long double AccumulatorLimit = 1e4900L;
constexpr int DirectPowerLimit = 4900;
constexpr std::int64_t ExponentLimit = std::int64_t{1} << 40;

// Digits * 10^Power, -5120 < Power < 5120. Powers whose 10^|Power| would
// overflow the extended format are applied in two halves.
long double Scale(long double Digits, std::int64_t Power)
{
    if (Power >= 0) {
        if (Power <= DirectPowerLimit)
            return Digits * PowerOfTen(static_cast<int>(Power));
        auto First = static_cast<int>(Power / 2);
        return FpFence(Digits * PowerOfTen(First)) *
               PowerOfTen(static_cast<int>(Power - First));
    }
    std::int64_t Divisor = -Power;
    if (Divisor <= DirectPowerLimit)
        return Digits / PowerOfTen(static_cast<int>(Divisor));
    auto First = static_cast<int>(Divisor / 2);
    return FpFence(Digits / PowerOfTen(First)) /
           PowerOfTen(static_cast<int>(Divisor - First));
}

RealFromText RealError(std::size_t Index) { return {0.0, Index + 1}; }
IntFromText IntError(std::size_t Index) { return {0, Index + 1}; }

} // namespace

RealFromText TextToReal(std::string_view Text)
{
    ExtendedPrecision Precision;
    const std::size_t Length = Text.size();
    std::size_t I = 0;
    while (I < Length && Text[I] == ' ')
        ++I;
    bool Negative = false;
    if (I < Length && (Text[I] == '+' || Text[I] == '-'))
        Negative = Text[I++] == '-';
    if (I == Length)
        return RealError(I);

    long double Digits = 0;
    std::int64_t Dropped = 0;
    std::int64_t FractionDigits = 0;
    auto Accumulate = [&](char C) {
        if (Digits < AccumulatorLimit)
            Digits = Digits * 10 + (C - '0');
        else
            ++Dropped;
    };
    while (I < Length && IsDigit(Text[I]))
        Accumulate(Text[I++]);
    if (I < Length && Text[I] == '.') {
        ++I;
        while (I < Length && IsDigit(Text[I])) {
            Accumulate(Text[I++]);
            ++FractionDigits;
        }
    }
    std::int64_t Exponent = 0;
    if (I < Length && (Text[I] == 'E' || Text[I] == 'e')) {
        ++I;
        bool NegativeExponent = false;
        if (I < Length && (Text[I] == '+' || Text[I] == '-'))
            NegativeExponent = Text[I++] == '-';
        if (I == Length || !IsDigit(Text[I]))
            return RealError(I);
        while (I < Length && IsDigit(Text[I])) {
            // Past the limit the result is infinity or zero anyway.
            if (Exponent < ExponentLimit)
                Exponent = Exponent * 10 + (Text[I] - '0');
            ++I;
        }
        if (NegativeExponent)
            Exponent = -Exponent;
    }
    if (I != Length)
        return RealError(I);

    long double Magnitude = 0;
    bool Infinite = false;
    if (Digits != 0) {
        const std::int64_t Power = Exponent - FractionDigits + Dropped;
        if (Power >= 5120)
            Infinite = true;
        else if (Power > -5120)
            Magnitude = Scale(FpFence(Digits), Power);
    }
    double Value = Infinite ? HUGE_VAL : static_cast<double>(FpFence(Magnitude));
    Value = FpFence(Value);
    if (!Infinite && std::isinf(Value))
        throw EOverflow();
    return {Negative ? -Value : Value, 0};
}

IntFromText TextToInt(std::string_view Text)
{
    const std::size_t Length = Text.size();
    std::size_t I = 0;
    while (I < Length && Text[I] == ' ')
        ++I;
    if (I == Length)
        return IntError(I);

    bool Hex = false;
    if (Text[I] == '$' || Text[I] == 'x' || Text[I] == 'X') {
        Hex = true;
        I += 1;
    } else if (Text[I] == '0' && I + 1 < Length && (Text[I + 1] == 'x' || Text[I + 1] == 'X')) {
        Hex = true;
        I += 2;
    }
    if (Hex) {
        if (I == Length || HexDigit(Text[I]) < 0)
            return IntError(I);
        std::uint32_t Pattern = 0;
        for (; I < Length && HexDigit(Text[I]) >= 0; ++I) {
            if (Pattern >> 28) // a ninth significant digit
                return IntError(I);
            Pattern = (Pattern << 4) | static_cast<std::uint32_t>(HexDigit(Text[I]));
        }
        if (I != Length)
            return IntError(I);
        return {static_cast<std::int32_t>(Pattern), 0};
    }

    bool Negative = false;
    if (Text[I] == '+' || Text[I] == '-')
        Negative = Text[I++] == '-';
    if (I == Length || !IsDigit(Text[I]))
        return IntError(I);
    const std::int64_t Limit = Negative ? 2147483648 : 2147483647;
    std::int64_t Magnitude = 0;
    for (; I < Length && IsDigit(Text[I]); ++I) {
        Magnitude = Magnitude * 10 + (Text[I] - '0');
        if (Magnitude > Limit)
            return IntError(I);
    }
    if (I != Length)
        return IntError(I);
    return {static_cast<std::int32_t>(Negative ? -Magnitude : Magnitude), 0};
}

std::string FloatToText(double Value, std::string_view DecimalSeparator)
{
    if (std::isnan(Value))
        return "NAN";
    if (std::isinf(Value))
        return Value > 0 ? "INF" : "-INF";
    if (Value == 0)
        return "0";

    // "d.ddddddddddddddde±x": the 15 digits rounded ties-to-even from the
    // exact binary value, with the exponent after rounding.
    char Buffer[40];
    auto Written = std::to_chars(Buffer, Buffer + sizeof Buffer, std::fabs(Value),
                                 std::chars_format::scientific, 14);
    std::string_view Scientific(Buffer, static_cast<std::size_t>(Written.ptr - Buffer));
    const std::size_t E = Scientific.find('e');
    std::string Digits;
    for (char C : Scientific.substr(0, E))
        if (C != '.')
            Digits += C;
    while (Digits.size() > 1 && Digits.back() == '0')
        Digits.pop_back();
    int Exponent = 0;
    std::string_view ExponentText = Scientific.substr(E + 1);
    if (ExponentText.front() == '+')
        ExponentText.remove_prefix(1);
    std::from_chars(ExponentText.data(), ExponentText.data() + ExponentText.size(), Exponent);

    std::string Result = Value < 0 ? "-" : "";
    if (Exponent >= -4 && Exponent <= 14) {
        if (Exponent < 0) {
            Result += '0';
            Result += DecimalSeparator;
            Result.append(static_cast<std::size_t>(-Exponent - 1), '0');
            Result += Digits;
        } else {
            const auto IntegerDigits = static_cast<std::size_t>(Exponent) + 1;
            if (Digits.size() <= IntegerDigits) {
                Result += Digits;
                Result.append(IntegerDigits - Digits.size(), '0');
            } else {
                Result.append(Digits, 0, IntegerDigits);
                Result += DecimalSeparator;
                Result.append(Digits, IntegerDigits);
            }
        }
    } else {
        Result += Digits[0];
        if (Digits.size() > 1) {
            Result += DecimalSeparator;
            Result.append(Digits, 1);
        }
        Result += 'E';
        Result += std::to_string(Exponent);
    }
    return Result;
}
