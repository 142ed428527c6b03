// DialogProbe TEXT...
//
// Reads, with plain GDI and the locale functions, what the settings dialog
// depends on in this prefix: the dialog's font ("ＭＳ Ｐゴシック",
// SHIFTJIS_CHARSET, height -15 at 120 pixels per inch, scaled to the
// screen's resolution), the height of the digit zero in it, the extent of
// each TEXT in it, and the user's decimal symbol. Prints
//   ppi=P<TAB>font=H<TAB>zero=Z<TAB>decimal=D
//   extent=W,H<TAB>text=TEXT          (one line per TEXT)
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const std::wstring& Text)
{
    int Length = WideCharToMultiByte(CP_UTF8, 0, Text.c_str(), int(Text.size()), nullptr, 0, nullptr, nullptr);
    std::string Result(size_t(Length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, Text.c_str(), int(Text.size()), Result.data(), Length, nullptr, nullptr);
    return Result;
}

} // namespace

int main()
{
    int Count = 0;
    wchar_t** Args = CommandLineToArgvW(GetCommandLineW(), &Count);
    if (!Args)
        return 1;
    HDC Screen = GetDC(nullptr);
    int Ppi = GetDeviceCaps(Screen, LOGPIXELSY);
    int Height = MulDiv(-15, Ppi, 120);
    HFONT Font = CreateFontW(Height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック");
    HGDIOBJ Old = SelectObject(Screen, Font);
    SIZE Zero{};
    GetTextExtentPoint32W(Screen, L"0", 1, &Zero);
    wchar_t Decimal[8] = {};
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, Decimal, 8);
    std::printf("ppi=%d\tfont=%d\tzero=%ld\tdecimal=%s\n", Ppi, Height, Zero.cy, Utf8(Decimal).c_str());
    for (int I = 1; I < Count; ++I) {
        std::wstring Text = Args[I];
        SIZE Extent{};
        GetTextExtentPoint32W(Screen, Text.c_str(), int(Text.size()), &Extent);
        std::printf("extent=%ld,%ld\ttext=%s\n", Extent.cx, Extent.cy, Utf8(Text).c_str());
    }
    SelectObject(Screen, Old);
    DeleteObject(Font);
    ReleaseDC(nullptr, Screen);
    LocalFree(Args);
    return 0;
}
