#pragma once
// The main window: picture view, clipboard poll and the menu commands.
#include <cstdint>

#include "toolkit/Dialogs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/Menus.h"

class TForm1 : public TForm {
public:
    TForm1();

    TMainMenu* MainMenu1 = nullptr;
    TMenuItem* MnuFile = nullptr;
    TMenuItem* MnuPrinterSet = nullptr;
    TMenuItem* MnuExit = nullptr;
    TPrinterSetupDialog* PrinterSetupDialog1 = nullptr;
    TImage* Image1 = nullptr;
    TTimer* Timer1 = nullptr;
    TMenuItem* MnuSet = nullptr;

private:
    std::int32_t Mode = 0;
    double WidthMm = 0.0;
    double HeightMm = 0.0;
    std::int32_t DotScale = 0;
    bool KeepRatio = false;

public:
    void FormShow(TObject* Sender);
    void MnuExitClick(TObject* Sender);
    void MnuPrinterSetClick(TObject* Sender);
    void MnuSetClick(TObject* Sender);
    void Timer1Timer(TObject* Sender);

private:
    void PrintPicture();
};

extern TForm1* Form1;
