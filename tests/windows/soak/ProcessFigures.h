#pragma once
// Resource figures of a process as Wine 8 can give them. There
// GetProcessHandleCount answers 0 and GetGuiResources fails, so handles are
// counted in the system's handle list and GDI objects in the process's own
// GDI handle table (its PEB points to it); memory is PagefileUsage, since
// PrivateUsage reads 0.
#include <windows.h>

#include <cstdint>
#include <string>

struct ProcessFigures {
    long Handles = -1;          // kernel handles the process holds
    long GdiObjects = -1;       // live entries of its GDI handle table, stock objects included
    std::uint64_t Pagefile = 0; // bytes of committed private memory
};

// Process needs PROCESS_QUERY_INFORMATION | PROCESS_VM_READ. A figure that
// cannot be read stays -1 (0 for Pagefile).
ProcessFigures ReadProcessFigures(HANDLE Process, DWORD ProcessId);
ProcessFigures ReadOwnFigures();

// "handles=N gdi=N pagefile=N", one line.
std::string FormatFigures(const ProcessFigures& Figures);
