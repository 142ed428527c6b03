#pragma once
// The printer object: the selected printer with its settings, its device
// handle, and one-page print jobs with a canvas to draw on.
//
// The first operation that needs a printer selects Windows' default printer;
// the selection then holds for the run unless SetPrinter replaces it.
// Failures: no default printer, or one that is not installed: EPrinter
// "デフォルト プリンタが存在しません"; Windows' query failing otherwise:
// EWin32Error. A device handle that cannot be created: EPrinter
// "選択したプリンタは有効ではありません".
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "toolkit/Classes.h"
#include "toolkit/Handles.h"

class TGraphic;
class TPrinter;

class TPrinterCanvas : public TObject {
public:
    explicit TPrinterCanvas(TPrinter* Owner) : FPrinter(Owner) {}
    // Draws the whole graphic stretched into R on the job's page; nothing
    // for null. No job open: EPrinter "プリンタに印刷できる状態ではありません".
    // When the drawing fails the job is aborted (nothing of it prints) and
    // the drawing error propagates. The graphic is held for the whole draw.
    void StretchDraw(const TRect& R, std::shared_ptr<const TGraphic> Graphic);

private:
    TPrinter* FPrinter;
};

class TPrinter : public TObject {
public:
    TPrinter();
    // Ends an open job (end page, end document).
    ~TPrinter() override;

    // An information context for the selected printer until the first job,
    // the job's device context from then on (a new information context after
    // an aborted job, until the next job).
    HDC Handle();

    // The document name of later jobs; the job takes its first 31 UTF-16
    // units (30 where the 31st would split a surrogate pair).
    void SetTitle(std::string Title) { FTitle = std::move(Title); }
    const std::string& Title() const { return FTitle; }

    // A job open: EPrinter "印刷中". Otherwise starts a document and its
    // first page; Windows' answers to both are not looked at.
    void BeginDoc();
    // No job open: EPrinter "プリンタに印刷できる状態ではありません".
    void EndDoc();
    // Ends the open job without printing it, and drops its device context
    // (the canvas does so when its drawing fails). No job open: as EndDoc.
    void Abort();
    bool Printing() const { return FPrinting; }
    int PageNumber() const { return FPageNumber; }

    TPrinterCanvas* Canvas() { return &FCanvas; }

    // The selected printer (the default one selected first if none is) and a
    // copy of its DEVMODE (empty when the driver gave none).
    std::string PrinterName();
    std::vector<BYTE> DevMode();
    // Makes Name with DevMode the selected printer and drops the handle.
    // Refused with EPrinter "印刷中" while a job is open.
    void SetPrinter(const std::string& Name, std::vector<BYTE> DevMode);

private:
    void SelectDefaultPrinter();
    void EnsurePrinter();
    UniqueDc CreateContext(bool InformationOnly);
    const DEVMODEW* DevModeData() const;

    std::wstring FDevice;
    std::vector<BYTE> FDevMode;
    UniqueDc FDc;
    bool FDcIsInformation = false;
    std::string FTitle;
    bool FPrinting = false;
    int FPageNumber = 0;
    TPrinterCanvas FCanvas{this};
};

// One per application, created on first use; destroyed (ending an open
// job) when the program ends.
TPrinter* Printer();

// The UTF-16 document name a job gets for Title.
std::wstring PrinterDocumentName(const std::string& Title);
