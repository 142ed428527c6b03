#pragma once
// Pictures: a bitmap or an enhanced metafile, each a private copy that
// outlives the clipboard it came from, and the container TImage shows.
#include <windows.h>

#include <memory>

#include "toolkit/Classes.h"
#include "toolkit/Handles.h"

class TGraphic : public TObject {
public:
    // Pixels, never negative.
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Draws the whole graphic stretched into R on Dc; nothing when R has no
    // area. A failed GDI call
    // throws EWin32Error with the code of the failure, or Exception
    // "グラフィックを描画できません" when Windows gives no code; a rectangle
    // whose size does not fit GDI's integers fails with ERROR_INVALID_PARAMETER.
    virtual void Draw(HDC Dc, const TRect& R) const = 0;
};

// A 32-bit top-down DIB section holding a copy of a bitmap's pixels, and a
// copy of the palette that came with it, selected whenever it is drawn.
class TBitmap : public TGraphic {
public:
    // Copies Source (which must not be selected into a DC), reading its
    // colours through Palette when one is given. Unreadable or empty:
    // EInvalidGraphic "未対応のクリップボード データです". Too large to hold
    // (over 1 GiB of pixels, or Windows refuses the memory): EOutOfResources
    // "ビットマップに必要なメモリを確保できません".
    TBitmap(HBITMAP Source, HPALETTE Palette);

    // The constructor's refusal of a size too large to hold, for a bitmap
    // not made yet: EOutOfResources as above.
    static void CheckSize(int Width, int Height);

    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    void Draw(HDC Dc, const TRect& R) const override;

    HBITMAP Handle() const { return FBitmap.Get(); }
    HPALETTE Palette() const { return FPalette.Get(); }
    // Pixel (X, Y) from the top-left, as 0x00RRGGBB.
    COLORREF PixelRgb(int X, int Y) const;

private:
    int FWidth = 0, FHeight = 0;
    UniqueBitmap FBitmap;
    UniquePalette FPalette;
    const DWORD* FBits = nullptr;
};

// A copy of an enhanced metafile. Its size is its header's frame (0.01 mm)
// in pixels of the reference device recorded in the header, rounded half to
// even. A header that cannot be read, a reference device of zero or negative
// size, a frame inverted, a size beyond 32 bits, or records that cannot be
// walked (see MetafileRecordsWellFormed): EInvalidGraphic
// "未対応のクリップボード データです".
class TMetafile : public TGraphic {
public:
    explicit TMetafile(HENHMETAFILE Source);

    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    // Plays the frame onto (R.Left, R.Top)-(R.Right - 1, R.Bottom - 1).
    void Draw(HDC Dc, const TRect& R) const override;

    HENHMETAFILE Handle() const { return FMetafile.Get(); }
    HPALETTE Palette() const { return FPalette.Get(); }

private:
    int FWidth = 0, FHeight = 0;
    UniqueEnhMetaFile FMetafile;
    UniquePalette FPalette;
};

// The size rule of TMetafile, for the header fields themselves.
// Returns false where TMetafile raises.
bool MetafilePixelSize(const ENHMETAHEADER& Header, int& Width, int& Height);

class TClipboard;

// Holds at most one graphic. Readers get a shared reference, so a graphic
// being drawn stays alive even if the picture is replaced meanwhile.
class TPicture : public TObject {
public:
    std::shared_ptr<const TGraphic> Graphic() const { return FGraphic; }
    // Replaces the graphic (null empties the picture), then OnChange.
    void SetGraphic(std::shared_ptr<const TGraphic> Graphic);
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }
    // Loads the clipboard's picture; on failure the picture is unchanged.
    void Assign(TClipboard* Source);

    TNotifyEvent OnChange;

private:
    std::shared_ptr<const TGraphic> FGraphic;
};
