// ClipHelper: puts real data on the Windows clipboard for the black-box tests,
// and reports what the clipboard holds. Command lines: README.md beside this file.
#include "HelperCommon.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace helper;

namespace {

unsigned GOpenTimeout = 1000;
unsigned GStay = 0;   // --stay: how long the process lives on after putting

// ---------------------------------------------------------------- formats

struct NamedFormat {
    UINT Id;
    const char* Name;
};

constexpr NamedFormat StandardFormats[] = {
    {CF_TEXT, "CF_TEXT"}, {CF_BITMAP, "CF_BITMAP"}, {CF_METAFILEPICT, "CF_METAFILEPICT"},
    {CF_SYLK, "CF_SYLK"}, {CF_DIF, "CF_DIF"}, {CF_TIFF, "CF_TIFF"}, {CF_OEMTEXT, "CF_OEMTEXT"},
    {CF_DIB, "CF_DIB"}, {CF_PALETTE, "CF_PALETTE"}, {CF_PENDATA, "CF_PENDATA"}, {CF_RIFF, "CF_RIFF"},
    {CF_WAVE, "CF_WAVE"}, {CF_UNICODETEXT, "CF_UNICODETEXT"}, {CF_ENHMETAFILE, "CF_ENHMETAFILE"},
    {CF_HDROP, "CF_HDROP"}, {CF_LOCALE, "CF_LOCALE"}, {CF_DIBV5, "CF_DIBV5"},
    {CF_OWNERDISPLAY, "CF_OWNERDISPLAY"}, {CF_DSPTEXT, "CF_DSPTEXT"}, {CF_DSPBITMAP, "CF_DSPBITMAP"},
    {CF_DSPMETAFILEPICT, "CF_DSPMETAFILEPICT"}, {CF_DSPENHMETAFILE, "CF_DSPENHMETAFILE"},
};

std::string FormatName(UINT Format)
{
    for (const auto& F : StandardFormats)
        if (F.Id == Format)
            return F.Name;
    wchar_t Buffer[256];
    int N = GetClipboardFormatNameW(Format, Buffer, 256);
    if (N > 0)
        return Narrow(std::wstring_view(Buffer, size_t(N)));
    return "?";
}

// A format given as a number, a CF_ name or the name of a registered format.
UINT ParseFormat(const std::string& Text)
{
    for (const auto& F : StandardFormats)
        if (Text == F.Name)
            return F.Id;
    if (!Text.empty() && (Text[0] >= '0' && Text[0] <= '9')) {
        long long Id = ToInt(Text, "format");
        if (Id <= 0 || Id > 0xFFFF)
            FailUsage("format out of range: " + Text);
        return UINT(Id);
    }
    UINT Id = RegisterClipboardFormatW(Widen(Text).c_str());
    if (!Id)
        FailWin32("RegisterClipboardFormat \"" + Text + "\"");
    return Id;
}

// ---------------------------------------------------------------- the clipboard

// A hidden message-only window that owns what this process puts.
HWND OwnerWindow()
{
    static HWND Window = [] {
        WNDCLASSW Class{};
        Class.lpfnWndProc = DefWindowProcW;
        Class.hInstance = GetModuleHandleW(nullptr);
        Class.lpszClassName = L"ClipHelperOwner";
        RegisterClassW(&Class);
        HWND W = CreateWindowExW(0, L"ClipHelperOwner", L"ClipHelper", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 Class.hInstance, nullptr);
        if (!W)
            FailWin32("CreateWindowEx");
        return W;
    }();
    return Window;
}

// One opening of the clipboard, closed at the end of the scope. Opening is
// retried for the --open-timeout so a moment's hold by another program does
// not fail a test's setup.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND Owner)
    {
        unsigned long long Deadline = Now() + GOpenTimeout;
        while (!OpenClipboard(Owner)) {
            if (Now() >= Deadline)
                FailWin32("cannot open the clipboard");
            Sleep(5);
        }
    }
    ~OpenClipboardScope() { CloseClipboard(); }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
};

std::vector<UINT> EnumFormats()
{
    std::vector<UINT> Out;
    for (UINT F = EnumClipboardFormats(0); F; F = EnumClipboardFormats(F))
        Out.push_back(F);
    return Out;
}

// One piece of data for SetClipboardData, with the owner of each handle it
// uses until the clipboard takes them over.
struct ClipItem {
    UINT Format = 0;
    OwnedGlobal Memory;
    OwnedGdi<HGDIOBJ> Gdi;
    OwnedEnhMeta Emf;
    OwnedMeta Wmf;   // inside Memory's METAFILEPICT; the clipboard owns both once set

    HANDLE Handle() const
    {
        if (Emf)
            return Emf.Get();
        if (Gdi)
            return Gdi.Get();
        return Memory.Get();
    }
    void Handover()
    {
        Memory.Release();
        Gdi.Release();
        Emf.Release();
        Wmf.Release();
    }
};

ClipItem GlobalItem(UINT Format, const void* Bytes, size_t Size)
{
    ClipItem Item;
    Item.Format = Format;
    Item.Memory = GlobalCopy(Bytes, Size);
    return Item;
}

// Dispatches messages to the owner window for Ms milliseconds.
void PumpFor(unsigned Ms)
{
    unsigned long long Deadline = Now() + Ms;
    for (unsigned long long T = Now(); T < Deadline; T = Now()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(Deadline - T), QS_ALLINPUT);
        MSG Msg;
        while (PeekMessageW(&Msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&Msg);
    }
}

