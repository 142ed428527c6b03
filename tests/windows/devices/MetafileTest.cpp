// Metafiles that Windows records itself pass the record check whole, with
// one of every kind of record whose counts and offsets the check follows;
// and the toolkit takes them and plays them.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "rtl/MetafileSize.h"
#include "toolkit/DibFormat.h"
#include "toolkit/Graphics.h"
#include "toolkit/Handles.h"

namespace {

// A 32-bit top-down 8 x 8 bitmap of two colours, and its format.
struct Pixels {
    BITMAPINFO Info = TopDown32Format(8, 8);
    DWORD Bits[64];
    Pixels()
    {
        for (int I = 0; I < 64; ++I)
            Bits[I] = (I / 8 + I % 8) % 2 ? 0x00FF0000 : 0x000000FF;
    }
};

// Draws one of each kind of call whose record carries counts, offsets,
// regions, bitmaps, texts or palettes.
void DrawEverything(HDC Dc)
{
    Pixels P;
    POINT Line[] = {{0, 0}, {40, 10}, {80, 0}};
    Polyline(Dc, Line, 3);
    POINT Far[] = {{0, 0}, {70000, 10}};
    Polyline(Dc, Far, 2);
    POINT Shapes[] = {{0, 0}, {10, 0}, {10, 10}, {20, 20}, {30, 20}, {30, 30}};
    INT Counts[] = {3, 3};
    PolyPolygon(Dc, Shapes, Counts, 2);
    BYTE Kinds[] = {PT_MOVETO, PT_LINETO, PT_LINETO};
    PolyDraw(Dc, Line, Kinds, 3);

    UniqueFont Font(CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
    SelectedObject UseFont(Dc, Font.Get());
    ExtTextOutW(Dc, 5, 5, ETO_CLIPPED, nullptr, L"Wendrask", 8, nullptr);
    INT Advances[] = {7, 7, 7};
    ExtTextOutW(Dc, 5, 25, 0, nullptr, L"abc", 3, Advances);
    POLYTEXTW Texts[] = {{5, 45, 2, L"xy", 0, {}, nullptr}, {5, 65, 1, L"z", 0, {}, nullptr}};
    PolyTextOutW(Dc, Texts, 2);

    StretchDIBits(Dc, 0, 0, 16, 16, 0, 0, 8, 8, P.Bits, &P.Info, DIB_RGB_COLORS, SRCCOPY);
    SetDIBitsToDevice(Dc, 20, 0, 8, 8, 0, 0, 0, 4, P.Bits, &P.Info, DIB_RGB_COLORS);

    void* SectionBits = nullptr;
    UniqueBitmap Section(CreateDIBSection(Dc, &P.Info, DIB_RGB_COLORS, &SectionBits, nullptr, 0));
    std::memcpy(SectionBits, P.Bits, sizeof P.Bits);
    UniqueBitmap Mask(CreateBitmap(8, 8, 1, 1, nullptr));
    UniqueDc Memory(CreateCompatibleDC(Dc));
    {
        SelectedObject UseSection(Memory.Get(), Section.Get());
        BitBlt(Dc, 30, 0, 8, 8, Memory.Get(), 0, 0, SRCCOPY);
        PatBlt(Dc, 40, 0, 8, 8, PATCOPY);
        StretchBlt(Dc, 50, 0, 16, 16, Memory.Get(), 0, 0, 8, 8, SRCCOPY);
        MaskBlt(Dc, 70, 0, 8, 8, Memory.Get(), 0, 0, Mask.Get(), 0, 0, MAKEROP4(SRCCOPY, PATCOPY));
        POINT Corners[] = {{80, 0}, {88, 2}, {78, 8}};
        PlgBlt(Dc, Corners, Memory.Get(), 0, 0, 8, 8, Mask.Get(), 0, 0);
        BLENDFUNCTION Blend{AC_SRC_OVER, 0, 128, 0};
        GdiAlphaBlend(Dc, 90, 0, 8, 8, Memory.Get(), 0, 0, 8, 8, Blend);
        GdiTransparentBlt(Dc, 100, 0, 8, 8, Memory.Get(), 0, 0, 8, 8, RGB(0, 0, 255));
    }

    UniqueBrush Pattern(CreateDIBPatternBrushPt(&P.Info, DIB_RGB_COLORS));
    UniqueBitmap Mono(CreateBitmap(8, 8, 1, 1, nullptr));
    UniqueBrush MonoBrush(CreatePatternBrush(Mono.Get()));
    UniqueGdiObject<HRGN> Region(CreateRectRgn(0, 50, 20, 70));
    UniqueGdiObject<HRGN> Ring(CreateEllipticRgn(30, 50, 60, 80));
    FillRgn(Dc, Region.Get(), Pattern.Get());
    FrameRgn(Dc, Ring.Get(), MonoBrush.Get(), 2, 2);
    InvertRgn(Dc, Region.Get());
    PaintRgn(Dc, Ring.Get());
    {
        SelectedObject UsePattern(Dc, Pattern.Get());
        Rectangle(Dc, 0, 80, 20, 100);
    }

    LOGBRUSH Stroke{BS_SOLID, RGB(0, 128, 0), 0};
    DWORD Dashes[] = {4, 2, 1, 2};
    UniqueGdiObject<HPEN> Pen(ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE, 2, &Stroke, 4, Dashes));
    LOGBRUSH DibStroke{BS_DIBPATTERNPT, DIB_RGB_COLORS, reinterpret_cast<ULONG_PTR>(&P.Info)};
    UniqueGdiObject<HPEN> DibPen(ExtCreatePen(PS_GEOMETRIC | PS_SOLID, 3, &DibStroke, 0, nullptr));
    {
        SelectedObject UsePen(Dc, Pen.Get());
        Rectangle(Dc, 30, 80, 60, 100);
        SelectedObject UseDibPen(Dc, DibPen.Get());
        Rectangle(Dc, 60, 80, 90, 100);
    }

    TRIVERTEX Vertices[] = {{0, 100, 0xFF00, 0, 0, 0}, {40, 120, 0, 0xFF00, 0, 0}, {0, 140, 0, 0, 0xFF00, 0}};
    GRADIENT_RECT Band{0, 1};
    GdiGradientFill(Dc, Vertices, 2, &Band, 1, GRADIENT_FILL_RECT_H);
    GRADIENT_TRIANGLE Triangle{0, 1, 2};
    GdiGradientFill(Dc, Vertices, 3, &Triangle, 1, GRADIENT_FILL_TRIANGLE);

    GdiComment(Dc, 5, reinterpret_cast<const BYTE*>("note"));

    struct {
        WORD Version = 0x300, Count = 2;
        PALETTEENTRY Entries[2] = {{255, 0, 0, 0}, {0, 0, 255, 0}};
    } Log;
    UniquePalette Palette(CreatePalette(reinterpret_cast<LOGPALETTE*>(&Log)));
    {
        SelectedPalette UsePalette(Dc, Palette.Get());
        PALETTEENTRY Green{0, 255, 0, 0};
        SetPaletteEntries(Palette.Get(), 1, 1, &Green);
    }

    ExtSelectClipRgn(Dc, Region.Get(), RGN_COPY);
    ExtSelectClipRgn(Dc, nullptr, RGN_COPY);
}

std::vector<BYTE> BytesOf(HENHMETAFILE Metafile)
{
    std::vector<BYTE> Bytes(GetEnhMetaFileBits(Metafile, 0, nullptr));
    GetEnhMetaFileBits(Metafile, static_cast<UINT>(Bytes.size()), Bytes.data());
    return Bytes;
}

std::set<std::uint32_t> RecordTypes(const std::vector<BYTE>& Bytes)
{
    std::set<std::uint32_t> Types;
    for (size_t Offset = 0; Offset + 8 <= Bytes.size();) {
        std::uint32_t Type, Size;
        std::memcpy(&Type, &Bytes[Offset], 4);
        std::memcpy(&Size, &Bytes[Offset + 4], 4);
        Types.insert(Type);
        if (Size == 0)
            break;
        Offset += Size;
    }
    return Types;
}

} // namespace

