#pragma once
// The clipboard object: the picture query, loading a picture, emptying.
//
// Every opening of the clipboard retries for about 100 ms in all, so another
// program that opens it for a moment (as every copy does) does not make an
// operation fail; a longer hold gives Exception "クリップボードを開くことが
// できません". The clipboard is never left open.
#include <windows.h>

#include <memory>

#include "toolkit/Classes.h"

class TGraphic;

class TClipboard : public TObject {
public:
    // Yes when the toolkit's own format "Wendrask Picture" is present (asked
    // without opening); otherwise opens the clipboard and looks for
    // CF_BITMAP, CF_METAFILEPICT or CF_ENHMETAFILE.
    bool HasPicture();

    // Empties the clipboard with Application->Handle() as its owner; should
    // Windows refuse to empty the open clipboard: EWin32Error.
    void Clear();

    // A copy of the first of CF_BITMAP (with CF_PALETTE), CF_METAFILEPICT or
    // CF_ENHMETAFILE in enumeration order; both metafile formats are read as
    // CF_ENHMETAFILE. None: Exception "無効なクリップボード フォーマットです".
    // Data that cannot be had: EInvalidGraphic "未対応のクリップボード データです";
    // copying failures as TBitmap and TMetafile give them. A CF_BITMAP that
    // Windows would make from a DIB put before it is refused, before it is
    // made, when that DIB is malformed (as above) or too large to copy (as
    // TBitmap refuses it).
    std::shared_ptr<TGraphic> LoadGraphic();

    // The toolkit's own registered clipboard format.
    static UINT PictureFormat();
};

// One per application, created on first use.
TClipboard* Clipboard();
