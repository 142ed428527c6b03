// Metafile bytes: which record structures a player may be given. The size
// rule itself is checked against 128-bit arithmetic by its fuzzer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "rtl/MetafileSize.h"

namespace {

// Records as 32-bit words, each (type, size, fields...); the size is filled in.
using Record = std::vector<std::uint32_t>;

std::vector<unsigned char> Bytes(const std::vector<Record>& Records)
{
    std::vector<unsigned char> Out;
    for (Record R : Records) {
        if (R[1] == 0xFEED)
            R[1] = static_cast<std::uint32_t>(4 * R.size());
        for (std::uint32_t Word : R)
            for (int Shift = 0; Shift < 32; Shift += 8)
                Out.push_back(static_cast<unsigned char>(Word >> Shift));
    }
    return Out;
}

constexpr std::uint32_t Auto = 0xFEED;

// ENHMETAHEADER as 22 words: nHandles at word 14, nPalEntries at word 17.
Record Header(std::uint32_t Handles, std::uint32_t PaletteEntries = 0)
{
    Record H(22, 0);
    H[0] = 1;
    H[1] = Auto;
    H[10] = 0x464D4520;
    H[14] = Handles;
    H[17] = PaletteEntries;
    return H;
}

Record EndOfFile(std::uint32_t Entries = 0, std::uint32_t First = 16, int PaletteWords = 0)
{
    Record R{14, Auto, Entries, First};
    R.insert(R.end(), PaletteWords, 0x00FF00FFu);
    R.push_back(0);
    return R;
}

const Record Brush{39, Auto, 1, 0, 0x0000FF, 0}; // EMR_CREATEBRUSHINDIRECT into slot 1
const Record SelectBrush{37, Auto, 1};
const Record SelectStock{37, Auto, 0x80000000u | 5};
const Record Rectangle{43, Auto, 0, 0, 10, 10};

TEST(MetafileRecords, WhatAPlayerMayBeGiven)
{
    struct Case {
        const char* Name;
        std::vector<Record> Records;
        bool WellFormed;
    } Cases[] = {
        {"header and EOF", {Header(1), EndOfFile()}, true},
        {"drawing with its own brush", {Header(2), Brush, SelectBrush, Rectangle, SelectStock, EndOfFile()}, true},
        {"palette in the EOF record", {Header(1, 2), EndOfFile(2, 16, 2)}, true},
        {"no EOF record", {Header(1), Rectangle}, false},
        {"data after the EOF record", {Header(1), EndOfFile(), Rectangle}, false},
        {"record of size 0", {Header(1), Record{43, 0}, EndOfFile()}, false},
        {"record of size 6", {Header(1), Record{43, 6}, EndOfFile()}, false},
        {"record running past the end", {Header(1), Record{43, 400}, EndOfFile()}, false},
        {"handle table too small for the brush", {Header(1), Brush, SelectBrush, EndOfFile()}, false},
        {"slot 0, the metafile's own", {Header(2), Record{39, Auto, 0, 0, 0, 0}, EndOfFile()}, false},
        {"stock flag on a create record", {Header(2), Record{39, Auto, 0x80000001u, 0, 0, 0}, EndOfFile()}, false},
        {"header announces a palette the EOF lacks", {Header(1, 0x7FFFFFFF), EndOfFile()}, false},
        {"palette beyond the EOF record", {Header(1, 2), EndOfFile(2, 16, 1)}, false},
        {"palette offset inside the record's own fields", {Header(1, 1), EndOfFile(1, 8, 1)}, false},
        {"first record not a header", {Rectangle, Header(1), EndOfFile()}, false},
    };
    for (const Case& C : Cases) {
        std::vector<unsigned char> B = Bytes(C.Records);
        EXPECT_EQ(MetafileRecordsWellFormed(B.data(), B.size()), C.WellFormed) << C.Name;
    }
}

// A record of Type whose words follow its rclBounds (four zero words).
Record Drawing(std::uint32_t Type, std::vector<std::uint32_t> Words)
{
    Record R{Type, Auto, 0, 0, 0, 0};
    R.insert(R.end(), Words.begin(), Words.end());
    return R;
}

// An EMRTEXT: chars at offString, advances at offDx (offsets from the
// record's start), options.
std::vector<std::uint32_t> Text(std::uint32_t Chars, std::uint32_t StringAt, std::uint32_t AdvancesAt,
                                std::uint32_t Options = 0)
{
    return {0, 0, Chars, StringAt, Options, 0, 0, 0, 0, AdvancesAt};
}

// EMR_EXTTEXTOUTW: graphics mode, scales, the EMRTEXT (words 9..18), then
// "Hi" and two advances (offString 76, offDx 80).
Record TextOut(std::vector<std::uint32_t> EmrText)
{
    Record R = Drawing(84, {1, 0x3F800000, 0x3F800000});
    R.insert(R.end(), EmrText.begin(), EmrText.end());
    R.insert(R.end(), {0x00690048, 8, 8});
    return R;
}

// EMR_STRETCHDIBITS of a 2 x 2 32-bit bitmap: header at 80, pixels at 120.
Record StretchDibits(std::uint32_t InfoAt, std::uint32_t InfoSize, std::uint32_t PixelsAt, std::uint32_t PixelSize,
                     std::int32_t Width = 2, std::int32_t Height = 2)
{
    Record R = Drawing(81, {0, 0, 0, 0, 2, 2, InfoAt, InfoSize, PixelsAt, PixelSize, 0, 0xCC0020, 2, 2});
    R.insert(R.end(), {40, static_cast<std::uint32_t>(Width), static_cast<std::uint32_t>(Height), 0x00200001, 0, 0,
                       0, 0, 0, 0});
    R.insert(R.end(), 4, 0x00FF0000u);
    return R;
}

// A region of Count rectangles as RGNDATA words (its header, then the
// rectangles present).
std::vector<std::uint32_t> Region(std::uint32_t Count, int Present)
{
    std::vector<std::uint32_t> R{32, 1, Count, 16u * Count, 0, 0, 10, 10};
    for (int I = 0; I < Present; ++I)
        R.insert(R.end(), {0, 0, 10, 10});
    return R;
}

Record Concat(Record R, const std::vector<std::uint32_t>& More)
{
    R.insert(R.end(), More.begin(), More.end());
    return R;
}

// Records whose counts and offsets name bytes outside them: the player
// would read past the record, or the metafile, or far beyond.
TEST(MetafileRecords, WhatTheFieldsOfARecordName)
{
    const std::uint32_t Huge = 0x7FFFFFF0;
    struct Case {
        const char* Name;
        Record R;
        bool WellFormed;
    } Cases[] = {
        {"polyline, 2 points", Drawing(4, {2, 0, 0, 5, 5}), true},
        {"polyline, 0 points", Drawing(4, {0}), true},
        {"polyline, more points than the record holds", Drawing(4, {3, 0, 0, 5, 5}), false},
        {"polyline16, 2^31 points", Drawing(87, {0x80000000u, 0x00010001}), false},
        {"polyline16, count missing", Drawing(87, {}), false},
        {"polypolygon, 2 + 1 points", Drawing(8, {2, 3, 2, 1, 0, 0, 5, 5, 9, 9}), true},
        {"polypolygon, counts beyond the points", Drawing(8, {2, 3, 2, Huge, 0, 0, 5, 5, 9, 9}), false},
        {"polypolygon, counts that wrap in 32 bits", Drawing(8, {2, 3, 0xFFFFFFFFu, 4, 0, 0, 5, 5, 9, 9}), false},
        {"polypolyline16, 2^24 polygons", Drawing(90, {0x1000000, 4, 4}), false},
        {"polydraw16, point types missing", Drawing(92, {2, 0, 0x00050005}), false},
        {"text out", TextOut(Text(2, 76, 80)), true},
        {"text out, advances for both axes missing", TextOut(Text(2, 76, 80, 0x2000)), false},
        {"text out, string beyond the record", TextOut(Text(2, 0x7FFF0000, 80)), false},
        {"text out, 2^24 characters", TextOut(Text(0x1000000, 76, 80)), false},
        {"text out, advances beyond the record", TextOut(Text(2, 76, 84)), false},
        {"text out, no characters, offsets unused", TextOut(Text(0, Huge, Huge)), true},
        {"text out, cut before its EMRTEXT ends", Drawing(84, {1, 0, 0, 0, 0, 2}), false},
        {"poly text out, 2^24 texts", Drawing(97, {1, 0, 0, 0x1000000}), false},
        {"stretch DIB, 2 x 2 x 32", StretchDibits(80, 40, 120, 16), true},
        {"stretch DIB, header beyond the record", StretchDibits(0x7FFF0000, 40, 120, 16), false},
        {"stretch DIB, pixels beyond the record", StretchDibits(80, 40, 0x7FFF0000, 16), false},
        {"stretch DIB, fewer pixels than rows", StretchDibits(80, 40, 120, 12), false},
        {"stretch DIB, 100000 x 100000 in 16 bytes", StretchDibits(80, 40, 120, 16, 100000, 100000), false},
        {"stretch DIB, header size 0", StretchDibits(80, 0, 120, 16), false},
        {"set DIBits, 1 of 2 rows stored",
         Concat(Drawing(80, {0, 0, 0, 0, 2, 2, 76, 40, 116, 8, 0, 0, 1}),
                {40, 2, 2, 0x00200001, 0, 0, 0, 0, 0, 0, 1, 2}),
         true},
        {"set DIBits, 2 rows claimed, 1 stored",
         Concat(Drawing(80, {0, 0, 0, 0, 2, 2, 76, 40, 116, 8, 0, 0, 2}),
                {40, 2, 2, 0x00200001, 0, 0, 0, 0, 0, 0, 1, 2}),
         false},
        {"bit blt without a source", Drawing(76, std::vector<std::uint32_t>(19, 0)), true},
        {"bit blt, source beyond the record",
         Drawing(76, {0, 0, 10, 10, 0xCC0020, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x7FFF0000, 40, 0x7FFF0000, 400}),
         false},
        {"fill region, one rectangle", Concat(Drawing(71, {48, 1}), Region(1, 1)), true},
        {"fill region, 2^24 rectangles in one", Concat(Drawing(71, {48, 1}), Region(0x1000000, 1)), false},
        {"fill region, data beyond the record", Concat(Drawing(71, {Huge, 1}), Region(1, 1)), false},
        {"fill region, brush slot outside the table", Concat(Drawing(71, {48, 9}), Region(1, 1)), false},
        {"fill region, stock brush (not in the table)", Concat(Drawing(71, {48, 0x80000000u}), Region(1, 1)), false},
        {"clip to no region", Record{75, Auto, 0, 5}, true},
        {"clip region, 2^24 rectangles", Concat(Record{75, Auto, 48, 1}, Region(0x1000000, 1)), false},
        {"gradient, a rectangle between two vertices",
         Drawing(118, {2, 1, 0, 0, 0, 0, 0, 10, 10, 0, 0, 0, 1}), true},
        {"gradient, a corner naming vertex 7 of 2",
         Drawing(118, {2, 1, 0, 0, 0, 0, 0, 10, 10, 0, 0, 0, 7}), false},
        {"gradient, 2^28 vertices", Drawing(118, {0x10000000, 0, 0}), false},
        {"comment, 4 bytes", Record{70, Auto, 4, 0x2B464D45}, true},
        {"comment, 2^31 bytes", Record{70, Auto, Huge, 0x2B464D45}, false},
        {"palette of 2^16 - 1 entries in 1", Record{49, Auto, 1, 0xFFFF0300u, 0}, false},
        {"pen with 2^24 style entries", Record{95, Auto, 1, 0, 0, 0, 0, 0x700, 1, 0, 0, 0, 0x1000000}, false},
        {"pen with 1 style entry, no bitmap", Record{95, Auto, 1, 0, 0, 0, 0, 0x700, 1, 0, 0, 0, 1, 3}, true},
        {"pen, cut before its style count", Record{95, Auto, 1, 0, 0, 0, 0}, false},
        {"create pen, cut short", Record{38, Auto, 1, 0}, false},
        {"small text out, 2^24 characters", Record{108, Auto, 0, 0, 0x1000000, 0x100, 1, 0, 0}, false},
    };
    for (const Case& C : Cases) {
        std::vector<unsigned char> B = Bytes({Header(2), C.R, EndOfFile()});
        EXPECT_EQ(MetafileRecordsWellFormed(B.data(), B.size()), C.WellFormed) << C.Name;
    }
}

TEST(MetafileRecords, TruncatedBytes)
{
    std::vector<unsigned char> B = Bytes({Header(2), Brush, SelectBrush, Rectangle, EndOfFile()});
    for (std::size_t Size = 0; Size < B.size(); ++Size) {
        std::vector<unsigned char> Cut(B.begin(), B.begin() + static_cast<std::ptrdiff_t>(Size));
        EXPECT_FALSE(MetafileRecordsWellFormed(Cut.data(), Cut.size())) << Size;
    }
}

TEST(MetafileFrame, PixelsOfOneAxis)
{
    struct Case {
        std::int32_t Low, High, Device, Millimetres;
        bool Valid;
        std::int32_t Pixels;
    } Cases[] = {
        {0, 10000, 1024, 320, true, 320},
        {-5000, 5000, 768, 240, true, 320},
        {0, 50, 1, 1, true, 0},   // 0.5 to even
        {0, 150, 1, 1, true, 2},  // 1.5 to even
        {0, 250, 1, 1, true, 2},  // 2.5 to even
        {0, 0, 1, 1, true, 0},
        {INT32_MIN, INT32_MAX, 1, 1, true, 42949673},
        {0, 100, 0, 1, false, 0},
        {0, 100, 1, -1, false, 0},
        {100, 0, 1, 1, false, 0},
        {INT32_MIN, INT32_MAX, INT32_MAX, 1, false, 0},
    };
    for (const Case& C : Cases) {
        std::int32_t Pixels = -7;
        ASSERT_EQ(MetafileFramePixels(C.Low, C.High, C.Device, C.Millimetres, Pixels), C.Valid)
            << C.Low << ".." << C.High << " " << C.Device << "/" << C.Millimetres;
        EXPECT_EQ(Pixels, C.Valid ? C.Pixels : -7);
    }
}

} // namespace
