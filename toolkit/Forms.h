#pragma once
// Forms and the controls they hold.
//
// A form is built from its form resource: a table in the form's unit that
// gives the window's properties and one row per component (class, field,
// properties, handlers, and nested rows for items or contained controls).
// The form creates the components in row order, binds each to its field,
// owns them, and destroys them in reverse order before its window.
//
//   TForm1::TForm1() { Load(Form1Resource); }
//
//   const TFormResource<TForm1> Form1Resource = {
//       .Caption = "Example", .Left = 100, .Top = 100, .Width = 400, .Height = 300,
//       .Font = {"Tahoma", -11, DEFAULT_CHARSET}, .PixelsPerInch = 96, .TextHeight = 11,
//       .OnShow = &TForm1::FormShow,
//       .Rows = {
//           Row(&TForm1::Image1, {.Left = 0, .Top = 0, .Width = 105, .Height = 105}),
//           Row(&TForm1::Timer1, {.OnTimer = &TForm1::Timer1Timer}),
//       },
//   };
//
// Designated initialisers must follow the order of declaration below.
//
// Scaling: on a screen whose pixels per inch differ from the resource's, the
// font height is multiplied by screen / design (rounded as MulDiv). The
// height of the digit zero in the resulting font is then measured; if it
// differs from the resource's TextHeight, every row's Left, Top, Width and
// Height, and a client size given in the resource, are multiplied by
// measured / TextHeight. An outer size (Width, Height) is never scaled.
//
// Keyboard: the application's message loops hand the keys of a form that
// holds a tab stop to IsDialogMessageW, so Tab, arrows, access keys, Enter
// (the default control, else the focused button) and Escape (the cancel
// control) work as in a dialog.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "toolkit/Classes.h"
#include "toolkit/Handles.h"

class TForm;
class TMainMenu;
class TWinControl;

// Colours: 0x00BBGGRR, or a system colour index with the top bit set.
using TColor = std::uint32_t;
constexpr TColor clSystemColor = 0x80000000u;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
COLORREF ColorToRGB(TColor Color);

enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };

// Modal results; Close() on a modal form gives mrCancel.
enum : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

struct TFontSpec {
    const char* Name = "";          // UTF-8; the resource tables hold literals
    int Height = 0;                 // pixels; negative: character height
    BYTE Charset = DEFAULT_CHARSET;
    TColor Color = clWindowText;
};

// The properties a row may give. Each class takes those it has and ignores
// the rest. Positions are client pixels of the parent at the design
// resolution. Handler is TNotifyEvent for the toolkit, a pointer to a
// handler of the form in a resource.
template <class Handler>
struct TBasicProperties {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    int TabOrder = -1;              // -1: not a tab stop
    std::string Caption{};          // caption or text
    std::vector<std::string> Items{};
    int ItemIndex = -1;
    int Columns = 1;
    bool Checked = false;
    bool Default = false;           // Enter activates it
    bool Cancel = false;            // Escape activates it
    bool Visible = true;
    bool Enabled = true;
    Handler OnClick{};
    Handler OnChange{};
    Handler OnTimer{};
};
using TProperties = TBasicProperties<TNotifyEvent>;

// A component that a form resource can create. Default-constructible; the
// form calls Load once, right after binding its field.
class TComponent : public TObject {
public:
    // The form that owns it; null until loaded.
    TForm* Owner() const { return FOwner; }

protected:
    friend class TForm;
    // Takes the properties of its row (already scaled). Parent is the
    // component of the enclosing row, or null for a row of the form itself.
    virtual void Load(TComponent* Parent, const TProperties& Properties);

private:
    TForm* FOwner = nullptr;
};

// A component with a position and size in its parent's client area.
class TControl : public TComponent {
public:
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    virtual void SetBounds(int Left, int Top, int Width, int Height);

