#include "Unit2.h"

#include "core/SettingsText.h"

TForm2* Form2 = nullptr;

namespace {

const TFormResource<TForm2> Form2Resource = {
    .Caption = "Set",
    .Left = 200,
    .Top = 114,
    .ClientWidth = 382,
    .ClientHeight = 419,
    .BorderStyle = bsDialog,
    // A dialog frame shows no minimise button, whatever is asked.
    .BorderIcons = biSystemMenu | biMinimize,
    .Color = clBtnFace,
    .Font = {.Name = "ＭＳ Ｐゴシック", .Height = -15, .Charset = SHIFTJIS_CHARSET, .Color = clWindowText},
    .PixelsPerInch = 120,
    .TextHeight = 15,
    .OnShow = &TForm2::FormShow,
    .Rows = {
        Row(&TForm2::RadioGroup1, {.Left = 10, .Top = 10, .Width = 361, .Height = 181, .TabOrder = 0,
                                   .Caption = "Selection",
                                   .Items = {"fit", "1 dot = N printer pixel (Left)",
                                             "1 dot = N printer pixel (Center)",
                                             "Specify the printing size (Left)",
                                             "Specify the printing size (Center)"},
                                   .ItemIndex = 0}),
        Row(&TForm2::Label6, {.Left = 8, .Top = 200, .Width = 167, .Height = 15,
                              .Caption = "(1 dot = N printer pixel(s))"}),
        Row(&TForm2::Label7, {.Left = 16, .Top = 224, .Width = 13, .Height = 15, .Caption = "N:"}),
        Row(&TForm2::Edit3, {.Left = 72, .Top = 224, .Width = 153, .Height = 23, .TabOrder = 1, .Caption = "Edit3"}),
        Row(&TForm2::Label1, {.Left = 10, .Top = 264, .Width = 203, .Height = 15,
                              .Caption = "(if you specify the printing size)"}),
        Row(&TForm2::Label2, {.Left = 10, .Top = 294, .Width = 36, .Height = 15, .Caption = "width:"}),
        Row(&TForm2::Edit1, {.Left = 70, .Top = 284, .Width = 151, .Height = 23, .TabOrder = 2, .Caption = "Edit1"}),
        Row(&TForm2::Label4, {.Left = 230, .Top = 294, .Width = 22, .Height = 15, .Caption = "mm"}),
        Row(&TForm2::CheckBox1, {.Left = 272, .Top = 280, .Width = 105, .Height = 33, .TabOrder = 6,
                                 .Caption = "Ratio 1:1", .Checked = false, .OnClick = &TForm2::CheckBox1Click}),
        Row(&TForm2::Label3, {.Left = 10, .Top = 334, .Width = 42, .Height = 15, .Caption = "height:"}),
        Row(&TForm2::Edit2, {.Left = 70, .Top = 324, .Width = 151, .Height = 23, .TabOrder = 3, .Caption = "Edit2"}),
        Row(&TForm2::Label5, {.Left = 230, .Top = 334, .Width = 22, .Height = 15, .Caption = "mm"}),
        Row(&TForm2::Button1, {.Left = 130, .Top = 366, .Width = 111, .Height = 41, .TabOrder = 4,
                               .Caption = "OK(&Y)", .Default = true, .OnClick = &TForm2::Button1Click}),
        Row(&TForm2::Button2, {.Left = 260, .Top = 366, .Width = 111, .Height = 41, .TabOrder = 5,
                               .Caption = "Cancel(&N)", .Cancel = true, .OnClick = &TForm2::Button2Click}),
    },
};

} // namespace

TForm2::TForm2()
{
    Load(Form2Resource);
}

void TForm2::Button1Click(TObject*)
{
    for (TEdit* Edit : {Edit1, Edit2, Edit3})
        if (Edit->Text().empty())
            Edit->SetText("0");
    // Each value is stored before the next edit is read: a width too large
    // for a double stops here with the height and N left as they were.
    WidthMm = MillimetresFromText(Edit1->Text());
    HeightMm = MillimetresFromText(Edit2->Text());
    DotScale = DotScaleFromText(Edit3->Text());
    Mode = RadioGroup1->ItemIndex();
    KeepRatio = CheckBox1->Checked();
    Accepted = true;
    Close();
}

void TForm2::Button2Click(TObject*)
{
    Accepted = false;
    Close();
}

void TForm2::FormShow(TObject*)
{
    RadioGroup1->SetItemIndex(Mode);
    Edit1->SetText(NumberToText(WidthMm));
    Edit2->SetText(NumberToText(HeightMm));
    Edit3->SetText(NumberToText(static_cast<double>(DotScale)));
    // Runs CheckBox1Click when it changes the box.
    CheckBox1->SetChecked(KeepRatio);
    Accepted = false;
}

void TForm2::CheckBox1Click(TObject*)
{
    Edit2->SetEnabled(!CheckBox1->Checked());
}
