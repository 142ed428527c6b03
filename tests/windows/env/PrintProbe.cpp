// PrintProbe: proves the test environment's print chain from a Windows
// program. "caps" reports what GDI says about the default printer and the
// screen; "print TITLE LEFT TOP RIGHT BOTTOM" prints one page with a 2x2
// picture (red, green / blue, black) stretched over that rectangle, in
// printable-area pixels. Exit code 3 when there is no default printer.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

struct Dc {
    HDC h;
    explicit Dc(HDC dc) : h(dc) {}
    ~Dc() { if (h) DeleteDC(h); }
    Dc(const Dc&) = delete;
    Dc& operator=(const Dc&) = delete;
};

std::wstring DefaultPrinter() {
    DWORD size = 0;
    GetDefaultPrinterW(nullptr, &size);
    if (size == 0) return {};
    std::wstring name(size, L'\0');
    if (!GetDefaultPrinterW(name.data(), &size)) return {};
    name.resize(size - 1);
    return name;
}

std::string Utf8(const std::wstring& s) {
    int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, out.data(), n, nullptr, nullptr);
    return out;
}

int Caps(const std::wstring& printer) {
    Dc ic(CreateICW(L"WINSPOOL", printer.c_str(), nullptr, nullptr));
    if (!ic.h) { std::fprintf(stderr, "CreateICW failed: %lu\n", GetLastError()); return 1; }
    HDC screen = GetDC(nullptr);
    std::printf("printer %s\n", Utf8(printer).c_str());
    const struct { const char* name; int index; } caps[] = {
        {"HORZRES", HORZRES}, {"VERTRES", VERTRES},
        {"PHYSICALWIDTH", PHYSICALWIDTH}, {"PHYSICALHEIGHT", PHYSICALHEIGHT},
        {"PHYSICALOFFSETX", PHYSICALOFFSETX}, {"PHYSICALOFFSETY", PHYSICALOFFSETY},
        {"LOGPIXELSX", LOGPIXELSX}, {"LOGPIXELSY", LOGPIXELSY},
        {"BITSPIXEL", BITSPIXEL}, {"NUMCOLORS", NUMCOLORS},
    };
    for (const auto& c : caps) std::printf("%s %d\n", c.name, GetDeviceCaps(ic.h, c.index));
    std::printf("SCREEN_LOGPIXELSX %d\n", GetDeviceCaps(screen, LOGPIXELSX));
    ReleaseDC(nullptr, screen);
    return 0;
}

int Print(const std::wstring& printer, const wchar_t* title, const RECT& r) {
    Dc dc(CreateDCW(L"WINSPOOL", printer.c_str(), nullptr, nullptr));
    if (!dc.h) { std::fprintf(stderr, "CreateDCW failed: %lu\n", GetLastError()); return 1; }
    // Bottom-up 2x2, 32 bits: the first row in memory is the bottom one.
    const DWORD pixels[4] = {0x000000FF, 0x00000000, 0x00FF0000, 0x0000FF00};
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 2;
    bi.bmiHeader.biHeight = 2;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    DOCINFOW di{};
    di.cbSize = sizeof di;
    di.lpszDocName = title;
    if (StartDocW(dc.h, &di) <= 0) { std::fprintf(stderr, "StartDocW failed: %lu\n", GetLastError()); return 1; }
    bool ok = StartPage(dc.h) > 0;
    ok = ok && StretchDIBits(dc.h, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0, 2, 2,
                             pixels, &bi, DIB_RGB_COLORS, SRCCOPY) != 0;
    ok = ok && EndPage(dc.h) > 0;
    if (!ok) {
        std::fprintf(stderr, "drawing failed: %lu\n", GetLastError());
        AbortDoc(dc.h);
        return 1;
    }
    if (EndDoc(dc.h) <= 0) { std::fprintf(stderr, "EndDoc failed: %lu\n", GetLastError()); return 1; }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring printer = DefaultPrinter();
    if (printer.empty()) {
        std::fprintf(stderr, "no default printer (error %lu)\n", GetLastError());
        return 3;
    }
    if (argc == 2 && std::wcscmp(argv[1], L"caps") == 0) return Caps(printer);
    if (argc == 7 && std::wcscmp(argv[1], L"print") == 0) {
        RECT r{_wtoi(argv[3]), _wtoi(argv[4]), _wtoi(argv[5]), _wtoi(argv[6])};
        return Print(printer, argv[2], r);
    }
    std::fprintf(stderr, "usage: PrintProbe caps | print TITLE LEFT TOP RIGHT BOTTOM\n");
    return 2;
}