// Empties the clipboard and sets every item, in the order given, in one opening.
void PutItems(std::vector<ClipItem>& Items)
{
    {
        OpenClipboardScope Open(OwnerWindow());
        if (!EmptyClipboard())
            FailWin32("EmptyClipboard");
        for (auto& Item : Items) {
            // A promise (no data) succeeds with a null answer and no error.
            SetLastError(ERROR_SUCCESS);
            HANDLE Data = Item.Handle();
            if (!SetClipboardData(Item.Format, Data) && (Data || GetLastError() != ERROR_SUCCESS))
                FailWin32("SetClipboardData " + FormatName(Item.Format));
            Item.Handover();
        }
    }
    for (const auto& Item : Items)
        Line("set " + std::to_string(Item.Format) + " " + FormatName(Item.Format));
    if (GStay)
        PumpFor(GStay);
}

// ---------------------------------------------------------------- patterns

// Colours as 0xRRGGBB.
constexpr uint32_t White = 0xFFFFFF, Black = 0x000000, Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF,
                   Yellow = 0xFFFF00;

struct Pattern {
    bool Corners = true;
    uint32_t Solid = 0;
};

Pattern ParsePattern(const std::string& Text)
{
    Pattern P;
    if (Text == "corners")
        return P;
    if (Text.rfind("solid:", 0) == 0 && Text.size() == 12) {
        char* End = nullptr;
        unsigned long Value = std::strtoul(Text.c_str() + 6, &End, 16);
        if (*End == '\0') {
            P.Corners = false;
            P.Solid = uint32_t(Value);
            return P;
        }
    }
    FailUsage("unknown pattern \"" + Text + "\" (corners or solid:RRGGBB)");
}

// The corners pattern: white, a 1-pixel black frame, and inside it a block of
// a quarter of each side in each corner: red top-left, green top-right, blue
// bottom-left, yellow bottom-right. With one bit per pixel only the
// top-left block is drawn, in black.
struct Block {
    int Left, Top, Right, Bottom;
    uint32_t Colour;
};

std::vector<Block> PatternBlocks(const Pattern& P, int W, int H, bool Mono)
{
    if (!P.Corners)
        return {{0, 0, W, H, P.Solid}};
    int Bw = std::max(1, W / 4), Bh = std::max(1, H / 4);
    std::vector<Block> Out{{0, 0, W, H, Black}, {1, 1, W - 1, H - 1, White}};
    Out.push_back({1, 1, 1 + Bw, 1 + Bh, Mono ? Black : Red});
    if (!Mono) {
        Out.push_back({W - 1 - Bw, 1, W - 1, 1 + Bh, Green});
        Out.push_back({1, H - 1 - Bh, 1 + Bw, H - 1, Blue});
        Out.push_back({W - 1 - Bw, H - 1 - Bh, W - 1, H - 1, Yellow});
    }
    return Out;
}

// ---------------------------------------------------------------- bitmaps

struct DibSpec {
    int Width = 0, Height = 0, Bpp = 32;
    bool TopDown = false;
    Pattern Look;
};

// A packed DIB (header, colour table, bits) built in memory.
struct Dib {
    BITMAPINFOHEADER Header{};
    std::vector<RGBQUAD> Colours;
    size_t Stride = 0;
    size_t BitsSize = 0;
};

RGBQUAD Quad(uint32_t C) { return RGBQUAD{BYTE(C & 0xFF), BYTE((C >> 8) & 0xFF), BYTE((C >> 16) & 0xFF), 0}; }

Dib DescribeDib(const DibSpec& S)
{
    Dib D;
    D.Header.biSize = sizeof(BITMAPINFOHEADER);
    D.Header.biWidth = S.Width;
    D.Header.biHeight = S.TopDown ? -S.Height : S.Height;
    D.Header.biPlanes = 1;
    D.Header.biBitCount = WORD(S.Bpp);
    D.Header.biCompression = BI_RGB;
    D.Stride = ((size_t(S.Width) * S.Bpp + 31) / 32) * 4;
    D.BitsSize = D.Stride * size_t(S.Height);
    if (D.BitsSize > 0xFFFFFFFFu)
        Fail("bitmap too large");
    D.Header.biSizeImage = DWORD(D.BitsSize);
    if (S.Bpp <= 8) {
        // The pattern's colours first, then a grey ramp fills the table.
        std::vector<uint32_t> Used;
        for (const auto& B : PatternBlocks(S.Look, S.Width, S.Height, S.Bpp == 1))
            if (std::find(Used.begin(), Used.end(), B.Colour) == Used.end())
                Used.push_back(B.Colour);
        size_t Count = size_t(1) << S.Bpp;
        auto AddGrey = [&Used, Count](uint32_t G) {
            uint32_t Grey = G | G << 8 | G << 16;
            if (Used.size() < Count && std::find(Used.begin(), Used.end(), Grey) == Used.end())
                Used.push_back(Grey);
        };
        for (size_t I = 0; I < Count; ++I)
            AddGrey(uint32_t(I * 255 / (Count - 1)));
        for (uint32_t G = 0; G < 256; ++G)
            AddGrey(G);
        for (uint32_t C : Used)
            D.Colours.push_back(Quad(C));
    }
    return D;
}

int PaletteIndex(const Dib& D, uint32_t Colour)
{
    RGBQUAD Q = Quad(Colour);
    for (size_t I = 0; I < D.Colours.size(); ++I)
        if (D.Colours[I].rgbRed == Q.rgbRed && D.Colours[I].rgbGreen == Q.rgbGreen && D.Colours[I].rgbBlue == Q.rgbBlue)
            return int(I);
    return 0;
}

