#include "toolkit/Program.h"

#include <windows.h>

#include "rtl/FloatingPoint.h"
#include "toolkit/Application.h"
#include "toolkit/Win32Text.h"

int RunProgram(void (*Body)())
{
    SetFloatingPointDefaults();
    try {
        Body();
    } catch (...) {
        std::string Text = WithFinalPeriod(CurrentExceptionText());
        MessageBoxW(nullptr, Utf8ToWide(Text).c_str(), Utf8ToWide("アプリケーション エラー").c_str(),
                    MB_OK | MB_ICONERROR);
        Application->DestroyForms();
        return 1;
    }
    Application->DestroyForms();
    return 0;
}
