#include "HelperCommon.h"

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace helper {

namespace {
const char* GProgram = "helper";
}

std::wstring Widen(std::string_view Utf8)
{
    if (Utf8.empty())
        return {};
    int N = MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), int(Utf8.size()), nullptr, 0);
    std::wstring Out(size_t(N), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), int(Utf8.size()), Out.data(), N);
    return Out;
}

std::string Narrow(std::wstring_view Utf16)
{
    if (Utf16.empty())
        return {};
    int N = WideCharToMultiByte(CP_UTF8, 0, Utf16.data(), int(Utf16.size()), nullptr, 0, nullptr, nullptr);
    std::string Out(size_t(N), '\0');
    WideCharToMultiByte(CP_UTF8, 0, Utf16.data(), int(Utf16.size()), Out.data(), N, nullptr, nullptr);
    return Out;
}

std::string Escape(std::string_view Text)
{
    std::string Out;
    Out.reserve(Text.size());
    for (char C : Text) {
        switch (C) {
        case '\\': Out += "\\\\"; break;
        case '\t': Out += "\\t"; break;
        case '\r': Out += "\\r"; break;
        case '\n': Out += "\\n"; break;
        default: Out += C;
        }
    }
    return Out;
}

void InitOutput(const char* ProgramName)
{
    GProgram = ProgramName;
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

void Line(const std::string& Text)
{
    std::fwrite(Text.data(), 1, Text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string Win32ErrorText(DWORD Error)
{
    wchar_t* Buffer = nullptr;
    DWORD N = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, Error, 0, reinterpret_cast<wchar_t*>(&Buffer), 0, nullptr);
    std::wstring Text = N ? std::wstring(Buffer, N) : std::wstring();
    if (Buffer)
        LocalFree(Buffer);
    while (!Text.empty() && (Text.back() == L'\n' || Text.back() == L'\r' || Text.back() == L' ' || Text.back() == L'.'))
        Text.pop_back();
    std::string Out = "error " + std::to_string(Error);
    if (!Text.empty())
        Out += " (" + Narrow(Text) + ")";
    return Out;
}

void Fail(const std::string& Message) { throw Failure{ExitFailed, Message}; }

void FailWin32(const std::string& What)
{
    DWORD Error = GetLastError();   // before anything else can change it
    throw Failure{ExitFailed, What + ": " + Win32ErrorText(Error)};
}

void FailUsage(const std::string& Message) { throw Failure{ExitUsage, Message}; }

std::vector<std::string> Arguments()
{
    int Count = 0;
    wchar_t** List = CommandLineToArgvW(GetCommandLineW(), &Count);
    std::vector<std::string> Out;
    for (int I = 1; I < Count; ++I)
        Out.push_back(Narrow(List[I]));
    LocalFree(List);
    return Out;
}

int Guarded(int (*Body)(std::vector<std::string>&))
{
    try {
        std::vector<std::string> List = Arguments();
        return Body(List);
    } catch (const Failure& F) {
        std::fflush(stdout);
        std::string Text = std::string(GProgram) + ": " + F.Message + "\n";
        std::fwrite(Text.data(), 1, Text.size(), stderr);
        return F.Code;
    } catch (const std::exception& E) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s: %s\n", GProgram, E.what());
        return ExitFailed;
    }
}

std::string Args::Next(const char* What)
{
    if (FList.empty())
        FailUsage(std::string("missing ") + What);
    std::string Value = FList.front();
    FList.erase(FList.begin());
    return Value;
}

bool Args::Flag(const char* Name)
{
    for (auto It = FList.begin(); It != FList.end(); ++It) {
        if (*It == Name) {
            FList.erase(It);
            return true;
        }
    }
    return false;
}

bool Args::Option(const char* Name, std::string& Value)
{
    for (auto It = FList.begin(); It != FList.end(); ++It) {
        if (*It == Name) {
            if (It + 1 == FList.end())
                FailUsage(std::string(Name) + " needs a value");
            Value = *(It + 1);
            FList.erase(It, It + 2);
            return true;
        }
    }
    return false;
}

bool Args::Option(const char* Name, std::string& A, std::string& B)
{
    std::vector<std::string> Values;
    if (!Option(Name, Values, 2))
        return false;
    A = Values[0];
    B = Values[1];
    return true;
}

bool Args::Option(const char* Name, std::vector<std::string>& Values, size_t Count)
{
    for (auto It = FList.begin(); It != FList.end(); ++It) {
        if (*It == Name) {
            if (size_t(FList.end() - It) <= Count)
                FailUsage(std::string(Name) + " needs " + std::to_string(Count) + " values");
            Values.assign(It + 1, It + 1 + long(Count));
            FList.erase(It, It + 1 + long(Count));
            return true;
        }
    }
    return false;
}

void Args::Finish()
{
    if (!FList.empty())
        FailUsage("unexpected argument \"" + FList.front() + "\"");
}

long long ToInt(const std::string& Text, const char* What)
{
    const char* Begin = Text.c_str();
    char* End = nullptr;
    errno = 0;
    long long Value = std::strtoll(Begin, &End, 0);
    if (Text.empty() || *End != '\0' || errno == ERANGE)
        FailUsage(std::string(What) + ": not an integer: \"" + Text + "\"");
    return Value;
}

double ToReal(const std::string& Text, const char* What)
{
    char* End = nullptr;
    double Value = std::strtod(Text.c_str(), &End);
    if (Text.empty() || *End != '\0' || !std::isfinite(Value))
        FailUsage(std::string(What) + ": not a number: \"" + Text + "\"");
    return Value;
}

unsigned ToTimeout(const std::string& Text, const char* What)
{
    long long Value = ToInt(Text, What);
    if (Value < 0 || Value > 3600000)
        FailUsage(std::string(What) + ": milliseconds out of range: " + Text);
    return unsigned(Value);
}

unsigned long long Now() { return GetTickCount64(); }

ScreenDc::ScreenDc(HWND Window) : WindowDc(Window)
{
    if (!Get())
        FailWin32("GetDC");
}

GlobalLocked::GlobalLocked(HGLOBAL Memory) : LockedGlobal(Memory)
{
    if (!Get())
        FailWin32("GlobalLock");
}

OwnedGlobal GlobalCopy(const void* Bytes, size_t Size)
{
    // A zero-sized block cannot be locked, so even empty data gets one byte.
    OwnedGlobal Memory(GlobalAlloc(GMEM_MOVEABLE, Size ? Size : 1));
    if (!Memory)
        FailWin32("GlobalAlloc of " + std::to_string(Size) + " bytes");
    GlobalLocked Lock(Memory.Get());
    if (Size)
        std::memcpy(Lock.Get(), Bytes, Size);
    return Memory;
}

std::vector<unsigned char> ReadFileBytes(const std::string& Path)
{
    OwnedKernel File(CreateFileW(Widen(Path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (File.Get() == INVALID_HANDLE_VALUE) {
        File.Release();
        FailWin32("cannot open \"" + Path + "\"");
    }
    LARGE_INTEGER Size{};
    if (!GetFileSizeEx(File.Get(), &Size))
        FailWin32("cannot size \"" + Path + "\"");
    if (Size.QuadPart > 0x7FFFFFFF)
        Fail("file too large: \"" + Path + "\"");
    std::vector<unsigned char> Bytes(size_t(Size.QuadPart));
    DWORD Read = 0;
    if (!Bytes.empty() && (!ReadFile(File.Get(), Bytes.data(), DWORD(Bytes.size()), &Read, nullptr) || Read != Bytes.size()))
        FailWin32("cannot read \"" + Path + "\"");
    return Bytes;
}

void WriteFileBytes(const std::string& Path, const void* Bytes, size_t Size)
{
    OwnedKernel File(CreateFileW(Widen(Path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (File.Get() == INVALID_HANDLE_VALUE) {
        File.Release();
        FailWin32("cannot create \"" + Path + "\"");
    }
    DWORD Written = 0;
    if (!WriteFile(File.Get(), Bytes, DWORD(Size), &Written, nullptr) || Written != Size)
        FailWin32("cannot write \"" + Path + "\"");
}

std::string Hex(uintptr_t Value)
{
    char Buffer[32];
    std::snprintf(Buffer, sizeof Buffer, "0x%llx", static_cast<unsigned long long>(Value));
    return Buffer;
}

} // namespace helper
