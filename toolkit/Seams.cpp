#include "toolkit/Seams.h"

#ifdef WENDRASK_TEST_SEAMS

#include <windows.h>

#include <cwchar>

namespace Seams {
namespace {

int& PendingDrawFailures()
{
    static int Count = [] {
        wchar_t Text[32] = {};
        DWORD Length = GetEnvironmentVariableW(L"WENDRASK_SEAM_FAIL_DRAW", Text, 32);
        return Length > 0 && Length < 32 ? static_cast<int>(std::wcstol(Text, nullptr, 10)) : 0;
    }();
    return Count;
}

} // namespace

void FailNextStretchDraws(int Count) { PendingDrawFailures() = Count; }

void* SpoolReleaseEvent()
{
    static HANDLE Event = [] {
        wchar_t Name[128] = {};
        DWORD Length = GetEnvironmentVariableW(L"WENDRASK_SEAM_SPOOL_EVENT", Name, 128);
        return Length > 0 && Length < 128 ? CreateEventW(nullptr, FALSE, FALSE, Name) : nullptr;
    }();
    return Event;
}

bool TakeStretchDrawFailure()
{
    int& Count = PendingDrawFailures();
    if (Count <= 0)
        return false;
    --Count;
    return true;
}

} // namespace Seams

#endif
