#pragma once
// Shared by the test helper programs: text conversion, output, argument
// parsing, failure reporting and small owners of Win32 handles. The helpers
// stand alone: of the program's toolkit they use only the header-only handle
// owners and bitmap format, never its libraries.
#include "toolkit/DibFormat.h"
#include "toolkit/Handles.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace helper {

// Exit codes shared by every subcommand.
constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;   // the action failed or a wait timed out
constexpr int ExitUsage = 2;    // the command line is wrong

std::wstring Widen(std::string_view Utf8);
std::string Narrow(std::wstring_view Utf16);

// Escapes backslash, tab, CR and LF as \\ \t \r \n so one value stays on one line.
std::string Escape(std::string_view Text);

// Switches stdout to binary and sets the program name used in messages.
void InitOutput(const char* ProgramName);
// Writes one line (UTF-8, LF) to stdout and flushes it at once, so a test
// reading the pipe sees it while the program goes on.
void Line(const std::string& Text);

// A failure the program reports on stderr and turns into an exit code.
struct Failure {
    int Code;
    std::string Message;
};
[[noreturn]] void Fail(const std::string& Message);            // ExitFailed
[[noreturn]] void FailWin32(const std::string& What);          // adds GetLastError's text
[[noreturn]] void FailUsage(const std::string& Message);       // ExitUsage
std::string Win32ErrorText(DWORD Error);

// Runs Body, printing a Failure as "<program>: <message>" and returning its code.
int Guarded(int (*Body)(std::vector<std::string>&));

// The UTF-8 arguments of the process, without the program name.
std::vector<std::string> Arguments();

// Argument list consumed from the front; options may stand anywhere.
class Args {
public:
    explicit Args(std::vector<std::string> List) : FList(std::move(List)) {}
    bool Empty() const { return FList.empty(); }
    const std::vector<std::string>& Rest() const { return FList; }
    std::string Next(const char* What);                 // positional, required
    bool Flag(const char* Name);                        // removes --name if present
    bool Option(const char* Name, std::string& Value);  // removes --name VALUE
    bool Option(const char* Name, std::string& A, std::string& B);
    bool Option(const char* Name, std::vector<std::string>& Values, size_t Count);
    void Finish();                                      // fails on anything left over
private:
    std::vector<std::string> FList;
};

long long ToInt(const std::string& Text, const char* What);    // decimal or 0x hex
double ToReal(const std::string& Text, const char* What);
unsigned ToTimeout(const std::string& Text, const char* What); // milliseconds, >= 0

// Milliseconds from a monotonic clock.
unsigned long long Now();

// The handle owners are the toolkit's header-only ones under shorter names;
// the helpers add only what the program itself never needs.
struct KernelTraits { static void Close(HANDLE H) { CloseHandle(H); } };

template <class T> using OwnedGdi = UniqueGdiObject<T>;
using OwnedDc = UniqueDc;
using OwnedGlobal = UniqueGlobal;
using OwnedEnhMeta = UniqueEnhMetaFile;
using OwnedMeta = UniqueMetaFile;
using OwnedKernel = UniqueHandle<HANDLE, KernelTraits>;
using OwnedWindow = UniqueWindow;
using Selected = SelectedObject;

// A DC from GetDC (the screen's by default); fails the program if there is none.
class ScreenDc : public WindowDc {
public:
    explicit ScreenDc(HWND Window = nullptr);
};

// A locked global memory block; fails the program if it cannot be locked.
class GlobalLocked : public LockedGlobal<> {
public:
    explicit GlobalLocked(HGLOBAL Memory);
};

// A moveable global block holding a copy of Bytes.
OwnedGlobal GlobalCopy(const void* Bytes, size_t Size);

std::vector<unsigned char> ReadFileBytes(const std::string& Path);
void WriteFileBytes(const std::string& Path, const void* Bytes, size_t Size);

std::string Hex(uintptr_t Value);

} // namespace helper
