#include "toolkit/Graphics.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "rtl/Exceptions.h"
#include "rtl/MetafileSize.h"
#include "toolkit/Clipbrd.h"
#include "toolkit/DibFormat.h"
#include "toolkit/Win32Text.h"

namespace {

const char* const UnsupportedData = "未対応のクリップボード データです";
const char* const NoMemoryForBitmap = "ビットマップに必要なメモリを確保できません";
constexpr std::uint64_t MaxBitmapBytes = std::uint64_t{1} << 30;

// A drawing call failed: report Windows' code, taken before anything else runs.
[[noreturn]] void RaiseDrawError(DWORD Code)
{
    if (Code != ERROR_SUCCESS)
        RaiseWin32Error(Code);
    throw Exception("グラフィックを描画できません");
}

bool Empty(const TRect& R) { return R.Left == R.Right || R.Top == R.Bottom; }

// A rectangle whose width, height or last pixel does not fit GDI's integers.
bool OutsideGdiRange(const TRect& R)
{
    auto Fits = [](long long V) { return V >= INT_MIN && V <= INT_MAX; };
    return !Fits(static_cast<long long>(R.Right) - R.Left) || !Fits(static_cast<long long>(R.Bottom) - R.Top) ||
           R.Right == INT_MIN || R.Bottom == INT_MIN;
}

// A palette of Count entries that Read(Entries, Count) fills and counts;
// none when there are no entries or they cannot be read.
template <class Reader>
UniquePalette MakePalette(UINT Count, Reader Read)
{
    if (Count == 0 || Count > 0xFFFF)   // GDI_ERROR too
        return {};
    std::vector<BYTE> Memory(sizeof(LOGPALETTE) + Count * sizeof(PALETTEENTRY));
    auto* Log = reinterpret_cast<LOGPALETTE*>(Memory.data());
    Log->palVersion = 0x300;
    Log->palNumEntries = static_cast<WORD>(Count);
    if (Read(Log->palPalEntry, Count) != Count)
        return {};
    return UniquePalette(CreatePalette(Log));
}

UniquePalette CopyPalette(HPALETTE Source)
{
    if (!Source)
        return {};
    return MakePalette(GetPaletteEntries(Source, 0, 0, nullptr),
                       [&](PALETTEENTRY* Entries, UINT Count) { return GetPaletteEntries(Source, 0, Count, Entries); });
}

} // namespace

// ---- TBitmap ----

void TBitmap::CheckSize(int Width, int Height)
{
    if (std::uint64_t{static_cast<unsigned>(Width)} * static_cast<unsigned>(Height) * 4 > MaxBitmapBytes)
        throw EOutOfResources(NoMemoryForBitmap);
}

TBitmap::TBitmap(HBITMAP Source, HPALETTE Palette)
{
    BITMAP Info{};
    if (!Source || GetObjectW(Source, sizeof Info, &Info) == 0)
        throw EInvalidGraphic(UnsupportedData);
    FWidth = Info.bmWidth;
    FHeight = std::abs(Info.bmHeight);
    if (FWidth <= 0 || FHeight <= 0)
        throw EInvalidGraphic(UnsupportedData);
    CheckSize(FWidth, FHeight);

    FPalette = CopyPalette(Palette);

    // Rows top-down, whatever the source's orientation.
    BITMAPINFO Format = TopDown32Format(FWidth, FHeight);
    void* Bits = nullptr;
    FBitmap.Reset(CreateDIBSection(nullptr, &Format, DIB_RGB_COLORS, &Bits, nullptr, 0));
    if (!FBitmap || !Bits)
        throw EOutOfResources(NoMemoryForBitmap);
    FBits = static_cast<const DWORD*>(Bits);

    // A palette-based source's indices mean the colours of its palette.
    UniqueDc Dc(CreateCompatibleDC(nullptr));
    if (!Dc)
        throw EOutOfResources(NoMemoryForBitmap);
    SelectedPalette UsePalette(Dc.Get(), FPalette.Get());
    int Lines = GetDIBits(Dc.Get(), Source, 0, static_cast<UINT>(FHeight), Bits, &Format, DIB_RGB_COLORS);
    if (Lines != FHeight)
        throw EInvalidGraphic(UnsupportedData);
}

