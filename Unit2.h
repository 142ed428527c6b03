#pragma once
// The settings dialog: shows the five print settings, converts and clamps
// what the user typed, and tells OK from every other way of leaving.
#include <cstdint>

#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

class TForm1;

class TForm2 : public TForm {
public:
    TForm2();

    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TEdit* Edit1 = nullptr;
    TEdit* Edit2 = nullptr;
    TLabel* Label4 = nullptr;
    TLabel* Label5 = nullptr;
    TButton* Button1 = nullptr;
    TButton* Button2 = nullptr;
    TRadioGroup* RadioGroup1 = nullptr;
    TLabel* Label6 = nullptr;
    TEdit* Edit3 = nullptr;
    TLabel* Label7 = nullptr;
    TCheckBox* CheckBox1 = nullptr;

private:
    // The main window writes the five values in before showing the dialog
    // and reads them back afterwards, only when Accepted.
    friend class TForm1;

    bool Accepted = false;
    std::int32_t Mode = 0;
    std::int32_t DotScale = 0;
    double WidthMm = 0.0;
    double HeightMm = 0.0;
    bool KeepRatio = false;

public:
    void Button1Click(TObject* Sender);
    void Button2Click(TObject* Sender);
    void FormShow(TObject* Sender);
    void CheckBox1Click(TObject* Sender);
};

extern TForm2* Form2;