void PutPixel(unsigned char* Row, int X, int Bpp, uint32_t Colour, int Index)
{
    switch (Bpp) {
    case 32: Row[4 * X] = BYTE(Colour); Row[4 * X + 1] = BYTE(Colour >> 8); Row[4 * X + 2] = BYTE(Colour >> 16); Row[4 * X + 3] = 0; break;
    case 24: Row[3 * X] = BYTE(Colour); Row[3 * X + 1] = BYTE(Colour >> 8); Row[3 * X + 2] = BYTE(Colour >> 16); break;
    case 8: Row[X] = BYTE(Index); break;
    case 4: Row[X / 2] = BYTE((X % 2) ? ((Row[X / 2] & 0xF0) | Index) : ((Row[X / 2] & 0x0F) | (Index << 4))); break;
    case 1: Row[X / 8] = BYTE((Row[X / 8] & ~(0x80 >> (X % 8))) | (Index ? (0x80 >> (X % 8)) : 0)); break;
    }
}

// Writes the pixels of the pattern; row 0 of Bits is the top row when the
// DIB is top-down and the bottom row otherwise.
void WriteBits(const DibSpec& S, const Dib& D, unsigned char* Bits)
{
    std::memset(Bits, 0, D.BitsSize);
    for (const auto& B : PatternBlocks(S.Look, S.Width, S.Height, S.Bpp == 1)) {
        int Index = S.Bpp <= 8 ? PaletteIndex(D, B.Colour) : 0;
        uint32_t Colour = B.Colour;   // 0xRRGGBB: stored low byte first, as B, G, R
        for (int Y = std::max(0, B.Top); Y < std::min(S.Height, B.Bottom); ++Y) {
            size_t RowIndex = S.TopDown ? size_t(Y) : size_t(S.Height - 1 - Y);
            unsigned char* Row = Bits + RowIndex * D.Stride;
            for (int X = std::max(0, B.Left); X < std::min(S.Width, B.Right); ++X)
                PutPixel(Row, X, S.Bpp, Colour, Index);
        }
    }
}

// Header, colour table and bits as one block; with V5 a BITMAPV5HEADER.
std::vector<unsigned char> PackedDib(const DibSpec& S, const Dib& D, bool V5)
{
    size_t HeaderSize = V5 ? sizeof(BITMAPV5HEADER) : sizeof(BITMAPINFOHEADER);
    size_t TableSize = D.Colours.size() * sizeof(RGBQUAD);
    std::vector<unsigned char> Out(HeaderSize + TableSize + D.BitsSize);
    if (V5) {
        BITMAPV5HEADER H{};
        H.bV5Size = sizeof H;
        H.bV5Width = D.Header.biWidth;
        H.bV5Height = D.Header.biHeight;
        H.bV5Planes = 1;
        H.bV5BitCount = D.Header.biBitCount;
        H.bV5Compression = BI_RGB;
        H.bV5SizeImage = D.Header.biSizeImage;
        H.bV5CSType = 0x73524742;   // LCS_sRGB
        H.bV5Intent = LCS_GM_IMAGES;
        std::memcpy(Out.data(), &H, sizeof H);
    } else {
        std::memcpy(Out.data(), &D.Header, sizeof D.Header);
    }
    if (TableSize)
        std::memcpy(Out.data() + HeaderSize, D.Colours.data(), TableSize);
    WriteBits(S, D, Out.data() + HeaderSize + TableSize);
    return Out;
}

struct BitmapInfoBuffer {
    std::vector<unsigned char> Bytes;
    BITMAPINFO* Get() { return reinterpret_cast<BITMAPINFO*>(Bytes.data()); }
};

BitmapInfoBuffer MakeBitmapInfo(const Dib& D)
{
    BitmapInfoBuffer B;
    B.Bytes.resize(sizeof(BITMAPINFOHEADER) + D.Colours.size() * sizeof(RGBQUAD));
    std::memcpy(B.Bytes.data(), &D.Header, sizeof D.Header);
    if (!D.Colours.empty())
        std::memcpy(B.Bytes.data() + sizeof D.Header, D.Colours.data(), D.Colours.size() * sizeof(RGBQUAD));
    return B;
}

OwnedGdi<HGDIOBJ> MakePalette(const Dib& D)
{
    std::vector<unsigned char> Buffer(sizeof(LOGPALETTE) + D.Colours.size() * sizeof(PALETTEENTRY));
    auto* Log = reinterpret_cast<LOGPALETTE*>(Buffer.data());
    Log->palVersion = 0x300;
    Log->palNumEntries = WORD(D.Colours.size());
    for (size_t I = 0; I < D.Colours.size(); ++I)
        Log->palPalEntry[I] = PALETTEENTRY{D.Colours[I].rgbRed, D.Colours[I].rgbGreen, D.Colours[I].rgbBlue, 0};
    OwnedGdi<HGDIOBJ> Palette(CreatePalette(Log));
    if (!Palette)
        FailWin32("CreatePalette");
    return Palette;
}

void SaveBmp(const std::string& Path, const std::vector<unsigned char>& Packed, size_t TableSize)
{
    BITMAPFILEHEADER F{};
    F.bfType = 0x4D42;
    F.bfSize = DWORD(sizeof F + Packed.size());
    F.bfOffBits = DWORD(sizeof F + sizeof(BITMAPINFOHEADER) + TableSize);
    std::vector<unsigned char> File(sizeof F);
    std::memcpy(File.data(), &F, sizeof F);
    File.insert(File.end(), Packed.begin(), Packed.end());
    WriteFileBytes(Path, File.data(), File.size());
}

