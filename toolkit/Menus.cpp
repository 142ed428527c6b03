#include "toolkit/Menus.h"

#include "rtl/Exceptions.h"
#include "toolkit/Win32Text.h"

namespace {

// Command ids of menu items; above the dialog manager's IDOK and IDCANCEL,
// below the 16 bits that WM_COMMAND carries.
UINT NextCommand()
{
    static UINT Next = 1000;
    if (Next >= 0xFFFF)
        throw EOutOfResources("メニュー項目が多すぎます");
    return Next++;
}

} // namespace

TMainMenu::TMainMenu() : FMenu(CreateMenu())
{
    if (!FMenu)
        RaiseWin32Error(GetLastError());
}

TMainMenu::~TMainMenu()
{
    if (FWindow && IsWindow(FWindow) && GetMenu(FWindow) == FMenu.Get())
        SetMenu(FWindow, nullptr);
}

void TMainMenu::AttachTo(HWND Window)
{
    if (!SetMenu(Window, FMenu.Get()))
        RaiseWin32Error(GetLastError());
    FWindow = Window;
    DrawMenuBar(Window);
}

TMenuItem* TMainMenu::FindItem(UINT Command) const
{
    for (TMenuItem* Item : FItems)
        if (TMenuItem* Found = Item->Find(Command))
            return Found;
    return nullptr;
}

TMenuItem* TMenuItem::Find(UINT Command)
{
    if (FItems.empty())
        return FCommand == Command ? this : nullptr;
    for (TMenuItem* Item : FItems)
        if (TMenuItem* Found = Item->Find(Command))
            return Found;
    return nullptr;
}

void TMenuItem::Click()
{
    if (OnClick)
        OnClick(this);
}

void TMenuItem::Load(TComponent* Parent, const TProperties& P)
{
    FCaption = P.Caption;
    OnClick = P.OnClick;
    FCommand = NextCommand();
    if (auto* Menu = dynamic_cast<TMainMenu*>(Parent)) {
        FRoot = Menu;
        FParentMenu = Menu->Handle();
        Menu->FItems.push_back(this);
    } else if (auto* Item = dynamic_cast<TMenuItem*>(Parent)) {
        FRoot = Item->FRoot;
        Item->AddChild(this);
        FParentMenu = Item->FSubMenu;
    } else {
        throw Exception("メニュー項目にメニューがありません");
    }
    UINT Flags = MF_STRING | (P.Enabled ? MF_ENABLED : MF_GRAYED);
    if (!AppendMenuW(FParentMenu, Flags, FCommand, Utf8ToWide(FCaption).c_str()))
        RaiseWin32Error(GetLastError());
    if (FRoot && FRoot->FWindow)
        DrawMenuBar(FRoot->FWindow);
}

void TMenuItem::AddChild(TMenuItem* Child)
{
    if (!FSubMenu) {
        // The first child turns this item into a drop-down; from then on
        // the drop-down belongs to the menu this item stands in.
        UniqueMenu SubMenu(CreatePopupMenu());
        if (!SubMenu)
            RaiseWin32Error(GetLastError());
        MENUITEMINFOW Info{};
        Info.cbSize = sizeof Info;
        Info.fMask = MIIM_SUBMENU;
        Info.hSubMenu = SubMenu.Get();
        if (!SetMenuItemInfoW(FParentMenu, FCommand, FALSE, &Info))
            RaiseWin32Error(GetLastError());
        FSubMenu = SubMenu.Release();
    }
    FItems.push_back(Child);
}
