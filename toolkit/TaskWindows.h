#pragma once
// For one scope, the thread's other visible and enabled top-level windows
// are disabled, as a modal form, an error box or a common dialog needs; they
// are enabled again at the end, and the window active before becomes the
// foreground window again.
#include <windows.h>

#include <vector>

class TaskWindowsDisabled {
public:
    explicit TaskWindowsDisabled(HWND Except);
    TaskWindowsDisabled(const TaskWindowsDisabled&) = delete;
    TaskWindowsDisabled& operator=(const TaskWindowsDisabled&) = delete;
    ~TaskWindowsDisabled();

private:
    std::vector<HWND> FWindows;
    HWND FActive;
};