// bitmap W H [--bpp N] [--topdown] [--palette] [--as bitmap|dib|dibv5|dibsection] [--pattern P] [--save FILE]
void BitmapItems(Args& A, std::vector<ClipItem>& Items)
{
    DibSpec S;
    std::string Value, As = "bitmap", Save;
    if (A.Option("--bpp", Value))
        S.Bpp = int(ToInt(Value, "--bpp"));
    if (S.Bpp != 32 && S.Bpp != 24 && S.Bpp != 8 && S.Bpp != 4 && S.Bpp != 1)
        FailUsage("--bpp must be 32, 24, 8, 4 or 1");
    S.TopDown = A.Flag("--topdown");
    bool WithPalette = A.Flag("--palette");
    A.Option("--as", As);
    if (A.Option("--pattern", Value))
        S.Look = ParsePattern(Value);
    A.Option("--save", Save);
    S.Width = int(ToInt(A.Next("width"), "width"));
    S.Height = int(ToInt(A.Next("height"), "height"));
    if (S.Width <= 0 || S.Height <= 0 || S.Width > 100000 || S.Height > 100000)
        FailUsage("width and height must be 1..100000");
    if (WithPalette && S.Bpp > 8)
        FailUsage("--palette needs --bpp 8, 4 or 1");
    Dib D = DescribeDib(S);

    if (As == "dib" || As == "dibv5") {
        std::vector<unsigned char> Packed = PackedDib(S, D, As == "dibv5");
        if (!Save.empty())
            SaveBmp(Save, PackedDib(S, D, false), D.Colours.size() * sizeof(RGBQUAD));
        Items.push_back(GlobalItem(As == "dib" ? CF_DIB : CF_DIBV5, Packed.data(), Packed.size()));
    } else if (As == "bitmap" || As == "dibsection") {
        if (!Save.empty())
            SaveBmp(Save, PackedDib(S, D, false), D.Colours.size() * sizeof(RGBQUAD));
        ScreenDc Screen;
        BitmapInfoBuffer Info = MakeBitmapInfo(D);
        ClipItem Item;
        Item.Format = CF_BITMAP;
        if (As == "dibsection") {
            void* Bits = nullptr;
            Item.Gdi.Reset(CreateDIBSection(Screen.Get(), Info.Get(), DIB_RGB_COLORS, &Bits, nullptr, 0));
            if (!Item.Gdi || !Bits)
                FailWin32("CreateDIBSection " + std::to_string(S.Width) + "x" + std::to_string(S.Height));
            WriteBits(S, D, static_cast<unsigned char*>(Bits));
            GdiFlush();
        } else {
            // Wine hands CF_BITMAP to other processes only as a device-dependent
            // bitmap, so the pattern is converted into one of the screen's format.
            Item.Gdi.Reset(CreateCompatibleBitmap(Screen.Get(), S.Width, S.Height));
            if (!Item.Gdi)
                FailWin32("CreateCompatibleBitmap " + std::to_string(S.Width) + "x" + std::to_string(S.Height));
            std::vector<unsigned char> Bits(D.BitsSize);
            WriteBits(S, D, Bits.data());
            if (!SetDIBits(Screen.Get(), HBITMAP(Item.Gdi.Get()), 0, UINT(S.Height), Bits.data(), Info.Get(), DIB_RGB_COLORS))
                FailWin32("SetDIBits");
        }
        Items.push_back(std::move(Item));
    } else {
        FailUsage("--as must be bitmap, dib, dibv5 or dibsection");
    }
    if (WithPalette) {
        ClipItem Palette;
        Palette.Format = CF_PALETTE;
        Palette.Gdi = MakePalette(D);
        Items.push_back(std::move(Palette));
    }
}

// ---------------------------------------------------------------- enhanced metafiles

// Appends EMF records to a byte buffer.
class EmfWriter {
public:
    template <class... Ds>
    void Record(DWORD Type, Ds... Fields)
    {
        DWORD Values[] = {DWORD(Fields)...};
        DWORD Size = DWORD(8 + sizeof Values);
        Put(Type);
        Put(Size);
        for (DWORD V : Values)
            Put(V);
        ++FRecords;
    }
    void Put(DWORD V)
    {
        unsigned char B[4];
        std::memcpy(B, &V, 4);
        FBytes.insert(FBytes.end(), B, B + 4);
    }
    // A rectangle filled with Fill and outlined 1 pixel wide with Edge, so
    // with Edge equal to Fill it covers [Left, Right) x [Top, Bottom) exactly.
    void FilledRect(int Left, int Top, int Right, int Bottom, uint32_t Fill, uint32_t Edge)
    {
        auto Ref = [](uint32_t C) { return DWORD(((C & 0xFF) << 16) | (C & 0xFF00) | ((C >> 16) & 0xFF)); };
        Record(EMR_CREATEPEN, 1, PS_SOLID, 1, 0, Ref(Edge));
        Record(EMR_CREATEBRUSHINDIRECT, 2, BS_SOLID, Ref(Fill), 0);
        Record(EMR_SELECTOBJECT, 1);
        Record(EMR_SELECTOBJECT, 2);
        Record(EMR_RECTANGLE, Left, Top, Right, Bottom);
        Record(EMR_SELECTOBJECT, 0x80000000 | BLACK_PEN);
        Record(EMR_SELECTOBJECT, 0x80000000 | WHITE_BRUSH);
        Record(EMR_DELETEOBJECT, 1);
        Record(EMR_DELETEOBJECT, 2);
    }
    std::vector<unsigned char>& Bytes() { return FBytes; }
    DWORD Records() const { return FRecords; }

private:
    std::vector<unsigned char> FBytes;
    DWORD FRecords = 0;
};

