#include "toolkit/Forms.h"

#include <algorithm>

#include "rtl/Exceptions.h"
#include "toolkit/Application.h"
#include "toolkit/Menus.h"
#include "toolkit/TaskWindows.h"
#include "toolkit/Win32Text.h"

namespace {

const wchar_t FormClassName[] = L"WendraskForm";
const wchar_t ControlClassName[] = L"WendraskControl";

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

ATOM RegisterOnce(const wchar_t* Name, bool IsForm, WNDPROC Procedure)
{
    WNDCLASSEXW Class{};
    Class.cbSize = sizeof Class;
    Class.style = CS_DBLCLKS;
    Class.lpfnWndProc = Procedure;
    Class.hInstance = Instance();
    Class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    Class.lpszClassName = Name;
    if (IsForm) {
        // Forms show the program's icon; a program without one gets the system's.
        Class.hIcon = LoadIconW(Instance(), L"MAINICON");
        Class.hIconSm = static_cast<HICON>(LoadImageW(Instance(), L"MAINICON", IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), 0));
    }
    ATOM Atom = RegisterClassExW(&Class);
    if (!Atom)
        RaiseWin32Error(GetLastError());
    return Atom;
}

BOOL CALLBACK CollectTaskWindow(HWND Window, LPARAM Param)
{
    auto* Windows = reinterpret_cast<std::vector<HWND>*>(Param);
    if (Window != Windows->front() && IsWindowVisible(Window) && IsWindowEnabled(Window))
        Windows->push_back(Window);
    return TRUE;
}

} // namespace

ATOM FormClassAtom(WNDPROC Procedure)
{
    static ATOM Atom = RegisterOnce(FormClassName, true, Procedure);
    return Atom;
}

ATOM ControlClassAtom(WNDPROC Procedure)
{
    static ATOM Atom = RegisterOnce(ControlClassName, false, Procedure);
    return Atom;
}

COLORREF ColorToRGB(TColor Color)
{
    if (Color & clSystemColor)
        return GetSysColor(static_cast<int>(Color & 0xFF));
    return Color & 0x00FFFFFF;
}

// ---- TaskWindowsDisabled

TaskWindowsDisabled::TaskWindowsDisabled(HWND Except) : FActive(GetActiveWindow())
{
    // The first entry is the window to leave alone; it is dropped below.
    FWindows.push_back(Except);
    EnumThreadWindows(GetCurrentThreadId(), CollectTaskWindow, reinterpret_cast<LPARAM>(&FWindows));
    FWindows.erase(FWindows.begin());
    for (HWND Window : FWindows)
        EnableWindow(Window, FALSE);
}

TaskWindowsDisabled::~TaskWindowsDisabled()
{
    for (HWND Window : FWindows)
        if (IsWindow(Window))
            EnableWindow(Window, TRUE);
    // The box or dialog that closed handed the activation on to its owner
    // or, when that cannot take it (the hidden application window), to
    // another program: the window that was active before comes back in
    // front, so that the user's keys reach it again.
    if (FActive && IsWindow(FActive) && IsWindowVisible(FActive))
        SetForegroundWindow(FActive);
}

// ---- TComponent, TControl

void TComponent::Load(TComponent*, const TProperties&) {}

void TControl::Load(TComponent* Parent, const TProperties& P)
{
    FParent = dynamic_cast<TWinControl*>(Parent);
    FLeft = P.Left;
    FTop = P.Top;
    FWidth = P.Width;
    FHeight = P.Height;
}

void TControl::SetBounds(int Left, int Top, int Width, int Height)
{
    FLeft = Left;
    FTop = Top;
    FWidth = Width;
    FHeight = Height;
}

// ---- TWinControl