    // The control it stands in; null for a control of the form itself.
    TWinControl* Parent() const { return FParent; }

protected:
    void Load(TComponent* Parent, const TProperties& Properties) override;

private:
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TWinControl* FParent = nullptr;
};

// A control with a window of its own.
//
// Standard Win32 controls: CreateHandle with their class name; the parent's
// window hands what it receives on their behalf (WM_COMMAND, WM_NOTIFY,
// WM_CTLCOLOR*, WM_DRAWITEM, WM_MEASUREITEM) to Notify. Controls of the
// toolkit's own window class (ClassName null) get every message in WndProc.
// An exception never leaves either: the window procedure reports it.
class TWinControl : public TControl {
public:
    ~TWinControl() override;

    HWND Handle() const { return FHandle.Get(); }
    void SetBounds(int Left, int Top, int Width, int Height) override;

    bool Enabled() const;
    void SetEnabled(bool Value);
    bool Visible() const;
    void SetVisible(bool Value);
    std::string Text() const;
    void SetText(const std::string& Value);
    void SetFocus();
    bool Focused() const;
    int TabOrder() const { return FTabOrder; }

    // The form that owns it, or the form itself.
    TForm* Form() const;

    // Called by the form for Escape on its cancel control and Enter on its
    // default control; buttons click themselves.
    virtual void Click() {}

protected:
    // Creates the window as a child of Parent() (or of the owner form), at
    // the control's bounds, with the form's font and a control id, a tab stop
    // when Properties.TabOrder >= 0, visible and enabled as the row says.
    void CreateHandle(const wchar_t* ClassName, DWORD Style, DWORD ExStyle,
                      const TProperties& Properties);
    virtual LRESULT WndProc(UINT Message, WPARAM WParam, LPARAM LParam);
    // What WndProc does by default: routes child notifications, then
    // DefWindowProcW.
    LRESULT DefaultHandler(UINT Message, WPARAM WParam, LPARAM LParam);
    virtual bool Notify(UINT Message, WPARAM WParam, LPARAM LParam, LRESULT& Result);

    // The toolkit's window class for controls and forms.
    static const wchar_t* WindowClass();

private:
    friend class TForm;
    static LRESULT CALLBACK StaticWndProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);
    bool RouteToChild(UINT Message, WPARAM WParam, LPARAM LParam, LRESULT& Result);

    UniqueWindow FHandle;
    int FTabOrder = -1;
};

// The window part of a form resource.
struct TFormProperties {
    std::string Caption{};
    int Left = 0, Top = 0;
    int Width = 0, Height = 0;              // outer size; not scaled
    int ClientWidth = 0, ClientHeight = 0;  // used instead when given; scaled
    TBorderStyle BorderStyle = bsSizeable;
    unsigned BorderIcons = biSystemMenu | biMinimize | biMaximize;
    TColor Color = clBtnFace;
    TFontSpec Font{};
    int PixelsPerInch = 96;                 // design resolution
    int TextHeight = 0;                     // design height of "0"; 0: no scaling
    bool AutoScroll = true;
    bool HasMenu = false;
};

template <class Form>
using THandler = void (Form::*)(TObject* Sender);

template <class Form>
using TRowProperties = TBasicProperties<THandler<Form>>;

template <class Form>
struct TRow {
    using Creator = void (*)(const TRow& Row, Form& F, TComponent* Parent);
    Creator Create = nullptr;
    void* Form::*Field = nullptr;   // type-erased; Create restores it
    TRowProperties<Form> Properties;
    std::vector<TRow> Children;
};

template <class Form>
struct TFormResource {
    std::string Caption{};
    int Left = 0, Top = 0;
    int Width = 0, Height = 0;
    int ClientWidth = 0, ClientHeight = 0;
    TBorderStyle BorderStyle = bsSizeable;
    unsigned BorderIcons = biSystemMenu | biMinimize | biMaximize;
    TColor Color = clBtnFace;
    TFontSpec Font{};
    int PixelsPerInch = 96;
    int TextHeight = 0;
    bool AutoScroll = true;
    TMainMenu* Form::*Menu = nullptr;
    THandler<Form> OnShow = nullptr;
    std::vector<TRow<Form>> Rows{};
};

