#include "Unit1.h"

#include "Unit2.h"
#include "core/Placement.h"
#include "toolkit/Clipbrd.h"
#include "toolkit/Printers.h"

TForm1* Form1 = nullptr;

namespace {

const TFormResource<TForm1> Form1Resource = {
    .Caption = "Wendrask",
    .Left = 192,
    .Top = 107,
    .Width = 696,
    .Height = 480,
    .BorderStyle = bsSizeable,
    .BorderIcons = biSystemMenu | biMinimize | biMaximize,
    .Color = clBtnFace,
    .Font = {.Name = "ＭＳ Ｐゴシック", .Height = -12, .Charset = SHIFTJIS_CHARSET, .Color = clWindowText},
    .PixelsPerInch = 96,
    .TextHeight = 12,
    .Menu = &TForm1::MainMenu1,
    .OnShow = &TForm1::FormShow,
    .Rows = {
        Row(&TForm1::MainMenu1, {}, {
            Row(&TForm1::MnuFile, {.Caption = "File(&F)"}, {
                Row(&TForm1::MnuPrinterSet, {.Caption = "PrinterSet(&P)", .OnClick = &TForm1::MnuPrinterSetClick}),
                Row(&TForm1::MnuExit, {.Caption = "Exit(&X)", .OnClick = &TForm1::MnuExitClick}),
            }),
            Row(&TForm1::MnuSet, {.Caption = "Set(&S)", .OnClick = &TForm1::MnuSetClick}),
        }),
        Row(&TForm1::PrinterSetupDialog1),
        Row(&TForm1::Image1, {.Left = 0, .Top = 0, .Width = 105, .Height = 105}),
        Row(&TForm1::Timer1, {.OnTimer = &TForm1::Timer1Timer}),
    },
};

} // namespace

TForm1::TForm1()
{
    Load(Form1Resource);
}

void TForm1::FormShow(TObject*)
{
    Mode = 0;
    WidthMm = 100.0;
    HeightMm = 100.0;
    DotScale = 1;
    KeepRatio = true;
}

void TForm1::MnuExitClick(TObject*)
{
    Close();
}

void TForm1::MnuPrinterSetClick(TObject*)
{
    Timer1->SetEnabled(false);
    PrinterSetupDialog1->Execute();
    Timer1->SetInterval(1000);
    Timer1->SetEnabled(true);
}

void TForm1::MnuSetClick(TObject*)
{
    Timer1->SetEnabled(false);
    Form2->Mode = Mode;
    Form2->WidthMm = WidthMm;
    Form2->HeightMm = HeightMm;
    Form2->DotScale = DotScale;
    Form2->KeepRatio = KeepRatio;
    // Every way of leaving gives the same modal result; only Accepted
    // tells OK from the rest.
    Form2->ShowModal();
    if (Form2->Accepted) {
        Mode = Form2->Mode;
        WidthMm = Form2->WidthMm;
        HeightMm = Form2->HeightMm;
        DotScale = Form2->DotScale;
        KeepRatio = Form2->KeepRatio;
    }
    Timer1->SetInterval(1000);
    Timer1->SetEnabled(true);
}

void TForm1::Timer1Timer(TObject*)
{
    Timer1->SetEnabled(false);
    if (Clipboard()->HasPicture()) {
        Image1->Picture()->Assign(Clipboard());
        Image1->SetHeight(Image1->Picture()->Height());
        Image1->SetWidth(Image1->Picture()->Width());
        Clipboard()->Clear();
        PrintPicture();
    }
    Timer1->SetInterval(1000);
    Timer1->SetEnabled(true);
}

void TForm1::PrintPicture()
{
    std::int32_t PictureWidth = Image1->Width();
    std::int32_t PictureHeight = Image1->Height();
    // The job draws the picture it was measured for: a tick run by the abort
    // procedure inside BeginDoc may put another one into Image1.
    auto Graphic = Image1->Picture()->Graphic();
    std::int32_t DpiX = GetDeviceCaps(Printer()->Handle(), LOGPIXELSX);
    std::int32_t DpiY = GetDeviceCaps(Printer()->Handle(), LOGPIXELSY);
    std::int32_t PrintableWidth = GetDeviceCaps(Printer()->Handle(), HORZRES);
    std::int32_t PrintableHeight = GetDeviceCaps(Printer()->Handle(), VERTRES);
    PrintSettings Settings{Mode, WidthMm, HeightMm, DotScale, KeepRatio};
    PrintRect Rect = ComputePrintRect(PictureWidth, PictureHeight, DpiX, DpiY, PrintableWidth, PrintableHeight,
                                      Settings);
    Printer()->SetTitle("Wendrask");
    Printer()->BeginDoc();
    Printer()->Canvas()->StretchDraw(TRect{Rect.Left, Rect.Top, Rect.Right, Rect.Bottom}, Graphic);
    Printer()->EndDoc();
}