TWinControl::~TWinControl()
{
    if (HWND Window = FHandle.Release()) {
        // Unbound first: the messages of the destruction find no object.
        if (GetWindowLongPtrW(Window, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(this))
            SetWindowLongPtrW(Window, GWLP_USERDATA, 0);
        DestroyWindow(Window);
    }
}

const wchar_t* TWinControl::WindowClass()
{
    return MAKEINTATOM(ControlClassAtom(StaticWndProc));
}

TForm* TWinControl::Form() const
{
    if (Owner())
        return Owner();
    return dynamic_cast<TForm*>(const_cast<TWinControl*>(this));
}

void TWinControl::CreateHandle(const wchar_t* ClassName, DWORD Style, DWORD ExStyle, const TProperties& P)
{
    TForm* F = Owner();
    if (!F)
        throw Exception("コントロールにフォームがありません");
    HWND ParentWindow = Parent() ? Parent()->Handle() : F->Handle();
    Style |= WS_CHILD | WS_CLIPSIBLINGS;
    if (P.TabOrder >= 0)
        Style |= WS_TABSTOP;
    if (P.Visible)
        Style |= WS_VISIBLE;
    if (!P.Enabled)
        Style |= WS_DISABLED;
    FTabOrder = P.TabOrder;
    bool Own = ClassName == nullptr;
    HWND Window = CreateWindowExW(ExStyle, Own ? WindowClass() : ClassName, Utf8ToWide(P.Caption).c_str(),
                                  Style, Left(), Top(), std::max(0, Width()), std::max(0, Height()),
                                  ParentWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(F->NextControlId())),
                                  Instance(), Own ? static_cast<TWinControl*>(this) : nullptr);
    if (!Window)
        RaiseWin32Error(GetLastError());
    if (!FHandle)
        FHandle.Reset(Window);
    if (F->Font())
        SendMessageW(Window, WM_SETFONT, reinterpret_cast<WPARAM>(F->Font()), FALSE);
}

void TWinControl::SetBounds(int Left, int Top, int Width, int Height)
{
    TControl::SetBounds(Left, Top, Width, Height);
    if (Handle())
        SetWindowPos(Handle(), nullptr, Left, Top, std::max(0, Width), std::max(0, Height),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    if (Owner() && !Parent())
        Owner()->UpdateScrollBars();
}

bool TWinControl::Enabled() const { return Handle() && IsWindowEnabled(Handle()); }
void TWinControl::SetEnabled(bool Value) { if (Handle()) EnableWindow(Handle(), Value); }
bool TWinControl::Visible() const { return Handle() && IsWindowVisible(Handle()); }

void TWinControl::SetVisible(bool Value)
{
    if (Handle())
        ShowWindow(Handle(), Value ? SW_SHOW : SW_HIDE);
}

std::string TWinControl::Text() const
{
    if (!Handle())
        return {};
    int Length = GetWindowTextLengthW(Handle());
    std::wstring Buffer(static_cast<size_t>(Length) + 1, L'\0');
    int Got = GetWindowTextW(Handle(), Buffer.data(), Length + 1);
    Buffer.resize(static_cast<size_t>(std::max(0, Got)));
    return WideToUtf8(Buffer);
}

void TWinControl::SetText(const std::string& Value)
{
    if (Handle())
        SetWindowTextW(Handle(), Utf8ToWide(Value).c_str());
}

void TWinControl::SetFocus() { if (Handle()) ::SetFocus(Handle()); }
bool TWinControl::Focused() const { return Handle() && GetFocus() == Handle(); }

LRESULT CALLBACK TWinControl::StaticWndProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam)
{
    TWinControl* Self;
    if (Message == WM_NCCREATE) {
        Self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(LParam)->lpCreateParams);
        SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Self));
        if (Self && !Self->FHandle)
            Self->FHandle.Reset(Window);
    } else {
        Self = reinterpret_cast<TWinControl*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
    }
    if (!Self)
        return DefWindowProcW(Window, Message, WParam, LParam);
    if (Message == WM_NCDESTROY) {
        // Destroyed from outside (its parent went first): forget the handle.
        SetWindowLongPtrW(Window, GWLP_USERDATA, 0);
        if (Self->FHandle.Get() == Window)
            Self->FHandle.Release();
        return DefWindowProcW(Window, Message, WParam, LParam);
    }
    try {
        return Self->WndProc(Message, WParam, LParam);
    } catch (...) {
        Application->HandleException(Self);
        return 0;
    }
}

