#include "rtl/PackedDib.h"

namespace {

enum : std::uint32_t { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3 };

std::uint32_t Read(const unsigned char* Bytes, std::size_t At, int Length)
{
    std::uint32_t Value = 0;
    for (int I = Length - 1; I >= 0; --I)
        Value = Value << 8 | Bytes[At + static_cast<std::size_t>(I)];
    return Value;
}

} // namespace

bool PackedDibWellFormed(const unsigned char* Bytes, std::size_t Size, PackedDibSize& Dimensions)
{
    if (Size < 4)
        return false;
    std::uint32_t HeaderSize = Read(Bytes, 0, 4);
    bool Core = HeaderSize == 12;
    if (!Core && HeaderSize != 40 && HeaderSize != 52 && HeaderSize != 56 && HeaderSize != 108 && HeaderSize != 124)
        return false;
    if (HeaderSize > Size)
        return false;

    std::int64_t Width, Height;
    std::uint32_t Planes, Bits, Compression = Rgb, ImageSize = 0, ColoursUsed = 0;
    if (Core) {
        Width = Read(Bytes, 4, 2);
        Height = Read(Bytes, 6, 2);
        Planes = Read(Bytes, 8, 2);
        Bits = Read(Bytes, 10, 2);
        if (Bits != 1 && Bits != 4 && Bits != 8 && Bits != 24)
            return false;
    } else {
        Width = static_cast<std::int32_t>(Read(Bytes, 4, 4));
        Height = static_cast<std::int32_t>(Read(Bytes, 8, 4));
        Planes = Read(Bytes, 12, 2);
        Bits = Read(Bytes, 14, 2);
        Compression = Read(Bytes, 16, 4);
        ImageSize = Read(Bytes, 20, 4);
        ColoursUsed = Read(Bytes, 32, 4);
    }
    if (Planes != 1 || Width <= 0 || Height == 0 || Height == INT32_MIN)
        return false;
    bool Valid;
    switch (Compression) {
    case Rgb:
        Valid = Bits == 1 || Bits == 4 || Bits == 8 || Bits == 16 || Bits == 24 || Bits == 32;
        break;
    case BitFields:
        Valid = Bits == 16 || Bits == 32;
        break;
    case Rle8:
        Valid = Bits == 8 && Height > 0 && ImageSize > 0;
        break;
    case Rle4:
        Valid = Bits == 4 && Height > 0 && ImageSize > 0;
        break;
    default:
        Valid = false;
    }
    if (!Valid)
        return false;

    // What follows the header: the masks (after a 40-byte header only), the
    // colour table, the pixels.
    std::uint64_t MaxColours = Bits <= 8 ? std::uint64_t{1} << Bits : 0;
    if (Bits <= 8 && ColoursUsed > MaxColours)
        return false;
    std::uint64_t Colours = ColoursUsed != 0 ? ColoursUsed : MaxColours;
    std::uint64_t Following = (Compression == BitFields && HeaderSize == 40 ? 12 : 0) + Colours * (Core ? 3 : 4);
    std::uint64_t Rows = static_cast<std::uint64_t>(Height < 0 ? -Height : Height);
    std::uint64_t Stride = (static_cast<std::uint64_t>(Width) * Bits + 31) / 32 * 4;
    std::uint64_t Available = Size - HeaderSize;
    if (Following > Available)
        return false;
    Available -= Following;
    if (Compression == Rle8 || Compression == Rle4) {
        if (ImageSize > Available)
            return false;
    } else if (Rows > Available / Stride) {
        return false;
    }
    Dimensions.Width = static_cast<std::int32_t>(Width);
    Dimensions.Height = static_cast<std::int32_t>(Rows);
    return true;
}
