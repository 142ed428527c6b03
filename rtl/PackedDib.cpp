#include "rtl/PackedDib.h"

#include <iterator>

namespace {

enum : std::uint32_t { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3 };

std::uint32_t Read(const unsigned char* Bytes, std::size_t At, int Length)
{
    std::uint32_t Value = 0;
    for (int I = Length - 1; I >= 0; --I)
        Value = Value << 8 | Bytes[At + static_cast<std::size_t>(I)];
    return Value;
}

// What a header says about the bytes that follow it.
struct DibLayout {
    std::int64_t Width = 0;
    std::uint64_t Rows = 0;
    std::uint64_t HeaderSize = 0;
    std::uint64_t Following = 0;   // masks and colour table
    std::uint64_t Stride = 0;      // bytes per row, uncompressed
    bool Compressed = false;       // RLE: ImageSize bytes of pixels
    std::uint32_t ImageSize = 0;
};

// How big one colour table entry is: that of the header (3 after a core
// header, else 4), or given.
enum class ColourEntry { OfHeader, PaletteIndex, None };

// Reads and checks the header at Bytes (Size bytes available).
bool ReadLayout(const unsigned char* Bytes, std::size_t Size, ColourEntry Entry, DibLayout& Layout)
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

    // The masks follow a 40-byte header only; then the colour table.
    std::uint64_t MaxColours = Bits <= 8 ? std::uint64_t{1} << Bits : 0;
    if (Bits <= 8 && ColoursUsed > MaxColours)
        return false;
    std::uint64_t Colours = ColoursUsed != 0 ? ColoursUsed : MaxColours;
    Layout.Width = Width;
    Layout.Rows = static_cast<std::uint64_t>(Height < 0 ? -Height : Height);
    Layout.HeaderSize = HeaderSize;
    std::uint64_t EntrySize = Entry == ColourEntry::PaletteIndex ? 2 : Entry == ColourEntry::None ? 0 : Core ? 3 : 4;
    Layout.Following = (Compression == BitFields && HeaderSize == 40 ? 12 : 0) + Colours * EntrySize;
    Layout.Stride = (static_cast<std::uint64_t>(Width) * Bits + 31) / 32 * 4;
    Layout.Compressed = Compression == Rle8 || Compression == Rle4;
    Layout.ImageSize = ImageSize;
    return true;
}

bool PixelsFit(const DibLayout& Layout, std::uint64_t Available, std::uint64_t Rows)
{
    if (Layout.Compressed)
        return Layout.ImageSize <= Available;
    return Rows <= Available / Layout.Stride;
}

} // namespace

bool PackedDibWellFormed(const unsigned char* Bytes, std::size_t Size, PackedDibSize& Dimensions)
{
    DibLayout Layout;
    if (!ReadLayout(Bytes, Size, ColourEntry::OfHeader, Layout))
        return false;
    std::uint64_t Available = Size - Layout.HeaderSize;
    if (Layout.Following > Available || !PixelsFit(Layout, Available - Layout.Following, Layout.Rows))
        return false;
    Dimensions.Width = static_cast<std::int32_t>(Layout.Width);
    Dimensions.Height = static_cast<std::int32_t>(Layout.Rows);
    return true;
}

bool DibPartsWellFormed(const unsigned char* Info, std::size_t InfoSize, std::uint64_t PixelSize,
                        std::uint32_t Usage, std::uint32_t Rows)
{
    constexpr ColourEntry Entries[] = {ColourEntry::OfHeader, ColourEntry::PaletteIndex, ColourEntry::None};
    DibLayout Layout;
    if (Usage >= std::size(Entries) || !ReadLayout(Info, InfoSize, Entries[Usage], Layout))
        return false;
    std::uint64_t Needed = Rows < Layout.Rows ? Rows : Layout.Rows;
    return Layout.Following <= InfoSize - Layout.HeaderSize && PixelsFit(Layout, PixelSize, Needed);
}
