#include "toolkit/ExtCtrls.h"

#include <cstdlib>
#include <string>

#include "rtl/Exceptions.h"
#include "toolkit/Application.h"
#include "toolkit/Win32Text.h"

namespace {

const wchar_t TimerClassName[] = L"WendraskTimer";

#ifdef WENDRASK_TEST_SEAMS
struct TimerSeam {
    bool Read = false;
    int Skip = 0;
    int Count = 0;
} Seam;

bool SeamRefusesTimer()
{
    if (!Seam.Read) {
        Seam.Read = true;
        if (const char* Value = std::getenv("WENDRASK_SEAM_FAIL_TIMER")) {
            std::string Text = Value;
            auto Colon = Text.find(':');
            if (Colon == std::string::npos) {
                Seam.Count = std::atoi(Text.c_str());
            } else {
                Seam.Skip = std::atoi(Text.substr(0, Colon).c_str());
                Seam.Count = std::atoi(Text.substr(Colon + 1).c_str());
            }
        }
    }
    if (Seam.Skip > 0) {
        --Seam.Skip;
        return false;
    }
    if (Seam.Count > 0) {
        --Seam.Count;
        return true;
    }
    return false;
}
#endif

// BeginPaint and EndPaint for one WM_PAINT.
class Painting {
public:
    explicit Painting(HWND Window) : FWindow(Window), FDc(BeginPaint(Window, &FPaint)) {}
    Painting(const Painting&) = delete;
    Painting& operator=(const Painting&) = delete;
    ~Painting() { EndPaint(FWindow, &FPaint); }
    HDC Dc() const { return FDc; }

private:
    HWND FWindow;
    PAINTSTRUCT FPaint{};
    HDC FDc;
};

} // namespace

#ifdef WENDRASK_TEST_SEAMS
void Seams::FailSetTimers(int Count, int Skip)
{
    Seam.Read = true;
    Seam.Skip = Skip;
    Seam.Count = Count;
}
#endif

// ---- TTimer

TTimer::TTimer()
{
    static ATOM Class = [] {
        WNDCLASSEXW C{};
        C.cbSize = sizeof C;
        C.lpfnWndProc = &TTimer::WndProc;
        C.hInstance = GetModuleHandleW(nullptr);
        C.lpszClassName = TimerClassName;
        ATOM Atom = RegisterClassExW(&C);
        if (!Atom)
            RaiseWin32Error(GetLastError());
        return Atom;
    }();
    // A message-only window: never shown, never enumerated, only ticks.
    FWindow.Reset(CreateWindowExW(0, MAKEINTATOM(Class), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), this));
    if (!FWindow)
        RaiseWin32Error(GetLastError());
}

TTimer::~TTimer()
{
    if (FTimerId)
        KillTimer(FWindow.Get(), FTimerId);
    SetWindowLongPtrW(FWindow.Get(), GWLP_USERDATA, 0);
}

void TTimer::Load(TComponent*, const TProperties& P)
{
    FEnabled = P.Enabled;
    if (P.OnTimer)
        SetOnTimer(P.OnTimer);
}

void TTimer::SetEnabled(bool Value)
{
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    UpdateTimer();
}

void TTimer::SetInterval(int Value)
{
    if (Value == FInterval)
        return;
    FInterval = Value;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent Value)
{
    FOnTimer = std::move(Value);
    UpdateTimer();
}

void TTimer::UpdateTimer()
{
    if (FTimerId) {
        KillTimer(FWindow.Get(), FTimerId);
        FTimerId = 0;
    }
    if (FInterval == 0 || !FEnabled || !FOnTimer)
        return;
    // A new id for every start: an expiry of an earlier period that is
    // still queued cannot count as one of this period.
    UINT_PTR Id = ++FLastId;
    if (Id == 0)
        Id = ++FLastId;
    bool Refused = false;
#ifdef WENDRASK_TEST_SEAMS
    Refused = SeamRefusesTimer();
#endif
    if (Refused || !SetTimer(FWindow.Get(), Id, static_cast<UINT>(FInterval), nullptr))
        throw EOutOfResources("タイマーを取得できません");
    FTimerId = Id;
}

LRESULT CALLBACK TTimer::WndProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam)
{
    if (Message == WM_NCCREATE) {
        auto* Create = reinterpret_cast<CREATESTRUCTW*>(LParam);
        SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Create->lpCreateParams));
    }
    auto* Self = reinterpret_cast<TTimer*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
    if (Self && Message == WM_TIMER) {
        if (WParam == Self->FTimerId && Self->FTimerId)
            Dispatch(Self, [Self] {
                if (Self->FOnTimer)
                    Self->FOnTimer(Self);
            });
        return 0;
    }
    return DefWindowProcW(Window, Message, WParam, LParam);
}

// ---- TImage

TImage::TImage()
{
    FPicture.OnChange = [this](TObject*) {
        if (Handle())
            InvalidateRect(Handle(), nullptr, TRUE);
    };
}

TImage::~TImage() { FPicture.OnChange = nullptr; }

void TImage::Load(TComponent* Parent, const TProperties& P)
{
    TControl::Load(Parent, P);
    CreateHandle(nullptr, 0, 0, P);
}

void TImage::SetBounds(int Left, int Top, int Width, int Height)
{
    TWinControl::SetBounds(Left, Top, Width, Height);
    if (Handle())
        InvalidateRect(Handle(), nullptr, TRUE);
}

LRESULT TImage::WndProc(UINT Message, WPARAM WParam, LPARAM LParam)
{
    switch (Message) {
    case WM_ERASEBKGND:
        return 1;   // WM_PAINT covers every pixel
    case WM_PAINT: {
        Painting P(Handle());
        Paint(P.Dc());
        return 0;
    }
    }
    return DefaultHandler(Message, WParam, LParam);
}

void TImage::Paint(HDC Dc)
{
    RECT Client{};
    GetClientRect(Handle(), &Client);
    TForm* F = Form();
    FillRect(Dc, &Client, F ? F->ColorBrush() : GetSysColorBrush(COLOR_BTNFACE));
    auto Graphic = FPicture.Graphic();
    if (!Graphic)
        return;
    try {
        Graphic->Draw(Dc, TRect{0, 0, Graphic->Width(), Graphic->Height()});
    } catch (...) {
        // A picture the screen cannot show stays blank here; reporting it
        // from WM_PAINT would bring the next paint and the next report.
    }
}
