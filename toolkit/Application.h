#pragma once
// The application object: title, forms, message loop, exception handler.
#include <windows.h>

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Classes.h"

class TForm;

class TApplication : public TObject {
public:
    TApplication();
    ~TApplication() override;

    // UTF-8. Text of the taskbar button and caption of the error boxes.
    std::string Title;

    // The hidden application window: owner of message boxes, of the common
    // dialogs and of the clipboard when the toolkit empties it.
    HWND Handle() const { return FHandle; }
    TForm* MainForm() const { return FMainForm; }

    // Creates a form and keeps it until the application ends; the first form
    // created becomes the main form.
    template <class T> void CreateForm(T*& Reference)
    {
        auto Form = std::make_unique<T>();
        Reference = Form.get();
        AddForm(std::move(Form));
    }

    // Shows the main form and dispatches messages until Terminate() or the
    // main form closes.
    void Run();
    void Terminate();
    bool Terminated() const { return FTerminated; }

    // Dispatches every pending message, then returns.
    void ProcessMessages();

    // Call only inside a catch block: reports the exception being handled
    // (EAbort silently dropped) in the error box, then returns.
    void HandleException(TObject* Sender);
    void ShowException(const std::exception& E);

private:
    void AddForm(std::unique_ptr<TForm> Form);

    HWND FHandle = nullptr;
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
    std::vector<std::unique_ptr<TForm>> FForms;
};

extern TApplication* Application;

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