// A row that creates a C, binds Form::*Field to it, and loads it with
// Properties; Children are rows whose parent is this component.
template <class Form, class C>
TRow<Form> Row(C* Form::*Field, TRowProperties<Form> Properties = {},
               std::vector<TRow<Form>> Children = {});

class TForm : public TWinControl {
public:
    TForm();
    ~TForm() override;

    // Shows the window; OnShow runs first on each passage from hidden to
    // shown, before the window is drawn.
    void Show();
    void Hide();
    // A modal form: ModalResult becomes mrCancel and the modal loop ends at
    // its next turn. The main form: the application terminates. Another
    // form: hidden.
    void Close();
    // Disables the thread's other windows, shows the form and runs a nested
    // message loop until ModalResult is set; then re-enables them, hides the
    // form and returns the result. A visible form: Exception.
    int ShowModal();
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int Value) { FModalResult = Value; }

    std::string Caption() const { return Text(); }
    void SetCaption(const std::string& Value) { SetText(Value); }
    int ClientWidth() const;
    int ClientHeight() const;
    // The form's font, which its controls take; and the font's colour.
    HFONT Font() const { return FFont.Get(); }
    TColor FontColor() const { return FFontColor; }
    TColor Color() const { return FColor; }
    HBRUSH ColorBrush() const;
    TMainMenu* Menu() const { return FMenu; }

    // The design value of a position or size as created on this screen.
    int Scale(int DesignValue) const;
    // Screen pixels per inch when the form was created.
    int ScreenPixelsPerInch() const { return FScreenPixelsPerInch; }

    TNotifyEvent OnShow;

    // Enter and Escape in the dialog manager's sense.
    void SetDefaultControl(TWinControl* Control) { FDefaultControl = Control; }
    void SetCancelControl(TWinControl* Control) { FCancelControl = Control; }
    TWinControl* DefaultControl() const { return FDefaultControl; }
    TWinControl* CancelControl() const { return FCancelControl; }

    // A fresh id for a control window of this form.
    int NextControlId() { return FNextControlId++; }
    // The control of this form whose window is Window, or null.
    TWinControl* ControlOf(HWND Window) const;
    // The form whose top-level window is Window, or null.
    static TForm* FromHandle(HWND Window);
    // True when the message loops should pass this form's keys to
    // IsDialogMessageW: it holds an enabled tab stop.
    bool WantsDialogKeys() const;
    // Hands a key message for this form to the dialog manager; true when it
    // was taken. Enter and Escape act only on their own: with Shift or Ctrl
    // held they are taken and dropped, unless the focused control wants them.
    bool DialogMessage(MSG& Message);

    // Horizontal and vertical scroll positions (automatic scrolling).
    int ScrollX() const { return FScrollX; }
    int ScrollY() const { return FScrollY; }
    void ScrollTo(int X, int Y);
    // Brings the scroll bars in line with the controls; controls call it
    // when they move or resize.
    void UpdateScrollBars();

protected:
    template <class Derived>
    void Load(const TFormResource<Derived>& Resource);

    LRESULT WndProc(UINT Message, WPARAM WParam, LPARAM LParam) override;

