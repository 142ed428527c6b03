// ProcessProbe: resource figures of another process, and a named event set
// on request (the release of the test build's spooling seam).
//
//   ProcessProbe figures --pid P | --exe NAME   handles=N gdi=N pagefile=N
//   ProcessProbe signal NAME                    sets the existing event NAME
#include <windows.h>
#include <tlhelp32.h>

#include "HelperCommon.h"
#include "ProcessFigures.h"

using namespace helper;

namespace {

DWORD ProcessOf(const std::string& Exe)
{
    OwnedKernel Snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W Entry{};
    Entry.dwSize = sizeof Entry;
    DWORD Found = 0;
    int Count = 0;
    for (BOOL More = Process32FirstW(Snapshot.Get(), &Entry); More; More = Process32NextW(Snapshot.Get(), &Entry))
        if (lstrcmpiW(Entry.szExeFile, Widen(Exe).c_str()) == 0) {
            Found = Entry.th32ProcessID;
            ++Count;
        }
    if (Count != 1)
        Fail(std::to_string(Count) + " processes named " + Exe);
    return Found;
}

int Figures(Args& A)
{
    std::string Value;
    DWORD Pid = 0;
    if (A.Option("--pid", Value))
        Pid = DWORD(ToInt(Value, "--pid"));
    else if (A.Option("--exe", Value))
        Pid = ProcessOf(Value);
    else
        FailUsage("figures needs --pid P or --exe NAME");
    A.Finish();
    OwnedKernel Process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, Pid));
    if (!Process)
        FailWin32("OpenProcess " + std::to_string(Pid));
    ProcessFigures F = ReadProcessFigures(Process.Get(), Pid);
    if (F.Handles < 0 || F.GdiObjects < 0)
        Fail("the figures of process " + std::to_string(Pid) + " cannot be read");
    Line(FormatFigures(F));
    return ExitOk;
}

int Signal(Args& A)
{
    std::string Name = A.Next("event name");
    A.Finish();
    OwnedKernel Event(OpenEventW(EVENT_MODIFY_STATE, FALSE, Widen(Name).c_str()));
    if (!Event)
        FailWin32("OpenEvent " + Name);
    if (!SetEvent(Event.Get()))
        FailWin32("SetEvent " + Name);
    Line("signalled");
    return ExitOk;
}

int Main(std::vector<std::string>& Arguments)
{
    InitOutput("ProcessProbe");
    Args A(Arguments);
    if (A.Empty())
        FailUsage("usage: ProcessProbe figures --pid P | --exe NAME; ProcessProbe signal NAME");
    std::string Command = A.Next("command");
    if (Command == "figures")
        return Figures(A);
    if (Command == "signal")
        return Signal(A);
    FailUsage("unknown command " + Command);
}

} // namespace

int main() { return Guarded(Main); }
