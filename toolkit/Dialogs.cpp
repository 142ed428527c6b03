#include "toolkit/Dialogs.h"

#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <string>
#include <vector>

#include "rtl/Exceptions.h"
#include "rtl/FloatingPoint.h"
#include "toolkit/Application.h"
#include "toolkit/Handles.h"
#include "toolkit/TaskWindows.h"
#include "toolkit/Printers.h"
#include "toolkit/Win32Text.h"

namespace {

UniqueGlobal GlobalCopy(const void* Data, size_t Size)
{
    UniqueGlobal Memory(GlobalAlloc(GMEM_MOVEABLE, Size));
    LockedGlobal<BYTE> Lock(Memory.Get());
    if (!Memory || !Lock.Get())
        throw EOutOfResources("メモリが不足しています");
    std::memcpy(Lock.Get(), Data, Size);
    return Memory;
}

// DEVNAMES: four character offsets, then driver, device and port names.
UniqueGlobal MakeDevNames(const std::wstring& Device)
{
    const std::wstring Driver = L"winspool";
    constexpr size_t Header = sizeof(DEVNAMES) / sizeof(wchar_t);
    std::vector<wchar_t> Block(Header + Driver.size() + 1 + Device.size() + 1 + 1, L'\0');
    DEVNAMES Names{};
    Names.wDriverOffset = static_cast<WORD>(Header);
    Names.wDeviceOffset = static_cast<WORD>(Header + Driver.size() + 1);
    Names.wOutputOffset = static_cast<WORD>(Names.wDeviceOffset + Device.size() + 1);
    std::memcpy(Block.data(), &Names, sizeof Names);
    std::memcpy(Block.data() + Names.wDriverOffset, Driver.c_str(), Driver.size() * sizeof(wchar_t));
    std::memcpy(Block.data() + Names.wDeviceOffset, Device.c_str(), Device.size() * sizeof(wchar_t));
    return GlobalCopy(Block.data(), Block.size() * sizeof(wchar_t));
}

std::wstring DeviceFromDevNames(HGLOBAL Memory)
{
    LockedGlobal<BYTE> Lock(Memory);
    if (!Lock.Get() || Lock.Size() < sizeof(DEVNAMES))
        return {};
    auto* Names = reinterpret_cast<const DEVNAMES*>(Lock.Get());
    size_t Characters = Lock.Size() / sizeof(wchar_t);
    auto* Text = reinterpret_cast<const wchar_t*>(Lock.Get());
    size_t Start = Names->wDeviceOffset, End = Start;
    while (End < Characters && Text[End] != L'\0')
        ++End;
    return End < Characters ? std::wstring(Text + Start, Text + End) : std::wstring();
}

std::vector<BYTE> DevModeFromGlobal(HGLOBAL Memory)
{
    LockedGlobal<BYTE> Lock(Memory);
    if (!Lock.Get() || Lock.Size() < offsetof(DEVMODEW, dmFields))
        return {};
    auto* Mode = reinterpret_cast<const DEVMODEW*>(Lock.Get());
    size_t Size = size_t{Mode->dmSize} + Mode->dmDriverExtra;
    if (Size < offsetof(DEVMODEW, dmFields) || Size > Lock.Size())
        return {};
    return std::vector<BYTE>(Lock.Get(), Lock.Get() + Size);
}

} // namespace

bool TPrinterSetupDialog::Execute()
{
    TPrinter* Target = Printer();
    std::wstring Device = Utf8ToWide(Target->PrinterName());
    std::vector<BYTE> Mode = Target->DevMode();

    UniqueGlobal DevNames = MakeDevNames(Device);
    UniqueGlobal DevMode = Mode.empty() ? UniqueGlobal() : GlobalCopy(Mode.data(), Mode.size());

    PRINTDLGW Dialog{};
    Dialog.lStructSize = sizeof Dialog;
    Dialog.hwndOwner = Application ? Application->Handle() : nullptr;
    Dialog.Flags = PD_PRINTSETUP;
    Dialog.hDevNames = DevNames.Release();
    Dialog.hDevMode = DevMode.Release();
    BOOL Chosen;
    {
        // PrintDlgW disables only its owner, the hidden application window;
        // the dialog is modal to the whole program.
        TaskWindowsDisabled Others(Dialog.hwndOwner);
        Chosen = PrintDlgW(&Dialog);
    }
    DWORD Error = Chosen ? 0 : CommDlgExtendedError();
    // The dialog may have replaced either block: own what it hands back.
    DevNames.Reset(Dialog.hDevNames);
    DevMode.Reset(Dialog.hDevMode);
    SetFloatingPointDefaults();

    if (Error != 0)
        throw EPrinter("選択したプリンタは有効ではありません");
    if (!Chosen)
        return false;
    std::wstring ChosenDevice = DevNames ? DeviceFromDevNames(DevNames.Get()) : std::wstring();
    if (ChosenDevice.empty())
        ChosenDevice = Device;
    Target->SetPrinter(WideToUtf8(ChosenDevice), DevMode ? DevModeFromGlobal(DevMode.Get()) : Mode);
    return true;
}
