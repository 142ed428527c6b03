#include "rtl/MetafileSize.h"

#include "rtl/PackedDib.h"

bool MetafileFramePixels(std::int32_t FrameLow, std::int32_t FrameHigh, std::int32_t DevicePixels,
                         std::int32_t DeviceMillimetres, std::int32_t& Pixels)
{
    if (DevicePixels <= 0 || DeviceMillimetres <= 0 || FrameHigh < FrameLow)
        return false;
    // The span is below 2^32 and the device below 2^31, so the product fits
    // 63 bits and the division is exact in 64-bit integers.
    auto Span = static_cast<std::uint64_t>(std::int64_t{FrameHigh} - FrameLow);
    std::uint64_t Numerator = Span * static_cast<std::uint64_t>(DevicePixels);
    std::uint64_t Denominator = static_cast<std::uint64_t>(DeviceMillimetres) * 100;
    std::uint64_t Quotient = Numerator / Denominator;
    std::uint64_t Twice = 2 * (Numerator % Denominator);
    if (Twice > Denominator || (Twice == Denominator && (Quotient & 1) != 0))
        ++Quotient;
    if (Quotient > static_cast<std::uint64_t>(INT32_MAX))
        return false;
    Pixels = static_cast<std::int32_t>(Quotient);
    return true;
}

namespace {

std::uint32_t WordAt(const unsigned char* Bytes, std::size_t At)
{
    return std::uint32_t{Bytes[At]} | std::uint32_t{Bytes[At + 1]} << 8 | std::uint32_t{Bytes[At + 2]} << 16 |
           std::uint32_t{Bytes[At + 3]} << 24;
}

// One record, whose fields must lie inside it and whose counts and offsets
// must name bytes inside it: a player reads what they name without asking.
// Offsets count from the record's start; every sum and product is formed in
// 64 bits from 32-bit fields and small factors, so none wraps.
class RecordFields {
public:
    RecordFields(const unsigned char* Bytes, std::uint32_t Size, std::uint32_t Handles)
        : FBytes(Bytes), FSize(Size), FHandles(Handles)
    {
    }

    bool Has(std::uint64_t End) const { return End <= FSize; }
    std::uint32_t Word(std::size_t At) const { return WordAt(FBytes, At); }

    bool Inside(std::uint64_t Offset, std::uint64_t Length) const
    {
        return Length == 0 || (Offset <= FSize && Length <= FSize - Offset);
    }

    // A count at CountAt, then that many items of Each bytes from First on.
    bool Array(std::size_t CountAt, std::uint64_t First, std::uint64_t Each) const
    {
        return Has(CountAt + 4) && Has(First) && Inside(First, Word(CountAt) * Each);
    }

    // A count at CountAt, then that many bytes right after it.
    bool Data(std::size_t CountAt) const { return Array(CountAt, CountAt + 4, 1); }

    // The polygon counts of EMR_POLYPOLYLINE and friends: nPolys at 24, the
    // point count at 28, the counts from 32 on, then the points; the counts
    // add up to no more than the points there are.
    bool PolyPolygon(std::uint64_t PointBytes) const
    {
        if (!Array(24, 32, 4))
            return false;
        std::uint64_t Polygons = Word(24), Points = Word(28), Sum = 0;
        for (std::uint64_t I = 0; I < Polygons; ++I)
            Sum += Word(32 + 4 * I);
        return Sum <= Points && Inside(32 + 4 * Polygons, Points * PointBytes);
    }

    // An EMRTEXT at At: the characters and their advances (two per
    // character with ETO_PDY).
    bool Text(std::size_t At, std::uint64_t CharBytes) const
    {
        constexpr std::uint32_t PdY = 0x2000;
        if (!Has(At + 40))
            return false;
        std::uint64_t Chars = Word(At + 8);
        std::uint64_t Advances = Chars * ((Word(At + 16) & PdY) != 0 ? 8 : 4);
        return Inside(Word(At + 12), Chars * CharBytes) && Inside(Word(At + 36), Advances);
    }

