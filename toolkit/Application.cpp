#include "toolkit/Application.h"

#include <new>

#include "rtl/Exceptions.h"
#include "toolkit/Forms.h"
#include "toolkit/TaskWindows.h"
#include "toolkit/Win32Text.h"

namespace {

const wchar_t ApplicationClassName[] = L"WendraskApplication";

// Keys of a form that holds tab stops go to the dialog manager first.
void DispatchOne(MSG& Message)
{
    if (Message.message >= WM_KEYFIRST && Message.message <= WM_KEYLAST && Message.hwnd) {
        HWND Root = GetAncestor(Message.hwnd, GA_ROOT);
        if (TForm* Form = TForm::FromHandle(Root); Form && Form->WantsDialogKeys() &&
                                                   Form->DialogMessage(Message))
            return;
    }
    TranslateMessage(&Message);
    DispatchMessageW(&Message);
}

TApplication TheApplication;

} // namespace

TApplication* Application = &TheApplication;

std::string WithFinalPeriod(std::string Text)
{
    if (!Text.empty() && static_cast<unsigned char>(Text.back()) > '.')
        Text += '.';
    return Text;
}

std::string CurrentExceptionText()
{
    try {
        throw;
    } catch (const Exception& E) {
        return E.Message();
    } catch (const std::bad_alloc&) {
        return "メモリが足りません";
    } catch (const std::exception& E) {
        return E.what();
    } catch (...) {
        return "不明な例外が発生しました";
    }
}

TApplication::TApplication()
{
    WNDCLASSEXW Class{};
    Class.cbSize = sizeof Class;
    Class.lpfnWndProc = DefWindowProcW;
    Class.hInstance = GetModuleHandleW(nullptr);
    Class.hIcon = LoadIconW(Class.hInstance, L"MAINICON");
    Class.lpszClassName = ApplicationClassName;
    // Made before main(): a failure here leaves Handle() null, and the
    // boxes then have no owner.
    if (RegisterClassExW(&Class))
        FHandle.Reset(CreateWindowExW(WS_EX_TOOLWINDOW, ApplicationClassName, L"", WS_POPUP, 0, 0, 0, 0,
                                      nullptr, nullptr, Class.hInstance, nullptr));
}

TApplication::~TApplication()
{
    // The forms go before the application window that owns their boxes.
    DestroyForms();
}

void TApplication::Initialize() {}

void TApplication::SetTitle(const std::string& Value)
{
    FTitle = Value;
    if (FHandle)
        SetWindowTextW(FHandle.Get(), Utf8ToWide(FTitle).c_str());
}

void TApplication::AdoptForm(std::unique_ptr<TForm> Form)
{
    if (!FMainForm)
        FMainForm = Form.get();
    FForms.push_back(std::move(Form));
}

void TApplication::DestroyForms()
{
    while (!FForms.empty()) {
        std::unique_ptr<TForm> Last = std::move(FForms.back());
        FForms.pop_back();
        if (Last.get() == FMainForm)
            FMainForm = nullptr;
        Last.reset();
    }
    FMainForm = nullptr;
}

void TApplication::Run()
{
    if (!FMainForm)
        return;
    FMainForm->Show();
    while (!FTerminated)
        HandleMessage();
}

void TApplication::Terminate()
{
    FTerminated = true;
    PostQuitMessage(0);
}

void TApplication::HandleMessage()
{
    MSG Message;
    BOOL Got = GetMessageW(&Message, nullptr, 0, 0);
    if (Got == 0 || Got == -1) {
        FTerminated = true;
        return;
    }
    DispatchOne(Message);
}

void TApplication::ProcessMessages()
{
    MSG Message;
    while (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE)) {
        if (Message.message == WM_QUIT) {
            FTerminated = true;
            continue;
        }
        DispatchOne(Message);
    }
}

void TApplication::HandleException(TObject*)
{
    if (GetCapture())
        ReleaseCapture();
    std::string Text;
    try {
        throw;
    } catch (const EAbort&) {
        return;
    } catch (...) {
        Text = CurrentExceptionText();
    }
    ShowErrorText(Text);
}

void TApplication::ShowException(const std::exception& E)
{
    if (auto* Own = dynamic_cast<const Exception*>(&E))
        ShowErrorText(Own->Message());
    else
        ShowErrorText(E.what());
}

void TApplication::ShowErrorText(const std::string& Text)
{
    try {
        std::wstring Message = Utf8ToWide(WithFinalPeriod(Text));
        std::wstring Caption = Utf8ToWide(FTitle);
        TaskWindowsDisabled Others(FHandle.Get());
        MessageBoxW(FHandle.Get(), Message.c_str(), Caption.c_str(), MB_OK | MB_ICONERROR);
    } catch (...) {
        // Out of memory while reporting: nothing more can be shown.
    }
}
