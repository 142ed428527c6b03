// The settings dialog's texts: what a typed text gives, and what is shown.
#include <gtest/gtest.h>

#include <string>

#include "core/SettingsText.h"
#include "rtl/Exceptions.h"
#include "tests/core/ControlWord.h"

namespace {

TEST(MillimetresFromText, ConvertsAndClamps)
{
    struct Case {
        const char* Text;
        double Millimetres;
    };
    const Case Cases[] = {
        {"10", 10},           {"5000", 5000},        {"12.5", 12.5},         {"  100", 100},
        {"+150", 150},        {"1.5e2", 150},        {"1E3", 1000},          {"4999.99", 4999.99},
        {"9.99", 10},         {"9.9999999999", 10},  {"5000.000001", 5000},  {"5001", 5000},
        {"-20", 10},          {"0", 10},             {"", 10},               {"   ", 10},
        {".5", 10},           {".", 10},             {"e5", 10},             {"100 ", 10},
        {"12,5", 10},         {"1,000", 10},         {"\t100", 10},          {"１００", 10},
        {"1e308", 5000},      {"-1e308", 10},        {"1e5120", 5000},       {"-1e5120", 10},
        {"1e-5120", 10},      {"1e400x", 10},        {"1e", 10},             {"0x64", 10},
    };
    for (std::uint16_t ControlWord : ControlWords) {
        ControlWordScope Scope(ControlWord);
        for (const Case& C : Cases)
            EXPECT_EQ(MillimetresFromText(C.Text), C.Millimetres) << '"' << C.Text << '"';
    }
}

TEST(MillimetresFromText, TooLargeForADoubleIsAnOverflow)
{
    for (const char* Text : {"1e400", "-1e400", "1e5119"}) {
        try {
            MillimetresFromText(Text);
            ADD_FAILURE() << Text << " gave a value";
        } catch (const EOverflow& E) {
            EXPECT_EQ(E.Message(), "浮動小数点数のオーバーフロー") << Text;
        }
    }
}

TEST(DotScaleFromText, ConvertsAndClamps)
{
    struct Case {
        const char* Text;
        std::int32_t DotScale;
    };
    const Case Cases[] = {
        {"1", 1},           {"7", 7},           {"100", 100},         {"101", 100},
        {"0", 1},           {"-3", 1},          {"+7", 7},            {"007", 7},
        {" 50", 50},        {"50 ", 1},         {"", 1},              {"   ", 1},
        {"2.5", 1},         {"1e2", 1},         {"５", 1},            {"$1A", 26},
        {"0x1A", 26},       {"x1A", 26},        {"X1a", 26},          {"0X1A", 26},
        {"-$1A", 1},        {"$FFFFFFFF", 1},   {"$7FFFFFFF", 100},   {"2147483647", 100},
        {"2147483648", 1},  {"-2147483648", 1}, {"-2147483649", 1},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(DotScaleFromText(C.Text), C.DotScale) << '"' << C.Text << '"';
}

TEST(NumberToText, GeneralFormatWithAPeriod)
{
    struct Case {
        double Value;
        const char* Text;
    };
    const Case Cases[] = {
        {100, "100"},
        {1, "1"},
        {12.5, "12.5"},
        {0.0001, "0.0001"},
        {1e15, "1E15"},
        {123456789012345678.0, "1.23456789012346E17"},
        {1.0 / 3, "0.333333333333333"},
        {-12.5, "-12.5"},
        {-0.00001, "-1E-5"},
        {4999.99, "4999.99"},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(NumberToText(C.Value), C.Text) << C.Value;
}

// OK without typing must leave every value the dialog can hold as it was.
TEST(NumberToText, ReadsBackUnchanged)
{
    for (double Value : {10.0, 12.5, 33.3, 100.0, 127.7, 210.1, 297.0, 1234.5678, 4999.99, 5000.0,
                         10.000000000001, 4999.99999999999})
        EXPECT_EQ(MillimetresFromText(NumberToText(Value)), Value) << NumberToText(Value);
    for (std::int32_t DotScale : {1, 2, 50, 99, 100})
        EXPECT_EQ(DotScaleFromText(NumberToText(DotScale)), DotScale);
}

} // namespace
