#include "ProcessFigures.h"

#include <winternl.h>
#include <psapi.h>

#include <vector>

namespace {

// One entry of the GDI handle table (ntgdi.h layout, 64-bit).
struct GdiHandleEntry {
    UINT64 Object;
    ULONG Owner;
    USHORT Unique;
    UCHAR Type;
    UCHAR Flags;
    UINT64 UserPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24);
constexpr size_t GdiHandleCount = 0x10000;
constexpr size_t PebGdiTableOffset = 0xF8;   // PEB.GdiSharedHandleTable, 64-bit

// SYSTEM_HANDLE_INFORMATION (class 16): a count, then one entry per handle.
struct SystemHandleEntry {
    ULONG OwnerPid;
    BYTE ObjectType;
    BYTE Flags;
    USHORT Value;
    PVOID Object;
    ULONG Access;
};
constexpr auto SystemHandleInformationClass = static_cast<SYSTEM_INFORMATION_CLASS>(16);
constexpr NTSTATUS InfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

long CountGdiObjects(HANDLE Process)
{
    PROCESS_BASIC_INFORMATION Basic{};
    ULONG Length = 0;
    if (NtQueryInformationProcess(Process, ProcessBasicInformation, &Basic, sizeof Basic, &Length) != 0)
        return -1;
    UINT64 Table = 0;
    SIZE_T Read = 0;
    auto* TableField = reinterpret_cast<BYTE*>(Basic.PebBaseAddress) + PebGdiTableOffset;
    if (!ReadProcessMemory(Process, TableField, &Table, sizeof Table, &Read) || Table == 0)
        return -1;
    std::vector<GdiHandleEntry> Entries(GdiHandleCount);
    if (!ReadProcessMemory(Process, reinterpret_cast<void*>(Table), Entries.data(),
                           Entries.size() * sizeof(GdiHandleEntry), &Read))
        return -1;
    long Count = 0;
    for (const GdiHandleEntry& Entry : Entries)
        Count += Entry.Type != 0;
    return Count;
}

long CountHandles(DWORD ProcessId)
{
    std::vector<BYTE> Buffer(1 << 20);
    NTSTATUS Status;
    ULONG Length = 0;
    while ((Status = NtQuerySystemInformation(SystemHandleInformationClass, Buffer.data(),
                                              static_cast<ULONG>(Buffer.size()), &Length)) == InfoLengthMismatch)
        Buffer.resize(Buffer.size() * 2);
    if (Status != 0)
        return -1;
    ULONG Count = *reinterpret_cast<const ULONG*>(Buffer.data());
    auto* Entries = reinterpret_cast<const SystemHandleEntry*>(Buffer.data() + sizeof(ULONG_PTR));
    long Mine = 0;
    for (ULONG I = 0; I < Count; ++I)
        Mine += Entries[I].OwnerPid == ProcessId;
    return Mine;
}

} // namespace

ProcessFigures ReadProcessFigures(HANDLE Process, DWORD ProcessId)
{
    ProcessFigures Figures;
    Figures.Handles = CountHandles(ProcessId);
    Figures.GdiObjects = CountGdiObjects(Process);
    PROCESS_MEMORY_COUNTERS Memory{};
    if (GetProcessMemoryInfo(Process, &Memory, sizeof Memory))
        Figures.Pagefile = Memory.PagefileUsage;
    return Figures;
}

ProcessFigures ReadOwnFigures() { return ReadProcessFigures(GetCurrentProcess(), GetCurrentProcessId()); }

std::string FormatFigures(const ProcessFigures& Figures)
{
    return "handles=" + std::to_string(Figures.Handles) + " gdi=" + std::to_string(Figures.GdiObjects) +
           " pagefile=" + std::to_string(Figures.Pagefile);
}
