// The print-setup dialog, driven from a second thread as a user would.
#include "DeviceTests.h"

#include <dlgs.h>

#include <atomic>
#include <string>

#include "rtl/Exceptions.h"
#include "rtl/FloatingPoint.h"
#include "toolkit/Application.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Printers.h"

namespace {

// Waits on its own thread for this process's print-setup dialog, then runs
// Act on it.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(HWND)> Act) : FAct(std::move(Act))
    {
        FThread = CreateThread(nullptr, 0, &DialogDriver::Run, this, 0, nullptr);
    }
    ~DialogDriver()
    {
        WaitForSingleObject(FThread, INFINITE);
        CloseHandle(FThread);
    }
    HWND Owner() const { return FOwner; }
    bool Found() const { return FFound; }

private:
    static DWORD WINAPI Run(void* Parameter)
    {
        auto* Self = static_cast<DialogDriver*>(Parameter);
        for (int Waited = 0; Waited < 20000; Waited += 20) {
            HWND Dialog = nullptr;
            EnumWindows(
                [](HWND Window, LPARAM Found) -> BOOL {
                    DWORD Process = 0;
                    GetWindowThreadProcessId(Window, &Process);
                    wchar_t Class[16] = {};
                    GetClassNameW(Window, Class, 16);
                    if (Process == GetCurrentProcessId() && IsWindowVisible(Window) &&
                        std::wstring(Class) == L"#32770") {
                        *reinterpret_cast<HWND*>(Found) = Window;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&Dialog));
            if (Dialog) {
                Self->FFound = true;
                Self->FOwner = GetWindow(Dialog, GW_OWNER);
                Self->FAct(Dialog);
                return 0;
            }
            Sleep(20);
        }
        return 0;
    }

    std::function<void(HWND)> FAct;
    HANDLE FThread = nullptr;
    std::atomic<HWND> FOwner{nullptr};
    std::atomic<bool> FFound{false};
};

void Press(HWND Dialog, int Id) { SendMessageW(GetDlgItem(Dialog, Id), BM_CLICK, 0, 0); }

WORD Orientation(const std::vector<BYTE>& Mode)
{
    return Mode.empty() ? 0 : reinterpret_cast<const DEVMODEW*>(Mode.data())->dmOrientation;
}

TEST(PrinterSetupDialog, CancelOkAndARefusedChange)
{
    TPrinter* P = Printer();
    const std::string Name = P->PrinterName();
    const std::vector<BYTE> Original = P->DevMode();
    ASSERT_EQ(Orientation(Original), DMORIENT_PORTRAIT);
    HDC Before = P->Handle();

    // Cancel, even with landscape clicked, changes nothing.
    SetX87ControlWord(0x027F);
    {
        DialogDriver Driver([](HWND Dialog) { Press(Dialog, rad2); Press(Dialog, IDCANCEL); });
        EXPECT_FALSE(TPrinterSetupDialog().Execute());
        EXPECT_TRUE(Driver.Found());
        EXPECT_EQ(Driver.Owner(), Application->Handle());
    }
    EXPECT_EQ(GetX87ControlWord(), 0x037F);
    EXPECT_EQ(P->DevMode(), Original);
    EXPECT_EQ(P->Handle(), Before);

    // OK with landscape: the printer takes the settings, and the next query
    // gets a context made with them.
    {
        DialogDriver Driver([](HWND Dialog) { Press(Dialog, rad2); Press(Dialog, IDOK); });
        EXPECT_TRUE(TPrinterSetupDialog().Execute());
    }
    EXPECT_EQ(P->PrinterName(), Name);
    EXPECT_EQ(Orientation(P->DevMode()), DMORIENT_LANDSCAPE);
    EXPECT_GT(GetDeviceCaps(P->Handle(), HORZRES), GetDeviceCaps(P->Handle(), VERTRES));

    // While a job is open, OK is refused and nothing changes; Cancel is fine.
    P->SetTitle("during setup");
    P->BeginDoc();
    {
        DialogDriver Driver([](HWND Dialog) { Press(Dialog, rad1); Press(Dialog, IDOK); });
        EXPECT_EQ(MessageOf<EPrinter>([] { TPrinterSetupDialog().Execute(); }), "印刷中");
    }
    EXPECT_EQ(Orientation(P->DevMode()), DMORIENT_LANDSCAPE);
    {
        DialogDriver Driver([](HWND Dialog) { Press(Dialog, IDCANCEL); });
        EXPECT_FALSE(TPrinterSetupDialog().Execute());
    }
    P->Abort();

    // Wine's dialog makes the settings it opens on the driver's defaults for
    // the printer, which later programs then get. Opening it once more on the
    // original settings leaves the defaults as they were found.
    P->SetPrinter(Name, Original);
    {
        DialogDriver Driver([](HWND Dialog) { Press(Dialog, IDOK); });
        EXPECT_TRUE(TPrinterSetupDialog().Execute());
    }
    TPrinter Fresh;
    EXPECT_EQ(Orientation(Fresh.DevMode()), DMORIENT_PORTRAIT);
}

} // namespace