    // The colour use of a bitmap (DIB_RGB_COLORS and so on) at At; one that
    // no bitmap accepts when the field is missing.
    std::uint32_t Usage(std::size_t At) const { return Has(At + 4) ? Word(At) : UINT32_MAX; }

    // A bitmap as offBmi, cbBmi, offBits, cbBits at At, with that colour
    // use. An optional one may be absent: all four fields 0. Only Rows rows
    // need be stored.
    bool Bitmap(std::uint32_t Usage, std::size_t At, bool Optional, std::uint32_t Rows = UINT32_MAX) const
    {
        if (!Has(At + 16))
            return false;
        std::uint32_t InfoAt = Word(At), InfoSize = Word(At + 4), PixelsAt = Word(At + 8), PixelSize = Word(At + 12);
        if (Optional && InfoAt == 0 && InfoSize == 0 && PixelsAt == 0 && PixelSize == 0)
            return true;
        return InfoSize != 0 && Inside(InfoAt, InfoSize) && Inside(PixelsAt, PixelSize) &&
               DibPartsWellFormed(FBytes + InfoAt, InfoSize, PixelSize, Usage, Rows);
    }

    // RGNDATA of the size at SizeAt, from DataAt on: its header and its
    // rectangles. An empty one (size 0) only where MayBeEmpty.
    bool Region(std::size_t SizeAt, std::size_t DataAt, bool MayBeEmpty) const
    {
        constexpr std::uint64_t HeaderSize = 32, RectangleSize = 16;
        if (!Has(SizeAt + 4) || !Has(DataAt))
            return false;
        std::uint64_t Size = Word(SizeAt);
        if (Size == 0)
            return MayBeEmpty;
        return Size >= HeaderSize && Inside(DataAt, Size) && HeaderSize + Word(DataAt + 8) * RectangleSize <= Size;
    }

    // An object index at At that names a slot of the handle table; slot 0
    // stands for the metafile itself. The create records and the region
    // records' brushes are looked up there, never among the stock objects.
    bool Slot(std::size_t At) const { return Has(At + 4) && Word(At) != 0 && Word(At) < FHandles; }

    // An object index that names a slot or, with the stock flag, a stock object.
    bool SlotOrStock(std::size_t At) const
    {
        constexpr std::uint32_t Stock = 0x80000000;
        return Slot(At) || (Has(At + 4) && (Word(At) & Stock) != 0);
    }

