#include "UiTests.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "toolkit/Application.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Win32Text.h"

bool PumpUntil(const std::function<bool()>& Done, int Ms)
{
    auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
    while (!Done()) {
        if (std::chrono::steady_clock::now() >= End)
            return false;
        Application->ProcessMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void PumpFor(int Ms)
{
    PumpUntil([] { return false; }, Ms);
}

TFormResource<TTestForm> PlainResource()
{
    return {
        .Caption = "Test",
        .Left = 40,
        .Top = 30,
        .ClientWidth = 300,
        .ClientHeight = 200,
        .BorderStyle = bsSizeable,
        .Font = {.Name = "ＭＳ Ｐゴシック", .Height = -12, .Charset = SHIFTJIS_CHARSET},
        .PixelsPerInch = 96,
        .TextHeight = 0,
    };
}

SeenBox WatchMessageBox(const std::function<void()>& Action, HWND MainWindow)
{
    SeenBox Seen;
    std::atomic<bool> Stop = false;
    DWORD Process = GetCurrentProcessId();
    std::thread Watcher([&] {
        auto End = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!Stop && std::chrono::steady_clock::now() < End) {
            HWND Box = nullptr;
            while ((Box = FindWindowExW(nullptr, Box, L"#32770", nullptr))) {
                DWORD Pid = 0;
                GetWindowThreadProcessId(Box, &Pid);
                if (Pid == Process && IsWindowVisible(Box))
                    break;
            }
            if (Box) {
                wchar_t Buffer[1024] = {};
                Seen.Shown = true;
                GetWindowTextW(Box, Buffer, 1024);
                Seen.Caption = WideToUtf8(Buffer);
                Buffer[0] = 0;
                GetDlgItemTextW(Box, 0xFFFF, Buffer, 1024);
                Seen.Text = WideToUtf8(Buffer);
                Seen.Owner = GetWindow(Box, GW_OWNER);
                if (MainWindow)
                    Seen.MainWasEnabled = IsWindowEnabled(MainWindow);
                PostMessageW(Box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(20);
        }
    });
    Action();
    Stop = true;
    Watcher.join();
    return Seen;
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
