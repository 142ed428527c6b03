#include "toolkit/StdCtrls.h"

#include <algorithm>

#include "toolkit/Application.h"
#include "toolkit/Handles.h"
#include "toolkit/Win32Text.h"

namespace {

// Text in the form's font colour on the form's colour.
LRESULT FormColours(const TForm& F, HDC Dc)
{
    SetTextColor(Dc, ColorToRGB(F.FontColor()));
    SetBkColor(Dc, ColorToRGB(F.Color()));
    return reinterpret_cast<LRESULT>(F.ColorBrush());
}

bool IsClick(UINT Message, WPARAM WParam)
{
    return Message == WM_COMMAND && HIWORD(WParam) == BN_CLICKED;
}

// The height of the digit zero in the form's font on the screen.
int ZeroHeight(const TForm& F)
{
    WindowDc Screen(nullptr);
    SelectedObject Font(Screen.Get(), F.Font());
    SIZE Size{};
    GetTextExtentPoint32W(Screen.Get(), L"0", 1, &Size);
    return Size.cy;
}

} // namespace

// ---- TLabel

void TLabel::Load(TComponent* Parent, const TProperties& P)
{
    TControl::Load(Parent, P);
    CreateHandle(L"STATIC", SS_LEFTNOWORDWRAP, 0, P);
    AdjustSize();
}

void TLabel::SetCaption(const std::string& Value)
{
    SetText(Value);
    AdjustSize();
}

void TLabel::AdjustSize()
{
    TForm* F = Form();
    if (!Handle() || !F)
        return;
    std::wstring Caption = Utf8ToWide(Text());
    WindowDc Screen(nullptr);
    SelectedObject Font(Screen.Get(), F->Font());
    RECT R{};
    // Measured as the static draws it: tabs expanded, "&" taken as a prefix.
    // An empty caption keeps the height of one line.
    DrawTextW(Screen.Get(), Caption.empty() ? L" " : Caption.c_str(), -1, &R,
              DT_CALCRECT | DT_EXPANDTABS | DT_LEFT);
    SetBounds(Left(), Top(), Caption.empty() ? 0 : R.right - R.left, R.bottom - R.top);
}

bool TLabel::Notify(UINT Message, WPARAM WParam, LPARAM, LRESULT& Result)
{
    if (Message != WM_CTLCOLORSTATIC || !Form())
        return false;
    Result = FormColours(*Form(), reinterpret_cast<HDC>(WParam));
    return true;
}

// ---- TEdit

void TEdit::Load(TComponent* Parent, const TProperties& P)
{
    TControl::Load(Parent, P);
    CreateHandle(L"EDIT", ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, P);
    // Zero lifts the limit to the largest an edit allows.
    SendMessageW(Handle(), EM_SETLIMITTEXT, 0, 0);
}

bool TEdit::Notify(UINT Message, WPARAM WParam, LPARAM, LRESULT& Result)
{
    if (Message != WM_CTLCOLOREDIT || !Form())
        return false;
    HDC Dc = reinterpret_cast<HDC>(WParam);
    SetTextColor(Dc, ColorToRGB(Form()->FontColor()));
    SetBkColor(Dc, GetSysColor(COLOR_WINDOW));
    Result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    return true;
}

// ---- TButton

TButton::~TButton()
{
    if (Handle() && FButtonProc) {
        SetWindowLongPtrW(Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FButtonProc));
        SetWindowLongPtrW(Handle(), GWLP_USERDATA, 0);
    }
}

void TButton::Load(TComponent* Parent, const TProperties& P)
{
    TControl::Load(Parent, P);
    FDefault = P.Default;
    FCancel = P.Cancel;
    OnClick = P.OnClick;
    CreateHandle(L"BUTTON", FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, 0, P);
    if (FDefault)
        Form()->SetDefaultControl(this);
    if (FCancel)
        Form()->SetCancelControl(this);
    // Subclassed to follow the focus: the dialog manager restyles the
    // buttons only when it moves the focus itself, not on a mouse click.
    SetWindowLongPtrW(Handle(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    FButtonProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TButton::ButtonProc)));
}

