// Where a picture lands on the page, in every mode.
#include <gtest/gtest.h>

#include <array>
#include <limits>

#include "core/Placement.h"
#include "rtl/Exceptions.h"
#include "tests/core/ControlWord.h"

namespace {

constexpr std::int32_t Min32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t Max32 = std::numeric_limits<std::int32_t>::max();
constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

PrintSettings With(std::int32_t Mode, double WidthMm = 100, double HeightMm = 100, std::int32_t DotScale = 1,
                   bool KeepRatio = true)
{
    return {Mode, WidthMm, HeightMm, DotScale, KeepRatio};
}

struct Input {
    std::int32_t PictureWidth, PictureHeight, DpiX, DpiY, PrintableWidth, PrintableHeight;
    PrintSettings Settings;
};

PrintRect Compute(const Input& In)
{
    return ComputePrintRect(In.PictureWidth, In.PictureHeight, In.DpiX, In.DpiY, In.PrintableWidth,
                            In.PrintableHeight, In.Settings);
}

struct Case {
    const char* Name;
    Input In;
    PrintRect Expected;
};

// 640 x 480 at 600 dpi on 4800 x 6600 unless the case says otherwise.
const Case Cases[] = {
    {"defaults", {640, 480, 600, 600, 4800, 6600, With(pmFit)}, {0, 0, 4800, 6600}},
    {"size centred", {640, 480, 600, 600, 4800, 6600, With(pmSizeCenter)}, {1219, 2414, 3581, 4186}},
    {"size left", {640, 480, 600, 600, 4800, 6600, With(pmSizeLeft)}, {0, 0, 2362, 1772}},
    {"size left, own height", {640, 480, 600, 600, 4800, 6600, With(pmSizeLeft, 100, 100, 1, false)},
     {0, 0, 2362, 2362}},
    {"dots centred", {640, 480, 600, 600, 4800, 6600, With(pmDotCenter)}, {2080, 3060, 2720, 3540}},
    {"dots left, N 3", {640, 480, 600, 600, 4800, 6600, With(pmDotLeft, 100, 100, 3)}, {0, 0, 1920, 1440}},

    // Centred odd sizes keep every printer pixel.
    {"odd dots centred", {5, 3, 600, 600, 100, 100, With(pmDotCenter)}, {48, 49, 53, 52}},
    {"odd dots, odd printable", {5, 3, 600, 600, 101, 101, With(pmDotCenter)}, {48, 49, 53, 52}},
    {"odd dots, N 2", {5, 3, 600, 600, 100, 100, With(pmDotCenter, 100, 100, 2)}, {45, 47, 55, 53}},
    {"odd size centred", {640, 480, 300, 300, 2400, 3300, With(pmSizeCenter)}, {610, 1207, 1791, 2093}},

    {"larger than the page, centred", {6000, 8000, 600, 600, 4800, 6600, With(pmDotCenter)},
     {-600, -700, 5400, 7300}},
    {"larger than the page, left", {6000, 8000, 600, 600, 4800, 6600, With(pmDotLeft)}, {0, 0, 6000, 8000}},

    {"empty picture, dots left", {0, 0, 600, 600, 4800, 6600, With(pmDotLeft)}, {0, 0, 0, 0}},
    {"empty picture, dots centred", {0, 0, 600, 600, 4800, 6600, With(pmDotCenter)}, {2400, 3300, 2400, 3300}},
    {"empty picture, fit", {0, 0, 600, 600, 4800, 6600, With(pmFit)}, {0, 0, 4800, 6600}},
    {"empty picture, size", {0, 0, 600, 600, 4800, 6600, With(pmSizeLeft)}, {0, 0, 2362, 0}},
    {"zero width counts as 1", {0, 50, 600, 600, 4800, 6600, With(pmSizeLeft)}, {0, 0, 2362, 118110}},

    {"negative picture, dots left", {-5, -3, 600, 600, 100, 100, With(pmDotLeft, 100, 100, 2)}, {0, 0, -10, -6}},
    {"negative picture, dots centred", {-5, -3, 600, 600, 100, 100, With(pmDotCenter, 100, 100, 2)},
     {55, 53, 45, 47}},
    {"negative picture, ratio", {-5, -3, 600, 600, 100, 100, With(pmSizeLeft)}, {0, 0, 2362, -7087}},
    {"negative N", {5, 3, 600, 600, 100, 100, With(pmDotLeft, 100, 100, -2)}, {0, 0, -10, -6}},
    {"negative printable, fit", {5, 3, 600, 600, -100, -50, With(pmFit)}, {0, 0, -100, -50}},
    {"negative printable, centred", {5, 3, 600, 600, -101, -100, With(pmDotCenter)}, {-52, -51, -47, -48}},

    {"anisotropic, ratio", {640, 480, 600, 300, 4800, 3300, With(pmSizeLeft)}, {0, 0, 2362, 886}},
    {"anisotropic, own height", {640, 480, 600, 1200, 4800, 13200, With(pmSizeLeft, 100, 50, 1, false)},
     {0, 0, 2362, 2362}},
    {"anisotropic dots ignore dpi", {5, 3, 600, 100, 100, 100, With(pmDotCenter)}, {48, 49, 53, 52}},

    {"mode -1", {640, 480, 600, 600, 4800, 6600, With(-1)}, {0, 0, 4800, 6600}},
    {"mode 5", {640, 480, 600, 600, 4800, 6600, With(5)}, {0, 0, 4800, 6600}},
    {"mode 7", {640, 480, 600, 600, 4800, 6600, With(7)}, {0, 0, 4800, 6600}},
    {"lowest mode", {640, 480, 600, 600, 4800, 6600, With(Min32)}, {0, 0, 4800, 6600}},

    // A size the fit and dot modes never use cannot fail them.
    {"very tall, fit", {1, 909102, 600, 600, 4800, 6600, With(pmFit)}, {0, 0, 4800, 6600}},
    {"very tall, dots left", {1, 909102, 600, 600, 4800, 6600, With(pmDotLeft)}, {0, 0, 1, 909102}},
    {"very tall, dots centred", {1, 909102, 600, 600, 4800, 6600, With(pmDotCenter)},
     {2400, -451251, 2401, 457851}},
    {"tall at the limit", {1, 909101, 600, 600, 4800, 6600, With(pmSizeLeft)}, {0, 0, 2362, 2147482677}},
    {"very tall, own height", {1, 909102, 600, 600, 4800, 6600, With(pmSizeLeft, 100, 100, 1, false)},
     {0, 0, 2362, 2362}},
    {"unused sizes may be anything", {640, 480, 600, 600, 4800, 6600, With(pmDotLeft, NaN, Inf)},
     {0, 0, 640, 480}},
    {"unused height may be anything", {640, 480, 600, 600, 4800, 6600, With(pmSizeLeft, 100, NaN)},
     {0, 0, 2362, 1772}},

    // The extended product lies just below 151.5; in double it is 151.5.
    {"extended precision", {640, 480, 303, 303, 4800, 6600, With(pmSizeLeft, 12.7, 12.7, 1, false)},
     {0, 0, 151, 151}},
    {"extended precision, derived height", {1, 1411789, 600, 127, 4800, 6600, With(pmSizeLeft, 12.7)},
     {0, 0, 300, 89648601}},

    {"widest dots", {21474836, 1, 600, 600, 4800, 6600, With(pmDotLeft, 100, 100, 100)}, {0, 0, 2147483600, 100}},
    {"extreme centring", {Max32, Min32, 600, 600, Max32, Max32, With(pmDotCenter)}, {0, Max32, Max32, -1}},
};

TEST(ComputePrintRect, PlacesInEveryModeWhateverTheControlWord)
{
    for (std::uint16_t ControlWord : ControlWords) {
        ControlWordScope Scope(ControlWord);
        for (const Case& C : Cases) {
            PrintRect R = Compute(C.In);
            EXPECT_EQ((std::array{R.Left, R.Top, R.Right, R.Bottom}),
                      (std::array{C.Expected.Left, C.Expected.Top, C.Expected.Right, C.Expected.Bottom}))
                << C.Name << ", control word " << std::hex << ControlWord;
            EXPECT_EQ(GetX87ControlWord(), ControlWord) << C.Name;
        }
    }
}

// Wine starts a process at 53-bit precision; the sizes stay exact there.
TEST(ComputePrintRect, PrecisionExampleHoldsAt53Bits)
{
    ControlWordScope Scope(0x027F);
    volatile long double One = 1, Tiny = 0x1p-60L;
    ASSERT_EQ(One + Tiny, One) << "53-bit precision is not in effect";

    PrintRect R = ComputePrintRect(640, 480, 303, 600, 4800, 6600, With(pmSizeLeft, 12.7, 100, 1, false));
    EXPECT_EQ(R.Right, 151);
    // Here 53-bit steps would land on 89648601.5 and round up.
    R = ComputePrintRect(1, 1411789, 600, 127, 4800, 6600, With(pmSizeLeft, 12.7));
    EXPECT_EQ(R.Bottom, 89648601);
    EXPECT_EQ(GetX87ControlWord(), 0x027F);
}

struct FailureCase {
    const char* Name;
    Input In;
    bool RangeError; // else integer overflow
};

const FailureCase Failures[] = {
    {"too tall, size left", {1, 909102, 600, 600, 4800, 6600, With(pmSizeLeft)}, true},
    {"too tall, size centred", {1, 909102, 600, 600, 4800, 6600, With(pmSizeCenter)}, true},
    {"height too large", {640, 480, 600, 600, 4800, 6600, With(pmSizeLeft, 100, 1e300, 1, false)}, true},
    {"width too large", {640, 480, 600, 600, 4800, 6600, With(pmSizeCenter, 1e10)}, true},
    {"width too negative", {640, 480, 600, 600, 4800, 6600, With(pmSizeLeft, -1e10)}, true},
    {"resolution too high", {640, 480, Max32, 600, 4800, 6600, With(pmSizeLeft, 5000)}, true},
    {"resolution too low", {640, 480, 600, Min32, 4800, 6600, With(pmSizeLeft, 5000)}, true},
    {"width NaN", {640, 480, 600, 600, 4800, 6600, With(pmSizeLeft, NaN)}, true},
    {"width infinite", {640, 480, 600, 600, 4800, 6600, With(pmSizeCenter, Inf)}, true},
    {"height infinite", {640, 480, 600, 600, 4800, 6600, With(pmSizeLeft, 100, -Inf, 1, false)}, true},

    {"dots too wide, left", {21474837, 1, 600, 600, 4800, 6600, With(pmDotLeft, 100, 100, 100)}, false},
    {"dots too high, left", {1, 21474837, 600, 600, 4800, 6600, With(pmDotLeft, 100, 100, 100)}, false},
    {"dots too wide, centred", {21474837, 1, 600, 600, 4800, 6600, With(pmDotCenter, 100, 100, 100)}, false},
    {"dots too high, centred", {1, 21474837, 600, 600, 4800, 6600, With(pmDotCenter, 100, 100, 100)}, false},
    {"negated lowest N", {-1, 1, 600, 600, 4800, 6600, With(pmDotLeft, 100, 100, Min32)}, false},
    {"twice lowest N, centred", {2, 1, 600, 600, 4800, 6600, With(pmDotCenter, 100, 100, Min32)}, false},
};

TEST(ComputePrintRect, FailsWithTheRangeOrOverflowError)
{
    for (std::uint16_t ControlWord : ControlWords) {
        ControlWordScope Scope(ControlWord);
        for (const FailureCase& C : Failures) {
            try {
                Compute(C.In);
                ADD_FAILURE() << C.Name << ": no error";
            } catch (const ERangeError& E) {
                EXPECT_TRUE(C.RangeError) << C.Name;
                EXPECT_EQ(E.Message(), "範囲チェックエラー");
            } catch (const EIntOverflow& E) {
                EXPECT_FALSE(C.RangeError) << C.Name;
                EXPECT_EQ(E.Message(), "整数のオーバーフロー");
            }
            EXPECT_EQ(GetX87ControlWord(), ControlWord) << C.Name;
        }
    }
}

} // namespace
