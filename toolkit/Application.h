#pragma once
// The application object: title, forms, message loop, exception handler.
#include <windows.h>

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Classes.h"
#include "toolkit/Handles.h"

class TForm;

class TApplication : public TObject {
public:
    TApplication();
    ~TApplication() override;

    // Nothing left to do at start-up; kept for the entry's order of steps.
    void Initialize();

    // UTF-8. The application window's text and the caption of error boxes.
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& Value);

    // The hidden application window: owner of message boxes, of the common
    // dialogs and of the clipboard when the toolkit empties it.
    HWND Handle() const { return FHandle.Get(); }
    TForm* MainForm() const { return FMainForm; }

    // Creates a form and keeps it until the application ends; the first form
    // created becomes the main form.
    template <class T> void CreateForm(T*& Reference)
    {
        auto Form = std::make_unique<T>();
        Reference = Form.get();
        AdoptForm(std::move(Form));
    }

    // Shows the main form and dispatches messages until Terminate() or the
    // main form closes.
    void Run();
    // Ends the loops: the main one, and a modal form's with mrCancel.
    void Terminate();
    bool Terminated() const { return FTerminated; }

    // Dispatches every pending message, then returns.
    void ProcessMessages();
    // Waits for one message and dispatches it (WM_QUIT: Terminated).
    void HandleMessage();
    // Destroys the forms, the last created first.
    void DestroyForms();

    // Call only inside a catch block: reports the exception being handled
    // (EAbort silently dropped) in the error box, then returns.
    void HandleException(TObject* Sender);
    void ShowException(const std::exception& E);
    // The error box: Text (with the final period rule) in a box owned by
    // the application window, captioned with the title, MB_OK |
    // MB_ICONERROR; the thread's other windows are disabled meanwhile.
    void ShowErrorText(const std::string& Text);

private:
    void AdoptForm(std::unique_ptr<TForm> Form);

    UniqueWindow FHandle;
    std::string FTitle;
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
    std::vector<std::unique_ptr<TForm>> FForms;
};

extern TApplication* Application;

// An error text as the error boxes show it: "." appended when the text is
// not empty and its last character sorts above "." (every non-ASCII
// character does).
std::string WithFinalPeriod(std::string Text);

// The message of the exception being handled; call only inside a catch
// block. Exception: its message; another std::exception: what(); anything
// else: a generic text.
std::string CurrentExceptionText();

// Runs Action where the toolkit dispatches an event; an exception that
// leaves it goes to Application->HandleException and no further.
template <class Action>
void Dispatch(TObject* Sender, Action&& A) noexcept
{
    try {
        A();
    } catch (...) {
        Application->HandleException(Sender);
    }
}