void TBitmap::Draw(HDC Dc, const TRect& R) const
{
    if (Empty(R))
        return;
    if (OutsideGdiRange(R))
        RaiseDrawError(ERROR_INVALID_PARAMETER);
    BITMAPINFO Format = TopDown32Format(FWidth, FHeight);
    SelectedPalette UsePalette(Dc, FPalette.Get());
    SetLastError(ERROR_SUCCESS);
    int Lines = StretchDIBits(Dc, R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top, 0, 0, FWidth, FHeight,
                              FBits, &Format, DIB_RGB_COLORS, SRCCOPY);
    if (Lines == 0 || Lines == static_cast<int>(GDI_ERROR))
        RaiseDrawError(GetLastError());
}

COLORREF TBitmap::PixelRgb(int X, int Y) const
{
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight)
        return CLR_INVALID;
    GdiFlush();
    return FBits[static_cast<size_t>(Y) * static_cast<size_t>(FWidth) + static_cast<size_t>(X)] & 0xFFFFFF;
}

// ---- TMetafile ----

bool MetafilePixelSize(const ENHMETAHEADER& Header, int& Width, int& Height)
{
    return MetafileFramePixels(Header.rclFrame.left, Header.rclFrame.right, Header.szlDevice.cx,
                               Header.szlMillimeters.cx, Width) &&
           MetafileFramePixels(Header.rclFrame.top, Header.rclFrame.bottom, Header.szlDevice.cy,
                               Header.szlMillimeters.cy, Height);
}

TMetafile::TMetafile(HENHMETAFILE Source)
{
    ENHMETAHEADER Header{};
    if (!Source || GetEnhMetaFileHeader(Source, sizeof Header, &Header) < offsetof(ENHMETAHEADER, cbPixelFormat))
        throw EInvalidGraphic(UnsupportedData);
    if (!MetafilePixelSize(Header, FWidth, FHeight))
        throw EInvalidGraphic(UnsupportedData);
    // The player trusts every size, count and offset in the records: a wrong
    // one sends it round in circles (Wine's loops for ever on a record of
    // size 0) or reads far outside the metafile, in the picture view and in
    // the job. So the bytes are checked, and the copy is made from the bytes
    // checked.
    UINT Size = GetEnhMetaFileBits(Source, 0, nullptr);
    std::vector<BYTE> Bytes(Size);
    if (Size == 0 || GetEnhMetaFileBits(Source, Size, Bytes.data()) != Size ||
        !MetafileRecordsWellFormed(Bytes.data(), Bytes.size()))
        throw EInvalidGraphic(UnsupportedData);
    FMetafile.Reset(SetEnhMetaFileBits(Size, Bytes.data()));
    if (!FMetafile)
        throw EInvalidGraphic(UnsupportedData);

    HENHMETAFILE Copy = FMetafile.Get();
    FPalette = MakePalette(GetEnhMetaFilePaletteEntries(Copy, 0, nullptr), [&](PALETTEENTRY* Entries, UINT Count) {
        return GetEnhMetaFilePaletteEntries(Copy, Count, Entries);
    });
}

void TMetafile::Draw(HDC Dc, const TRect& R) const
{
    if (Empty(R))
        return;
    if (OutsideGdiRange(R))
        RaiseDrawError(ERROR_INVALID_PARAMETER);
    RECT Frame{R.Left, R.Top, R.Right - 1, R.Bottom - 1};
    SelectedPalette UsePalette(Dc, FPalette.Get());
    SetLastError(ERROR_SUCCESS);
    if (!PlayEnhMetaFile(Dc, FMetafile.Get(), &Frame))
        RaiseDrawError(GetLastError());
}

// ---- TPicture ----

void TPicture::SetGraphic(std::shared_ptr<const TGraphic> Graphic)
{
    FGraphic = std::move(Graphic);
    if (OnChange)
        OnChange(this);
}

void TPicture::Assign(TClipboard* Source)
{
    SetGraphic(Source->LoadGraphic());
}
