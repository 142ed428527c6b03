#include "rtl/MetafileSize.h"

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

// Records whose first field is an index into the handle table: the create,
// select and delete records of pens, brushes, fonts, palettes and colour
// spaces. The select and delete records may name a stock object instead.
enum class Slot { None, Table, TableOrStock };

Slot SlotOf(std::uint32_t Type)
{
    switch (Type) {
    case 37: // EMR_SELECTOBJECT
    case 40: // EMR_DELETEOBJECT
    case 48: // EMR_SELECTPALETTE
        return Slot::TableOrStock;
    case 38: // EMR_CREATEPEN
    case 39: // EMR_CREATEBRUSHINDIRECT
    case 49: // EMR_CREATEPALETTE
    case 50: // EMR_SETPALETTEENTRIES
    case 51: // EMR_RESIZEPALETTE
    case 82: // EMR_EXTCREATEFONTINDIRECTW
    case 93: // EMR_CREATEMONOBRUSH
    case 94: // EMR_CREATEDIBPATTERNBRUSHPT
    case 95: // EMR_EXTCREATEPEN
    case 99: // EMR_CREATECOLORSPACE
    case 100: // EMR_SETCOLORSPACE
    case 101: // EMR_DELETECOLORSPACE
    case 122: // EMR_CREATECOLORSPACEW
        return Slot::Table;
    default:
        return Slot::None;
    }
}

} // namespace

bool MetafileRecordsWellFormed(const unsigned char* Bytes, std::size_t Size)
{
    constexpr std::uint32_t Header = 1, EndOfFile = 14, Stock = 0x80000000;
    constexpr std::size_t HeaderSize = 88, EndOfFileSize = 20, HeaderHandles = 56, HeaderPaletteCount = 68;
    auto Word = [&](std::size_t At) {
        return std::uint32_t{Bytes[At]} | std::uint32_t{Bytes[At + 1]} << 8 | std::uint32_t{Bytes[At + 2]} << 16 |
               std::uint32_t{Bytes[At + 3]} << 24;
    };
    if (Size < HeaderSize || Word(0) != Header || Word(4) < HeaderSize)
        return false;
    // Slot 0 of the handle table stands for the metafile itself.
    std::uint32_t Handles = Word(HeaderHandles) & 0xFFFF;
    std::size_t Offset = 0;
    while (Size - Offset >= 8) {
        std::uint32_t Type = Word(Offset), RecordSize = Word(Offset + 4);
        if (RecordSize < 8 || RecordSize % 4 != 0 || RecordSize > Size - Offset)
            return false;
        if (Slot Kind = SlotOf(Type); Kind != Slot::None) {
            if (RecordSize < 12)
                return false;
            std::uint32_t Index = Word(Offset + 8);
            bool StockObject = Kind == Slot::TableOrStock && (Index & Stock) != 0;
            if (!StockObject && (Index == 0 || Index >= Handles))
                return false;
        }
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
