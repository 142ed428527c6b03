// UiDriver: finds windows of other processes, reads their state and drives
// them with real keystrokes and clicks, as a user would. Command lines:
// README.md beside this file.
#include "HelperCommon.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>

using namespace helper;

namespace {

// ---------------------------------------------------------------- window facts

std::string ClassOf(HWND Window)
{
    wchar_t Buffer[256];
    int N = GetClassNameW(Window, Buffer, 256);
    return N > 0 ? Narrow(std::wstring_view(Buffer, size_t(N))) : std::string();
}

// The text as the window itself answers WM_GETTEXT (an edit's typed text
// too); a window that does not answer in time gives its stored caption.
std::string TextOf(HWND Window)
{
    DWORD_PTR Length = 0;
    if (!SendMessageTimeoutW(Window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &Length)) {
        wchar_t Buffer[512];
        int N = GetWindowTextW(Window, Buffer, 512);
        return Narrow(std::wstring_view(Buffer, size_t(std::max(N, 0))));
    }
    std::wstring Text(size_t(Length) + 1, L'\0');
    DWORD_PTR Copied = 0;
    SendMessageTimeoutW(Window, WM_GETTEXT, WPARAM(Text.size()), LPARAM(Text.data()), SMTO_ABORTIFHUNG, 2000, &Copied);
    Text.resize(std::min<size_t>(size_t(Copied), Text.size()));
    return Narrow(Text);
}

DWORD PidOf(HWND Window)
{
    DWORD Pid = 0;
    GetWindowThreadProcessId(Window, &Pid);
    return Pid;
}

std::string ExeOf(DWORD Pid)
{
    static std::map<DWORD, std::string> Cache;
    auto It = Cache.find(Pid);
    if (It != Cache.end())
        return It->second;
    std::string Name;
    OwnedKernel Process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, Pid));
    if (Process) {
        wchar_t Buffer[MAX_PATH * 2];
        DWORD Size = MAX_PATH * 2;
        if (QueryFullProcessImageNameW(Process.Get(), 0, Buffer, &Size)) {
            std::wstring Path(Buffer, Size);
            size_t Slash = Path.find_last_of(L"\\/");
            Name = Narrow(Slash == std::wstring::npos ? Path : Path.substr(Slash + 1));
        }
    }
    return Cache[Pid] = Name;
}

bool SameText(const std::string& A, const std::string& B)
{
    return CompareStringOrdinal(Widen(A).c_str(), -1, Widen(B).c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::string RectText(const RECT& R)
{
    return std::to_string(R.left) + "," + std::to_string(R.top) + "," + std::to_string(R.right) + "," + std::to_string(R.bottom);
}

std::string Hex32(DWORD Value)
{
    char Buffer[16];
    std::snprintf(Buffer, sizeof Buffer, "0x%08lx", static_cast<unsigned long>(Value));
    return Buffer;
}

// ---------------------------------------------------------------- finding windows

struct Filter {
    std::string Title, Class, Exe;
    DWORD Pid = 0;
    bool HasTitle = false, HasClass = false, HasExe = false;
    bool VisibleOnly = false;

    bool Matches(HWND W) const
    {
        if (VisibleOnly && !IsWindowVisible(W))
            return false;
        if (Pid && PidOf(W) != Pid)
            return false;
        if (HasClass && ClassOf(W) != Class)
            return false;
        if (HasTitle && TextOf(W) != Title)
            return false;
        if (HasExe && !SameText(ExeOf(PidOf(W)), Exe))
            return false;
        return true;
    }
};

void ReadFilter(Args& A, Filter& F)
{
    std::string Value;
    F.HasTitle = A.Option("--title", F.Title);
    F.HasClass = A.Option("--class", F.Class);
    F.HasExe = A.Option("--exe", F.Exe);
    if (A.Option("--pid", Value))
        F.Pid = DWORD(ToInt(Value, "--pid"));
}

std::vector<HWND> TopLevelWindows()
{
    std::vector<HWND> Out;
    EnumWindows([](HWND W, LPARAM L) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(L)->push_back(W);
        return TRUE;
    }, LPARAM(&Out));
    return Out;
}

std::vector<HWND> Descendants(HWND Parent)
{
    std::vector<HWND> Out;
    EnumChildWindows(Parent, [](HWND W, LPARAM L) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(L)->push_back(W);
        return TRUE;
    }, LPARAM(&Out));
    return Out;
}

HWND FindFirst(const Filter& F)
{
    for (HWND W : TopLevelWindows())
        if (F.Matches(W))
            return W;
    return nullptr;
}

HWND WaitFor(const Filter& F, unsigned Timeout)
{
    unsigned long long Deadline = Now() + Timeout;
    for (;;) {
        if (HWND W = FindFirst(F))
            return W;
        if (Now() >= Deadline)
            return nullptr;
        Sleep(20);
    }
}

std::string Describe(const Filter& F)
{
    std::string Out;
    if (F.HasTitle)
        Out += " title \"" + F.Title + "\"";
    if (F.HasClass)
        Out += " class \"" + F.Class + "\"";
    if (F.HasExe)
        Out += " exe \"" + F.Exe + "\"";
    if (F.Pid)
        Out += " pid " + std::to_string(F.Pid);
    return Out.empty() ? " (any)" : Out;
}

