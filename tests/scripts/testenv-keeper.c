/* Resident Wine process of the test environment. Wine's desktop process
   (explorer.exe) starts with the first program that needs the desktop, keeps
   that program's stdout and stderr, and quits a few seconds after the last
   program leaves; a test runner would then wait for it on every test. This
   program makes the desktop start with the environment's log as its output
   and stays, so the desktop stays too, until wineserver -k ends both. */
#include <windows.h>
#include <stdio.h>

int main(void)
{
    if (!GetDesktopWindow()) return 1;
    puts("ready");
    fflush(stdout);
    for (;;) Sleep(INFINITE);
}
