// The benchmark program: the real main window TForm1 and its toolkit, and
// beside it a bare reference that makes only the Win32 calls any program
// printing a clipboard picture must make. bench.py puts each picture on the
// clipboard from another process and sends one command per line:
//
//   tick                the real tick, Form1->Timer1Timer
//   phases              the tick's steps one by one through the same
//                       toolkit objects, timed apart: query, load, empty,
//                       placement, spooling (begin, draw, end)
//   paint               a full repaint of the picture view
//   reference           open, get, copy, empty, close; start document and
//                       page, stretch, end page and document
//   forget              empties Image1, so that the next rise in memory
//                       includes the copy it keeps
//   idle N              N real ticks that find no picture
//   idle-reference N    N bare queries: open, walk the formats, close
//   quit
//
// Each command answers one line of name=value fields: times in
// microseconds, memory in bytes (committed private memory before, after and
// at its peak during the command, sampled every millisecond).
#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "ProcessFigures.h"
#include "Unit1.h"
#include "core/Placement.h"
#include "rtl/Exceptions.h"
#include "toolkit/Application.h"
#include "toolkit/Clipbrd.h"
#include "toolkit/Printers.h"

namespace {

double Now()
{
    static LARGE_INTEGER Frequency = [] {
        LARGE_INTEGER F;
        QueryPerformanceFrequency(&F);
        return F;
    }();
    LARGE_INTEGER Counter;
    QueryPerformanceCounter(&Counter);
    return static_cast<double>(Counter.QuadPart) * 1e6 / static_cast<double>(Frequency.QuadPart);
}

std::uint64_t Committed()
{
    PROCESS_MEMORY_COUNTERS Memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &Memory, sizeof Memory);
    return Memory.PagefileUsage;
}

// The process's CPU time (user and kernel) in microseconds.
double CpuTime()
{
    FILETIME Creation, Exit, Kernel, User;
    GetProcessTimes(GetCurrentProcess(), &Creation, &Exit, &Kernel, &User);
    auto Micro = [](FILETIME T) { return static_cast<double>(ULARGE_INTEGER{{T.dwLowDateTime, T.dwHighDateTime}}.QuadPart) / 10; };
    return Micro(Kernel) + Micro(User);
}

// Runs Action with the memory sampled; returns its memory fields.
std::string Measured(const std::function<void()>& Action)
{
    std::uint64_t Before = Committed();
    std::atomic<bool> Done{false};
    std::atomic<std::uint64_t> Peak{Before};
    std::thread Sampler([&] {
        while (!Done) {
            std::uint64_t Now = Committed();
            if (Now > Peak)
                Peak = Now;
            Sleep(1);
        }
    });
    std::string Error;
    try {
        Action();
    } catch (const std::exception& E) {
        Error = E.what();
    }
    Done = true;
    Sampler.join();
    std::uint64_t After = Committed();
    if (After > Peak)
        Peak = After;
    std::string Out = " before=" + std::to_string(Before) + " after=" + std::to_string(After) +
                      " peak=" + std::to_string(Peak.load());
    if (!Error.empty())
        Out += " error=1";
    return Out;
}

