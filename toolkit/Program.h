#pragma once
// The program's outermost frame, called from WinMain.
//
// Sets the floating-point defaults, runs Body (the entry: title, forms,
// Application->Run()), destroys the forms and returns the exit code: 0
// after a normal end. An exception that escapes Body (one raised while the
// windows are created, before the loop runs) is shown in a box titled
// "アプリケーション エラー" (MB_OK | MB_ICONERROR, no owner) and gives 1.
int RunProgram(void (*Body)());