    // EMR_GRADIENTFILL: vertices, then triangles or rectangles whose corners
    // name vertices there are.
    bool Gradient() const
    {
        constexpr std::uint32_t Triangles = 2;
        if (!Has(36))
            return false;
        std::uint64_t Vertices = Word(24), Shapes = Word(28);
        std::uint64_t Corners = Word(32) == Triangles ? 3 : 2;
        std::uint64_t First = 36 + 16 * Vertices;
        if (!Inside(36, 16 * Vertices) || !Inside(First, Shapes * Corners * 4))
            return false;
        for (std::uint64_t I = 0; I < Shapes * Corners; ++I)
            if (Word(First + 4 * I) >= Vertices)
                return false;
        return true;
    }

private:
    const unsigned char* FBytes;
    std::uint32_t FSize;
    std::uint32_t FHandles;
};

// The fields of a record of type Type that a player reads lie inside it, and
// the objects it names are in the handle table. Records not named here have
// fixed fields only, or are not played.
bool RecordContentsInside(const RecordFields& R, std::uint32_t Type)
{
    constexpr bool Optional = true, Required = false;
    switch (Type) {
    case 1: // EMR_HEADER: its description and, in a longer header, its pixel format
        return R.Has(88) && R.Inside(R.Word(64), 2 * std::uint64_t{R.Word(60)}) &&
               (!R.Has(96) || R.Inside(R.Word(92), R.Word(88)));
    case 2: case 3: case 4: case 5: case 6: // EMR_POLYBEZIER .. EMR_POLYLINETO
        return R.Array(24, 28, 8);
    case 85: case 86: case 87: case 88: case 89: // the same with 16-bit points
        return R.Array(24, 28, 4);
    case 7: case 8: // EMR_POLYPOLYLINE, EMR_POLYPOLYGON
        return R.PolyPolygon(8);
    case 90: case 91: // EMR_POLYPOLYLINE16, EMR_POLYPOLYGON16
        return R.PolyPolygon(4);
    case 56: // EMR_POLYDRAW: points, then one type byte each
        return R.Array(24, 28, 9);
    case 92: // EMR_POLYDRAW16
        return R.Array(24, 28, 5);
    case 37: case 40: case 48: // EMR_SELECTOBJECT, EMR_DELETEOBJECT, EMR_SELECTPALETTE
        return R.SlotOrStock(8);
    case 51: case 99: case 100: case 101: // palette resize, colour spaces
        return R.Slot(8);
    case 38: // EMR_CREATEPEN: LOGPEN
        return R.Slot(8) && R.Has(28);
    case 39: // EMR_CREATEBRUSHINDIRECT: LOGBRUSH
        return R.Slot(8) && R.Has(24);
    case 49: // EMR_CREATEPALETTE: LOGPALETTE with its entries
        return R.Slot(8) && R.Has(16) && R.Inside(16, 4 * std::uint64_t{R.Word(12) >> 16});
    case 50: // EMR_SETPALETTEENTRIES
        return R.Slot(8) && R.Array(16, 20, 4);
    case 70: // EMR_GDICOMMENT
        return R.Data(8);
    case 71: // EMR_FILLRGN
    case 72: // EMR_FRAMERGN
        return R.Slot(28) && R.Region(24, Type == 71 ? 32 : 40, false);
    case 73: case 74: // EMR_INVERTRGN, EMR_PAINTRGN
        return R.Region(24, 28, false);
    case 75: // EMR_EXTSELECTCLIPRGN: no region means the default clipping
        return R.Has(16) && R.Region(8, 16, true);
    case 76: // EMR_BITBLT
        return R.Has(100) && R.Bitmap(R.Usage(80), 84, Optional);
    case 77: // EMR_STRETCHBLT
        return R.Has(108) && R.Bitmap(R.Usage(80), 84, Optional);
    case 78: // EMR_MASKBLT
        return R.Has(128) && R.Bitmap(R.Usage(80), 84, Required) && R.Bitmap(R.Usage(108), 112, Required);
    case 79: // EMR_PLGBLT
        return R.Has(140) && R.Bitmap(R.Usage(92), 96, Required) && R.Bitmap(R.Usage(120), 124, Required);
    case 80: // EMR_SETDIBITSTODEVICE: cScans rows from iStartScan on
        return R.Has(76) && R.Bitmap(R.Usage(64), 48, Required, R.Word(72));
    case 81: // EMR_STRETCHDIBITS
        return R.Has(80) && R.Bitmap(R.Usage(64), 48, Required);
    case 82: // EMR_EXTCREATEFONTINDIRECTW: at least a LOGFONTW
        return R.Slot(8) && R.Has(12 + 92);
    case 83: // EMR_EXTTEXTOUTA
        return R.Text(36, 1);
    case 84: // EMR_EXTTEXTOUTW
        return R.Text(36, 2);
    case 93: case 94: // EMR_CREATEMONOBRUSH, EMR_CREATEDIBPATTERNBRUSHPT
        return R.Slot(8) && R.Has(32) && R.Bitmap(R.Usage(12), 16, Required);
    case 95: { // EMR_EXTCREATEPEN: its style entries, its brush's bitmap
        // A DIB pattern brush keeps its colour use where others keep a colour.
        constexpr std::uint32_t DibPattern = 5, DibPatternPt = 6;
        if (!R.Slot(8) || !R.Array(48, 52, 4))
            return false;
        std::uint32_t Style = R.Word(36);
        return R.Bitmap(Style == DibPattern || Style == DibPatternPt ? R.Word(40) : 0u, 12, Optional);
    }
    case 96: case 97: { // EMR_POLYTEXTOUTA, EMR_POLYTEXTOUTW
        constexpr std::uint64_t TextSize = 40;
        if (!R.Array(36, 40, TextSize))
            return false;
        for (std::uint64_t I = 0, Count = R.Word(36); I < Count; ++I)
            if (!R.Text(40 + I * TextSize, Type == 96 ? 1 : 2))
                return false;
        return true;
    }
    case 102: // EMR_GLSRECORD
        return R.Data(8);
    case 103: // EMR_GLSBOUNDEDRECORD
        return R.Data(24);
    case 104: // EMR_PIXELFORMAT: PIXELFORMATDESCRIPTOR
        return R.Has(48);
    case 105: case 106: // EMR_DRAWESCAPE, EMR_EXTESCAPE
        return R.Data(12);
    case 110: // EMR_NAMEDESCAPE: the data, padded to 4 bytes, then the driver's name
        return R.Has(20) && R.Inside(20, (std::uint64_t{R.Word(16)} + 3) / 4 * 4 + R.Word(12));
    case 108: { // EMR_SMALLTEXTOUT: the clipping rectangle unless ETO_NO_RECT
        constexpr std::uint32_t NoRect = 0x100, SmallChars = 0x200;
        if (!R.Has(36))
            return false;
        std::uint32_t Options = R.Word(20);
        std::uint64_t TextAt = (Options & NoRect) != 0 ? 36 : 52;
        return R.Has(TextAt) && R.Inside(TextAt, std::uint64_t{R.Word(16)} * ((Options & SmallChars) != 0 ? 1 : 2));
    }
    case 112: case 113: // EMR_SETICMPROFILEA, EMR_SETICMPROFILEW: name, then data
        return R.Has(20) && R.Inside(20, std::uint64_t{R.Word(12)} + R.Word(16));
    case 114: case 116: // EMR_ALPHABLEND, EMR_TRANSPARENTBLT
        return R.Has(108) && R.Bitmap(R.Usage(80), 84, Required);
    case 118: // EMR_GRADIENTFILL
        return R.Gradient();
    case 121: // EMR_COLORMATCHTOTARGETW: name, then data
        return R.Has(24) && R.Inside(24, std::uint64_t{R.Word(16)} + R.Word(20));
    case 122: // EMR_CREATECOLORSPACEW: LOGCOLORSPACEW, then its data
        return R.Slot(8) && R.Data(604);
    default:
        return true;
    }
}

} // namespace

