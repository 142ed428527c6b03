// Mutated enhanced-metafile headers through the real clipboard and the
// toolkit's load, as a tick meets them: each either loads with the size its
// header gives and plays without crashing, or is refused with
// EInvalidGraphic "未対応のクリップボード データです". Nothing else may
// happen, and the process's handles and GDI objects end where they began.
//
//   HeaderMutations [--count N] [--seed S] [--trace]
//
// Prints one summary line of counts and figures; exit code 0 when every
// mutation behaved, 1 otherwise (the first few faults are listed).
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ProcessFigures.h"
#include "rtl/Exceptions.h"
#include "toolkit/Application.h"
#include "toolkit/Clipbrd.h"
#include "toolkit/Graphics.h"
#include "toolkit/Handles.h"

namespace {

const std::string UnsupportedData = "未対応のクリップボード データです";

// A metafile of a few records and a palette, as a program would copy it.
std::vector<BYTE> BaseMetafile()
{
    RECT Frame{0, 0, 10000, 5000};
    HDC Recorder = CreateEnhMetaFileW(nullptr, nullptr, &Frame, nullptr);
    struct {
        LOGPALETTE Log;
        PALETTEENTRY More[3];
    } Palette{{0x300, 4, {{0, 0, 0, 0}}}, {{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}}};
    UniquePalette Colours(CreatePalette(&Palette.Log));
    SelectPalette(Recorder, Colours.Get(), FALSE);
    RealizePalette(Recorder);
    UniqueBrush Brush(CreateSolidBrush(RGB(255, 0, 0)));
    SelectObject(Recorder, Brush.Get());
    Rectangle(Recorder, 10, 10, 200, 100);
    SelectObject(Recorder, GetStockObject(NULL_BRUSH));
    SelectPalette(Recorder, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
    UniqueEnhMetaFile Metafile(CloseEnhMetaFile(Recorder));
    std::vector<BYTE> Bytes(GetEnhMetaFileBits(Metafile.Get(), 0, nullptr));
    GetEnhMetaFileBits(Metafile.Get(), static_cast<UINT>(Bytes.size()), Bytes.data());
    return Bytes;
}

// Changes a few 32-bit fields of the header (and now and then of the last
// record, where the palette is found) to values that break arithmetic.
class Mutator {
public:
    explicit Mutator(unsigned Seed) : FRandom(Seed) {}

    std::vector<BYTE> Mutate(const std::vector<BYTE>& Base)
    {
        std::vector<BYTE> Bytes = Base;
        int Count = 1 + static_cast<int>(FRandom() % 4);
        for (int I = 0; I < Count; ++I) {
            size_t Offset;
            if (FRandom() % 8 == 0) {
                // The EOF record: size, nPalEntries, offPalEntries.
                size_t Last = Bytes.size() - 20;
                Offset = Last + 4 * (1 + FRandom() % 3);
            } else {
                // Header fields from rclBounds to szlMicrometers, type and
                // signature left alone so that Windows takes the bytes.
                Offset = 8 + 4 * (FRandom() % 25);
                if (Offset == offsetof(ENHMETAHEADER, dSignature))
                    continue;
            }
            std::int32_t Value = Pick(Field(Bytes, Offset));
            std::memcpy(Bytes.data() + Offset, &Value, 4);
        }
        if (FRandom() % 16 == 0)
            Bytes.resize(sizeof(ENHMETAHEADER) + FRandom() % (Bytes.size() - sizeof(ENHMETAHEADER)));
        return Bytes;
    }

private:
    static std::int32_t Field(const std::vector<BYTE>& Bytes, size_t Offset)
    {
        std::int32_t Value;
        std::memcpy(&Value, Bytes.data() + Offset, 4);
        return Value;
    }

    std::int32_t Pick(std::int32_t Old)
    {
        static const std::int32_t Edges[] = {0, 1, -1, 2, 100, 0x7FFFFFFF, INT32_MIN, 0x7FFFFFFE, INT32_MIN + 1,
                                             0x40000000, 0x10000, 0xFFFF, 21474836, 46341, -46341};
        switch (FRandom() % 4) {
        case 0:
            return Edges[FRandom() % std::size(Edges)];
        case 1:
            return Old + static_cast<std::int32_t>(FRandom() % 9) - 4;
        case 2:
            return static_cast<std::int32_t>(FRandom());
        default:
            return Old ^ static_cast<std::int32_t>(1u << (FRandom() % 32));
        }
    }

    std::mt19937 FRandom;
};

bool PutMetafile(HENHMETAFILE Metafile)
{
    for (int Try = 0; !OpenClipboard(nullptr); ++Try) {
        if (Try == 200)
            return false;
        Sleep(5);
    }
    EmptyClipboard();
    bool Taken = SetClipboardData(CF_ENHMETAFILE, Metafile) != nullptr;
    CloseClipboard();
    return Taken;
}

struct Tally {
    int Refused = 0;   // Windows would not make a metafile of the bytes, or not take it
    int Loaded = 0;
    int Rejected = 0;  // the toolkit refused it as unsupported data
    int DrawErrors = 0;
    std::vector<std::string> Faults;

    void Fault(int Index, const std::string& What)
    {
        if (Faults.size() < 10)
            Faults.push_back(std::string("mutation ") + std::to_string(Index) + ": " + What);
        else if (Faults.size() == 10)
            Faults.push_back("...");
    }
};

// One metafile through the tick's steps: query, load, empty; then drawn.
bool Trace = false;

// --trace: each step and each changed field on stderr, to find the
// mutation a crash or a hang comes from.
void Step(int Index, const char* What)
{
    if (Trace)
        std::fprintf(stderr, "#%d %s\n", Index, What), std::fflush(stderr);
}

void TraceChanges(int Index, const std::vector<BYTE>& Base, const std::vector<BYTE>& Bytes)
{
    for (size_t At = 0; At + 4 <= std::min(Bytes.size(), Base.size()); At += 4) {
        std::uint32_t Old, New;
        std::memcpy(&Old, &Base[At], 4);
        std::memcpy(&New, &Bytes[At], 4);
        if (Old != New)
            std::fprintf(stderr, "#%d offset %zu: %08x -> %08x\n", Index, At, Old, New);
    }
    std::fprintf(stderr, "#%d %zu of %zu bytes\n", Index, Bytes.size(), Base.size());
}

void Run(int Index, const std::vector<BYTE>& Bytes, HDC Canvas, Tally& Result)
{
    Step(Index, "make");
    HENHMETAFILE Made = SetEnhMetaFileBits(static_cast<UINT>(Bytes.size()), Bytes.data());
    if (!Made) {
        ++Result.Refused;
        return;
    }
    ENHMETAHEADER Header{};
    bool HasHeader = GetEnhMetaFileHeader(Made, sizeof Header, &Header) >= offsetof(ENHMETAHEADER, cbPixelFormat);
    int Width = -1, Height = -1;
    bool Sized = HasHeader && MetafilePixelSize(Header, Width, Height);
    Step(Index, "put");
    if (!PutMetafile(Made)) {
        DeleteEnhMetaFile(Made);
        ++Result.Refused;
        return;
    }
    try {
        if (!Clipboard()->HasPicture())
            return Result.Fault(Index, "no picture found on the clipboard");
        TPicture Picture;
        Step(Index, "load");
        Picture.Assign(Clipboard());
        Clipboard()->Clear();
        if (!Sized)
            return Result.Fault(Index, "loaded a metafile whose header gives no size");
        if (Picture.Width() != Width || Picture.Height() != Height)
            return Result.Fault(Index, "size " + std::to_string(Picture.Width()) + "x" +
                                           std::to_string(Picture.Height()) + ", header says " +
                                           std::to_string(Width) + "x" + std::to_string(Height));
        ++Result.Loaded;
        Step(Index, "draw");
        try {
            Picture.Graphic()->Draw(Canvas, TRect{0, 0, 64, 48});
        } catch (const Exception&) {
            ++Result.DrawErrors;
        }
    } catch (const EInvalidGraphic& E) {
        if (E.what() != UnsupportedData)
            Result.Fault(Index, std::string("EInvalidGraphic ") + E.what());
        ++Result.Rejected;
        Clipboard()->Clear();
    } catch (const std::exception& E) {
        Result.Fault(Index, std::string("unexpected failure: ") + E.what());
    }
}

int ArgumentValue(int argc, char** argv, const char* Name, int Default)
{
    for (int I = 1; I + 1 < argc; ++I)
        if (std::strcmp(argv[I], Name) == 0)
            return std::atoi(argv[I + 1]);
    return Default;
}

} // namespace

int main(int argc, char** argv)
{
    int Count = ArgumentValue(argc, argv, "--count", 2000);
    auto Seed = static_cast<unsigned>(ArgumentValue(argc, argv, "--seed", 5));
    for (int I = 1; I < argc; ++I)
        Trace = Trace || std::strcmp(argv[I], "--trace") == 0;
    TApplication App;
    App.SetTitle("Wendrask");

    UniqueDc Canvas(CreateCompatibleDC(nullptr));
    BITMAPINFO Info{};
    Info.bmiHeader = {sizeof(BITMAPINFOHEADER), 64, -48, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* Bits = nullptr;
    UniqueBitmap Surface(CreateDIBSection(nullptr, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0));
    SelectedObject UseSurface(Canvas.Get(), Surface.Get());

    std::vector<BYTE> Base = BaseMetafile();
    Mutator Mutations(Seed);
    Tally Result;
    // The first runs create what lives as long as the process (the
    // clipboard's window, cached formats): figures are taken after them.
    // Memory is printed, not judged: Wine's clipboard keeps about 900 bytes
    // per metafile set and read, whatever reads it.
    const int WarmUp = Count < 100 ? Count / 2 : 50;
    ProcessFigures Before{};
    for (int I = 0; I < Count; ++I) {
        if (I == WarmUp)
            Before = ReadOwnFigures();
        std::vector<BYTE> Bytes = Mutations.Mutate(Base);
        if (Trace)
            TraceChanges(I, Base, Bytes);
        Run(I, Bytes, Canvas.Get(), Result);
    }
    ProcessFigures After = ReadOwnFigures();

    std::printf("mutations=%d refused-by-windows=%d loaded=%d rejected=%d draw-errors=%d seed=%u\n", Count,
                Result.Refused, Result.Loaded, Result.Rejected, Result.DrawErrors, Seed);
    std::printf("after %d: %s\nat the end: %s\n", WarmUp, FormatFigures(Before).c_str(),
                FormatFigures(After).c_str());
    if (After.Handles != Before.Handles || After.GdiObjects != Before.GdiObjects)
        Result.Faults.push_back("handles or GDI objects grew");
    for (const std::string& Fault : Result.Faults)
        std::printf("FAULT %s\n", Fault.c_str());
    std::fflush(stdout);
    return Result.Faults.empty() ? 0 : 1;
}
