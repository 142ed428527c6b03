#include "toolkit/Printers.h"

#include <winspool.h>

#include "rtl/Exceptions.h"
#include "toolkit/Application.h"
#include "toolkit/Graphics.h"
#include "toolkit/Seams.h"
#include "toolkit/Win32Text.h"

namespace {

const char* const NoDefaultPrinter = "デフォルト プリンタが存在しません";
const char* const InvalidPrinter = "選択したプリンタは有効ではありません";
const char* const NotPrinting = "プリンタに印刷できる状態ではありません";
const char* const AlreadyPrinting = "印刷中";

constexpr size_t MaxDocumentName = 31;

// Set while the printer object ends a job at the end of the run, when the
// application may already be gone.
bool Ending = false;

BOOL CALLBACK AbortProc(HDC, int)
{
    if (!Application || Ending)
        return TRUE;
#ifdef WENDRASK_TEST_SEAMS
    if (HANDLE Release = Seams::SpoolReleaseEvent()) {
        for (ULONGLONG Deadline = GetTickCount64() + 120000; GetTickCount64() < Deadline;) {
            Dispatch(nullptr, [] { Application->ProcessMessages(); });
            if (Application->Terminated() ||
                MsgWaitForMultipleObjects(1, &Release, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0)
                break;
        }
    }
#endif
    Dispatch(nullptr, [] { Application->ProcessMessages(); });
    return TRUE;
}

bool Installed(const std::wstring& Name)
{
    DWORD Needed = 0, Count = 0;
    const DWORD Flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    EnumPrintersW(Flags, nullptr, 4, nullptr, 0, &Needed, &Count);
    if (Needed == 0)
        return false;
    std::vector<BYTE> Buffer(Needed);
    if (!EnumPrintersW(Flags, nullptr, 4, Buffer.data(), Needed, &Needed, &Count))
        return false;
    auto* Printers = reinterpret_cast<const PRINTER_INFO_4W*>(Buffer.data());
    for (DWORD I = 0; I < Count; ++I)
        if (Printers[I].pPrinterName && lstrcmpiW(Printers[I].pPrinterName, Name.c_str()) == 0)
            return true;
    return false;
}

// The driver's current settings for the printer; empty when it gives none.
std::vector<BYTE> DriverDevMode(const std::wstring& Device)
{
    HANDLE Raw = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(Device.c_str()), &Raw, nullptr))
        return {};
    UniquePrinter Handle(Raw);
    LONG Size = DocumentPropertiesW(nullptr, Handle.Get(), const_cast<wchar_t*>(Device.c_str()), nullptr,
                                    nullptr, 0);
    if (Size < static_cast<LONG>(offsetof(DEVMODEW, dmFields)))
        return {};
    std::vector<BYTE> Result(static_cast<size_t>(Size));
    if (DocumentPropertiesW(nullptr, Handle.Get(), const_cast<wchar_t*>(Device.c_str()),
                            reinterpret_cast<DEVMODEW*>(Result.data()), nullptr, DM_OUT_BUFFER) != IDOK)
        return {};
    return Result;
}

[[noreturn]] void RaiseDefaultPrinterError(DWORD Code)
{
    if (Code == ERROR_FILE_NOT_FOUND)
        throw EPrinter(NoDefaultPrinter);
    RaiseWin32Error(Code);
}

} // namespace

std::wstring PrinterDocumentName(const std::string& Title)
{
    std::wstring Name = Utf8ToWide(Title);
    if (Name.size() > MaxDocumentName) {
        size_t Keep = MaxDocumentName;
        if (IS_HIGH_SURROGATE(Name[Keep - 1]))
            --Keep;
        Name.resize(Keep);
    }
    return Name;
}

// ---- TPrinter ----

TPrinter::TPrinter() = default;

TPrinter::~TPrinter()
{
    if (FPrinting && FDc) {
        Ending = true;
        ::EndPage(FDc.Get());
        ::EndDoc(FDc.Get());
        Ending = false;
    }
}