LRESULT TWinControl::WndProc(UINT Message, WPARAM WParam, LPARAM LParam)
{
    return DefaultHandler(Message, WParam, LParam);
}

bool TWinControl::Notify(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

bool TWinControl::RouteToChild(UINT Message, WPARAM WParam, LPARAM LParam, LRESULT& Result)
{
    HWND Child = nullptr;
    switch (Message) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        Child = reinterpret_cast<HWND>(LParam);
        break;
    case WM_NOTIFY:
        Child = reinterpret_cast<NMHDR*>(LParam)->hwndFrom;
        break;
    case WM_DRAWITEM:
        if (WParam)
            Child = reinterpret_cast<DRAWITEMSTRUCT*>(LParam)->hwndItem;
        break;
    default:
        return false;
    }
    TForm* F = Form();
    TWinControl* Control = Child && F ? F->ControlOf(Child) : nullptr;
    return Control && Control != this && Control->Notify(Message, WParam, LParam, Result);
}

LRESULT TWinControl::DefaultHandler(UINT Message, WPARAM WParam, LPARAM LParam)
{
    LRESULT Result = 0;
    if (RouteToChild(Message, WParam, LParam, Result))
        return Result;
    return DefWindowProcW(Handle(), Message, WParam, LParam);
}

// ---- TForm

TForm::TForm() = default;

TForm::~TForm()
{
    OnShow = nullptr;
    FDefaultControl = nullptr;
    FCancelControl = nullptr;
    FMenu = nullptr;
    // Components go before the window, last created first.
    while (!FComponents.empty())
        FComponents.pop_back();
}

void TForm::Adopt(std::unique_ptr<TObject> Object)
{
    FComponents.push_back(std::move(Object));
}

void TForm::LoadComponent(TComponent& Component, TComponent* Parent, TProperties P)
{
    Component.FOwner = this;
    P.Left = Scale(P.Left);
    P.Top = Scale(P.Top);
    P.Width = Scale(P.Width);
    P.Height = Scale(P.Height);
    Component.Load(Parent, P);
}

int TForm::Scale(int DesignValue) const
{
    if (FScaleNumerator == FScaleDenominator)
        return DesignValue;
    return MulDiv(DesignValue, FScaleNumerator, FScaleDenominator);
}

