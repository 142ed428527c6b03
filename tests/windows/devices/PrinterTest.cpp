// The printer object against Wine's printing through the private scheduler,
// whose default queue "Capture" keeps every job.
#include <climits>
#include <memory>

#include "DeviceTests.h"
#include "rtl/Exceptions.h"
#include "toolkit/Application.h"
#include "toolkit/Clipbrd.h"
#include "toolkit/Graphics.h"
#include "toolkit/Printers.h"
#include "toolkit/Seams.h"
#include "toolkit/Win32Text.h"

namespace {

const char* const NotPrinting = "プリンタに印刷できる状態ではありません";
const char* const AlreadyPrinting = "印刷中";

// The Capture queue as Wine's PostScript driver reports it.
constexpr int OffsetX = 75, OffsetY = 100;

std::shared_ptr<const TGraphic> CornersBitmap(int Width, int Height)
{
    PutOnClipboard([&] {
        SetBitmap(Width, Height, false, [=](int X, int Y) -> COLORREF {
            if (X < 2 && Y < 2)
                return 0xFF0000;
            if (X >= Width - 2 && Y >= Height - 2)
                return 0x0000FF;
            return 0xFFFFFF;
        });
    });
    auto Graphic = Clipboard()->LoadGraphic();
    Clipboard()->Clear();
    return Graphic;
}

std::shared_ptr<const TGraphic> BlackMetafile()
{
    UniqueEnhMetaFile Metafile = MakeMetafile({0, 0, 10000, 5000}, {1024, 768}, {320, 240});
    return std::make_shared<TMetafile>(Metafile.Get());
}

RECT OnPage(const TRect& R) { return RECT{R.Left + OffsetX, R.Top + OffsetY, R.Right + OffsetX, R.Bottom + OffsetY}; }

// Runs Handler when a posted message reaches the window.
class MessageTarget {
public:
    MessageTarget()
    {
        WNDCLASSW Class{};
        Class.lpfnWndProc = [](HWND Window, UINT Message, WPARAM W, LPARAM L) -> LRESULT {
            if (Message == WM_APP) {
                auto* Self = reinterpret_cast<MessageTarget*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
                if (Self && Self->Handler)
                    Self->Handler();
                return 0;
            }
            return DefWindowProcW(Window, Message, W, L);
        };
        Class.hInstance = GetModuleHandleW(nullptr);
        Class.lpszClassName = L"DeviceTestsTarget";
        RegisterClassW(&Class);
        FWindow.Reset(CreateWindowExW(0, Class.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      Class.hInstance, nullptr));
        SetWindowLongPtrW(FWindow.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    void Post() { PostMessageW(FWindow.Get(), WM_APP, 0, 0); }
    std::function<void()> Handler;

private:
    UniqueWindow FWindow;
};

TEST(Printer, CapturePrinterAsWineReportsIt)
{
    TPrinter P;
    EXPECT_EQ(P.PrinterName(), "Capture");
    HDC Dc = P.Handle();
    struct {
        int Index;
        const char* Name;
        int Expected;
    } Caps[] = {
        {LOGPIXELSX, "LOGPIXELSX", 300},        {LOGPIXELSY, "LOGPIXELSY", 300},
        {HORZRES, "HORZRES", 2425},             {VERTRES, "VERTRES", 3075},
        {PHYSICALWIDTH, "PHYSICALWIDTH", 2550}, {PHYSICALHEIGHT, "PHYSICALHEIGHT", 3300},
        {PHYSICALOFFSETX, "PHYSICALOFFSETX", OffsetX}, {PHYSICALOFFSETY, "PHYSICALOFFSETY", OffsetY},
    };
    for (const auto& Cap : Caps)
        EXPECT_EQ(GetDeviceCaps(Dc, Cap.Index), Cap.Expected) << Cap.Name;
}

TEST(Printer, JobStatesAndKeptHandle)
{
    TPrinter P;
    auto Picture = CornersBitmap(4, 4);
    EXPECT_EQ(MessageOf<EPrinter>([&] { P.EndDoc(); }), NotPrinting);
    EXPECT_EQ(MessageOf<EPrinter>([&] { P.Canvas()->StretchDraw({0, 0, 10, 10}, Picture); }), NotPrinting);
    EXPECT_EQ(MessageOf<EPrinter>([&] { P.Abort(); }), NotPrinting);

    int Jobs = CapturedJobCount();
    P.SetTitle("Wendrask");
    P.BeginDoc();
    EXPECT_TRUE(P.Printing());
    EXPECT_EQ(P.PageNumber(), 1);
    HDC JobDc = P.Handle();
    EXPECT_EQ(MessageOf<EPrinter>([&] { P.BeginDoc(); }), AlreadyPrinting);
    EXPECT_EQ(MessageOf<EPrinter>([&] { P.SetPrinter("Elsewhere", {}); }), AlreadyPrinting);
    EXPECT_EQ(P.PrinterName(), "Capture");
    EXPECT_TRUE(P.Printing());
    P.Canvas()->StretchDraw({0, 0, 100, 100}, nullptr);
    // No area: nothing to draw, and no failure.
    P.Canvas()->StretchDraw({50, 50, 50, 150}, Picture);
    P.Canvas()->StretchDraw({50, 50, 150, 50}, BlackMetafile());
    EXPECT_TRUE(P.Printing());
    P.Canvas()->StretchDraw({0, 0, 100, 100}, Picture);
    P.EndDoc();
    EXPECT_FALSE(P.Printing());
    EXPECT_EQ(P.PageNumber(), 0);
    // The job's device context serves every later query and job.
    EXPECT_EQ(P.Handle(), JobDc);

    auto Job = WaitForJob(Jobs + 1);
    ASSERT_TRUE(Job);
    EXPECT_EQ(Job->Title, "Wendrask");
}

TEST(Printer, DocumentNameKeepsAtMost31Units)
{
    const std::string Emoji = "\xF0\x9F\x98\x80";   // U+1F600, two UTF-16 units
    struct {
        std::string Title;
        std::wstring Expected;
    } Cases[] = {
        {"Wendrask", L"Wendrask"},
        {"", L""},
        {std::string(31, 'a'), std::wstring(31, L'a')},
        {std::string(40, 'b'), std::wstring(31, L'b')},
        {std::string(30, 'c') + Emoji, std::wstring(30, L'c')},
        {std::string(29, 'd') + Emoji + "e", std::wstring(29, L'd') + L"\xD83D\xDE00"},
        {"一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一二三",
         L"一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(PrinterDocumentName(C.Title), C.Expected) << C.Title;

    TPrinter P;
    int Jobs = CapturedJobCount();
    P.SetTitle("A title longer than thirty-one characters");
    EXPECT_EQ(P.Title(), "A title longer than thirty-one characters");
    P.BeginDoc();
    P.EndDoc();
    auto Job = WaitForJob(Jobs + 1);
    ASSERT_TRUE(Job);
    EXPECT_EQ(Job->Title, "A title longer than thirty-one ");
}

// A failed drawing ends its job without printing; the next job is whole.
TEST(Printer, FailedDrawingAbortsTheJob)
{
    auto Picture = CornersBitmap(8, 8);
    struct {
        const char* Name;
        std::function<void()> Arrange;
        TRect Rect;
        DWORD Code;
    } Cases[] = {
        {"drawing fails", [] { Seams::FailNextStretchDraws(1); }, {0, 0, 100, 100}, ERROR_NOT_ENOUGH_MEMORY},
        {"rectangle beyond GDI", [] {}, {INT_MIN, 0, INT_MAX, 100}, ERROR_INVALID_PARAMETER},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        TPrinter P;
        int Jobs = CapturedJobCount();
        P.SetTitle("aborted");
        P.BeginDoc();
        C.Arrange();
        EXPECT_EQ(MessageOf<EWin32Error>([&] { P.Canvas()->StretchDraw(C.Rect, Picture); }),
                  "Win32 エラー。コード : " + std::to_string(C.Code) + ".\n" + SystemErrorText(C.Code));
        EXPECT_FALSE(P.Printing());

        P.SetTitle("after the failure");
        P.BeginDoc();
        P.Canvas()->StretchDraw({0, 0, 100, 100}, Picture);
        P.EndDoc();
        auto Job = WaitForJob(Jobs + 1);
        ASSERT_TRUE(Job);
        EXPECT_EQ(Job->Title, "after the failure");
    }
}

// Runs pending messages while it draws, as the abort procedure may while a
// job spools, and notes whether it was still alive afterwards.
class PumpingGraphic : public TGraphic {
public:
    PumpingGraphic(bool& Destroyed, bool& AliveAfterMessages)
        : FDestroyed(Destroyed), FAliveAfterMessages(AliveAfterMessages) {}
    ~PumpingGraphic() override { FDestroyed = true; }
    int Width() const override { return 1; }
    int Height() const override { return 1; }
    void Draw(HDC, const TRect&) const override
    {
        Application->ProcessMessages();
        FAliveAfterMessages = !FDestroyed;
    }

private:
    bool& FDestroyed;
    bool& FAliveAfterMessages;
};

TEST(Printer, AbortProcedureRunsMessagesAndTheDrawnGraphicSurvives)
{
    TPrinter P;
    MessageTarget Target;
    int Handled = 0;
    Target.Handler = [&] { ++Handled; };
    Target.Post();
    P.SetTitle("Wendrask");
    P.BeginDoc();
    // Wine calls the abort procedure once, at the start of the document.
    EXPECT_EQ(Handled, 1);

    // A tick inside the job replaces the picture that the job is drawing.
    bool Destroyed = false, AliveAfterMessages = false;
    TPicture Picture;
    Picture.SetGraphic(std::make_shared<PumpingGraphic>(Destroyed, AliveAfterMessages));
    auto Next = CornersBitmap(2, 2);
    Target.Handler = [&] { Picture.SetGraphic(Next); };
    Target.Post();
    P.Canvas()->StretchDraw({0, 0, 10, 10}, Picture.Graphic());
    EXPECT_TRUE(AliveAfterMessages);
    EXPECT_TRUE(Destroyed);
    EXPECT_EQ(Picture.Graphic(), Next);
    P.EndDoc();
}

TEST(Paper, PicturesLandOnThePrinterPixels)
{
    struct {
        const char* Name;
        std::shared_ptr<const TGraphic> Graphic;
        TRect Rect;
        bool Metafile;
    } Cases[] = {
        {"bitmap", CornersBitmap(64, 48), {100, 200, 500, 400}, false},
        {"bitmap-small", CornersBitmap(3, 5), {1000, 1500, 1003, 1505}, false},
        {"metafile", BlackMetafile(), {300, 600, 1300, 1100}, true},
    };
    for (const auto& C : Cases) {
        TPrinter P;
        int Jobs = CapturedJobCount();
        P.SetTitle(C.Name);
        P.BeginDoc();
        P.Canvas()->StretchDraw(C.Rect, C.Graphic);
        P.EndDoc();
        auto Job = WaitForJob(Jobs + 1);
        ASSERT_TRUE(Job) << C.Name;
        EXPECT_EQ(Job->Title, C.Name);
        RECT Page = OnPage(C.Rect);
        if (C.Metafile) {
            // The frame goes onto (Left, Top)-(Right - 1, Bottom - 1), so a fill
            // of the whole frame ends a pixel short of the rectangle's edge.
            --Page.right;
            --Page.bottom;
        }
        ExpectOnPaper(*Job, Page, C.Name);
    }
}

} // namespace