// The window a command acts on: --window HWND, or the first visible
// top-level window matching --title/--class/--exe/--pid within --timeout.
HWND Target(Args& A)
{
    std::string Value;
    unsigned Timeout = 5000;
    if (A.Option("--timeout", Value))
        Timeout = ToTimeout(Value, "--timeout");
    if (A.Option("--window", Value)) {
        HWND W = HWND(uintptr_t(ToInt(Value, "--window")));
        if (!IsWindow(W))
            Fail("no window " + Value);
        return W;
    }
    Filter F;
    ReadFilter(A, F);
    if (!F.HasTitle && !F.HasClass && !F.HasExe && !F.Pid)
        FailUsage("name the window with --window HWND or --title/--class/--exe/--pid");
    F.VisibleOnly = true;
    HWND W = WaitFor(F, Timeout);
    if (!W)
        Fail("no visible window with" + Describe(F) + " within " + std::to_string(Timeout) + " ms");
    return W;
}

// ---------------------------------------------------------------- printing windows

std::string WindowLine(HWND W)
{
    DWORD Pid = 0;
    DWORD Thread = GetWindowThreadProcessId(W, &Pid);
    RECT R{}, C{};
    GetWindowRect(W, &R);
    GetClientRect(W, &C);
    MapWindowPoints(W, nullptr, reinterpret_cast<POINT*>(&C), 2);
    GUITHREADINFO Info{};
    Info.cbSize = sizeof Info;
    GetGUIThreadInfo(Thread, &Info);
    std::string Out = "window\thwnd=" + Hex(uintptr_t(W)) + "\tpid=" + std::to_string(Pid) + "\texe=" + Escape(ExeOf(Pid)) +
                      "\tclass=" + Escape(ClassOf(W)) + "\ttitle=" + Escape(TextOf(W)) +
                      "\tvisible=" + (IsWindowVisible(W) ? "1" : "0") + "\tenabled=" + (IsWindowEnabled(W) ? "1" : "0") +
                      "\tforeground=" + (GetForegroundWindow() == W ? "1" : "0") + "\trect=" + RectText(R) +
                      "\tclient=" + RectText(C) + "\tstyle=" + Hex32(DWORD(GetWindowLongPtrW(W, GWL_STYLE))) +
                      "\texstyle=" + Hex32(DWORD(GetWindowLongPtrW(W, GWL_EXSTYLE)));
    HWND Owner = GetWindow(W, GW_OWNER);
    Out += "\towner=" + Hex(uintptr_t(Owner)) + "\tfocus=" + Hex(uintptr_t(Info.hwndFocus));
    return Out;
}

std::string ButtonKind(DWORD Style)
{
    switch (Style & BS_TYPEMASK) {
    case BS_PUSHBUTTON: return "push";
    case BS_DEFPUSHBUTTON: return "default";
    case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_3STATE: case BS_AUTO3STATE: return "check";
    case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON: return "radio";
    case BS_GROUPBOX: return "group";
    default: return "other";
    }
}

std::string ChildLine(HWND Child, HWND Focus)
{
    HWND Parent = GetParent(Child);
    RECT R{}, S{};
    GetWindowRect(Child, &R);
    S = R;
    MapWindowPoints(nullptr, Parent, reinterpret_cast<POINT*>(&R), 2);
    DWORD Style = DWORD(GetWindowLongPtrW(Child, GWL_STYLE));
    std::string Class = ClassOf(Child);
    std::string Out = "child\thwnd=" + Hex(uintptr_t(Child)) + "\tparent=" + Hex(uintptr_t(Parent)) +
                      "\tid=" + std::to_string(int(GetDlgCtrlID(Child))) + "\tclass=" + Escape(Class) +
                      "\ttext=" + Escape(TextOf(Child)) + "\trect=" + RectText(R) + "\tscreen=" + RectText(S) +
                      "\tstyle=" + Hex32(Style) + "\texstyle=" + Hex32(DWORD(GetWindowLongPtrW(Child, GWL_EXSTYLE))) +
                      "\tvisible=" + (IsWindowVisible(Child) ? "1" : "0") +
                      "\tenabled=" + (IsWindowEnabled(Child) ? "1" : "0") + "\tfocus=" + (Child == Focus ? "1" : "0");
    if (SameText(Class, "Button")) {
        std::string Kind = ButtonKind(Style);
        Out += "\tkind=" + Kind;
        if (Kind == "check" || Kind == "radio") {
            DWORD_PTR State = 0;
            SendMessageTimeoutW(Child, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &State);
            Out += "\tchecked=" + std::to_string(unsigned(State));
        }
    }
    return Out;
}

void PrintWindow(HWND W, bool Children)
{
    Line(WindowLine(W));
    if (!Children)
        return;
    GUITHREADINFO Info{};
    Info.cbSize = sizeof Info;
    GetGUIThreadInfo(GetWindowThreadProcessId(W, nullptr), &Info);
    for (HWND C : Descendants(W))
        Line(ChildLine(C, Info.hwndFocus));
}

// ---------------------------------------------------------------- input

void Settle(HWND Window, unsigned Ms)
{
    Sleep(Ms);
    DWORD Pid = PidOf(Window);
    if (Pid) {
        OwnedKernel Process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, Pid));
        if (Process)
            WaitForInputIdle(Process.Get(), 2000);
    }
    DWORD_PTR Ignored = 0;
    if (IsWindow(Window))
        SendMessageTimeoutW(Window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &Ignored);
}

void Activate(HWND Window)
{
    HWND Top = GetAncestor(Window, GA_ROOT);
    unsigned long long Deadline = Now() + 2000;
    for (;;) {
        SetForegroundWindow(Top);
        if (GetForegroundWindow() == Top)
            return;
        if (Now() >= Deadline)
            Fail("cannot bring window " + Hex(uintptr_t(Top)) + " to the foreground (foreground is " +
                 Hex(uintptr_t(GetForegroundWindow())) + ")");
        Sleep(20);
    }
}