LRESULT CALLBACK TButton::ButtonProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam)
{
    auto* Self = reinterpret_cast<TButton*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
    if (!Self || !Self->FButtonProc)
        return DefWindowProcW(Window, Message, WParam, LParam);
    LRESULT Result = CallWindowProcW(Self->FButtonProc, Window, Message, WParam, LParam);
    if (Message == WM_SETFOCUS || Message == WM_KILLFOCUS)
        Self->ShowAsDefault(Message == WM_SETFOCUS);
    return Result;
}

void TButton::ShowAsDefault(bool Focused)
{
    auto Restyle = [](HWND Button, bool AsDefault) {
        SendMessageW(Button, BM_SETSTYLE, AsDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    };
    TWinControl* Default = Form() ? Form()->DefaultControl() : nullptr;
    if (Default == this || !Default || !Default->Handle())
        Default = nullptr;
    Restyle(Handle(), Focused || FDefault);
    if (Default)
        Restyle(Default->Handle(), !Focused);
}

void TButton::Click()
{
    if (OnClick)
        OnClick(this);
}

bool TButton::Notify(UINT Message, WPARAM WParam, LPARAM, LRESULT& Result)
{
    if (!IsClick(Message, WParam))
        return false;
    Dispatch(this, [this] { Click(); });
    Result = 0;
    return true;
}

// ---- TCheckBox

void TCheckBox::Load(TComponent* Parent, const TProperties& P)
{
    TControl::Load(Parent, P);
    OnClick = P.OnClick;
    CreateHandle(L"BUTTON", BS_AUTOCHECKBOX, 0, P);
    FChecked = P.Checked;
    SendMessageW(Handle(), BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::SetChecked(bool Value)
{
    if (Value == FChecked)
        return;
    FChecked = Value;
    if (Handle())
        SendMessageW(Handle(), BM_SETCHECK, Value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (OnClick)
        OnClick(this);
}

bool TCheckBox::Notify(UINT Message, WPARAM WParam, LPARAM, LRESULT& Result)
{
    if (Message == WM_CTLCOLORSTATIC || Message == WM_CTLCOLORBTN) {
        if (!Form())
            return false;
        Result = FormColours(*Form(), reinterpret_cast<HDC>(WParam));
        return true;
    }
    if (!IsClick(Message, WParam))
        return false;
    // The box has toggled itself; a notification without a change (a
    // second one for the same toggle) runs nothing.
    bool Now = SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (Now != FChecked) {
        FChecked = Now;
        Dispatch(this, [this] {
            if (OnClick)
                OnClick(this);
        });
    }
    Result = 0;
    return true;
}

// ---- TRadioGroup

TRadioGroup::~TRadioGroup()
{
    // The window outlives this part of the object by a moment: its own
    // procedure goes back in first.
    if (Handle() && FGroupProc) {
        SetWindowLongPtrW(Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FGroupProc));
        SetWindowLongPtrW(Handle(), GWLP_USERDATA, 0);
    }
}

void TRadioGroup::Load(TComponent* Parent, const TProperties& P)
{
    TControl::Load(Parent, P);
    FItems = P.Items;
    CreateHandle(L"BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, P);
    // The items' notifications go to the group's window: it is subclassed
    // to hand them here.
    SetWindowLongPtrW(Handle(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    FGroupProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TRadioGroup::GroupProc)));
    TForm* F = Form();
    for (size_t I = 0; I < FItems.size(); ++I) {
        DWORD Style = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | (I == 0 ? WS_GROUP : 0);
        HWND Button = CreateWindowExW(0, L"BUTTON", Utf8ToWide(FItems[I]).c_str(), Style, 0, 0, 0, 0, Handle(),
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(F->NextControlId())),
                                      GetModuleHandleW(nullptr), nullptr);
        if (!Button)
            RaiseWin32Error(GetLastError());
        FButtons.push_back(Button);
        SendMessageW(Button, WM_SETFONT, reinterpret_cast<WPARAM>(F->Font()), FALSE);
    }
    ArrangeItems();
    SetItemIndex(P.ItemIndex);
    UpdateTabStops();
}

void TRadioGroup::SetBounds(int Left, int Top, int Width, int Height)
{
    TWinControl::SetBounds(Left, Top, Width, Height);
    ArrangeItems();
}

void TRadioGroup::SetItemIndex(int Value)
{
    int Last = static_cast<int>(FItems.size()) - 1;
    Value = std::min(std::max(Value, -1), Last);
    if (Value == FItemIndex)
        return;
    FItemIndex = Value;
    for (size_t I = 0; I < FButtons.size(); ++I)
        SendMessageW(FButtons[I], BM_SETCHECK, static_cast<int>(I) == Value ? BST_CHECKED : BST_UNCHECKED, 0);
    UpdateTabStops();
}

void TRadioGroup::ArrangeItems()
{
    TForm* F = Form();
    if (!Handle() || !F || FButtons.empty())
        return;
    int Count = static_cast<int>(FButtons.size());
    int Top = ZeroHeight(*F);
    int Inset = F->Scale(8);
    int Span = std::max(0, Height() - F->Scale(4) - Top);
    for (int I = 0; I < Count; ++I) {
        int Y0 = Top + I * Span / Count;
        int Y1 = Top + (I + 1) * Span / Count;
        SetWindowPos(FButtons[static_cast<size_t>(I)], nullptr, Inset, Y0, std::max(0, Width() - 2 * Inset),
                     Y1 - Y0, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TRadioGroup::UpdateTabStops()
{
    size_t Stop = FItemIndex >= 0 ? static_cast<size_t>(FItemIndex) : 0;
    for (size_t I = 0; I < FButtons.size(); ++I) {
        LONG_PTR Style = GetWindowLongPtrW(FButtons[I], GWL_STYLE);
        LONG_PTR Wanted = I == Stop ? (Style | WS_TABSTOP) : (Style & ~static_cast<LONG_PTR>(WS_TABSTOP));
        if (Wanted != Style)
            SetWindowLongPtrW(FButtons[I], GWL_STYLE, Wanted);
    }
}

void TRadioGroup::ItemClicked(HWND Button)
{
    auto It = std::find(FButtons.begin(), FButtons.end(), Button);
    if (It == FButtons.end() || SendMessageW(Button, BM_GETCHECK, 0, 0) != BST_CHECKED)
        return;
    SetItemIndex(static_cast<int>(It - FButtons.begin()));
}

bool TRadioGroup::Notify(UINT Message, WPARAM WParam, LPARAM, LRESULT& Result)
{
    if ((Message != WM_CTLCOLORSTATIC && Message != WM_CTLCOLORBTN) || !Form())
        return false;
    Result = FormColours(*Form(), reinterpret_cast<HDC>(WParam));
    return true;
}

LRESULT CALLBACK TRadioGroup::GroupProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam)
{
    auto* Self = reinterpret_cast<TRadioGroup*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
    if (!Self || !Self->FGroupProc)
        return DefWindowProcW(Window, Message, WParam, LParam);
    switch (Message) {
    case WM_COMMAND:
        if (LParam && HIWORD(WParam) == BN_CLICKED) {
            Dispatch(Self, [Self, LParam] { Self->ItemClicked(reinterpret_cast<HWND>(LParam)); });
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (TForm* F = Self->Form())
            return FormColours(*F, reinterpret_cast<HDC>(WParam));
        break;
    case WM_ERASEBKGND:
        // The group box paints only its frame and caption; the form clips
        // it out of its own painting, so the inside is filled here.
        if (TForm* F = Self->Form()) {
            RECT Client{};
            GetClientRect(Window, &Client);
            FillRect(reinterpret_cast<HDC>(WParam), &Client, F->ColorBrush());
            return 1;
        }
        break;
    case WM_SETFOCUS:
        // The group takes no focus of its own: the selected item does.
        if (!Self->FButtons.empty()) {
            size_t Item = Self->FItemIndex >= 0 ? static_cast<size_t>(Self->FItemIndex) : 0;
            ::SetFocus(Self->FButtons[Item]);
            return 0;
        }
        break;
    }
    return CallWindowProcW(Self->FGroupProc, Window, Message, WParam, LParam);
}
