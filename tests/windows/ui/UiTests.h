#pragma once
// Shared by the window toolkit's tests.
#include <windows.h>

#include <functional>
#include <string>

#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/Menus.h"

// Dispatches messages through the application until Done() holds or Ms
// milliseconds pass; returns whether Done() held.
bool PumpUntil(const std::function<bool()>& Done, int Ms);
// Dispatches messages for Ms milliseconds.
void PumpFor(int Ms);

// A push button made as the dialog's controls are: a standard BUTTON
// window whose clicks come through Notify.
class TTestButton : public TWinControl {
public:
    int Clicks = 0;
    void Click() override { ++Clicks; }

protected:
    void Load(TComponent* Parent, const TProperties& P) override
    {
        TControl::Load(Parent, P);
        CreateHandle(L"BUTTON", P.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, 0, P);
        if (P.Default)
            Form()->SetDefaultControl(this);
        if (P.Cancel)
            Form()->SetCancelControl(this);
    }
    bool Notify(UINT Message, WPARAM WParam, LPARAM, LRESULT& Result) override
    {
        if (Message != WM_COMMAND || HIWORD(WParam) != BN_CLICKED)
            return false;
        Click();
        Result = 0;
        return true;
    }
};

// A form whose resource the test gives.
class TTestForm : public TForm {
public:
    explicit TTestForm(const TFormResource<TTestForm>& Resource) { Load(Resource); }
    TImage* Image1 = nullptr;
    TTimer* Timer1 = nullptr;
    TMainMenu* MainMenu1 = nullptr;
    TMenuItem* MnuFile = nullptr;
    TMenuItem* MnuOpen = nullptr;
    TMenuItem* MnuRun = nullptr;
    TTestButton* Button1 = nullptr;
    TTestButton* Button2 = nullptr;
    TTestButton* Button3 = nullptr;
};

// A small form resource: 96 ppi design, no scaling unless TextHeight is set.
TFormResource<TTestForm> PlainResource();

// A message box of this process shown meanwhile, read and closed by a
// watcher thread.
struct SeenBox {
    bool Shown = false;
    std::string Caption, Text;
    HWND Owner = nullptr;
    bool MainWasEnabled = true;
};
// Runs Action; a message box it shows is read and dismissed within a few
// seconds. MainWindow, if given, is checked for being disabled meanwhile.
SeenBox WatchMessageBox(const std::function<void()>& Action, HWND MainWindow = nullptr);
