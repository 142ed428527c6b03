// BareReader: takes pictures off the clipboard with nothing but the Win32
// calls any reader needs, to show what Wine itself costs a process per
// picture read from another one. Commands, one per line on stdin:
//
//   take      opens the clipboard, copies its first picture (CF_BITMAP into
//             a 32-bit DIB section, or CF_ENHMETAFILE, asked for also when
//             CF_METAFILEPICT comes first), empties it, closes it, frees the
//             copy; prints "took bitmap|metafile|nothing"
//   figures   prints "handles=N gdi=N pagefile=N" of this process
//   quit
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ProcessFigures.h"

namespace {

void Line(const std::string& Text)
{
    std::fputs((Text + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void CopyBitmap(HBITMAP Source)
{
    BITMAP Info{};
    if (!GetObjectW(Source, sizeof Info, &Info))
        return;
    BITMAPINFO Format{};
    Format.bmiHeader = {sizeof(BITMAPINFOHEADER), Info.bmWidth, -std::abs(Info.bmHeight), 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* Bits = nullptr;
    HBITMAP Copy = CreateDIBSection(nullptr, &Format, DIB_RGB_COLORS, &Bits, nullptr, 0);
    HDC Dc = CreateCompatibleDC(nullptr);
    if (Copy && Dc)
        GetDIBits(Dc, Source, 0, static_cast<UINT>(std::abs(Info.bmHeight)), Bits, &Format, DIB_RGB_COLORS);
    if (Dc)
        DeleteDC(Dc);
    if (Copy)
        DeleteObject(Copy);
}

std::string Take()
{
    for (int Try = 0; !OpenClipboard(nullptr); ++Try) {
        if (Try == 200)
            return "cannot open the clipboard";
        Sleep(5);
    }
    std::string Kind = "nothing";
    for (UINT Format = 0; (Format = EnumClipboardFormats(Format)) != 0;) {
        if (Format == CF_BITMAP) {
            if (auto Bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)))
                CopyBitmap(Bitmap);
            Kind = "bitmap";
            break;
        }
        if (Format == CF_METAFILEPICT || Format == CF_ENHMETAFILE) {
            if (auto Metafile = static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE)))
                DeleteEnhMetaFile(CopyEnhMetaFileW(Metafile, nullptr));
            Kind = "metafile";
            break;
        }
    }
    EmptyClipboard();
    CloseClipboard();
    return "took " + Kind;
}

} // namespace

int main()
{
    char Buffer[256];
    while (std::fgets(Buffer, sizeof Buffer, stdin)) {
        std::string Command(Buffer);
        while (!Command.empty() && (Command.back() == '\n' || Command.back() == '\r'))
            Command.pop_back();
        if (Command == "take")
            Line(Take());
        else if (Command == "figures")
            Line(FormatFigures(ReadOwnFigures()));
        else if (Command == "quit")
            break;
        else
            Line("unknown command " + Command);
    }
    return 0;
}
