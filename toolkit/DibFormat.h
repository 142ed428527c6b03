#pragma once
// The pixel format of a TBitmap, header-only so that the test helpers share
// it: 32 bits per pixel, BI_RGB, rows top-down (a negative height).
#include <windows.h>

inline BITMAPINFO TopDown32Format(int Width, int Height)
{
    BITMAPINFO Format{};
    Format.bmiHeader.biSize = sizeof Format.bmiHeader;
    Format.bmiHeader.biWidth = Width;
    Format.bmiHeader.biHeight = -Height;
    Format.bmiHeader.biPlanes = 1;
    Format.bmiHeader.biBitCount = 32;
    Format.bmiHeader.biCompression = BI_RGB;
    return Format;
}
