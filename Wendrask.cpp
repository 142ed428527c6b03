// The program's entry.
#include <windows.h>

#include "Unit1.h"
#include "Unit2.h"
#include "toolkit/Application.h"
#include "toolkit/Program.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return RunProgram([] {
        Application->Initialize();
        Application->SetTitle("Wendrask");
        Application->CreateForm(Form1);
        Application->CreateForm(Form2);
        Application->Run();
    });
}
