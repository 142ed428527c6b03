// Exceptions, extended arithmetic and the floating-point environment.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "rtl/Exceptions.h"
#include "rtl/Extended.h"
#include "rtl/FloatingPoint.h"
#include "tests/core/ControlWord.h"

namespace {

constexpr std::int32_t Min32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t Max32 = std::numeric_limits<std::int32_t>::max();

template <class E> std::string MessageOf()
{
    try {
        throw E();
    } catch (const Exception& Caught) {
        EXPECT_STREQ(Caught.what(), Caught.Message().c_str());
        return Caught.Message();
    }
}

TEST(Exceptions, DefaultMessagesAndHierarchy)
{
    EXPECT_EQ(MessageOf<ERangeError>(), "範囲チェックエラー");
    EXPECT_EQ(MessageOf<EIntOverflow>(), "整数のオーバーフロー");
    EXPECT_EQ(MessageOf<EOverflow>(), "浮動小数点数のオーバーフロー");
    EXPECT_EQ(MessageOf<EInvalidOp>(), "浮動小数点数の無効な演算");
    EXPECT_EQ(MessageOf<EZeroDivide>(), "浮動小数点数のゼロ除算");
    EXPECT_FALSE(MessageOf<EAbort>().empty());

    static_assert(std::is_base_of_v<EIntError, ERangeError> && std::is_base_of_v<EIntError, EIntOverflow>);
    static_assert(std::is_base_of_v<EMathError, EOverflow> && std::is_base_of_v<EMathError, EInvalidOp> &&
                  std::is_base_of_v<EMathError, EZeroDivide>);
    static_assert(std::is_base_of_v<Exception, EIntError> && std::is_base_of_v<Exception, EMathError> &&
                  std::is_base_of_v<Exception, EAbort> && std::is_base_of_v<Exception, EPrinter> &&
                  std::is_base_of_v<Exception, EInvalidGraphic> &&
                  std::is_base_of_v<Exception, EOutOfResources> && std::is_base_of_v<Exception, EWin32Error>);
    static_assert(std::is_nothrow_copy_constructible_v<Exception>);
}

TEST(Exceptions, GivenMessagesSurviveCopies)
{
    EPrinter Original("選択したプリンタは有効ではありません");
    EPrinter Copy = Original;
    EXPECT_EQ(Copy.Message(), "選択したプリンタは有効ではありません");
    EXPECT_EQ(EOutOfResources("タイマーを取得できません").Message(), "タイマーを取得できません");
}

TEST(Exceptions, Win32ErrorShowsSignedCodeAndSystemText)
{
    EWin32Error Denied(5, "アクセスが拒否されました。");
    EXPECT_EQ(Denied.Message(), "Win32 エラー。コード : 5.\nアクセスが拒否されました。");
    EXPECT_EQ(Denied.ErrorCode(), 5u);
    EXPECT_EQ(EWin32Error(0x80004005u, "").Message(), "Win32 エラー。コード : -2147467259.\n");
}

TEST(Extended, MillimetresPerInchIsTheExtendedNearest254)
{
    const unsigned char Expected[10] = {0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0xCB, 0x03, 0x40};
    long double Value = MillimetresPerInch;
    EXPECT_EQ(std::memcmp(&Value, Expected, 10), 0);
}

TEST(Extended, RoundTiesToEvenWhateverTheControlWord)
{
    struct Case {
        long double X;
        std::int32_t Expected;
    };
    const Case Cases[] = {
        {2.5L, 2}, {3.5L, 4}, {-2.5L, -2}, {-3.5L, -4}, {0.5L, 0}, {-0.5L, 0}, {1.5L, 2},
        {0.49999999999999999995L, 0}, {2.50000000000000000022L, 3}, {-7.6L, -8}, {7.4L, 7},
        {2147483647.4999L, Max32}, {2147483646.5L, 2147483646}, {-2147483648.5L, Min32},
        {-2147483647.5L, Min32}, {123456789.5L, 123456790},
    };
    for (std::uint16_t ControlWord : ControlWords) {
        ControlWordScope Scope(ControlWord);
        for (const Case& C : Cases)
            EXPECT_EQ(Round(C.X), C.Expected) << static_cast<double>(C.X) << " cw " << ControlWord;
    }
}

TEST(Extended, RoundOutsideTheRangeIsARangeError)
{
    const long double Outside[] = {
        2147483647.5L, 2147483648.0L, -2147483648.50000000047L, -2147483649.0L, 1e300L, -1e4000L,
        std::numeric_limits<long double>::infinity(), -std::numeric_limits<long double>::infinity(),
        std::numeric_limits<long double>::quiet_NaN(),
    };
    for (long double X : Outside)
        EXPECT_THROW(Round(X), ERangeError) << static_cast<double>(X);
}

TEST(Extended, CheckedArithmetic)
{
    struct Case {
        std::int32_t (*Operation)(std::int32_t, std::int32_t);
        std::int32_t A, B;
        bool Overflows;
        std::int32_t Expected;
    };
    const Case Cases[] = {
        {Add, Max32, 0, false, Max32},     {Add, Max32, 1, true, 0},
        {Add, Min32, -1, true, 0},         {Add, Min32, Max32, false, -1},
        {Sub, Min32, 1, true, 0},          {Sub, 0, Min32, true, 0},
        {Sub, -1, Min32, false, Max32},    {Sub, Max32, -1, true, 0},
        {Mul, 21474836, 100, false, 2147483600}, {Mul, 21474837, 100, true, 0},
        {Mul, -1, Min32, true, 0},         {Mul, 1, Min32, false, Min32},
        {Mul, -65536, 32768, false, Min32}, {Mul, 65536, 32768, true, 0},
    };
    for (const Case& C : Cases) {
        if (C.Overflows)
            EXPECT_THROW(C.Operation(C.A, C.B), EIntOverflow) << C.A << ", " << C.B;
        else
            EXPECT_EQ(C.Operation(C.A, C.B), C.Expected) << C.A << ", " << C.B;
    }
    EXPECT_EQ(Half(-5), -2);
    EXPECT_EQ(Half(5), 2);
    EXPECT_EQ(Half(Min32), -1073741824);
    EXPECT_EQ(Half(Max32), 1073741823);
}

TEST(FloatingPoint, DefaultsAndGuardRestoreTheEnvironment)
{
    SetX87ControlWord(0x0E72); // 53-bit, toward zero, some exceptions unmasked
    SetFloatingPointDefaults();
    EXPECT_EQ(GetX87ControlWord(), 0x037F);
    EXPECT_EQ(GetMxcsr() & 0xFFC0u, 0x1F80u);

    for (std::uint16_t ControlWord : ControlWords) {
        ControlWordScope Scope(ControlWord);
        {
            ExtendedPrecision Precision;
            EXPECT_EQ(GetX87ControlWord(), (ControlWord & 0xF0C0) | 0x033F);
        }
        EXPECT_EQ(GetX87ControlWord(), ControlWord);
    }

    // Overflow raised under the guard does not trap once an unmasked
    // control word is back.
    {
        ControlWordScope Scope(0x0372);
        {
            ExtendedPrecision Precision;
            volatile long double Big = 1e4000L;
            volatile long double Product = Big * Big;
            EXPECT_TRUE(std::isinf(static_cast<long double>(Product)));
        }
        volatile long double One = 1;
        EXPECT_EQ(One + One, 2);
    }
}

} // namespace
