#include "toolkit/Clipbrd.h"

#include "rtl/Exceptions.h"
#include "rtl/PackedDib.h"
#include "toolkit/Application.h"
#include "toolkit/Graphics.h"
#include "toolkit/Win32Text.h"

namespace {

// Registered when the program starts.
const UINT OwnPictureFormat = RegisterClipboardFormatW(L"Wendrask Picture");

constexpr ULONGLONG OpenRetryMs = 100;
constexpr DWORD OpenRetryStepMs = 5;

HWND OwnerWindow() { return Application ? Application->Handle() : nullptr; }

// The clipboard, open for one scope.
class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND Owner)
    {
        ULONGLONG Start = GetTickCount64();
        while (!OpenClipboard(Owner)) {
            if (GetTickCount64() - Start >= OpenRetryMs)
                throw Exception("クリップボードを開くことができません");
            Sleep(OpenRetryStepMs);
        }
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    ~OpenedClipboard() { CloseClipboard(); }
};

bool Loadable(UINT Format)
{
    return Format == CF_BITMAP || Format == CF_METAFILEPICT || Format == CF_ENHMETAFILE;
}

// Windows makes the CF_BITMAP of a DIB that was put before it in the process
// that reads it. Wine's conversion of a DIB whose header lies can corrupt
// that process (a height of 0 does), and a DIB too large to hold costs
// seconds and gigabytes before the copy refuses it: such a DIB is refused
// before the conversion.
void CheckBitmapSource()
{
    UINT Format = 0;
    while ((Format = EnumClipboardFormats(Format)) != 0 && Format != CF_BITMAP) {
        if (Format != CF_DIB && Format != CF_DIBV5)
            continue;
        LockedGlobal<unsigned char> Dib(GetClipboardData(Format));
        PackedDibSize Size;
        if (!Dib.Get() || !PackedDibWellFormed(Dib.Get(), Dib.Size(), Size))
            throw EInvalidGraphic("未対応のクリップボード データです");
        TBitmap::CheckSize(Size.Width, Size.Height);
        return;
    }
}

UINT FirstLoadableFormat()
{
    UINT Format = 0;
    while ((Format = EnumClipboardFormats(Format)) != 0)
        if (Loadable(Format))
            return Format;
    return 0;
}

} // namespace

UINT TClipboard::PictureFormat() { return OwnPictureFormat; }

bool TClipboard::HasPicture()
{
    if (OwnPictureFormat != 0 && IsClipboardFormatAvailable(OwnPictureFormat))
        return true;
    OpenedClipboard Open(OwnerWindow());
    return FirstLoadableFormat() != 0;
}

void TClipboard::Clear()
{
    OpenedClipboard Open(OwnerWindow());
    if (!EmptyClipboard())
        RaiseWin32Error(GetLastError());
}

std::shared_ptr<TGraphic> TClipboard::LoadGraphic()
{
    OpenedClipboard Open(OwnerWindow());
    UINT Format = FirstLoadableFormat();
    if (Format == 0)
        throw Exception("無効なクリップボード フォーマットです");
    if (Format == CF_BITMAP) {
        CheckBitmapSource();
        auto Bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
        if (!Bitmap)
            throw EInvalidGraphic("未対応のクリップボード データです");
        HPALETTE Palette = IsClipboardFormatAvailable(CF_PALETTE)
                               ? static_cast<HPALETTE>(GetClipboardData(CF_PALETTE))
                               : nullptr;
        return std::make_shared<TBitmap>(Bitmap, Palette);
    }
    auto Metafile = static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE));
    if (!Metafile)
        throw EInvalidGraphic("未対応のクリップボード データです");
    return std::make_shared<TMetafile>(Metafile);
}

TClipboard* Clipboard()
{
    static TClipboard Instance;
    return &Instance;
}
