// Text to real, text to integer and real to text, below the dialog's clamps.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "rtl/Conversions.h"
#include "rtl/Exceptions.h"
#include "rtl/FloatingPoint.h"
#include "tests/core/ControlWord.h"

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();

TEST(TextToReal, Syntax)
{
    struct Case {
        const char* Text;
        double Value;
        std::size_t ErrorPos;
    };
    const Case Cases[] = {
        {"0", 0, 0},        {"12.5", 12.5, 0},  {"  -7.25", -7.25, 0}, {"+3", 3, 0},
        {".", 0, 0},        {".5", 0.5, 0},     {"5.", 5, 0},          {"e5", 0, 0},
        {"-.e+7", 0, 0},    {"1.5e2", 150, 0},  {"1E-2", 0.01, 0},     {"25e+0001", 250, 0},
        {"000000000000000000000000000042", 42, 0},
        {"", 0, 1},         {"   ", 0, 4},      {"+", 0, 2},           {" -", 0, 3},
        {"1 ", 0, 2},       {"1,5", 0, 2},      {"1.2.3", 0, 4},       {"--1", 0, 2},
        {"1e", 0, 3},       {"1e+", 0, 4},      {"1ex", 0, 3},         {"1e5.0", 0, 4},
        {"\t1", 0, 1},      {"1\n", 0, 2},      {"１", 0, 1},          {"0x10", 0, 2},
        {"1e400x", 0, 6},   {"inf", 0, 1},      {"nan", 0, 1},         {"- 1", 0, 2},
    };
    for (const Case& C : Cases) {
        RealFromText Result = TextToReal(C.Text);
        EXPECT_EQ(Result.ErrorPos, C.ErrorPos) << '"' << C.Text << '"';
        EXPECT_EQ(Result.Value, C.Value) << '"' << C.Text << '"';
    }
}