void TForm::BeginLoad(const TFormProperties& P)
{
    FColor = P.Color;
    FFontColor = P.Font.Color;
    FAutoScroll = P.AutoScroll;

    WindowDc Screen(nullptr);
    FScreenPixelsPerInch = GetDeviceCaps(Screen.Get(), LOGPIXELSY);
    int FontHeight = P.Font.Height;
    if (P.PixelsPerInch > 0 && FScreenPixelsPerInch != P.PixelsPerInch)
        FontHeight = MulDiv(FontHeight, FScreenPixelsPerInch, P.PixelsPerInch);
    FFont.Reset(CreateFontW(FontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, P.Font.Charset,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, Utf8ToWide(P.Font.Name).c_str()));
    if (!FFont)
        RaiseWin32Error(GetLastError());
    if (P.TextHeight > 0) {
        SelectedObject Font(Screen.Get(), FFont.Get());
        SIZE Size{};
        if (!GetTextExtentPoint32W(Screen.Get(), L"0", 1, &Size))
            RaiseWin32Error(GetLastError());
        if (Size.cy > 0 && Size.cy != P.TextHeight) {
            FScaleNumerator = Size.cy;
            FScaleDenominator = P.TextHeight;
        }
    }

    DWORD Style = WS_CLIPCHILDREN;
    DWORD ExStyle = WS_EX_CONTROLPARENT;
    bool Dialog = P.BorderStyle == bsDialog;
    bool Tool = P.BorderStyle == bsToolWindow || P.BorderStyle == bsSizeToolWin;
    switch (P.BorderStyle) {
    case bsNone: Style |= WS_POPUP; break;
    case bsSingle: Style |= WS_OVERLAPPED | WS_CAPTION; break;
    case bsSizeable: Style |= WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog: Style |= WS_POPUP | WS_CAPTION; ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE; break;
    case bsToolWindow: Style |= WS_POPUP | WS_CAPTION; ExStyle |= WS_EX_TOOLWINDOW; break;
    case bsSizeToolWin: Style |= WS_POPUP | WS_CAPTION | WS_THICKFRAME; ExStyle |= WS_EX_TOOLWINDOW; break;
    }
    if (P.BorderStyle != bsNone && (P.BorderIcons & biSystemMenu)) {
        Style |= WS_SYSMENU;
        // A dialog frame or a tool window shows no minimise or maximise button.
        if (!Dialog && !Tool) {
            if (P.BorderIcons & biMinimize)
                Style |= WS_MINIMIZEBOX;
            if (P.BorderIcons & biMaximize)
                Style |= WS_MAXIMIZEBOX;
        }
    }

    int Width = P.Width, Height = P.Height;
    if (P.ClientWidth > 0 || P.ClientHeight > 0) {
        RECT R{0, 0, Scale(P.ClientWidth), Scale(P.ClientHeight)};
        AdjustWindowRectEx(&R, Style, P.HasMenu, ExStyle);
        if (P.ClientWidth > 0)
            Width = R.right - R.left;
        if (P.ClientHeight > 0)
            Height = R.bottom - R.top;
    }

    // The first form is the main one and stands alone; later ones belong to it.
    HWND OwnerWindow = nullptr;
    if (TForm* Main = Application->MainForm())
        OwnerWindow = Main->Handle();
    HWND Window = CreateWindowExW(ExStyle, MAKEINTATOM(FormClassAtom(StaticWndProc)),
                                  Utf8ToWide(P.Caption).c_str(), Style, P.Left, P.Top, Width, Height,
                                  OwnerWindow, nullptr, Instance(), static_cast<TWinControl*>(this));
    if (!Window)
        RaiseWin32Error(GetLastError());
    if (!FHandle)
        FHandle.Reset(Window);
    RECT Outer{};
    GetWindowRect(Window, &Outer);
    TControl::SetBounds(Outer.left, Outer.top, Outer.right - Outer.left, Outer.bottom - Outer.top);
}

