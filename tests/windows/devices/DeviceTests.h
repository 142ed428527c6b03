#pragma once
// Shared pieces of the device tests: clipboard data put with plain Win32
// calls, captured print jobs, exception checks.
#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "toolkit/Handles.h"

// Empties the clipboard and puts what Put sets, in one opening.
void PutOnClipboard(const std::function<void()>& Put);
// CF_BITMAP from a DIB section: each pixel is Colour(x, y) (0xRRGGBB).
void SetBitmap(int Width, int Height, bool TopDown, const std::function<COLORREF(int, int)>& Colour);
// CF_BITMAP from an 8-bit DIB section with the given colour table, plus
// CF_PALETTE with the same colours; pixel (x, y) is entry Index(x, y).
void SetPaletteBitmap(int Width, int Height, const std::vector<COLORREF>& Table,
                      const std::function<BYTE(int, int)>& Index);
// An enhanced metafile with exactly this frame (0.01 mm) and reference
// device, holding one black rectangle over the frame.
UniqueEnhMetaFile MakeMetafile(RECTL Frame, SIZEL DevicePixels, SIZEL DeviceMillimetres);
void SetText(const std::wstring& Text);
std::vector<UINT> ClipboardFormats();

// Opens the clipboard on another thread and holds it until Release() or the
// end of the object.
class ClipboardHolder {
public:
    ClipboardHolder();
    ~ClipboardHolder();
    void Release();
    // Releases after Ms milliseconds.
    void ReleaseAfter(int Ms);

private:
    HANDLE FThread = nullptr;
    HANDLE FRelease = nullptr;
    int FDelay = -1;
    static DWORD WINAPI Run(void* Self);
};

// Jobs the private scheduler captured.
struct CapturedJob {
    std::wstring Path;   // job-NNNN.ps, as a Windows path
    std::string Title;
};
int CapturedJobCount();
// Waits for job number Number (1-based count), up to 30 s.
std::optional<CapturedJob> WaitForJob(int Number);
// Appends "Path Left Top Right Bottom" (page pixels) to the list that the
// on-paper script measures, named by WENDRASK_DEVICES_PAPER.
void ExpectOnPaper(const CapturedJob& Job, const RECT& Page, const std::string& Note);

// The message of the exception that Action throws, which must be of type E.
template <class E, class Action>
std::string MessageOf(Action&& A)
{
    try {
        A();
    } catch (const E& Error) {
        return Error.what();
    } catch (const std::exception& Other) {
        return std::string("unexpected exception: ") + Other.what();
    }
    return "no exception";
}

// Dispatches pending messages for about Ms milliseconds.
void PumpMessages(int Ms);
