// UiSample: a small target for the smoke tests of UiDriver.
//   UiSample msgbox [--icon error|warning|information|question|none] [--caption C] TEXT
//       shows one message box; the exit code is MessageBoxW's answer (IDOK = 1).
//   UiSample form
//       a window "UiSample" with an edit, a check box, OK(&Y), Cancel(&N) and a
//       File(&F) menu with Exit(&X). OK shows a box "edit=<text> check=<0|1>";
//       Exit ends with code 5, Cancel with 6, closing the window with 0.
#include "HelperCommon.h"

using namespace helper;

namespace {

enum : int { IdEdit = 101, IdCheck = 102, IdExit = 201 };

int GExitCode = 0;

LRESULT CALLBACK FormProc(HWND Window, UINT Message, WPARAM W, LPARAM L)
{
    switch (Message) {
    case WM_COMMAND:
        switch (LOWORD(W)) {
        case IDOK: {
            wchar_t Text[256] = L"";
            GetDlgItemTextW(Window, IdEdit, Text, 256);
            bool Checked = IsDlgButtonChecked(Window, IdCheck) == BST_CHECKED;
            std::wstring Report = std::wstring(L"edit=") + Text + L" check=" + (Checked ? L"1" : L"0");
            MessageBoxW(Window, Report.c_str(), L"UiSample", MB_OK | MB_ICONINFORMATION);
            return 0;
        }
        case IDCANCEL:
            GExitCode = 6;
            DestroyWindow(Window);
            return 0;
        case IdExit:
            GExitCode = 5;
            DestroyWindow(Window);
            return 0;
        }
        break;
    case WM_DESTROY:
        PostQuitMessage(GExitCode);
        return 0;
    }
    return DefWindowProcW(Window, Message, W, L);
}

int Form()
{
    HINSTANCE Instance = GetModuleHandleW(nullptr);
    WNDCLASSW Class{};
    Class.lpfnWndProc = FormProc;
    Class.hInstance = Instance;
    Class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    Class.hbrBackground = HBRUSH(COLOR_BTNFACE + 1);
    Class.lpszClassName = L"UiSampleForm";
    if (!RegisterClassW(&Class))
        FailWin32("RegisterClass");

    HMENU File = CreatePopupMenu();
    AppendMenuW(File, MF_STRING, IdExit, L"Exit(&X)");
    HMENU Bar = CreateMenu();
    AppendMenuW(Bar, MF_POPUP, UINT_PTR(File), L"File(&F)");

    HWND Window = CreateWindowExW(WS_EX_CONTROLPARENT, L"UiSampleForm", L"UiSample", WS_OVERLAPPEDWINDOW,
                                  100, 100, 400, 240, nullptr, Bar, Instance, nullptr);
    if (!Window)
        FailWin32("CreateWindowEx");
    HFONT Font = HFONT(GetStockObject(DEFAULT_GUI_FONT));
    struct Control {
        const wchar_t* Class;
        const wchar_t* Text;
        DWORD Style;
        int X, Y, W, H, Id;
    } const Controls[] = {
        {L"STATIC", L"Value:", 0, 16, 20, 60, 20, -1},
        {L"EDIT", L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 80, 18, 200, 24, IdEdit},
        {L"BUTTON", L"Keep(&K)", WS_TABSTOP | BS_AUTOCHECKBOX, 80, 56, 120, 24, IdCheck},
        {L"BUTTON", L"OK(&Y)", WS_TABSTOP | BS_DEFPUSHBUTTON, 80, 100, 90, 28, IDOK},
        {L"BUTTON", L"Cancel(&N)", WS_TABSTOP | BS_PUSHBUTTON, 190, 100, 90, 28, IDCANCEL},
    };
    for (const auto& C : Controls) {
        HWND Child = CreateWindowExW(0, C.Class, C.Text, WS_CHILD | WS_VISIBLE | C.Style, C.X, C.Y, C.W, C.H, Window,
                                     HMENU(INT_PTR(C.Id)), Instance, nullptr);
        SendMessageW(Child, WM_SETFONT, WPARAM(Font), FALSE);
    }
    ShowWindow(Window, SW_SHOW);
    SetFocus(GetDlgItem(Window, IdEdit));

    MSG Msg;
    while (GetMessageW(&Msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(Window, &Msg))
            continue;
        TranslateMessage(&Msg);
        DispatchMessageW(&Msg);
    }
    return int(Msg.wParam);
}

int Box(Args& A)
{
    std::string Icon = "error", Caption = "UiSample";
    A.Option("--icon", Icon);
    A.Option("--caption", Caption);
    std::string Text = A.Next("text");
    A.Finish();
    UINT Flags = MB_OK;
    if (Icon == "error")
        Flags |= MB_ICONERROR;
    else if (Icon == "warning")
        Flags |= MB_ICONWARNING;
    else if (Icon == "information")
        Flags |= MB_ICONINFORMATION;
    else if (Icon == "question")
        Flags |= MB_ICONQUESTION;
    else if (Icon != "none")
        FailUsage("unknown icon \"" + Icon + "\"");
    return MessageBoxW(nullptr, Widen(Text).c_str(), Widen(Caption).c_str(), Flags);
}

int Main(std::vector<std::string>& List)
{
    InitOutput("UiSample");
    Args A(List);
    std::string Mode = A.Next("mode (msgbox or form)");
    if (Mode == "msgbox")
        return Box(A);
    if (Mode == "form") {
        A.Finish();
        return Form();
    }
    FailUsage("unknown mode \"" + Mode + "\"");
}

} // namespace

int main() { return Guarded(Main); }