void TForm::EndLoad()
{
    // Tab order is z-order for the dialog manager: tab stops first, by
    // TabOrder within each parent, then the rest in row order.
    std::vector<TWinControl*> Controls;
    for (const auto& Object : FComponents)
        if (auto* Control = dynamic_cast<TWinControl*>(Object.get()); Control && Control->Handle())
            Controls.push_back(Control);
    std::stable_sort(Controls.begin(), Controls.end(), [](TWinControl* A, TWinControl* B) {
        bool StopA = A->TabOrder() >= 0, StopB = B->TabOrder() >= 0;
        if (StopA != StopB)
            return StopA;
        return StopA && A->TabOrder() < B->TabOrder();
    });
    HWND After = HWND_TOP;
    std::vector<std::pair<HWND, HWND>> LastOfParent;
    for (TWinControl* Control : Controls) {
        HWND Parent = GetParent(Control->Handle());
        auto It = std::find_if(LastOfParent.begin(), LastOfParent.end(),
                               [Parent](const auto& Entry) { return Entry.first == Parent; });
        After = It == LastOfParent.end() ? HWND_TOP : It->second;
        SetWindowPos(Control->Handle(), After, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (It == LastOfParent.end())
            LastOfParent.emplace_back(Parent, Control->Handle());
        else
            It->second = Control->Handle();
    }
    UpdateScrollBars();
}

void TForm::SetMenu(TMainMenu* Menu)
{
    FMenu = Menu;
    if (Menu) {
        Menu->AttachTo(Handle());
    } else if (Handle()) {
        ::SetMenu(Handle(), nullptr);
    }
}

HBRUSH TForm::ColorBrush() const
{
    if (FColor & clSystemColor)
        return GetSysColorBrush(static_cast<int>(FColor & 0xFF));
    if (!FBrush)
        const_cast<TForm*>(this)->FBrush.Reset(CreateSolidBrush(ColorToRGB(FColor)));
    return FBrush.Get();
}

int TForm::ClientWidth() const
{
    RECT R{};
    GetClientRect(Handle(), &R);
    return R.right;
}

int TForm::ClientHeight() const
{
    RECT R{};
    GetClientRect(Handle(), &R);
    return R.bottom;
}

void TForm::Show()
{
    if (!Handle())
        return;
    ShowWindow(Handle(), SW_SHOW);
    if (IsIconic(Handle()))
        ShowWindow(Handle(), SW_RESTORE);
    SetForegroundWindow(Handle());
}

void TForm::Hide()
{
    if (Handle())
        ShowWindow(Handle(), SW_HIDE);
}

void TForm::Close()
{
    if (FModal)
        FModalResult = mrCancel;
    else if (Application->MainForm() == this)
        Application->Terminate();
    else
        Hide();
}

int TForm::ShowModal()
{
    if (!Handle() || TWinControl::Visible() || !IsWindowEnabled(Handle()))
        throw Exception("表示中または無効なウィンドウはモーダルにできません");
    if (GetCapture())
        ReleaseCapture();
    FModalResult = mrNone;
    struct ModalState {
        TForm* Form;
        ~ModalState() { Form->FModal = false; }
    } State{this};
    FModal = true;
    {
        TaskWindowsDisabled Others(Handle());
        Show();
        while (FModalResult == mrNone) {
            Application->HandleMessage();
            if (Application->Terminated())
                FModalResult = mrCancel;
        }
        // The others are enabled again before the form hides, so that one of
        // them, not some other program, becomes active.
    }
    Hide();
    return FModalResult;
}

TWinControl* TForm::ControlOf(HWND Window) const
{
    for (const auto& Object : FComponents)
        if (auto* Control = dynamic_cast<TWinControl*>(Object.get()); Control && Control->Handle() == Window)
            return Control;
    return nullptr;
}

TForm* TForm::FromHandle(HWND Window)
{
    if (!Window || GetClassLongPtrW(Window, GCW_ATOM) != FormClassAtom(StaticWndProc))
        return nullptr;
    auto* Control = reinterpret_cast<TWinControl*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
    return Control ? static_cast<TForm*>(Control) : nullptr;
}

bool TForm::WantsDialogKeys() const
{
    for (const auto& Object : FComponents)
        if (auto* Control = dynamic_cast<TWinControl*>(Object.get());
            Control && Control->TabOrder() >= 0 && Control->Handle())
            return true;
    return false;
}

bool TForm::DialogMessage(MSG& Message)
{
    if (Message.message == WM_KEYDOWN && (Message.wParam == VK_RETURN || Message.wParam == VK_ESCAPE) &&
        (GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0)) {
        LRESULT Code = SendMessageW(Message.hwnd, WM_GETDLGCODE, Message.wParam, reinterpret_cast<LPARAM>(&Message));
        return !(Code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE));
    }
    return IsDialogMessageW(Handle(), &Message);
}

void TForm::FocusFirstControl()
{
    TWinControl* First = nullptr;
    for (const auto& Object : FComponents) {
        auto* Control = dynamic_cast<TWinControl*>(Object.get());
        if (!Control || Control->TabOrder() < 0 || !Control->Handle() || Control->Parent() ||
            !IsWindowVisible(Control->Handle()) || !IsWindowEnabled(Control->Handle()))
            continue;
        if (!First || Control->TabOrder() < First->TabOrder())
            First = Control;
    }
    ::SetFocus(First ? First->Handle() : Handle());
}