void Answer(const std::string& Line)
{
    std::fputs((Line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string Field(const char* Name, double Micros) { return std::string(" ") + Name + "=" + std::to_string(static_cast<long long>(Micros)); }

void Tick() { Form1->Timer1Timer(Form1->Timer1); }

// The timer a tick re-arms is stopped again after the measurement, so that
// no tick runs unasked inside a later job.
void StopTimer() { Form1->Timer1->SetEnabled(false); }

void CommandTick()
{
    double Time = 0;
    std::string Memory = Measured([&] {
        double Start = Now();
        Tick();
        Time = Now() - Start;
    });
    StopTimer();
    Answer("tick" + Field("us", Time) + Memory);
}

// A full repaint of the picture view, as the window shows it.
void CommandPaint()
{
    double Start = Now();
    InvalidateRect(Form1->Image1->Handle(), nullptr, FALSE);
    UpdateWindow(Form1->Image1->Handle());
    Answer("paint" + Field("us", Now() - Start));
}

void CommandPhases()
{
    double Query = 0, Load = 0, Empty = 0, Placement = 0, Spooling = 0, Begin = 0, Draw = 0, End = 0;
    std::string Memory = Measured([&] {
        double T0 = Now();
        if (!Clipboard()->HasPicture())
            throw Exception("no picture");
        double T1 = Now();
        TImage* Image = Form1->Image1;
        Image->Picture()->Assign(Clipboard());
        Image->SetHeight(Image->Picture()->Height());
        Image->SetWidth(Image->Picture()->Width());
        double T2 = Now();
        Clipboard()->Clear();
        double T3 = Now();
        auto Graphic = Image->Picture()->Graphic();
        HDC Dc = Printer()->Handle();
        PrintRect Rect = ComputePrintRect(Image->Width(), Image->Height(), GetDeviceCaps(Dc, LOGPIXELSX),
                                          GetDeviceCaps(Dc, LOGPIXELSY), GetDeviceCaps(Dc, HORZRES),
                                          GetDeviceCaps(Dc, VERTRES), PrintSettings{0, 100.0, 100.0, 1, true});
        double T4 = Now();
        Printer()->SetTitle("Wendrask");
        Printer()->BeginDoc();
        double T5 = Now();
        Printer()->Canvas()->StretchDraw(TRect{Rect.Left, Rect.Top, Rect.Right, Rect.Bottom}, Graphic);
        double T6 = Now();
        Printer()->EndDoc();
        double T7 = Now();
        Query = T1 - T0, Load = T2 - T1, Empty = T3 - T2, Placement = T4 - T3, Spooling = T7 - T4;
        Begin = T5 - T4, Draw = T6 - T5, End = T7 - T6;
    });
    Answer("phases" + Field("query", Query) + Field("load", Load) + Field("empty", Empty) +
           Field("placement", Placement) + Field("spooling", Spooling) + Field("begin", Begin) +
           Field("draw", Draw) + Field("end", End) + Memory);
}

// ---- the bare reference

class Reference {
public:
    Reference()
    {
        wchar_t Name[256];
        DWORD Size = 256;
        GetDefaultPrinterW(Name, &Size);
        FDc = CreateDCW(L"WINSPOOL", Name, nullptr, nullptr);
        FWidth = GetDeviceCaps(FDc, HORZRES);
        FHeight = GetDeviceCaps(FDc, VERTRES);
    }
    ~Reference() { DeleteDC(FDc); }

    // One picture from the clipboard to the printer; Load is the time until
    // the clipboard is closed again.
    void Print(double& Load)
    {
        double Start = Now();
        while (!OpenClipboard(nullptr))
            Sleep(1);
        UINT Format = 0;
        while ((Format = EnumClipboardFormats(Format)) != 0 && Format != CF_BITMAP && Format != CF_METAFILEPICT &&
               Format != CF_ENHMETAFILE) {
        }
        HBITMAP Copy = nullptr;
        void* Bits = nullptr;
        BITMAPINFO Info{};
        HENHMETAFILE Metafile = nullptr;
        if (Format == CF_BITMAP) {
            auto Source = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
            BITMAP B{};
            GetObjectW(Source, sizeof B, &B);
            Info.bmiHeader = {sizeof(BITMAPINFOHEADER), B.bmWidth, -std::abs(B.bmHeight), 1, 32, BI_RGB, 0, 0, 0, 0, 0};
            Copy = CreateDIBSection(nullptr, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
            HDC Dc = CreateCompatibleDC(nullptr);
            GetDIBits(Dc, Source, 0, static_cast<UINT>(std::abs(B.bmHeight)), Bits, &Info, DIB_RGB_COLORS);
            DeleteDC(Dc);
        } else if (Format != 0) {
            Metafile = CopyEnhMetaFileW(static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE)), nullptr);
        }
        EmptyClipboard();
        CloseClipboard();
        Load = Now() - Start;

        DOCINFOW Doc{};
        Doc.cbSize = sizeof Doc;
        Doc.lpszDocName = L"Reference";
        StartDocW(FDc, &Doc);
        StartPage(FDc);
        if (Copy) {
            StretchDIBits(FDc, 0, 0, FWidth, FHeight, 0, 0, Info.bmiHeader.biWidth, -Info.bmiHeader.biHeight, Bits,
                          &Info, DIB_RGB_COLORS, SRCCOPY);
        } else if (Metafile) {
            RECT Frame{0, 0, FWidth - 1, FHeight - 1};
            PlayEnhMetaFile(FDc, Metafile, &Frame);
        }
        EndPage(FDc);
        EndDoc(FDc);
        if (Copy)
            DeleteObject(Copy);
        if (Metafile)
            DeleteEnhMetaFile(Metafile);
    }

    // The query alone: open, walk to the first picture format, close.
    void Query()
    {
        if (!OpenClipboard(nullptr))
            return;
        UINT Format = 0;
        while ((Format = EnumClipboardFormats(Format)) != 0 && Format != CF_BITMAP && Format != CF_METAFILEPICT &&
               Format != CF_ENHMETAFILE) {
        }
        CloseClipboard();
    }

private:
    HDC FDc = nullptr;
    int FWidth = 0, FHeight = 0;
};

void CommandReference(Reference& Bare)
{
    double Time = 0, Load = 0;
    std::string Memory = Measured([&] {
        double Start = Now();
        Bare.Print(Load);
        Time = Now() - Start;
    });
    Answer("reference" + Field("us", Time) + Field("load", Load) + Field("spooling", Time - Load) + Memory);
}

void CommandIdle(const std::function<void()>& Once, const char* Name, int Count)
{
    double Wall = Now(), Cpu = CpuTime();
    for (int I = 0; I < Count; ++I)
        Once();
    Wall = Now() - Wall;
    Cpu = CpuTime() - Cpu;
    Answer(std::string(Name) + Field("wall_us", Wall / Count) + Field("cpu_us", Cpu / Count));
}

} // namespace

int main()
{
    Application->Initialize();
    Application->SetTitle("Wendrask");
    Application->CreateForm(Form1);
    Form1->Show();
    Form1->Timer1->SetEnabled(false);
    Application->ProcessMessages();
    Reference Bare;

    char Buffer[256];
    while (std::fgets(Buffer, sizeof Buffer, stdin)) {
        std::string Line(Buffer);
        while (!Line.empty() && (Line.back() == '\n' || Line.back() == '\r'))
            Line.pop_back();
        std::string Command = Line.substr(0, Line.find(' '));
        int Count = Line.find(' ') == std::string::npos ? 1 : std::atoi(Line.c_str() + Line.find(' ') + 1);
        if (Command == "tick")
            CommandTick();
        else if (Command == "phases")
            CommandPhases();
        else if (Command == "reference")
            CommandReference(Bare);
        else if (Command == "forget") {
            Form1->Image1->Picture()->SetGraphic(nullptr);
            Application->ProcessMessages();
            Answer("forgotten" + Field("committed", static_cast<double>(Committed())));
        } else if (Command == "paint")
            CommandPaint();
        else if (Command == "idle") {
            CommandIdle(Tick, "idle", Count);
            StopTimer();
        } else if (Command == "idle-reference")
            CommandIdle([&] { Bare.Query(); }, "idle-reference", Count);
        else if (Command == "quit")
            break;
        else
            Answer("unknown command " + Command);
        // Paints and other messages the tick queued, as the loop would run them.
        Application->ProcessMessages();
    }
    Application->DestroyForms();
    return 0;
}