TEST(TextToReal, LimitsOfTheDouble)
{
    struct Case {
        const char* Text;
        double Value;
    };
    const Case Cases[] = {
        {"1.7976931348623157e308", DBL_MAX},
        {"1.7976931348623158e308", DBL_MAX}, // below the midpoint to 2^1024
        {"-1.7976931348623157e308", -DBL_MAX},
        {"2.2250738585072014e-308", DBL_MIN},
        {"4.9406564584124654e-324", std::numeric_limits<double>::denorm_min()},
        {"1e-400", 0},
        {"1e5119e", 0}, // syntax error first
        {"1e5120", Infinity},
        {"-1e5120", -Infinity},
        {"0.001e5123", Infinity}, // the power counts the fraction digits: 5120
        {"1e99999999999999999999999", Infinity},
        {"1e-5120", 0},
        {"0e99999", 0},
        {"0.0000000001e5130", Infinity},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(TextToReal(C.Text).Value, C.Value) << C.Text;

    const char* Overflowing[] = {"1e400", "-1e400", "1.7976931348623159e308", "1e5119", "10e5118",
                                 "0.01e5121", "0.0000000001e5129"};
    for (const char* Text : Overflowing) {
        try {
            TextToReal(Text);
            ADD_FAILURE() << Text << " converted";
        } catch (const EOverflow& E) {
            EXPECT_EQ(E.Message(), "浮動小数点数のオーバーフロー");
        }
    }
}

// With at most 19 significant digits and a power of ten up to 27 in size,
// digits and power are exact in the extended format and a single rounded
// product or quotient gives the extended value nearest the text: what strtold
// computes. The stored double is that value rounded once more.
TEST(TextToReal, ShortNumbersMatchTheNearestExtendedWhateverTheControlWord)
{
    std::mt19937 Random(20240607);
    std::vector<std::string> Texts;
    std::vector<double> Expected;
    for (int I = 0; I < 3000; ++I) {
        std::string Digits = std::to_string(Random() % 10);
        const int Count = static_cast<int>(Random() % 19);
        for (int D = 0; D < Count; ++D)
            Digits += static_cast<char>('0' + Random() % 10);
        const int Point = static_cast<int>(Random() % (Digits.size() + 1));
        std::string Text = Digits;
        Text.insert(static_cast<std::size_t>(Point), 1, '.');
        const int FractionDigits = static_cast<int>(Digits.size()) - Point;
        const int Power = static_cast<int>(Random() % 55) - 27;
        Text += 'e';
        Text += std::to_string(Power + FractionDigits);
        Texts.push_back(Text);
        Expected.push_back(static_cast<double>(std::strtold(Text.c_str(), nullptr)));
    }
    for (std::uint16_t ControlWord : ControlWords) {
        ControlWordScope Scope(ControlWord);
        for (std::size_t I = 0; I < Texts.size(); ++I) {
            RealFromText Result = TextToReal(Texts[I]);
            ASSERT_EQ(Result.ErrorPos, 0u) << Texts[I];
            ASSERT_EQ(Result.Value, Expected[I]) << Texts[I] << " cw " << ControlWord;
        }
    }
}

TEST(TextToReal, LongTextsKeepTheirValue)
{
    struct Case {
        std::string Text;
        double Value;
    };
    const std::string Zeros(20000, '0');
    const Case Cases[] = {
        {Zeros + "12.5", 12.5},
        {"100." + Zeros, 100},
        {"1" + Zeros + "e-20000", 1},
        {"0." + std::string(20000, '3'), 1.0 / 3},
        {"4" + std::string(10000, '9') + "e-10000", 5},
        {"0." + Zeros + "1", 0},
        {"1" + std::string(1000000, '0'), Infinity}, // power 10^6, like 1e1000000
    };
    for (const Case& C : Cases)
        EXPECT_EQ(TextToReal(C.Text).Value, C.Value) << C.Text.substr(0, 40);

    // Far too large for a double, yet below the infinite powers.
    EXPECT_THROW(TextToReal("1" + std::string(5200, '0')), EOverflow);
    EXPECT_THROW(TextToReal(std::string(6000, '9') + "e-1000"), EOverflow);
}

TEST(TextToInt, Syntax)
{
    struct Case {
        const char* Text;
        std::int32_t Value;
        std::size_t ErrorPos;
    };
    const Case Cases[] = {
        {"0", 0, 0},                    {"  42", 42, 0},                {"+7", 7, 0},
        {"-3", -3, 0},                  {"007", 7, 0},                  {"2147483647", 2147483647, 0},
        {"-2147483648", INT32_MIN, 0},  {"0000002147483647", 2147483647, 0},
        {"$1A", 26, 0},                 {"x1a", 26, 0},                 {"X1A", 26, 0},
        {"0x1A", 26, 0},                {"0XfF", 255, 0},               {" $7FFFFFFF", INT32_MAX, 0},
        {"$80000000", INT32_MIN, 0},    {"$FFFFFFFF", -1, 0},           {"$0000000000001A", 26, 0},
        {"2147483648", 0, 10},          {"-2147483649", 0, 11},         {"99999999999", 0, 10},
        {"$100000000", 0, 10},          {"", 0, 1},                     {"   ", 0, 4},
        {"-", 0, 2},                    {"+$1A", 0, 2},                 {"-$1A", 0, 2},
        {"-0x1A", 0, 3},                {"$", 0, 2},                    {"0x", 0, 3},
        {"$G", 0, 2},                   {"2.5", 0, 2},                  {"1e2", 0, 2},
        {"12 ", 0, 3},                  {"\t1", 0, 1},                  {"５", 0, 1},
        {"1,000", 0, 2},                {"$1A ", 0, 4},
    };
    for (const Case& C : Cases) {
        IntFromText Result = TextToInt(C.Text);
        EXPECT_EQ(Result.ErrorPos, C.ErrorPos) << '"' << C.Text << '"';
        EXPECT_EQ(Result.Value, C.Value) << '"' << C.Text << '"';
    }
    EXPECT_EQ(TextToInt(std::string(1000000, '0') + "5").Value, 5);
}

TEST(FloatToText, GeneralFormat)
{
    struct Case {
        double Value;
        const char* Text;
    };
    const Case Cases[] = {
        {100, "100"},
        {12.5, "12,5"},
        {-2.5, "-2,5"},
        {0.0001, "0,0001"},
        {0.00012345, "0,00012345"},
        {0.00001, "1E-5"},
        {-1.5e-5, "-1,5E-5"},
        {1e14, "100000000000000"},
        {99999999999999.9, "99999999999999,9"},
        {999999999999999.875, "1E15"}, // rounding carries into the next power
        {1e15, "1E15"},
        {123456789012345678.0, "1,23456789012346E17"},
        {1.0 / 3, "0,333333333333333"},
        {2.0 / 3, "0,666666666666667"},
        {10.00006103515625, "10,0000610351562"}, // a tie: to even
        {1000000000000015.0, "1,00000000000002E15"},
        {1e100, "1E100"},
        {-1e-100, "-1E-100"},
        {DBL_MAX, "1,79769313486232E308"},
        {std::numeric_limits<double>::denorm_min(), "4,94065645841247E-324"},
        {0.0, "0"},
        {-0.0, "0"},
        {Infinity, "INF"},
        {-Infinity, "-INF"},
        {std::numeric_limits<double>::quiet_NaN(), "NAN"},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(FloatToText(C.Value, ","), C.Text) << C.Value;
    EXPECT_EQ(FloatToText(1234.5, "::"), "1234::5");
}

} // namespace