bool MetafileRecordsWellFormed(const unsigned char* Bytes, std::size_t Size)
{
    constexpr std::uint32_t Header = 1, EndOfFile = 14;
    constexpr std::size_t HeaderSize = 88, EndOfFileSize = 20, HeaderHandles = 56, HeaderPaletteCount = 68;
    auto Word = [&](std::size_t At) { return WordAt(Bytes, At); };
    if (Size < HeaderSize || Word(0) != Header || Word(4) < HeaderSize)
        return false;
    std::uint32_t Handles = Word(HeaderHandles) & 0xFFFF;
    std::size_t Offset = 0;
    while (Size - Offset >= 8) {
        std::uint32_t Type = Word(Offset), RecordSize = Word(Offset + 4);
        if (RecordSize < 8 || RecordSize % 4 != 0 || RecordSize > Size - Offset)
            return false;
        if (!RecordContentsInside(RecordFields(Bytes + Offset, RecordSize, Handles), Type))
            return false;
        if (Type == EndOfFile) {
            if (RecordSize < EndOfFileSize || Offset + RecordSize != Size)
                return false;
            // nPalEntries and offPalEntries (from the record's start); the
            // entries lie before the record's closing size field.
            std::uint64_t Entries = Word(Offset + 8), First = Word(Offset + 12);
            return Entries == Word(HeaderPaletteCount) &&
                   (Entries == 0 || (First >= 16 && First + 4 * Entries + 4 <= RecordSize));
        }
        Offset += RecordSize;
    }
    return false;
}