struct EmfSpec {
    RECTL Frame{0, 0, 10000, 5000};
    SIZEL DevicePx{1024, 768};
    SIZEL DeviceMm{320, 240};
    long long Extra = 0;
    Pattern Look;
};

// Builds the bits of an enhanced metafile whose header carries exactly the
// given frame and reference device; the content is drawn in reference-device
// pixels over the frame.
std::vector<unsigned char> BuildEmf(const EmfSpec& S)
{
    auto Pixels = [](long long Hmm, long Px, long Mm) -> int {
        if (Px <= 0 || Mm <= 0)
            return 100;   // no usable reference: draw something small
        long double V = std::llroundl((long double)Hmm * Px / ((long double)Mm * 100));
        return int(std::clamp<long double>(V, 1, 1 << 20));
    };
    int W = Pixels((long long)S.Frame.right - S.Frame.left, S.DevicePx.cx, S.DeviceMm.cx);
    int H = Pixels((long long)S.Frame.bottom - S.Frame.top, S.DevicePx.cy, S.DeviceMm.cy);

    EmfWriter Body;
    // The extra records are drawn first and then covered by the pattern, so
    // they cost time to play without changing the picture.
    for (long long I = 0; I < S.Extra; ++I) {
        int X = int((I * 7) % std::max(1, W - 2)), Y = int((I * 13) % std::max(1, H - 2));
        Body.Record(EMR_RECTANGLE, X, Y, X + 2, Y + 2);
    }
    for (const auto& B : PatternBlocks(S.Look, W, H, false))
        Body.FilledRect(B.Left, B.Top, B.Right, B.Bottom, B.Colour, B.Colour);
    Body.Record(EMR_EOF, 0, 16, 20);

    ENHMETAHEADER Header{};
    Header.iType = EMR_HEADER;
    Header.nSize = sizeof Header;
    Header.rclBounds = RECTL{0, 0, W - 1, H - 1};
    Header.rclFrame = S.Frame;
    Header.dSignature = ENHMETA_SIGNATURE;
    Header.nVersion = 0x10000;
    Header.nBytes = DWORD(sizeof Header + Body.Bytes().size());
    Header.nRecords = Body.Records() + 1;
    Header.nHandles = 3;
    Header.szlDevice = S.DevicePx;
    Header.szlMillimeters = S.DeviceMm;
    auto Micro = [](long Mm) { return LONG(std::clamp<long long>((long long)Mm * 1000, LONG_MIN, LONG_MAX)); };
    Header.szlMicrometers = SIZEL{Micro(S.DeviceMm.cx), Micro(S.DeviceMm.cy)};

    std::vector<unsigned char> Out(sizeof Header + Body.Bytes().size());
    std::memcpy(Out.data(), &Header, sizeof Header);
    std::memcpy(Out.data() + sizeof Header, Body.Bytes().data(), Body.Bytes().size());
    return Out;
}

ClipItem EmfItem(const std::vector<unsigned char>& Bits)
{
    ClipItem Item;
    Item.Format = CF_ENHMETAFILE;
    Item.Emf.Reset(SetEnhMetaFileBits(UINT(Bits.size()), Bits.data()));
    if (!Item.Emf)
        FailWin32("SetEnhMetaFileBits refused the " + std::to_string(Bits.size()) + " bytes");
    return Item;
}

LONG ToLong(const std::string& Text, const char* What)
{
    long long V = ToInt(Text, What);
    if (V < LONG_MIN || V > LONG_MAX)
        FailUsage(std::string(What) + " out of the 32-bit range: " + Text);
    return LONG(V);
}

// emf [--frame-mm W H | --frame L T R B] [--refdev-px W H] [--refdev-mm W H] [--records N] [--pattern P] [--save FILE]
void EmfItems(Args& A, std::vector<ClipItem>& Items)
{
    EmfSpec S;
    std::string X, Y, Value, Save;
    if (A.Option("--frame-mm", X, Y))
        S.Frame = RECTL{0, 0, LONG(std::lround(ToReal(X, "--frame-mm") * 100)), LONG(std::lround(ToReal(Y, "--frame-mm") * 100))};
    std::vector<std::string> Frame;
    if (A.Option("--frame", Frame, 4))
        S.Frame = RECTL{ToLong(Frame[0], "--frame"), ToLong(Frame[1], "--frame"), ToLong(Frame[2], "--frame"),
                        ToLong(Frame[3], "--frame")};
    if (A.Option("--refdev-px", X, Y))
        S.DevicePx = SIZEL{ToLong(X, "--refdev-px"), ToLong(Y, "--refdev-px")};
    if (A.Option("--refdev-mm", X, Y))
        S.DeviceMm = SIZEL{ToLong(X, "--refdev-mm"), ToLong(Y, "--refdev-mm")};
    if (A.Option("--records", Value)) {
        S.Extra = ToInt(Value, "--records");
        if (S.Extra < 0 || S.Extra > 10000000)
            FailUsage("--records must be 0..10000000");
    }
    if (A.Option("--pattern", Value))
        S.Look = ParsePattern(Value);
    A.Option("--save", Save);
    std::vector<unsigned char> Bits = BuildEmf(S);
    if (!Save.empty())
        WriteFileBytes(Save, Bits.data(), Bits.size());
    Items.push_back(EmfItem(Bits));
}

