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