TEST(RecordedMetafile, EveryCheckedKindOfRecordIsAcceptedAndPlays)
{
    UniqueDc Screen(CreateICW(L"DISPLAY", nullptr, nullptr, nullptr));
    HDC Dc = CreateEnhMetaFileW(Screen.Get(), nullptr, nullptr, L"Wendrask\0test\0");
    ASSERT_NE(Dc, nullptr);
    DrawEverything(Dc);
    UniqueEnhMetaFile Metafile(CloseEnhMetaFile(Dc));
    ASSERT_TRUE(Metafile);

    std::vector<BYTE> Bytes = BytesOf(Metafile.Get());
    EXPECT_TRUE(MetafileRecordsWellFormed(Bytes.data(), Bytes.size()));

    // What the recorder wrote: the kinds of record drawn above. (Wine's
    // recorder writes geometric pens as EMR_CREATEPEN and poly text as one
    // EMR_EXTTEXTOUTW each.)
    const std::uint32_t Drawn[] = {
        EMR_POLYLINE16, EMR_POLYLINE, EMR_POLYPOLYGON16, EMR_POLYDRAW16, EMR_EXTTEXTOUTW, EMR_STRETCHDIBITS,
        EMR_SETDIBITSTODEVICE, EMR_BITBLT, EMR_STRETCHBLT, EMR_MASKBLT, EMR_PLGBLT, EMR_ALPHABLEND,
        EMR_TRANSPARENTBLT, EMR_CREATEDIBPATTERNBRUSHPT, EMR_CREATEMONOBRUSH, EMR_FILLRGN, EMR_FRAMERGN,
        EMR_INVERTRGN, EMR_PAINTRGN, EMR_GRADIENTFILL, EMR_GDICOMMENT, EMR_CREATEPALETTE,
        EMR_EXTSELECTCLIPRGN, EMR_EXTCREATEFONTINDIRECTW};
    std::set<std::uint32_t> Types = RecordTypes(Bytes);
    for (std::uint32_t Type : Drawn)
        EXPECT_TRUE(Types.count(Type)) << "no record of type " << Type;

    TMetafile Copy(Metafile.Get());
    UniqueDc Memory(CreateCompatibleDC(Screen.Get()));
    UniqueBitmap Target(CreateCompatibleBitmap(Screen.Get(), 200, 200));
    SelectedObject UseTarget(Memory.Get(), Target.Get());
    EXPECT_NO_THROW(Copy.Draw(Memory.Get(), TRect{0, 0, 200, 200}));
}
