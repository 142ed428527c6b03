#include "toolkit/Win32Text.h"

#include "rtl/Exceptions.h"

std::wstring Utf8ToWide(std::string_view Text)
{
    if (Text.empty())
        return {};
    int Length = MultiByteToWideChar(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0);
    std::wstring Result(static_cast<size_t>(Length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), Result.data(), Length);
    return Result;
}

std::string WideToUtf8(std::wstring_view Text)
{
    if (Text.empty())
        return {};
    int Length = WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0,
                                     nullptr, nullptr);
    std::string Result(static_cast<size_t>(Length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), Result.data(), Length,
                        nullptr, nullptr);
    return Result;
}

std::string SystemErrorText(DWORD Code)
{
    wchar_t* Buffer = nullptr;
    DWORD Length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, Code, 0, reinterpret_cast<wchar_t*>(&Buffer), 0, nullptr);
    std::wstring Text(Buffer ? Buffer : L"", Length);
    if (Buffer)
        LocalFree(Buffer);
    while (!Text.empty() && (Text.back() == L'\r' || Text.back() == L'\n' || Text.back() == L' '))
        Text.pop_back();
    return WideToUtf8(Text);
}

void RaiseWin32Error(DWORD Code)
{
    throw EWin32Error(Code, SystemErrorText(Code));
}