void TPrinter::SelectDefaultPrinter()
{
    DWORD Size = 0;
    if (!GetDefaultPrinterW(nullptr, &Size)) {
        DWORD Code = GetLastError();
        if (Code != ERROR_INSUFFICIENT_BUFFER)
            RaiseDefaultPrinterError(Code);
    }
    std::wstring Name(Size + 1, L'\0');
    Size = static_cast<DWORD>(Name.size());
    if (!GetDefaultPrinterW(Name.data(), &Size))
        RaiseDefaultPrinterError(GetLastError());
    Name.resize(wcslen(Name.c_str()));
    if (Name.empty() || !Installed(Name))
        throw EPrinter(NoDefaultPrinter);
    FDevMode = DriverDevMode(Name);
    FDevice = std::move(Name);
}

void TPrinter::EnsurePrinter()
{
    if (FDevice.empty())
        SelectDefaultPrinter();
}

const DEVMODEW* TPrinter::DevModeData() const
{
    return FDevMode.empty() ? nullptr : reinterpret_cast<const DEVMODEW*>(FDevMode.data());
}

UniqueDc TPrinter::CreateContext(bool InformationOnly)
{
    EnsurePrinter();
    HDC Dc = InformationOnly ? CreateICW(L"WINSPOOL", FDevice.c_str(), nullptr, DevModeData())
                             : CreateDCW(L"WINSPOOL", FDevice.c_str(), nullptr, DevModeData());
    if (!Dc)
        throw EPrinter(InvalidPrinter);
    return UniqueDc(Dc);
}

HDC TPrinter::Handle()
{
    if (!FDc) {
        FDc = CreateContext(true);
        FDcIsInformation = true;
    }
    return FDc.Get();
}

void TPrinter::BeginDoc()
{
    if (FPrinting)
        throw EPrinter(AlreadyPrinting);
    if (!FDc || FDcIsInformation) {
        FDc = CreateContext(false);
        FDcIsInformation = false;
    }
    FPrinting = true;
    FPageNumber = 1;
    std::wstring Name = PrinterDocumentName(FTitle);
    DOCINFOW Info{};
    Info.cbSize = sizeof Info;
    Info.lpszDocName = Name.c_str();
    Info.lpszOutput = nullptr;
    SetAbortProc(FDc.Get(), AbortProc);
    // The abort procedure may run pending messages here, a tick among them.
    ::StartDocW(FDc.Get(), &Info);
    ::StartPage(FDc.Get());
}

void TPrinter::EndDoc()
{
    if (!FPrinting)
        throw EPrinter(NotPrinting);
    ::EndPage(FDc.Get());
    ::EndDoc(FDc.Get());
    FPrinting = false;
    FPageNumber = 0;
}

void TPrinter::Abort()
{
    if (!FPrinting)
        throw EPrinter(NotPrinting);
    ::AbortDoc(FDc.Get());
    // Wine's PostScript driver ignores AbortDoc: its job would stay open and
    // take in the next document. Deleting the DC drops the job unprinted;
    // the next job gets a DC of its own.
    FDc.Reset();
    FPrinting = false;
    FPageNumber = 0;
}

std::string TPrinter::PrinterName()
{
    EnsurePrinter();
    return WideToUtf8(FDevice);
}

std::vector<BYTE> TPrinter::DevMode()
{
    EnsurePrinter();
    return FDevMode;
}

void TPrinter::SetPrinter(const std::string& Name, std::vector<BYTE> DevMode)
{
    if (FPrinting)
        throw EPrinter(AlreadyPrinting);
    FDevice = Utf8ToWide(Name);
    FDevMode = std::move(DevMode);
    FDc.Reset();
    FDcIsInformation = false;
}

// ---- TPrinterCanvas ----

void TPrinterCanvas::StretchDraw(const TRect& R, std::shared_ptr<const TGraphic> Graphic)
{
    if (!FPrinter->Printing())
        throw EPrinter(NotPrinting);
    if (!Graphic)
        return;
    try {
#ifdef WENDRASK_TEST_SEAMS
        if (Seams::TakeStretchDrawFailure()) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            RaiseWin32Error(GetLastError());
        }
#endif
        Graphic->Draw(FPrinter->Handle(), R);
    } catch (...) {
        // One end per job: the half-drawn page must not print.
        if (FPrinter->Printing())
            FPrinter->Abort();
        throw;
    }
}

TPrinter* Printer()
{
    static TPrinter Instance;
    return &Instance;
}