void Send(std::vector<INPUT>& Inputs)
{
    if (Inputs.empty())
        return;
    UINT Sent = SendInput(UINT(Inputs.size()), Inputs.data(), sizeof(INPUT));
    if (Sent != Inputs.size())
        FailWin32("SendInput");
}

bool Extended(WORD Vk)
{
    switch (Vk) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_HOME: case VK_END:
    case VK_PRIOR: case VK_NEXT: case VK_INSERT: case VK_DELETE:
        return true;
    default:
        return false;
    }
}

INPUT KeyInput(WORD Vk, bool Up)
{
    INPUT In{};
    In.type = INPUT_KEYBOARD;
    In.ki.wVk = Vk;
    In.ki.wScan = WORD(MapVirtualKeyW(Vk, MAPVK_VK_TO_VSC));
    In.ki.dwFlags = (Up ? KEYEVENTF_KEYUP : 0) | (Extended(Vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    return In;
}

INPUT UnicodeInput(wchar_t C, bool Up)
{
    INPUT In{};
    In.type = INPUT_KEYBOARD;
    In.ki.wScan = C;
    In.ki.dwFlags = KEYEVENTF_UNICODE | (Up ? KEYEVENTF_KEYUP : 0);
    return In;
}

struct NamedKey {
    const char* Name;
    WORD Vk;
};

constexpr NamedKey KeyNames[] = {
    {"enter", VK_RETURN}, {"return", VK_RETURN}, {"escape", VK_ESCAPE}, {"esc", VK_ESCAPE}, {"tab", VK_TAB},
    {"space", VK_SPACE}, {"backspace", VK_BACK}, {"delete", VK_DELETE}, {"del", VK_DELETE}, {"insert", VK_INSERT},
    {"home", VK_HOME}, {"end", VK_END}, {"left", VK_LEFT}, {"right", VK_RIGHT}, {"up", VK_UP}, {"down", VK_DOWN},
    {"pageup", VK_PRIOR}, {"pagedown", VK_NEXT}, {"shift", VK_SHIFT}, {"ctrl", VK_CONTROL}, {"control", VK_CONTROL},
    {"alt", VK_MENU}, {"menu", VK_APPS},
};

// A key by name, function key, letter, digit or one character of the keyboard
// layout; Shift is added to Modifiers when the character needs it.
WORD ParseKey(const std::string& Name, std::vector<WORD>& Modifiers)
{
    std::string Lower = Name;
    std::transform(Lower.begin(), Lower.end(), Lower.begin(), [](unsigned char C) { return char(std::tolower(C)); });
    for (const auto& K : KeyNames)
        if (Lower == K.Name)
            return K.Vk;
    if (Lower.size() >= 2 && Lower[0] == 'f' && std::isdigit(static_cast<unsigned char>(Lower[1]))) {
        int N = int(ToInt(Lower.substr(1), "function key"));
        if (N >= 1 && N <= 24)
            return WORD(VK_F1 + N - 1);
    }
    if (Lower.size() == 1) {
        char C = Lower[0];
        if ((C >= 'a' && C <= 'z') || (C >= '0' && C <= '9'))
            return WORD(std::toupper(static_cast<unsigned char>(C)));
        SHORT Scan = VkKeyScanW(wchar_t(C));
        if (Scan != -1) {
            if (HIBYTE(Scan) & 1)
                Modifiers.push_back(VK_SHIFT);
            return LOBYTE(Scan);
        }
    }
    FailUsage("unknown key \"" + Name + "\"");
}

// One token: "text:CHARS", or "mod+mod+key" with an optional "*N" repeat.
std::vector<INPUT> TokenInputs(const std::string& Token)
{
    std::vector<INPUT> Out;
    if (Token.rfind("text:", 0) == 0) {
        for (wchar_t C : Widen(Token.substr(5))) {
            SHORT Scan = C < 0x80 ? VkKeyScanW(C) : SHORT(-1);
            if (Scan != -1 && (HIBYTE(Scan) & ~1) == 0) {
                bool Shift = HIBYTE(Scan) & 1;
                if (Shift)
                    Out.push_back(KeyInput(VK_SHIFT, false));
                Out.push_back(KeyInput(LOBYTE(Scan), false));
                Out.push_back(KeyInput(LOBYTE(Scan), true));
                if (Shift)
                    Out.push_back(KeyInput(VK_SHIFT, true));
            } else {
                Out.push_back(UnicodeInput(C, false));
                Out.push_back(UnicodeInput(C, true));
            }
        }
        return Out;
    }
    std::string Chord = Token;
    int Repeat = 1;
    size_t Star = Chord.rfind('*');
    if (Star != std::string::npos && Star > 0 && Star + 1 < Chord.size()) {
        Repeat = int(ToInt(Chord.substr(Star + 1), "repeat count"));
        if (Repeat < 1 || Repeat > 1000)
            FailUsage("repeat count must be 1..1000");
        Chord.resize(Star);
    }
    std::vector<std::string> Parts;
    size_t Start = 0;
    // "+" alone, or as the last part ("shift++"), is the plus key itself.
    for (size_t I = 0; I < Chord.size(); ++I) {
        if (Chord[I] == '+' && I > Start) {
            Parts.push_back(Chord.substr(Start, I - Start));
            Start = I + 1;
        }
    }
    Parts.push_back(Chord.substr(Start));
    std::vector<WORD> Modifiers;
    for (size_t I = 0; I + 1 < Parts.size(); ++I)
        Modifiers.push_back(ParseKey(Parts[I], Modifiers));
    WORD Key = ParseKey(Parts.back(), Modifiers);
    for (int R = 0; R < Repeat; ++R) {
        for (WORD M : Modifiers)
            Out.push_back(KeyInput(M, false));
        Out.push_back(KeyInput(Key, false));
        Out.push_back(KeyInput(Key, true));
        for (auto It = Modifiers.rbegin(); It != Modifiers.rend(); ++It)
            Out.push_back(KeyInput(*It, true));
    }
    return Out;
}

// Splits the key arguments into tokens: a "text:" argument is one token
// (spaces included); any other argument is split at spaces.
std::vector<std::string> KeyTokens(const std::vector<std::string>& Words)
{
    std::vector<std::string> Out;
    for (const auto& W : Words) {
        if (W.rfind("text:", 0) == 0) {
            Out.push_back(W);
            continue;
        }
        size_t Start = 0;
        while (Start < W.size()) {
            size_t End = W.find(' ', Start);
            if (End == std::string::npos)
                End = W.size();
            if (End > Start)
                Out.push_back(W.substr(Start, End - Start));
            Start = End + 1;
        }
    }
    return Out;
}

unsigned ReadSettle(Args& A)
{
    std::string Value;
    return A.Option("--settle", Value) ? ToTimeout(Value, "--settle") : 50;
}

int Keys(Args& A)
{
    unsigned SettleMs = ReadSettle(A);
    bool NoActivate = A.Flag("--no-activate");
    HWND Window = A.Flag("--foreground") ? GetForegroundWindow() : Target(A);
    if (!Window)
        Fail("there is no foreground window");
    std::vector<std::string> Tokens = KeyTokens(A.Rest());
    if (Tokens.empty())
        FailUsage("no keys given");
    std::vector<std::vector<INPUT>> Inputs;
    for (const auto& T : Tokens)
        Inputs.push_back(TokenInputs(T));   // all parsed before anything is sent
    if (!NoActivate)
        Activate(Window);
    for (auto& In : Inputs) {
        Send(In);
        Settle(Window, SettleMs);
    }
    Line("keys " + std::to_string(Tokens.size()));
    return ExitOk;
}

// ---------------------------------------------------------------- mouse

HWND FindChild(HWND Parent, const std::string& Text, int Id, bool ById, const std::string& Class)
{
    auto Plain = [](const std::string& S) {
        std::string Out;
        for (char C : S)
            if (C != '&')
                Out += C;
        return Out;
    };
    for (int Pass = 0; Pass < 2; ++Pass) {
        for (HWND C : Descendants(Parent)) {
            if (!IsWindowVisible(C))
                continue;
            if (ById && GetDlgCtrlID(C) != Id)
                continue;
            if (!Class.empty() && !SameText(ClassOf(C), Class))
                continue;
            if (!Text.empty()) {
                std::string T = TextOf(C);
                if (Pass == 0 ? T != Text : Plain(T) != Plain(Text))
                    continue;
            }
            return C;
        }
    }
    return nullptr;
}

int Click(Args& A)
{
    unsigned SettleMs = ReadSettle(A);
    std::string Text, IdText, Class;
    bool HasText = A.Option("--child", Text);
    bool ById = A.Option("--id", IdText);
    A.Option("--child-class", Class);
    bool Right = A.Flag("--right");
    bool Double = A.Flag("--double");
    HWND Window = Target(A);
    HWND Where = Window;
    if (HasText || ById || !Class.empty()) {
        Where = FindChild(Window, Text, ById ? int(ToInt(IdText, "--id")) : 0, ById, Class);
        if (!Where)
            Fail("no visible child control" + (HasText ? " \"" + Text + "\"" : std::string()) +
                 (ById ? " id " + IdText : std::string()) + " in " + Hex(uintptr_t(Window)));
    }
    RECT Client{};
    GetClientRect(Where, &Client);
    POINT P{Client.right / 2, Client.bottom / 2};
    if (!A.Empty()) {
        P.x = LONG(ToInt(A.Next("x"), "x"));
        P.y = LONG(ToInt(A.Next("y"), "y"));
    }
    A.Finish();
    ClientToScreen(Where, &P);

    Activate(Window);
    int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
    // Absolute coordinates run over 0..65535; rounding up lands on the pixel itself.
    auto Norm = [](LONG V, int Size) { return LONG((static_cast<long long>(V) * 65536 + Size - 1) / Size); };
    std::vector<INPUT> In;
    INPUT Move{};
    Move.type = INPUT_MOUSE;
    Move.mi.dx = Norm(P.x, W);
    Move.mi.dy = Norm(P.y, H);
    Move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    In.push_back(Move);
    Send(In);
    POINT Cursor{};
    GetCursorPos(&Cursor);
    if (Cursor.x != P.x || Cursor.y != P.y) {
        SetCursorPos(P.x, P.y);
        GetCursorPos(&Cursor);
        if (Cursor.x != P.x || Cursor.y != P.y)
            Fail("the pointer went to " + std::to_string(Cursor.x) + "," + std::to_string(Cursor.y) + " instead of " +
                 std::to_string(P.x) + "," + std::to_string(P.y));
    }
    In.clear();
    for (int N = 0; N < (Double ? 2 : 1); ++N) {
        INPUT Button{};
        Button.type = INPUT_MOUSE;
        Button.mi.dwFlags = Right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
        In.push_back(Button);
        Button.mi.dwFlags = Right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
        In.push_back(Button);
    }
    Send(In);
    Settle(Window, SettleMs);
    Line("clicked " + std::to_string(P.x) + " " + std::to_string(P.y) + " " + Hex(uintptr_t(Where)));
    return ExitOk;
}

// ---------------------------------------------------------------- message boxes

// A message box is a #32770 dialog with the message-text static (id 0xFFFF)
// and nothing but statics and push buttons, which tells it from the common
// dialogs, whose labels share that id.
bool IsMessageBox(HWND W)
{
    if (!IsWindowVisible(W) || ClassOf(W) != "#32770")
        return false;
    bool HasText = false;
    for (HWND C : Descendants(W)) {
        std::string Class = ClassOf(C);
        if (SameText(Class, "Static")) {
            if ((GetDlgCtrlID(C) & 0xFFFF) == 0xFFFF && (GetWindowLongPtrW(C, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
                HasText = true;
        } else if (SameText(Class, "Button")) {
            std::string Kind = ButtonKind(DWORD(GetWindowLongPtrW(C, GWL_STYLE)));
            if (Kind != "push" && Kind != "default")
                return false;
        } else {
            return false;
        }
    }
    return HasText;
}

// A W x H 32-bit top-down DIB section selected into a memory DC that is
// compatible with the screen.
class Canvas {
public:
    Canvas(int W, int H, const char* What)
        : FMemory(CreateCompatibleDC(FScreen.Get())), FCount(size_t(W) * size_t(H))
    {
        BITMAPINFO Info = TopDown32Format(W, H);
        void* Bits = nullptr;
        FBitmap.Reset(CreateDIBSection(FScreen.Get(), &Info, DIB_RGB_COLORS, &Bits, nullptr, 0));
        if (!FBitmap || !FMemory)
            FailWin32(What);
        FBits = static_cast<uint32_t*>(Bits);
        FUse.emplace(FMemory.Get(), FBitmap.Get());
    }
    HDC Screen() const { return FScreen.Get(); }
    HDC Dc() const { return FMemory.Get(); }
    uint32_t* Bits() const { return FBits; }
    // What GDI has drawn so far, as 0x00RRGGBB.
    std::vector<uint32_t> Pixels() const
    {
        GdiFlush();
        std::vector<uint32_t> Out(FBits, FBits + FCount);
        for (auto& P : Out)
            P &= 0xFFFFFF;
        return Out;
    }

private:
    ScreenDc FScreen;
    OwnedDc FMemory;
    OwnedGdi<HBITMAP> FBitmap;
    size_t FCount;
    uint32_t* FBits = nullptr;
    std::optional<Selected> FUse;
};

// Pixels of a window region as 0x00RRGGBB, read from the screen.
std::vector<uint32_t> Capture(const RECT& R)
{
    int W = R.right - R.left, H = R.bottom - R.top;
    if (W <= 0 || H <= 0)
        return {};
    Canvas Copy(W, H, "screen capture");
    if (!BitBlt(Copy.Dc(), 0, 0, W, H, Copy.Screen(), R.left, R.top, SRCCOPY))
        FailWin32("BitBlt from the screen");
    return Copy.Pixels();
}

// An icon drawn by this process at (X, Y) of a W x H area filled with Back.
std::vector<uint32_t> Render(HICON Icon, int W, int H, int X, int Y, uint32_t Back)
{
    Canvas Drawn(W, H, "icon rendering");
    std::fill_n(Drawn.Bits(), size_t(W) * size_t(H), Back);
    DrawIconEx(Drawn.Dc(), X, Y, Icon, 0, 0, 0, nullptr, DI_NORMAL);
    return Drawn.Pixels();
}

// Share of the icon's opaque pixels (those that do not change with the
// background) that equal the captured ones.
double Likeness(const std::vector<uint32_t>& Seen, HICON Icon, int W, int H, int X, int Y)
{
    std::vector<uint32_t> OnBlack = Render(Icon, W, H, X, Y, 0x000000);
    std::vector<uint32_t> OnWhite = Render(Icon, W, H, X, Y, 0xFFFFFF);
    size_t Opaque = 0, Same = 0;
    for (size_t I = 0; I < Seen.size(); ++I) {
        if (OnBlack[I] != OnWhite[I])
            continue;
        ++Opaque;
        if (OnBlack[I] == Seen[I])
            ++Same;
    }
    return Opaque ? double(Same) / double(Opaque) : 0.0;
}

// The kind of icon a message box shows: the icon static's pixels on screen
// against this process's own rendering of each system icon. Icons are per
// process under Wine, so handles cannot be compared.
std::string IconKind(HWND Box)
{
    HWND IconStatic = nullptr;
    for (HWND C : Descendants(Box))
        if (SameText(ClassOf(C), "Static") && (GetWindowLongPtrW(C, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(C))
            IconStatic = C;
    // The handle means nothing in this process, but zero still means no icon.
    DWORD_PTR Handle = 0;
    if (!IconStatic || (SendMessageTimeoutW(IconStatic, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &Handle) && !Handle))
        return "none";
    RECT R{};
    GetClientRect(IconStatic, &R);
    MapWindowPoints(IconStatic, nullptr, reinterpret_cast<POINT*>(&R), 2);
    int W = R.right - R.left, H = R.bottom - R.top;
    if (W <= 0 || H <= 0)
        return "none";
    std::vector<uint32_t> Seen = Capture(R);
    // Wine keeps the icon static of a box without an icon, empty.
    if (std::all_of(Seen.begin(), Seen.end(), [&Seen](uint32_t P) { return P == Seen.front(); }))
        return "none";
    struct Candidate {
        const wchar_t* Id;
        const char* Kind;
    } const Candidates[] = {
        {IDI_HAND, "error"}, {IDI_EXCLAMATION, "warning"}, {IDI_ASTERISK, "information"}, {IDI_QUESTION, "question"},
    };
    std::string Best = "unknown";
    double BestScore = 0.9;
    for (const auto& C : Candidates) {
        HICON Icon = LoadIconW(nullptr, C.Id);
        if (!Icon)
            continue;
        ICONINFO Info{};
        int Iw = GetSystemMetrics(SM_CXICON), Ih = GetSystemMetrics(SM_CYICON);
        if (GetIconInfo(Icon, &Info)) {
            BITMAP B{};
            if (Info.hbmColor && GetObjectW(Info.hbmColor, sizeof B, &B)) {
                Iw = B.bmWidth;
                Ih = B.bmHeight;
            }
            if (Info.hbmColor)
                DeleteObject(Info.hbmColor);
            if (Info.hbmMask)
                DeleteObject(Info.hbmMask);
        }
        // Drawn at the static's top-left, or centred in it.
        for (POINT At : {POINT{0, 0}, POINT{(W - Iw) / 2, (H - Ih) / 2}}) {
            double Score = Likeness(Seen, Icon, W, H, At.x, At.y);
            if (Score > BestScore) {
                BestScore = Score;
                Best = C.Kind;
            }
        }
    }
    return Best;
}

struct BoxFacts {
    HWND Box = nullptr;
    std::string Caption, Text, Icon;
    std::vector<std::pair<int, std::string>> Buttons;
};

BoxFacts ReadBox(HWND Box)
{
    BoxFacts F;
    F.Box = Box;
    F.Caption = TextOf(Box);
    for (HWND C : Descendants(Box)) {
        std::string Class = ClassOf(C);
        if (SameText(Class, "Static") && (GetDlgCtrlID(C) & 0xFFFF) == 0xFFFF &&
            (GetWindowLongPtrW(C, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
            F.Text = TextOf(C);
        else if (SameText(Class, "Button") && IsWindowVisible(C))
            F.Buttons.push_back({GetDlgCtrlID(C), TextOf(C)});
    }
    // The icon is read from the screen, so give the box a moment to paint.
    DWORD_PTR Ignored = 0;
    SendMessageTimeoutW(Box, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &Ignored);
    for (int Try = 0; Try < 10; ++Try) {
        Sleep(50);
        F.Icon = IconKind(Box);
        if (F.Icon != "unknown")
            break;
    }
    return F;
}

void PrintBox(const BoxFacts& F)
{
    DWORD Pid = PidOf(F.Box);
    Line("hwnd=" + Hex(uintptr_t(F.Box)));
    Line("pid=" + std::to_string(Pid));
    Line("exe=" + Escape(ExeOf(Pid)));
    Line("owner=" + Hex(uintptr_t(GetWindow(F.Box, GW_OWNER))));
    Line("caption=" + Escape(F.Caption));
    Line("text=" + Escape(F.Text));
    Line("icon=" + F.Icon);
    std::string Buttons;
    for (const auto& B : F.Buttons) {
        if (!Buttons.empty())
            Buttons += ",";
        Buttons += Escape(B.second);
    }
    Line("buttons=" + Buttons);
}

HWND WaitForBox(const Filter& F, unsigned Timeout)
{
    unsigned long long Deadline = Now() + Timeout;
    for (;;) {
        for (HWND W : TopLevelWindows())
            if (F.Matches(W) && IsMessageBox(W))
                return W;
        if (Now() >= Deadline)
            return nullptr;
        Sleep(20);
    }
}

bool WaitGone(HWND W, unsigned Timeout)
{
    unsigned long long Deadline = Now() + Timeout;
    while (IsWindow(W) && IsWindowVisible(W)) {
        if (Now() >= Deadline)
            return false;
        Sleep(20);
    }
    return true;
}

Filter BoxFilter(Args& A)
{
    Filter F;
    std::string Value;
    if (A.Option("--owner-pid", Value))
        F.Pid = DWORD(ToInt(Value, "--owner-pid"));
    ReadFilter(A, F);
    F.HasClass = false;
    return F;
}

int MsgBox(Args& A)
{
    std::string Value, Press = "ok", KeysText;
    unsigned Timeout = 5000;
    if (A.Option("--timeout", Value))
        Timeout = ToTimeout(Value, "--timeout");
    bool Keep = A.Flag("--keep");
    A.Option("--press", Press);
    bool ByKey = A.Option("--key", KeysText);
    Filter F = BoxFilter(A);
    A.Finish();
    HWND Box = WaitForBox(F, Timeout);
    if (!Box)
        Fail("no message box with" + Describe(F) + " within " + std::to_string(Timeout) + " ms");
    BoxFacts Facts = ReadBox(Box);
    PrintBox(Facts);
    if (Keep)
        return ExitOk;

    if (ByKey) {
        std::vector<std::vector<INPUT>> Inputs;
        for (const auto& T : KeyTokens({KeysText}))
            Inputs.push_back(TokenInputs(T));
        Activate(Box);
        for (auto& In : Inputs) {
            Send(In);
            Settle(Box, 50);
        }
        Line("pressed=" + Escape(KeysText));
    } else {
        struct Named {
            const char* Name;
            int Id;
        } const Ids[] = {{"ok", IDOK}, {"cancel", IDCANCEL}, {"abort", IDABORT}, {"retry", IDRETRY},
                         {"ignore", IDIGNORE}, {"yes", IDYES}, {"no", IDNO}};
        int Id = 0;
        for (const auto& N : Ids)
            if (SameText(Press, N.Name))
                Id = N.Id;
        if (!Id)
            Id = int(ToInt(Press, "--press"));
        HWND Button = GetDlgItem(Box, Id);
        if (!Button)
            Fail("the message box has no button " + Press);
        std::string Caption = TextOf(Button);
        PostMessageW(Box, WM_COMMAND, MAKEWPARAM(Id, BN_CLICKED), LPARAM(Button));
        Line("pressed=" + Escape(Caption));
    }
    if (!WaitGone(Box, 5000))
        Fail("the message box is still open");
    Line("closed");
    return ExitOk;
}

int NoMsgBox(Args& A)
{
    std::string Value;
    if (!A.Option("--for", Value))
        FailUsage("no-msgbox needs --for MS");
    unsigned Ms = ToTimeout(Value, "--for");
    Filter F = BoxFilter(A);
    A.Finish();
    if (HWND Box = WaitForBox(F, Ms)) {
        PrintBox(ReadBox(Box));
        Fail("a message box appeared");
    }
    Line("no message box");
    return ExitOk;
}

// ---------------------------------------------------------------- other commands

int Windows(Args& A)
{
    bool Children = A.Flag("--children");
    Filter F;
    ReadFilter(A, F);
    F.VisibleOnly = A.Flag("--visible");
    A.Finish();
    for (HWND W : TopLevelWindows())
        if (F.Matches(W))
            PrintWindow(W, Children);
    return ExitOk;
}

int WaitWindow(Args& A)
{
    bool Children = A.Flag("--children");
    HWND W = Target(A);
    A.Finish();
    PrintWindow(W, Children);
    return ExitOk;
}

unsigned ReadWait(Args& A, unsigned Default)
{
    std::string Value;
    if (A.Flag("--no-wait"))
        return 0;
    return A.Option("--wait", Value) ? ToTimeout(Value, "--wait") : Default;
}

int Close(Args& A, bool System)
{
    unsigned Wait = ReadWait(A, 5000);
    HWND W = Target(A);
    A.Finish();
    BOOL Posted = System ? PostMessageW(W, WM_SYSCOMMAND, SC_CLOSE, 0) : PostMessageW(W, WM_CLOSE, 0, 0);
    if (!Posted)
        FailWin32("PostMessage");
    if (Wait && !WaitGone(W, Wait))
        Fail("window " + Hex(uintptr_t(W)) + " is still shown after " + std::to_string(Wait) + " ms");
    Line("closed " + Hex(uintptr_t(W)));
    return ExitOk;
}

int WaitGoneCommand(Args& A)
{
    std::string Value;
    unsigned Timeout = 5000;
    if (A.Option("--timeout", Value))
        Timeout = ToTimeout(Value, "--timeout");
    std::string Window;
    HWND W = nullptr;
    if (A.Option("--window", Window)) {
        W = HWND(uintptr_t(ToInt(Window, "--window")));
    } else {
        Filter F;
        ReadFilter(A, F);
        F.VisibleOnly = true;
        W = FindFirst(F);
    }
    A.Finish();
    if (W && !WaitGone(W, Timeout))
        Fail("window " + Hex(uintptr_t(W)) + " is still shown after " + std::to_string(Timeout) + " ms");
    Line("gone");
    return ExitOk;
}

std::vector<DWORD> FindProcesses(const std::string& Exe)
{
    OwnedKernel Snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (Snapshot.Get() == INVALID_HANDLE_VALUE) {
        Snapshot.Release();
        FailWin32("CreateToolhelp32Snapshot");
    }
    std::vector<DWORD> Out;
    PROCESSENTRY32W Entry{};
    Entry.dwSize = sizeof Entry;
    for (BOOL More = Process32FirstW(Snapshot.Get(), &Entry); More; More = Process32NextW(Snapshot.Get(), &Entry))
        if (SameText(Narrow(Entry.szExeFile), Exe) && Entry.th32ProcessID != GetCurrentProcessId())
            Out.push_back(Entry.th32ProcessID);
    return Out;
}

int WaitExit(Args& A)
{
    std::string Value, Exe;
    unsigned Timeout = 10000;
    if (A.Option("--timeout", Value))
        Timeout = ToTimeout(Value, "--timeout");
    DWORD Pid = 0;
    if (A.Option("--pid", Value))
        Pid = DWORD(ToInt(Value, "--pid"));
    else if (A.Option("--exe", Exe)) {
        std::vector<DWORD> Found = FindProcesses(Exe);
        if (Found.empty())
            Fail("no running process " + Exe);
        Pid = Found.front();
    }
    A.Finish();
    if (!Pid)
        FailUsage("wait-exit needs --pid P or --exe NAME");
    OwnedKernel Process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, Pid));
    if (!Process)
        FailWin32("OpenProcess " + std::to_string(Pid));
    if (WaitForSingleObject(Process.Get(), Timeout) != WAIT_OBJECT_0)
        Fail("process " + std::to_string(Pid) + " still runs after " + std::to_string(Timeout) + " ms");
    DWORD Code = 0;
    if (!GetExitCodeProcess(Process.Get(), &Code))
        FailWin32("GetExitCodeProcess");
    Line("exit=" + std::to_string(Code));
    return ExitOk;
}

// Ends every process of the given exe (or the one pid) in this Wine prefix:
// a test's clean-up when something it started is left running.
int Kill(Args& A)
{
    std::string Value, Exe;
    std::vector<DWORD> Targets;
    if (A.Option("--pid", Value))
        Targets.push_back(DWORD(ToInt(Value, "--pid")));
    else if (A.Option("--exe", Exe))
        Targets = FindProcesses(Exe);
    else
        FailUsage("kill needs --pid P or --exe NAME");
    A.Finish();
    size_t Ended = 0;
    for (DWORD Pid : Targets) {
        OwnedKernel Process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, Pid));
        if (Process && TerminateProcess(Process.Get(), 255)) {
            WaitForSingleObject(Process.Get(), 5000);
            ++Ended;
        } else if (Exe.empty()) {
            FailWin32("cannot end process " + std::to_string(Pid));
        }
    }
    Line("killed " + std::to_string(Ended));
    return ExitOk;
}

void WriteBmp(const std::string& Path, const std::vector<uint32_t>& Pixels, int W, int H)
{
    size_t Stride = (size_t(W) * 3 + 3) & ~size_t(3);
    BITMAPFILEHEADER F{};
    BITMAPINFOHEADER I{};
    I.biSize = sizeof I;
    I.biWidth = W;
    I.biHeight = H;
    I.biPlanes = 1;
    I.biBitCount = 24;
    I.biSizeImage = DWORD(Stride * size_t(H));
    F.bfType = 0x4D42;
    F.bfOffBits = sizeof F + sizeof I;
    F.bfSize = F.bfOffBits + I.biSizeImage;
    std::vector<unsigned char> Out(F.bfSize);
    std::memcpy(Out.data(), &F, sizeof F);
    std::memcpy(Out.data() + sizeof F, &I, sizeof I);
    for (int Y = 0; Y < H; ++Y) {
        unsigned char* Row = Out.data() + F.bfOffBits + size_t(H - 1 - Y) * Stride;
        for (int X = 0; X < W; ++X) {
            uint32_t P = Pixels[size_t(Y) * size_t(W) + size_t(X)];
            Row[3 * X] = BYTE(P);
            Row[3 * X + 1] = BYTE(P >> 8);
            Row[3 * X + 2] = BYTE(P >> 16);
        }
    }
    WriteFileBytes(Path, Out.data(), Out.size());
}

int Screenshot(Args& A)
{
    bool ClientOnly = A.Flag("--client");
    HWND W = Target(A);
    std::string Path = A.Next("file");
    A.Finish();
    RECT R{};
    if (ClientOnly) {
        GetClientRect(W, &R);
        MapWindowPoints(W, nullptr, reinterpret_cast<POINT*>(&R), 2);
    } else {
        GetWindowRect(W, &R);
    }
    // Paint first, so the picture is not taken halfway through a repaint.
    RedrawWindow(W, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Settle(W, 50);
    WriteBmp(Path, Capture(R), R.right - R.left, R.bottom - R.top);
    Line("saved " + Path + " " + std::to_string(R.right - R.left) + "x" + std::to_string(R.bottom - R.top));
    return ExitOk;
}

int Screen(Args& A)
{
    A.Finish();
    ScreenDc Dc;
    Line("width=" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "\theight=" + std::to_string(GetSystemMetrics(SM_CYSCREEN)) +
         "\tdpi=" + std::to_string(GetDeviceCaps(Dc.Get(), LOGPIXELSY)));
    return ExitOk;
}

int Usage()
{
    Line("usage: UiDriver COMMAND ...   (see README.md)");
    Line("  windows [--children] [--visible] [--title T] [--class C] [--exe E] [--pid P]");
    Line("  wait-window TARGET [--children]          TARGET: --window HWND | --title T [--class C] [--exe E] [--pid P] [--timeout MS]");
    Line("  keys TARGET|--foreground [--settle MS] [--no-activate] KEYS...");
    Line("  click TARGET [--child TEXT | --id N | --child-class C] [--right] [--double] [X Y]");
    Line("  msgbox [--exe E] [--pid P] [--title T] [--timeout MS] [--keep] [--press ok|cancel|yes|no|ID] [--key KEYS]");
    Line("  no-msgbox --for MS [--exe E] [--pid P] [--title T]");
    Line("  close TARGET [--wait MS|--no-wait] | sysclose TARGET [--wait MS|--no-wait] | wait-gone TARGET");
    Line("  wait-exit --pid P|--exe E [--timeout MS] | screenshot TARGET [--client] FILE.bmp | screen");
    Line("  kill --pid P|--exe E");
    return ExitUsage;
}

int Main(std::vector<std::string>& List)
{
    InitOutput("UiDriver");
    // Physical pixels everywhere, whatever the screen resolution.
    SetProcessDPIAware();
    Args A(List);
    if (A.Empty())
        return Usage();
    std::string Command = A.Next("command");
    if (Command == "windows")
        return Windows(A);
    if (Command == "wait-window")
        return WaitWindow(A);
    if (Command == "keys")
        return Keys(A);
    if (Command == "click")
        return Click(A);
    if (Command == "msgbox")
        return MsgBox(A);
    if (Command == "no-msgbox")
        return NoMsgBox(A);
    if (Command == "close")
        return Close(A, false);
    if (Command == "sysclose")
        return Close(A, true);
    if (Command == "wait-gone")
        return WaitGoneCommand(A);
    if (Command == "wait-exit")
        return WaitExit(A);
    if (Command == "screenshot")
        return Screenshot(A);
    if (Command == "screen")
        return Screen(A);
    if (Command == "kill")
        return Kill(A);
    if (Command == "help" || Command == "--help") {
        Usage();
        return ExitOk;
    }
    FailUsage("unknown command \"" + Command + "\"");
}

} // namespace

int main() { return Guarded(Main); }
