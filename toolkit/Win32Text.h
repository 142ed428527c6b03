#pragma once
// Text at the Win32 boundary: UTF-8 inside the program, UTF-16 only at the
// call; and the exception for a failed Win32 call, with the system's text.
#include <windows.h>

#include <string>
#include <string_view>

std::wstring Utf8ToWide(std::string_view Text);
std::string WideToUtf8(std::wstring_view Text);

// The system's text for an error code, without its trailing line break.
std::string SystemErrorText(DWORD Code);

// Throws EWin32Error for Code. Pass GetLastError() taken right at the
// failure, before any clean-up can overwrite it.
[[noreturn]] void RaiseWin32Error(DWORD Code);
