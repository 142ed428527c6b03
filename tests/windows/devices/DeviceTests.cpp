#include "DeviceTests.h"

#include <cstdio>
#include <cstring>

#include "toolkit/Application.h"
#include "toolkit/Win32Text.h"

namespace {

BITMAPINFO* Info32(std::vector<BYTE>& Memory, int Width, int Height, bool TopDown)
{
    Memory.assign(sizeof(BITMAPINFO), 0);
    auto* Info = reinterpret_cast<BITMAPINFO*>(Memory.data());
    Info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Info->bmiHeader.biWidth = Width;
    Info->bmiHeader.biHeight = TopDown ? -Height : Height;
    Info->bmiHeader.biPlanes = 1;
    Info->bmiHeader.biBitCount = 32;
    Info->bmiHeader.biCompression = BI_RGB;
    return Info;
}

// A Unix path from the environment, as Wine's Z: drive shows it.
std::wstring PathFromEnvironment(const wchar_t* Name)
{
    wchar_t Buffer[MAX_PATH] = {};
    DWORD Length = GetEnvironmentVariableW(Name, Buffer, MAX_PATH);
    if (Length == 0 || Length >= MAX_PATH)
        return {};
    std::wstring Path = L"Z:";
    Path += Buffer;
    for (auto& C : Path)
        if (C == L'/')
            C = L'\\';
    return Path;
}

std::wstring JobsFolder() { return PathFromEnvironment(L"WENDRASK_JOBS"); }

std::wstring JobPath(int Number, const wchar_t* Extension)
{
    wchar_t Name[32];
    swprintf(Name, 32, L"\\job-%04d.%ls", Number, Extension);
    return JobsFolder() + Name;
}

bool Exists(const std::wstring& Path) { return GetFileAttributesW(Path.c_str()) != INVALID_FILE_ATTRIBUTES; }

} // namespace

void PutOnClipboard(const std::function<void()>& Put)
{
    for (int Try = 0; !OpenClipboard(nullptr); ++Try) {
        ASSERT_LT(Try, 200) << "the test cannot open the clipboard";
        Sleep(5);
    }
    EmptyClipboard();
    Put();
    CloseClipboard();
}