// ---------------------------------------------------------------- metafile pictures

// metafilepict [--size-px W H] [--ext X Y] [--mm N] [--pattern P] [--empty] [--no-emf]
void MetafilePictItems(Args& A, std::vector<ClipItem>& Items)
{
    int W = 320, H = 160;
    LONG ExtX = 10000, ExtY = 5000, Mode = MM_ANISOTROPIC;
    Pattern Look;
    std::string X, Y, Value;
    if (A.Option("--size-px", X, Y)) {
        W = int(ToInt(X, "--size-px"));
        H = int(ToInt(Y, "--size-px"));
        if (W <= 0 || H <= 0 || W > 30000 || H > 30000)
            FailUsage("--size-px must be 1..30000");
    }
    if (A.Option("--ext", X, Y)) {
        ExtX = ToLong(X, "--ext");
        ExtY = ToLong(Y, "--ext");
    }
    if (A.Option("--mm", Value))
        Mode = ToLong(Value, "--mm");
    if (A.Option("--pattern", Value))
        Look = ParsePattern(Value);
    bool Empty = A.Flag("--empty");
    bool NoEmf = A.Flag("--no-emf");

    ClipItem Item;
    Item.Format = CF_METAFILEPICT;
    {
        OwnedDc Recorder(CreateMetaFileW(nullptr));
        if (!Recorder)
            FailWin32("CreateMetaFile");
        SetMapMode(Recorder.Get(), Mode);
        SetWindowOrgEx(Recorder.Get(), 0, 0, nullptr);
        SetWindowExtEx(Recorder.Get(), W, H, nullptr);
        for (const auto& B : Empty ? std::vector<Block>{} : PatternBlocks(Look, W, H, false)) {
            COLORREF C = RGB((B.Colour >> 16) & 0xFF, (B.Colour >> 8) & 0xFF, B.Colour & 0xFF);
            OwnedGdi<HGDIOBJ> Pen(CreatePen(PS_SOLID, 1, C));
            OwnedGdi<HGDIOBJ> Brush(CreateSolidBrush(C));
            Selected UsePen(Recorder.Get(), Pen.Get());
            Selected UseBrush(Recorder.Get(), Brush.Get());
            Rectangle(Recorder.Get(), B.Left, B.Top, B.Right, B.Bottom);
        }
        Item.Wmf.Reset(CloseMetaFile(Recorder.Release()));
        if (!Item.Wmf)
            FailWin32("CloseMetaFile");
    }
    METAFILEPICT Pict{Mode, ExtX, ExtY, Item.Wmf.Get()};
    Item.Memory = GlobalCopy(&Pict, sizeof Pict);
    Items.push_back(std::move(Item));
    if (NoEmf) {
        // An enhanced metafile promised for delayed rendering and never
        // rendered: it stops Wine from synthesising one at CloseClipboard, and
        // Wine drops the promise when this process ends.
        ClipItem Promise;
        Promise.Format = CF_ENHMETAFILE;
        Items.push_back(std::move(Promise));
    }
}

// ---------------------------------------------------------------- other items

std::vector<unsigned char> TextBytes(const std::string& Utf8)
{
    std::wstring Wide = Widen(Utf8);
    Wide.push_back(L'\0');
    std::vector<unsigned char> Out(Wide.size() * sizeof(wchar_t));
    std::memcpy(Out.data(), Wide.data(), Out.size());
    return Out;
}

void FileItems(const std::string& Path, std::vector<ClipItem>& Items)
{
    std::vector<unsigned char> Bytes = ReadFileBytes(Path);
    if (Bytes.size() >= 14 && Bytes[0] == 'B' && Bytes[1] == 'M') {
        Items.push_back(GlobalItem(CF_DIB, Bytes.data() + 14, Bytes.size() - 14));
        return;
    }
    DWORD Type = 0, Signature = 0;
    if (Bytes.size() >= sizeof(ENHMETAHEADER)) {
        std::memcpy(&Type, Bytes.data(), 4);
        std::memcpy(&Signature, Bytes.data() + offsetof(ENHMETAHEADER, dSignature), 4);
    }
    if (Type == EMR_HEADER && Signature == ENHMETA_SIGNATURE) {
        Items.push_back(EmfItem(Bytes));
        return;
    }
    Fail("\"" + Path + "\" is neither a .bmp nor an .emf file");
}

