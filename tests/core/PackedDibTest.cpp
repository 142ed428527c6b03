// Packed DIB bytes: which headers may be handed to Windows' conversion.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "rtl/PackedDib.h"

namespace {

struct Info {
    std::uint32_t HeaderSize = 40;
    std::int32_t Width = 4, Height = 2;
    std::uint16_t Planes = 1, Bits = 32;
    std::uint32_t Compression = 0, ImageSize = 0, ColoursUsed = 0;
};

// The header, then Following bytes of masks, colours and pixels.
std::vector<unsigned char> Dib(const Info& I, std::size_t Following)
{
    std::vector<unsigned char> B(I.HeaderSize + Following, 0);
    auto Put = [&](std::size_t At, std::uint32_t Value, int Length) {
        for (int K = 0; K < Length; ++K)
            B[At + K] = static_cast<unsigned char>(Value >> (8 * K));
    };
    Put(0, I.HeaderSize, 4);
    if (I.HeaderSize == 12) {
        Put(4, static_cast<std::uint32_t>(I.Width), 2);
        Put(6, static_cast<std::uint32_t>(I.Height), 2);
        Put(8, I.Planes, 2);
        Put(10, I.Bits, 2);
        return B;
    }
    Put(4, static_cast<std::uint32_t>(I.Width), 4);
    Put(8, static_cast<std::uint32_t>(I.Height), 4);
    Put(12, I.Planes, 2);
    Put(14, I.Bits, 2);
    Put(16, I.Compression, 4);
    Put(20, I.ImageSize, 4);
    Put(32, I.ColoursUsed, 4);
    return B;
}

TEST(PackedDib, HeadersThatMayBeConverted)
{
    struct Case {
        const char* Name;
        Info Header;
        std::size_t Following;
        bool WellFormed;
    } Cases[] = {
        {"32 bits, all rows", {}, 4 * 4 * 2, true},
        {"top-down", {.Height = -2}, 4 * 4 * 2, true},
        {"one byte of pixels missing", {}, 4 * 4 * 2 - 1, false},
        {"8 bits, table and padded rows", {.Width = 5, .Bits = 8}, 256 * 4 + 8 * 2, true},
        {"8 bits, table cut short", {.Width = 5, .Bits = 8}, 255 * 4 + 8 * 2, false},
        {"8 bits, 2 colours used", {.Width = 5, .Bits = 8, .ColoursUsed = 2}, 2 * 4 + 8 * 2, true},
        {"8 bits, more colours than 256", {.Bits = 8, .ColoursUsed = 257}, 257 * 4 + 4 * 2, false},
        {"bit fields with masks", {.Compression = 3}, 12 + 4 * 4 * 2, true},
        {"bit fields without masks", {.Compression = 3}, 4 * 4 * 2, false},
        {"bit fields in a V5 header", {.HeaderSize = 124, .Compression = 3}, 4 * 4 * 2, true},
        {"RLE8 with its data", {.Bits = 8, .Compression = 1, .ImageSize = 6}, 256 * 4 + 6, true},
        {"RLE8 top-down", {.Height = -2, .Bits = 8, .Compression = 1, .ImageSize = 6}, 256 * 4 + 6, false},
        {"RLE8 data cut short", {.Bits = 8, .Compression = 1, .ImageSize = 60}, 256 * 4 + 6, false},
        {"core header, 24 bits", {.HeaderSize = 12, .Bits = 24}, 12 * 2, true},
        {"core header, table of triples", {.HeaderSize = 12, .Bits = 1}, 2 * 3 + 4 * 2, true},
        {"height 0", {.Height = 0}, 64, false},
        {"negative width", {.Width = -4}, 4 * 4 * 2, false},
        {"bit count 0", {.Bits = 0}, 64, false},
        {"bit count 7", {.Bits = 7}, 64, false},
        {"two planes", {.Planes = 2}, 4 * 4 * 2, false},
        {"JPEG", {.Bits = 0, .Compression = 4, .ImageSize = 10}, 10, false},
        {"header size 64", {.HeaderSize = 64}, 4 * 4 * 2, false},
        {"huge, nothing behind it", {.Width = 0x7FFFFFFF, .Height = 0x7FFFFFFF}, 64, false},
        {"most negative height", {.Height = INT32_MIN}, 64, false},
    };
    for (const Case& C : Cases) {
        std::vector<unsigned char> B = Dib(C.Header, C.Following);
        PackedDibSize Size;
        EXPECT_EQ(PackedDibWellFormed(B.data(), B.size(), Size), C.WellFormed) << C.Name;
        if (C.WellFormed) {
            EXPECT_EQ(Size.Width, C.Header.Width) << C.Name;
            EXPECT_EQ(Size.Height, C.Header.Height < 0 ? -C.Header.Height : C.Header.Height) << C.Name;
        }
    }
}

TEST(PackedDib, ShorterThanItsHeader)
{
    std::vector<unsigned char> B = Dib({}, 32);
    PackedDibSize Size;
    for (std::size_t Length : {0u, 3u, 4u, 39u})
        EXPECT_FALSE(PackedDibWellFormed(B.data(), Length, Size)) << Length;
}

} // namespace