namespace {

// SetScrollInfo redraws the bar at once, which costs milliseconds under
// Wine: the fields asked for are set only when they differ.
void SetScrollInfoIfChanged(HWND Window, int Bar, const SCROLLINFO& Wanted)
{
    SCROLLINFO Now{sizeof Now, Wanted.fMask, 0, 0, 0, 0, 0};
    if (GetScrollInfo(Window, Bar, &Now) &&
        (!(Wanted.fMask & SIF_RANGE) || (Now.nMin == Wanted.nMin && Now.nMax == Wanted.nMax)) &&
        (!(Wanted.fMask & SIF_PAGE) || Now.nPage == Wanted.nPage) &&
        (!(Wanted.fMask & SIF_POS) || Now.nPos == Wanted.nPos))
        return;
    SCROLLINFO Copy = Wanted;
    SetScrollInfo(Window, Bar, &Copy, TRUE);
}

} // namespace

void TForm::UpdateScrollBars()
{
    if (!FAutoScroll || FUpdatingScrollBars || !Handle())
        return;
    FUpdatingScrollBars = true;
    int RangeX = 0, RangeY = 0;
    for (const auto& Object : FComponents) {
        auto* Control = dynamic_cast<TControl*>(Object.get());
        auto* Windowed = dynamic_cast<TWinControl*>(Control);
        if (!Control || Control->Parent() || (Windowed && !IsWindowVisible(Windowed->Handle())))
            continue;
        RangeX = std::max(RangeX, Control->Left() + Control->Width() + FScrollX);
        RangeY = std::max(RangeY, Control->Top() + Control->Height() + FScrollY);
    }
    // Showing one bar narrows the client area and may call for the other;
    // two rounds settle it.
    for (int Round = 0; Round < 3; ++Round) {
        RECT Client{};
        GetClientRect(Handle(), &Client);
        SCROLLINFO Info{sizeof Info, SIF_RANGE | SIF_PAGE, 0, 0, 0, 0, 0};
        Info.nMax = std::max(0, RangeX - 1);
        Info.nPage = static_cast<UINT>(RangeX > Client.right ? Client.right : RangeX + 1);
        SetScrollInfoIfChanged(Handle(), SB_HORZ, Info);
        Info.nMax = std::max(0, RangeY - 1);
        Info.nPage = static_cast<UINT>(RangeY > Client.bottom ? Client.bottom : RangeY + 1);
        SetScrollInfoIfChanged(Handle(), SB_VERT, Info);
        RECT After{};
        GetClientRect(Handle(), &After);
        if (After.right == Client.right && After.bottom == Client.bottom)
            break;
    }
    RECT Client{};
    GetClientRect(Handle(), &Client);
    int X = std::clamp(FScrollX, 0, std::max(0, RangeX - static_cast<int>(Client.right)));
    int Y = std::clamp(FScrollY, 0, std::max(0, RangeY - static_cast<int>(Client.bottom)));
    FUpdatingScrollBars = false;
    ScrollTo(X, Y);
}

void TForm::ScrollTo(int X, int Y)
{
    X = std::max(0, X);
    Y = std::max(0, Y);
    int DX = FScrollX - X, DY = FScrollY - Y;
    FScrollX = X;
    FScrollY = Y;
    if (!Handle())
        return;
    SCROLLINFO Info{sizeof Info, SIF_POS, 0, 0, 0, 0, 0};
    Info.nPos = X;
    SetScrollInfoIfChanged(Handle(), SB_HORZ, Info);
    Info.nPos = Y;
    SetScrollInfoIfChanged(Handle(), SB_VERT, Info);
    if (DX == 0 && DY == 0)
        return;
    bool Was = std::exchange(FUpdatingScrollBars, true);
    for (const auto& Object : FComponents) {
        auto* Control = dynamic_cast<TControl*>(Object.get());
        if (Control && !Control->Parent())
            Control->SetBounds(Control->Left() + DX, Control->Top() + DY, Control->Width(), Control->Height());
    }
    FUpdatingScrollBars = Was;
    InvalidateRect(Handle(), nullptr, TRUE);
}