// Adds the items of one put command (everything up to a "+" or the end).
void ParseItem(std::vector<std::string> Words, std::vector<ClipItem>& Items)
{
    Args A(std::move(Words));
    std::string Kind = A.Next("what to put");
    if (Kind == "bitmap")
        BitmapItems(A, Items);
    else if (Kind == "emf")
        EmfItems(A, Items);
    else if (Kind == "metafilepict")
        MetafilePictItems(A, Items);
    else if (Kind == "text") {
        std::string File, Text;
        if (A.Option("--file", File)) {
            std::vector<unsigned char> Utf8 = ReadFileBytes(File);
            Text.assign(Utf8.begin(), Utf8.end());
        } else {
            Text = A.Next("text");
        }
        std::vector<unsigned char> Bytes = TextBytes(Text);
        Items.push_back(GlobalItem(CF_UNICODETEXT, Bytes.data(), Bytes.size()));
    } else if (Kind == "own-format") {
        std::string Name = "Wendrask Picture";
        A.Option("--name", Name);
        static const char Payload[16] = "WendraskPicture";
        Items.push_back(GlobalItem(ParseFormat(Name), Payload, sizeof Payload));
    } else if (Kind == "dib-raw" || Kind == "raw") {
        UINT Format = Kind == "raw" ? ParseFormat(A.Next("format")) : CF_DIB;
        if (Format == CF_BITMAP || Format == CF_PALETTE || Format == CF_ENHMETAFILE || Format == CF_METAFILEPICT)
            FailUsage(FormatName(Format) + " is a handle format; raw puts memory blocks only");
        std::vector<unsigned char> Bytes = ReadFileBytes(A.Next("file"));
        Items.push_back(GlobalItem(Format, Bytes.data(), Bytes.size()));
    } else if (Kind == "promise") {
        ClipItem Promise;   // delayed rendering that never renders
        Promise.Format = ParseFormat(A.Next("format"));
        Items.push_back(std::move(Promise));
    } else if (Kind == "emf-raw") {
        Items.push_back(EmfItem(ReadFileBytes(A.Next("file"))));
    } else if (Kind == "file") {
        FileItems(A.Next("file"), Items);
    } else {
        FailUsage("unknown item \"" + Kind + "\"");
    }
    A.Finish();
}

// ---------------------------------------------------------------- reading

// The colours where the corners pattern puts its blocks and frame, read
// top-down: tl, tr, bl, br inside the frame, the frame's top-left pixel and
// the centre.
std::string SampleCorners(HBITMAP Bitmap, int W, int H)
{
    if (W < 3 || H < 3 || W > 30000 || H > 30000)
        return {};
    BITMAPINFO Info = TopDown32Format(W, H);
    std::vector<uint32_t> Pixels(size_t(W) * size_t(H));
    ScreenDc Screen;
    if (GetDIBits(Screen.Get(), Bitmap, 0, UINT(H), Pixels.data(), &Info, DIB_RGB_COLORS) != H)
        return " pixels=unreadable";
    auto At = [&](int X, int Y) {
        char Buffer[8];
        std::snprintf(Buffer, sizeof Buffer, "%06x", unsigned(Pixels[size_t(Y) * size_t(W) + size_t(X)] & 0xFFFFFF));
        return std::string(Buffer);
    };
    return " tl=" + At(1, 1) + " tr=" + At(W - 2, 1) + " bl=" + At(1, H - 2) + " br=" + At(W - 2, H - 2) +
           " frame=" + At(0, 0) + " centre=" + At(W / 2, H / 2);
}

std::string Describe(UINT Format)
{
    std::string Out = std::to_string(Format) + " " + FormatName(Format);
    HANDLE Data = GetClipboardData(Format);
    if (!Data)
        return Out + " unavailable (" + Win32ErrorText(GetLastError()) + ")";
    auto Field = [&Out](const char* Key, long long V) { Out += std::string(" ") + Key + "=" + std::to_string(V); };
    switch (Format) {
    case CF_BITMAP: {
        BITMAP B{};
        if (!GetObjectW(Data, sizeof B, &B))
            return Out + " GetObject failed";
        Field("width", B.bmWidth);
        Field("height", B.bmHeight);
        Field("bpp", B.bmBitsPixel);
        return Out + SampleCorners(HBITMAP(Data), B.bmWidth, B.bmHeight);
    }
    case CF_PALETTE: {
        WORD Entries = 0;
        GetObjectW(Data, sizeof Entries, &Entries);
        Field("entries", Entries);
        return Out;
    }
    case CF_ENHMETAFILE: {
        ENHMETAHEADER H{};
        if (!GetEnhMetaFileHeader(HENHMETAFILE(Data), sizeof H, &H))
            return Out + " no header";
        Field("bytes", H.nBytes);
        Field("records", H.nRecords);
        Out += " frame=" + std::to_string(H.rclFrame.left) + "," + std::to_string(H.rclFrame.top) + "," +
               std::to_string(H.rclFrame.right) + "," + std::to_string(H.rclFrame.bottom);
        Out += " device=" + std::to_string(H.szlDevice.cx) + "," + std::to_string(H.szlDevice.cy);
        Out += " mm=" + std::to_string(H.szlMillimeters.cx) + "," + std::to_string(H.szlMillimeters.cy);
        return Out;
    }
    default: break;
    }
    GlobalLocked Lock(Data);
    Field("bytes", (long long)Lock.Size());
    const auto* Bytes = static_cast<const unsigned char*>(Lock.Get());
    if ((Format == CF_DIB || Format == CF_DIBV5) && Lock.Size() >= sizeof(BITMAPINFOHEADER)) {
        BITMAPINFOHEADER H;
        std::memcpy(&H, Bytes, sizeof H);
        Field("header", H.biSize);
        Field("width", H.biWidth);
        Field("height", H.biHeight);
        Field("bpp", H.biBitCount);
        Field("compression", H.biCompression);
        Field("clrused", H.biClrUsed);
    } else if (Format == CF_METAFILEPICT && Lock.Size() >= sizeof(METAFILEPICT)) {
        METAFILEPICT P;
        std::memcpy(&P, Bytes, sizeof P);
        Field("mm", P.mm);
        Out += " ext=" + std::to_string(P.xExt) + "," + std::to_string(P.yExt);
        Field("wmfbytes", P.hMF ? GetMetaFileBitsEx(P.hMF, 0, nullptr) : 0);
    } else if (Format == CF_UNICODETEXT) {
        std::wstring_view Text(reinterpret_cast<const wchar_t*>(Bytes), Lock.Size() / sizeof(wchar_t));
        Text = Text.substr(0, Text.find(L'\0'));
        Out += " text=" + Escape(Narrow(Text));
    } else if (Format == CF_TEXT || Format == CF_OEMTEXT) {
        std::string_view Text(reinterpret_cast<const char*>(Bytes), Lock.Size());
        Out += " text=" + Escape(Text.substr(0, Text.find('\0')));
    }
    return Out;
}

