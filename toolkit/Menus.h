#pragma once
// The menu bar of a form and its items, built from rows of the form
// resource: a TMainMenu row whose children are TMenuItem rows, nested for a
// drop-down. An item with children opens a drop-down; one without is a
// command, also on the bar itself. "&" in a caption marks the access key.
#include <windows.h>

#include <string>
#include <vector>

#include "toolkit/Forms.h"

class TMenuItem;

class TMainMenu : public TComponent {
public:
    TMainMenu();
    // Takes the bar off its window first, so the window never holds a
    // destroyed menu.
    ~TMainMenu() override;

    HMENU Handle() const { return FMenu.Get(); }
    const std::vector<TMenuItem*>& Items() const { return FItems; }
    // The command item with this command id, at any depth, or null.
    TMenuItem* FindItem(UINT Command) const;

private:
    friend class TMenuItem;
    friend class TForm;
    void AttachTo(HWND Window);

    UniqueMenu FMenu;
    HWND FWindow = nullptr;
    std::vector<TMenuItem*> FItems;
};

class TMenuItem : public TComponent {
public:
    const std::string& Caption() const { return FCaption; }
    const std::vector<TMenuItem*>& Items() const { return FItems; }
    // The command id in WM_COMMAND; items with a drop-down have none.
    UINT Command() const { return FItems.empty() ? FCommand : 0; }
    // Runs OnClick (the form dispatches it).
    void Click();

    TNotifyEvent OnClick;

protected:
    void Load(TComponent* Parent, const TProperties& Properties) override;

private:
    friend class TMainMenu;
    void AddChild(TMenuItem* Child);
    TMenuItem* Find(UINT Command);

    std::string FCaption;
    UINT FCommand = 0;
    HMENU FParentMenu = nullptr;   // the menu this item stands in
    HMENU FSubMenu = nullptr;      // its drop-down, owned by FParentMenu
    TMainMenu* FRoot = nullptr;
    std::vector<TMenuItem*> FItems;
};
