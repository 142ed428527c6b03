// The main window as its resource builds it.
#include <gtest/gtest.h>

#include "UiTests.h"
#include "Unit1.h"

namespace {

std::wstring MenuText(HMENU Menu, int Position)
{
    wchar_t Text[64] = {};
    GetMenuStringW(Menu, Position, Text, 64, MF_BYPOSITION);
    return Text;
}

TEST(MainForm, ResourceBuildsTheWindowMenuPictureViewAndTimer)
{
    TForm1 F;
    HWND W = F.Handle();
    RECT Window{};
    GetWindowRect(W, &Window);
    EXPECT_EQ(192, Window.left);
    EXPECT_EQ(107, Window.top);
    EXPECT_EQ(696, Window.right - Window.left);
    EXPECT_EQ(480, Window.bottom - Window.top);
    EXPECT_EQ("Wendrask", F.Caption());
    EXPECT_FALSE(IsWindowVisible(W));
    DWORD Style = GetWindowLongW(W, GWL_STYLE);
    for (DWORD Bit : {DWORD(WS_CAPTION), DWORD(WS_THICKFRAME), DWORD(WS_SYSMENU), DWORD(WS_MINIMIZEBOX),
                      DWORD(WS_MAXIMIZEBOX)})
        EXPECT_EQ(Bit, Style & Bit);
    EXPECT_EQ(clBtnFace, F.Color());

    HMENU Bar = GetMenu(W);
    ASSERT_EQ(F.MainMenu1->Handle(), Bar);
    ASSERT_EQ(2, GetMenuItemCount(Bar));
    EXPECT_EQ(L"File(&F)", MenuText(Bar, 0));
    EXPECT_EQ(L"Set(&S)", MenuText(Bar, 1));
    EXPECT_EQ(nullptr, GetSubMenu(Bar, 1));
    EXPECT_EQ(F.MnuSet->Command(), GetMenuItemID(Bar, 1));
    HMENU File = GetSubMenu(Bar, 0);
    ASSERT_EQ(2, GetMenuItemCount(File));
    EXPECT_EQ(L"PrinterSet(&P)", MenuText(File, 0));
    EXPECT_EQ(L"Exit(&X)", MenuText(File, 1));
    EXPECT_EQ(F.MnuPrinterSet->Command(), GetMenuItemID(File, 0));
    EXPECT_EQ(F.MnuExit->Command(), GetMenuItemID(File, 1));
    for (TMenuItem* Item : {F.MnuPrinterSet, F.MnuExit, F.MnuSet})
        EXPECT_TRUE(Item->OnClick);
    EXPECT_NE(nullptr, F.PrinterSetupDialog1);

    // The picture view scales with the measured text height against 12.
    LOGFONTW Font{};
    GetObjectW(F.Font(), sizeof Font, &Font);
    EXPECT_STREQ(L"ＭＳ Ｐゴシック", Font.lfFaceName);
    EXPECT_EQ(MulDiv(-12, F.ScreenPixelsPerInch(), 96), Font.lfHeight);
    EXPECT_EQ(0, F.Image1->Left());
    EXPECT_EQ(0, F.Image1->Top());
    EXPECT_EQ(F.Scale(105), F.Image1->Width());
    EXPECT_EQ(F.Scale(105), F.Image1->Height());
    EXPECT_EQ(nullptr, F.Image1->Picture()->Graphic());

    // Counting from its creation, once its handler was bound.
    EXPECT_TRUE(F.Timer1->Enabled());
    EXPECT_EQ(1000, F.Timer1->Interval());
    EXPECT_TRUE(F.Timer1->Running());
}

} // namespace
