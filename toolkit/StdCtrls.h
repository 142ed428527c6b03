#pragma once
// The standard controls, each a window of its Win32 class so that assistive
// tools and automation see it for what it is: TLabel (STATIC), TEdit
// (EDIT), TButton (push BUTTON), TCheckBox (check-box BUTTON) and
// TRadioGroup (a group-box BUTTON holding one radio BUTTON per item). All
// take the form's font and colours.
#include <windows.h>

#include <string>
#include <vector>

#include "toolkit/Forms.h"

// A caption that sizes itself to its text: left and top stay where placed,
// width and height become those of the caption drawn in the form's font
// ("&" marks an access key and is not drawn).
class TLabel : public TWinControl {
public:
    std::string Caption() const { return Text(); }
    void SetCaption(const std::string& Value);

protected:
    void Load(TComponent* Parent, const TProperties& Properties) override;
    bool Notify(UINT Message, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;

private:
    void AdjustSize();
};

// A one-line edit that takes any text, of any length.
class TEdit : public TWinControl {
protected:
    void Load(TComponent* Parent, const TProperties& Properties) override;
    bool Notify(UINT Message, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;
};

// A push button. Default: Enter activates it while no other button has the
// focus. Cancel: Escape activates it. "&" in the caption marks its access
// key. Click() runs OnClick. The button Enter would activate is the one
// drawn as the default: the focused button, else the default one.
class TButton : public TWinControl {
public:
    ~TButton() override;

    bool Default() const { return FDefault; }
    bool Cancel() const { return FCancel; }
    void Click() override;

    TNotifyEvent OnClick;

protected:
    void Load(TComponent* Parent, const TProperties& Properties) override;
    bool Notify(UINT Message, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;

private:
    static LRESULT CALLBACK ButtonProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);
    void ShowAsDefault(bool Focused);

    bool FDefault = false;
    bool FCancel = false;
    WNDPROC FButtonProc = nullptr;
};

// A check box. OnClick runs on every change of its state, whether the user
// clicks it or code calls SetChecked, and never when SetChecked is given
// the state it has. Run by SetChecked, OnClick's exception reaches the
// caller.
class TCheckBox : public TWinControl {
public:
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);

    TNotifyEvent OnClick;

protected:
    void Load(TComponent* Parent, const TProperties& Properties) override;
    bool Notify(UINT Message, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;

private:
    bool FChecked = false;
};

// A captioned group of radio buttons, one per item, in one column.
//
// ItemIndex is the selected item, -1 for none. Setting it below -1 gives
// -1, above the last item the last; setting the index it has changes
// nothing. A click on an item selects it.
//
// Layout: the items stand below the caption line, from y = the height of
// the digit zero in the form's font to y = Height - Scale(4), which they
// share equally (item i from top + i * span / count to top + (i + 1) *
// span / count, integer division); each is Scale(8) in from either side.
// Only the selected item (or the first, when none is) is a tab stop, so Tab
// enters the group at the selection.
class TRadioGroup : public TWinControl {
public:
    ~TRadioGroup() override;

    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int Value);
    const std::vector<std::string>& Items() const { return FItems; }
    void SetBounds(int Left, int Top, int Width, int Height) override;

protected:
    void Load(TComponent* Parent, const TProperties& Properties) override;
    bool Notify(UINT Message, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;

private:
    static LRESULT CALLBACK GroupProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);
    void ArrangeItems();
    void UpdateTabStops();
    void ItemClicked(HWND Button);

    std::vector<std::string> FItems;
    std::vector<HWND> FButtons;     // children of the group's window, which destroys them
    int FItemIndex = -1;
    WNDPROC FGroupProc = nullptr;
};
