// Behaviour that needs a process of its own: the end of the run, and a
// scheduler without printers (started by no-printer.sh).
#include <string>

#include "DeviceTests.h"
#include "rtl/Exceptions.h"
#include "toolkit/Clipbrd.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Graphics.h"
#include "toolkit/Printers.h"

namespace {

const TRect LeftOpenRect{0, 0, 300, 150};

// Runs this test program again with Arguments; returns its exit code.
DWORD RunSelf(const std::wstring& Arguments)
{
    wchar_t Self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, Self, MAX_PATH);
    std::wstring CommandLine = L"\"" + std::wstring(Self) + L"\" " + Arguments;
    STARTUPINFOW Startup{};
    Startup.cb = sizeof Startup;
    PROCESS_INFORMATION Process{};
    if (!CreateProcessW(Self, CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup,
                        &Process))
        return static_cast<DWORD>(-1);
    WaitForSingleObject(Process.hProcess, 60000);
    DWORD Code = static_cast<DWORD>(-1);
    GetExitCodeProcess(Process.hProcess, &Code);
    CloseHandle(Process.hThread);
    CloseHandle(Process.hProcess);
    return Code;
}

// Run by the test below, in a process of its own.
TEST(ChildProcess, DISABLED_LeavesAJobOpen)
{
    PutOnClipboard([] { SetBitmap(2, 1, false, [](int, int) { return COLORREF{0}; }); });
    auto Picture = Clipboard()->LoadGraphic();
    Clipboard()->Clear();
    Printer()->SetTitle("left open");
    Printer()->BeginDoc();
    Printer()->Canvas()->StretchDraw(LeftOpenRect, Picture);
}

// In the on-paper run, where no job of this process was aborted before: under
// Wine an aborted job keeps the printer's port until its process ends, and
// another process's job meanwhile waits about 5 s and is lost.
TEST(Paper, AnOpenJobIsPrintedWhenTheProgramEnds)
{
    int Jobs = CapturedJobCount();
    ASSERT_EQ(RunSelf(L"--gtest_also_run_disabled_tests --gtest_filter=ChildProcess.DISABLED_LeavesAJobOpen"), 0u);
    auto Job = WaitForJob(Jobs + 1);
    ASSERT_TRUE(Job);
    EXPECT_EQ(Job->Title, "left open");
    ExpectOnPaper(*Job, RECT{75, 100, 375, 250}, "left-open");
}

// Run by no-printer.sh once the scheduler has no queue left.
TEST(NoPrinter, DISABLED_EveryNeedOfAPrinterFails)
{
    const char* const NoDefault = "デフォルト プリンタが存在しません";
    TPrinter P;
    EXPECT_EQ(MessageOf<EPrinter>([&] { P.Handle(); }), NoDefault);
    EXPECT_EQ(MessageOf<EPrinter>([&] { P.BeginDoc(); }), NoDefault);
    EXPECT_FALSE(P.Printing());
    EXPECT_EQ(MessageOf<EPrinter>([&] { P.PrinterName(); }), NoDefault);
    EXPECT_EQ(MessageOf<EPrinter>([] { TPrinterSetupDialog().Execute(); }), NoDefault);
}

} // namespace