void SetBitmap(int Width, int Height, bool TopDown, const std::function<COLORREF(int, int)>& Colour)
{
    std::vector<BYTE> Memory;
    BITMAPINFO* Info = Info32(Memory, Width, Height, TopDown);
    void* Bits = nullptr;
    HBITMAP Bitmap = CreateDIBSection(nullptr, Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    ASSERT_TRUE(Bitmap);
    auto* Pixels = static_cast<DWORD*>(Bits);
    for (int Y = 0; Y < Height; ++Y) {
        int Row = TopDown ? Y : Height - 1 - Y;
        for (int X = 0; X < Width; ++X)
            Pixels[Row * Width + X] = Colour(X, Y) & 0xFFFFFF;
    }
    if (!SetClipboardData(CF_BITMAP, Bitmap))
        DeleteObject(Bitmap);
}

void SetPaletteBitmap(int Width, int Height, const std::vector<COLORREF>& Table,
                      const std::function<BYTE(int, int)>& Index)
{
    std::vector<BYTE> Memory(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* Info = reinterpret_cast<BITMAPINFO*>(Memory.data());
    Info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Info->bmiHeader.biWidth = Width;
    Info->bmiHeader.biHeight = Height;
    Info->bmiHeader.biPlanes = 1;
    Info->bmiHeader.biBitCount = 8;
    Info->bmiHeader.biCompression = BI_RGB;
    Info->bmiHeader.biClrUsed = static_cast<DWORD>(Table.size());
    std::vector<BYTE> LogMemory(sizeof(LOGPALETTE) + Table.size() * sizeof(PALETTEENTRY));
    auto* Log = reinterpret_cast<LOGPALETTE*>(LogMemory.data());
    Log->palVersion = 0x300;
    Log->palNumEntries = static_cast<WORD>(Table.size());
    for (size_t I = 0; I < Table.size(); ++I) {
        COLORREF Rgb = Table[I];   // 0xRRGGBB
        Info->bmiColors[I] = RGBQUAD{BYTE(Rgb), BYTE(Rgb >> 8), BYTE(Rgb >> 16), 0};
        Log->palPalEntry[I] = PALETTEENTRY{BYTE(Rgb >> 16), BYTE(Rgb >> 8), BYTE(Rgb), 0};
    }
    void* Bits = nullptr;
    HBITMAP Bitmap = CreateDIBSection(nullptr, Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    ASSERT_TRUE(Bitmap);
    int Stride = (Width + 3) & ~3;
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X)
            static_cast<BYTE*>(Bits)[(Height - 1 - Y) * Stride + X] = Index(X, Y);
    if (!SetClipboardData(CF_BITMAP, Bitmap))
        DeleteObject(Bitmap);
    HPALETTE Palette = CreatePalette(Log);
    if (!SetClipboardData(CF_PALETTE, Palette))
        DeleteObject(Palette);
}

UniqueEnhMetaFile MakeMetafile(RECTL Frame, SIZEL DevicePixels, SIZEL DeviceMillimetres)
{
    // Records one black rectangle over the frame in pixels of the chosen
    // reference device, then writes that device into the header.
    long long Width = 0, Height = 0;
    if (DevicePixels.cx > 0 && DeviceMillimetres.cx > 0)
        Width = (static_cast<long long>(Frame.right) - Frame.left) * DevicePixels.cx / (DeviceMillimetres.cx * 100LL);
    if (DevicePixels.cy > 0 && DeviceMillimetres.cy > 0)
        Height = (static_cast<long long>(Frame.bottom) - Frame.top) * DevicePixels.cy / (DeviceMillimetres.cy * 100LL);
    HDC Recorder = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    RECT Fill{0, 0, static_cast<LONG>(Width), static_cast<LONG>(Height)};
    FillRect(Recorder, &Fill, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    UniqueEnhMetaFile Recorded(CloseEnhMetaFile(Recorder));
    UINT Size = GetEnhMetaFileBits(Recorded.Get(), 0, nullptr);
    std::vector<BYTE> Bytes(Size);
    GetEnhMetaFileBits(Recorded.Get(), Size, Bytes.data());
    auto* Header = reinterpret_cast<ENHMETAHEADER*>(Bytes.data());
    Header->rclBounds = RECTL{0, 0, Fill.right - 1, Fill.bottom - 1};
    Header->rclFrame = Frame;
    Header->szlDevice = DevicePixels;
    Header->szlMillimeters = DeviceMillimetres;
    return UniqueEnhMetaFile(SetEnhMetaFileBits(Size, Bytes.data()));
}

void SetText(const std::wstring& Text)
{
    size_t Bytes = (Text.size() + 1) * sizeof(wchar_t);
    HGLOBAL Memory = GlobalAlloc(GMEM_MOVEABLE, Bytes);
    std::memcpy(GlobalLock(Memory), Text.c_str(), Bytes);
    GlobalUnlock(Memory);
    if (!SetClipboardData(CF_UNICODETEXT, Memory))
        GlobalFree(Memory);
}

std::vector<UINT> ClipboardFormats()
{
    UINT Count = 0;
    GetUpdatedClipboardFormats(nullptr, 0, &Count);
    std::vector<UINT> Formats(Count + 16);
    if (!GetUpdatedClipboardFormats(Formats.data(), static_cast<UINT>(Formats.size()), &Count))
        return {};
    Formats.resize(Count);
    return Formats;
}

// ---- ClipboardHolder ----

ClipboardHolder::ClipboardHolder()
{
    FRelease = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE Opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    struct Start {
        ClipboardHolder* Self;
        HANDLE Opened;
    } Args{this, Opened};
    FThread = CreateThread(
        nullptr, 0,
        [](void* P) -> DWORD {
            auto* A = static_cast<Start*>(P);
            HANDLE Release = A->Self->FRelease;
            ClipboardHolder* Self = A->Self;
            while (!OpenClipboard(nullptr))
                Sleep(5);
            SetEvent(A->Opened);
            WaitForSingleObject(Release, INFINITE);
            if (Self->FDelay > 0)
                Sleep(static_cast<DWORD>(Self->FDelay));
            CloseClipboard();
            return 0;
        },
        &Args, 0, nullptr);
    WaitForSingleObject(Opened, INFINITE);
    CloseHandle(Opened);
}

ClipboardHolder::~ClipboardHolder()
{
    Release();
    CloseHandle(FRelease);
}

void ClipboardHolder::Release()
{
    if (!FThread)
        return;
    SetEvent(FRelease);
    WaitForSingleObject(FThread, INFINITE);
    CloseHandle(FThread);
    FThread = nullptr;
}

void ClipboardHolder::ReleaseAfter(int Ms)
{
    FDelay = Ms;
    SetEvent(FRelease);
}

// ---- captured jobs ----

int CapturedJobCount()
{
    int Count = 0;
    while (Exists(JobPath(Count + 1, L"ps")))
        ++Count;
    return Count;
}

std::optional<CapturedJob> WaitForJob(int Number)
{
    std::wstring Path = JobPath(Number, L"ps");
    for (int Waited = 0; !Exists(Path); Waited += 50) {
        if (Waited > 30000)
            return std::nullopt;
        Sleep(50);
    }
    CapturedJob Job{Path, {}};
    if (FILE* Title = _wfopen(JobPath(Number, L"title").c_str(), L"rb")) {
        char Buffer[512];
        size_t Length = std::fread(Buffer, 1, sizeof Buffer, Title);
        Job.Title.assign(Buffer, Length);
        std::fclose(Title);
    }
    return Job;
}

void ExpectOnPaper(const CapturedJob& Job, const RECT& Page, const std::string& Note)
{
    std::wstring List = PathFromEnvironment(L"WENDRASK_DEVICES_PAPER");
    if (List.empty())
        return;
    std::string Unix = WideToUtf8(Job.Path.substr(2));
    for (auto& C : Unix)
        if (C == '\\')
            C = '/';
    FILE* Out = _wfopen(List.c_str(), L"ab");
    if (!Out)
        return;
    std::fprintf(Out, "%s %ld %ld %ld %ld %s\n", Unix.c_str(), Page.left, Page.top, Page.right, Page.bottom,
                 Note.c_str());
    std::fclose(Out);
}

void PumpMessages(int Ms)
{
    ULONGLONG End = GetTickCount64() + static_cast<ULONGLONG>(Ms);
    while (GetTickCount64() < End) {
        MSG Message;
        while (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&Message);
            DispatchMessageW(&Message);
        }
        Sleep(5);
    }
}