// ---------------------------------------------------------------- commands

int Put(std::vector<std::string>& Words)
{
    std::vector<ClipItem> Items;
    std::vector<std::string> Current;
    for (const auto& W : Words) {
        if (W == "+") {
            ParseItem(std::move(Current), Items);
            Current.clear();
        } else {
            Current.push_back(W);
        }
    }
    ParseItem(std::move(Current), Items);
    PutItems(Items);
    return ExitOk;
}

int Formats()
{
    std::vector<UINT> List;
    {
        OpenClipboardScope Open(nullptr);
        List = EnumFormats();
    }
    for (UINT F : List)
        Line(std::to_string(F) + " " + FormatName(F));
    return ExitOk;
}

int DescribeAll(Args& A)
{
    std::vector<std::string> Lines;
    {
        OpenClipboardScope Open(nullptr);
        std::vector<UINT> List;
        if (A.Empty())
            List = EnumFormats();
        while (!A.Empty())
            List.push_back(ParseFormat(A.Next("format")));
        for (UINT F : List)
            Lines.push_back(Describe(F));
    }
    for (const auto& L : Lines)
        Line(L);
    return ExitOk;
}

int Hold(Args& A)
{
    std::string Value;
    unsigned Repeat = 1, Gap = 0;
    if (A.Option("--repeat", Value))
        Repeat = std::max(1u, ToTimeout(Value, "--repeat"));
    if (A.Option("--gap", Value))
        Gap = ToTimeout(Value, "--gap");
    unsigned Ms = ToTimeout(A.Next("milliseconds"), "hold");
    A.Finish();
    for (unsigned I = 0; I < Repeat; ++I) {
        {
            OpenClipboardScope Open(OwnerWindow());
            if (I == 0)
                Line("held");
            Sleep(Ms);
        }
        if (I + 1 < Repeat)
            Sleep(Gap);
    }
    Line("released");
    return ExitOk;
}

int WaitEmpty(Args& A)
{
    unsigned Ms = ToTimeout(A.Next("milliseconds"), "wait-empty");
    A.Finish();
    unsigned long long Deadline = Now() + Ms;
    for (;;) {
        int Count = CountClipboardFormats();
        if (Count == 0) {
            Line("empty");
            return ExitOk;
        }
        if (Now() >= Deadline)
            Fail("the clipboard still holds " + std::to_string(Count) + " formats after " + std::to_string(Ms) + " ms");
        Sleep(10);
    }
}

int Usage()
{
    Line("usage: ClipHelper [--open-timeout MS] COMMAND ...   (see README.md)");
    Line("  put ITEM [+ ITEM ...]   ITEM: bitmap, emf, metafilepict, text, own-format, dib-raw, emf-raw, raw, file, promise");
    Line("  bitmap|emf|metafilepict|text|own-format|dib-raw|emf-raw|raw|file|promise ...   (put with one item)");
    Line("  options: --open-timeout MS (default 1000), --stay MS (live on after putting)");
    Line("  hold MS [--repeat N] [--gap MS] | formats | describe [FORMAT...] | empty | count | sequence | wait-empty MS");
    return ExitUsage;
}

int Main(std::vector<std::string>& List)
{
    InitOutput("ClipHelper");
    Args A(List);
    std::string Value;
    if (A.Option("--open-timeout", Value))
        GOpenTimeout = ToTimeout(Value, "--open-timeout");
    if (A.Option("--stay", Value))
        GStay = ToTimeout(Value, "--stay");
    if (A.Empty())
        return Usage();
    std::string Command = A.Next("command");
    if (Command == "put") {
        std::vector<std::string> Rest = A.Rest();
        return Put(Rest);
    }
    if (Command == "bitmap" || Command == "emf" || Command == "metafilepict" || Command == "text" ||
        Command == "own-format" || Command == "dib-raw" || Command == "emf-raw" || Command == "raw" || Command == "file" || Command == "promise") {
        std::vector<std::string> Rest = A.Rest();
        Rest.insert(Rest.begin(), Command);
        return Put(Rest);
    }
    if (Command == "formats") {
        A.Finish();
        return Formats();
    }
    if (Command == "describe")
        return DescribeAll(A);
    if (Command == "empty") {
        A.Finish();
        OpenClipboardScope Open(OwnerWindow());
        if (!EmptyClipboard())
            FailWin32("EmptyClipboard");
        return ExitOk;
    }
    if (Command == "count") {
        A.Finish();
        Line(std::to_string(CountClipboardFormats()));
        return ExitOk;
    }
    if (Command == "sequence") {
        A.Finish();
        Line(std::to_string(GetClipboardSequenceNumber()));
        return ExitOk;
    }
    if (Command == "hold")
        return Hold(A);
    if (Command == "wait-empty")
        return WaitEmpty(A);
    if (Command == "help" || Command == "--help") {
        Usage();
        return ExitOk;
    }
    FailUsage("unknown command \"" + Command + "\"");
}

} // namespace

int main() { return Guarded(Main); }