void TForm::OnScroll(int Bar, WORD Request)
{
    SCROLLINFO Info{sizeof Info, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(Handle(), Bar, &Info);
    int Position = Bar == SB_HORZ ? FScrollX : FScrollY;
    int Last = std::max(0, Info.nMax - static_cast<int>(Info.nPage) + 1);
    int Page = std::max(1, static_cast<int>(Info.nPage));
    switch (Request) {
    case SB_LINEUP: Position -= 8; break;
    case SB_LINEDOWN: Position += 8; break;
    case SB_PAGEUP: Position -= Page; break;
    case SB_PAGEDOWN: Position += Page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: Position = Info.nTrackPos; break;
    case SB_TOP: Position = 0; break;
    case SB_BOTTOM: Position = Last; break;
    default: return;
    }
    Position = std::clamp(Position, 0, Last);
    if (Bar == SB_HORZ)
        ScrollTo(Position, FScrollY);
    else
        ScrollTo(FScrollX, Position);
}

bool TForm::HandleCommand(WPARAM WParam, LPARAM LParam)
{
    if (LParam)
        return false;   // from a control: routed to it
    WORD Id = LOWORD(WParam);
    // The dialog manager's Escape and (without a default) Enter.
    if (Id == IDCANCEL || Id == IDOK) {
        TWinControl* Target = Id == IDCANCEL ? FCancelControl : FDefaultControl;
        if (Target && Target->Enabled())
            Target->Click();
        return true;
    }
    if (HIWORD(WParam) == 0 && FMenu) {
        if (TMenuItem* Item = FMenu->FindItem(Id)) {
            Dispatch(Item, [Item] { Item->Click(); });
            return true;
        }
    }
    return false;
}

LRESULT TForm::WndProc(UINT Message, WPARAM WParam, LPARAM LParam)
{
    switch (Message) {
    case WM_SHOWWINDOW:
        // Sent before the window appears; lParam 0 means ShowWindow, not an
        // owner being minimised or restored.
        if (WParam && LParam == 0 && OnShow)
            Dispatch(this, [this] { OnShow(this); });
        break;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_COMMAND:
        if (HandleCommand(WParam, LParam))
            return 0;
        break;
    case DM_GETDEFID: {
        // A focused push button acts as the default one.
        HWND Focus = GetFocus();
        if (Focus && IsChild(Handle(), Focus) &&
            (SendMessageW(Focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)))
            return MAKELRESULT(GetDlgCtrlID(Focus), DC_HASDEFID);
        if (FDefaultControl && FDefaultControl->Handle())
            return MAKELRESULT(GetDlgCtrlID(FDefaultControl->Handle()), DC_HASDEFID);
        return 0;
    }
    case WM_ERASEBKGND: {
        RECT Client{};
        GetClientRect(Handle(), &Client);
        FillRect(reinterpret_cast<HDC>(WParam), &Client, ColorBrush());
        return 1;
    }
    case WM_SIZE:
        UpdateScrollBars();
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (!LParam) {
            OnScroll(Message == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(WParam));
            return 0;
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(WParam) == WA_INACTIVE) {
            HWND Focus = GetFocus();
            if (Focus && IsChild(Handle(), Focus))
                FFocused = Focus;
        } else if (!HIWORD(WParam)) {
            if (FFocused && IsChild(Handle(), FFocused) && IsWindowVisible(FFocused) && IsWindowEnabled(FFocused))
                ::SetFocus(FFocused);
            else
                FocusFirstControl();
        }
        return 0;
    case WM_NCDESTROY:
        break;
    }
    return DefaultHandler(Message, WParam, LParam);
}
