// Picture data from the clipboard as bytes. The picture size from a header: any header gives either
// the exactly rounded size of both axes or a refusal, and a refusal happens
// exactly where the size has no answer in 32 bits. The record check: it
// reads only the bytes it is given, and bytes it accepts lead a player that
// steps by record sizes (and never stops at the EOF record) to their end.
// The packed DIB check: it reads only the bytes it is given, and a DIB it
// accepts has every row of pixels within them.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "rtl/MetafileSize.h"
#include "rtl/PackedDib.h"

namespace {

void Check(bool Condition)
{
    if (!Condition)
        std::abort();
}

// Offsets in ENHMETAHEADER: rclFrame, szlDevice, szlMillimeters.
constexpr size_t FrameOffset = 24, DeviceOffset = 72, MillimetresOffset = 80, HeaderSize = 88;

std::int32_t Field(const std::uint8_t* Header, size_t Offset)
{
    std::uint32_t Value = 0;
    for (int I = 3; I >= 0; --I)
        Value = Value << 8 | Header[Offset + I];
    return static_cast<std::int32_t>(Value);
}

// The same axis in 128-bit arithmetic, by comparing remainders rather than
// by rounding a quotient.
void CheckAxis(std::int32_t Low, std::int32_t High, std::int32_t Device, std::int32_t Millimetres)
{
    std::int32_t Pixels = -12345;
    bool Valid = MetafileFramePixels(Low, High, Device, Millimetres, Pixels);
    if (Device <= 0 || Millimetres <= 0 || High < Low) {
        Check(!Valid && Pixels == -12345);
        return;
    }
    __int128 Numerator = (__int128{High} - Low) * Device;
    __int128 Denominator = __int128{Millimetres} * 100;
    // The nearest integer N has |Numerator - N × Denominator| <= Denominator / 2.
    __int128 Floor = Numerator / Denominator;
    __int128 Below = Numerator - Floor * Denominator, Above = Denominator - Below;
    __int128 Nearest = Below < Above ? Floor : Below > Above ? Floor + 1 : (Floor % 2 == 0 ? Floor : Floor + 1);
    if (Nearest > INT32_MAX) {
        Check(!Valid && Pixels == -12345);
        return;
    }
    Check(Valid && Pixels == Nearest && Pixels >= 0);
}

// Steps from record to record as a trusting player does.
void CheckWalk(const std::uint8_t* Data, size_t Size)
{
    if (!MetafileRecordsWellFormed(Data, Size))
        return;
    size_t Offset = 0, Last = 0;
    while (Offset < Size) {
        Check(Size - Offset >= 8);
        std::uint32_t RecordSize = static_cast<std::uint32_t>(Field(Data, Offset + 4));
        Check(RecordSize >= 8 && RecordSize <= Size - Offset);
        Last = Offset;
        Offset += RecordSize;
    }
    Check(Offset == Size && Field(Data, Last) == 14);
}

void CheckDib(const std::uint8_t* Data, size_t Size)
{
    PackedDibSize Dimensions;
    if (!PackedDibWellFormed(Data, Size, Dimensions))
        return;
    Check(Dimensions.Width > 0 && Dimensions.Height > 0);
    std::uint32_t HeaderSize = static_cast<std::uint32_t>(Field(Data, 0));
    if (HeaderSize == 12 || Field(Data, 16) == 0) {
        std::uint32_t Bits = HeaderSize == 12 ? (Data[10] | Data[11] << 8) : (Data[14] | Data[15] << 8);
        __int128 Stride = (__int128{Dimensions.Width} * Bits + 31) / 32 * 4;
        Check(Stride * Dimensions.Height <= static_cast<__int128>(Size - HeaderSize));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, size_t Size)
{
    std::uint8_t Header[HeaderSize] = {};
    std::memcpy(Header, Data, Size < HeaderSize ? Size : HeaderSize);
    CheckAxis(Field(Header, FrameOffset), Field(Header, FrameOffset + 8), Field(Header, DeviceOffset),
              Field(Header, MillimetresOffset));
    CheckAxis(Field(Header, FrameOffset + 4), Field(Header, FrameOffset + 12), Field(Header, DeviceOffset + 4),
              Field(Header, MillimetresOffset + 4));
    CheckWalk(Data, Size);
    CheckDib(Data, Size);
    return 0;
}