private:
    template <class Form> friend struct TRowCreator;

    void BeginLoad(const TFormProperties& Properties);
    void EndLoad();
    void Adopt(std::unique_ptr<TObject> Object);
    void LoadComponent(TComponent& Component, TComponent* Parent, TProperties Properties);
    void SetMenu(TMainMenu* Menu);
    void OnScroll(int Bar, WORD Request);
    void FocusFirstControl();
    bool HandleCommand(WPARAM WParam, LPARAM LParam);

    std::vector<std::unique_ptr<TObject>> FComponents;
    UniqueFont FFont;
    UniqueBrush FBrush;
    TColor FColor = clBtnFace;
    TColor FFontColor = clWindowText;
    TMainMenu* FMenu = nullptr;
    int FScaleNumerator = 1, FScaleDenominator = 1;
    int FScreenPixelsPerInch = 96;
    bool FAutoScroll = true;
    bool FUpdatingScrollBars = false;
    int FScrollX = 0, FScrollY = 0;
    int FModalResult = mrNone;
    bool FModal = false;
    int FNextControlId = 100;
    HWND FFocused = nullptr;
    TWinControl* FDefaultControl = nullptr;
    TWinControl* FCancelControl = nullptr;
};

// ---- templates

template <class Form>
struct TRowCreator {
    template <class C>
    static void Create(const TRow<Form>& Row, Form& F, TComponent* Parent)
    {
        auto Field = reinterpret_cast<C* Form::*>(Row.Field);
        auto Object = std::make_unique<C>();
        C* Raw = Object.get();
        F.*Field = Raw;
        static_cast<TForm&>(F).Adopt(std::move(Object));
        if constexpr (std::is_base_of_v<TComponent, C>) {
            TProperties P;
            const auto& R = Row.Properties;
            P.Left = R.Left; P.Top = R.Top; P.Width = R.Width; P.Height = R.Height;
            P.TabOrder = R.TabOrder;
            P.Caption = R.Caption;
            P.Items = R.Items;
            P.ItemIndex = R.ItemIndex;
            P.Columns = R.Columns;
            P.Checked = R.Checked;
            P.Default = R.Default;
            P.Cancel = R.Cancel;
            P.Visible = R.Visible;
            P.Enabled = R.Enabled;
            auto Bind = [&F](THandler<Form> H) -> TNotifyEvent {
                if (!H) return {};
                Form* Target = &F;
                return [Target, H](TObject* Sender) { (Target->*H)(Sender); };
            };
            P.OnClick = Bind(R.OnClick);
            P.OnChange = Bind(R.OnChange);
            P.OnTimer = Bind(R.OnTimer);
            static_cast<TForm&>(F).LoadComponent(*Raw, Parent, std::move(P));
            for (const auto& Child : Row.Children)
                Child.Create(Child, F, Raw);
        }
    }
};

template <class Form, class C>
TRow<Form> Row(C* Form::*Field, TRowProperties<Form> Properties, std::vector<TRow<Form>> Children)
{
    TRow<Form> R;
    R.Create = &TRowCreator<Form>::template Create<C>;
    R.Field = reinterpret_cast<void* Form::*>(Field);
    R.Properties = std::move(Properties);
    R.Children = std::move(Children);
    return R;
}

template <class Derived>
void TForm::Load(const TFormResource<Derived>& R)
{
    static_assert(std::is_base_of_v<TForm, Derived>);
    Derived& F = static_cast<Derived&>(*this);
    TFormProperties P;
    P.Caption = R.Caption;
    P.Left = R.Left; P.Top = R.Top;
    P.Width = R.Width; P.Height = R.Height;
    P.ClientWidth = R.ClientWidth; P.ClientHeight = R.ClientHeight;
    P.BorderStyle = R.BorderStyle;
    P.BorderIcons = R.BorderIcons;
    P.Color = R.Color;
    P.Font = R.Font;
    P.PixelsPerInch = R.PixelsPerInch;
    P.TextHeight = R.TextHeight;
    P.AutoScroll = R.AutoScroll;
    P.HasMenu = R.Menu != nullptr;
    BeginLoad(P);
    for (const auto& Row : R.Rows)
        Row.Create(Row, F, nullptr);
    if (R.Menu)
        SetMenu(F.*(R.Menu));
    if (R.OnShow) {
        auto H = R.OnShow;
        Derived* Target = &F;
        OnShow = [Target, H](TObject* Sender) { (Target->*H)(Sender); };
    }
    EndLoad();
}
