// Forms built from resource tables: scaling, showing, modal loops,
// automatic scrolling, menu commands and dialog keys.
#include <gtest/gtest.h>

#include "UiTests.h"
#include "rtl/Exceptions.h"
#include "toolkit/Application.h"

namespace {

int ScreenPixelsPerInch()
{
    HDC Screen = GetDC(nullptr);
    int Ppi = GetDeviceCaps(Screen, LOGPIXELSY);
    ReleaseDC(nullptr, Screen);
    return Ppi;
}

// The height of "0" in the Japanese UI font at a given height, measured
// here with plain GDI.
int ZeroHeight(int FontHeight)
{
    HFONT Font = CreateFontW(FontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0, 0, 0,
                             L"ＭＳ Ｐゴシック");
    HDC Screen = GetDC(nullptr);
    HGDIOBJ Old = SelectObject(Screen, Font);
    SIZE Size{};
    GetTextExtentPoint32W(Screen, L"0", 1, &Size);
    SelectObject(Screen, Old);
    ReleaseDC(nullptr, Screen);
    DeleteObject(Font);
    return Size.cy;
}

RECT ClientRect(HWND Window)
{
    RECT R{};
    GetClientRect(Window, &R);
    return R;
}

TEST(FormResource, FontFollowsTheScreenAndControlsTheMeasuredTextHeight)
{
    const int Ppi = ScreenPixelsPerInch();
    const int FontHeight = MulDiv(-12, Ppi, 96);
    const int Zero = ZeroHeight(FontHeight);
    ASSERT_GT(Zero, 0);
    // The design text height decides: equal to what this screen measures,
    // nothing moves; otherwise everything scales by measured / design.
    for (int TextHeight : {Zero, 12, 2 * Zero, 7}) {
        SCOPED_TRACE(testing::Message() << "ppi " << Ppi << ", measured " << Zero << ", design " << TextHeight);
        auto R = PlainResource();
        R.ClientWidth = 382;
        R.ClientHeight = 219;
        R.TextHeight = TextHeight;
        R.Rows = {Row(&TTestForm::Image1, {.Left = 10, .Top = 20, .Width = 105, .Height = 51})};
        TTestForm F(R);
        auto S = [&](int V) { return MulDiv(V, Zero, TextHeight); };
        LOGFONTW Font{};
        GetObjectW(F.Font(), sizeof Font, &Font);
        EXPECT_EQ(FontHeight, Font.lfHeight);
        EXPECT_EQ(SHIFTJIS_CHARSET, Font.lfCharSet);
        EXPECT_EQ(S(10), F.Image1->Left());
        EXPECT_EQ(S(20), F.Image1->Top());
        EXPECT_EQ(S(105), F.Image1->Width());
        EXPECT_EQ(S(51), F.Image1->Height());
        RECT Window{};
        GetWindowRect(F.Image1->Handle(), &Window);
        EXPECT_EQ(S(105), Window.right - Window.left);
        EXPECT_EQ(S(382), F.ClientWidth());
        EXPECT_EQ(S(219), F.ClientHeight());
    }
}

TEST(FormResource, OuterSizeAndPositionStayAsDesigned)
{
    auto R = PlainResource();
    R.ClientWidth = R.ClientHeight = 0;
    R.Left = 192;
    R.Top = 107;
    R.Width = 696;
    R.Height = 480;
    R.TextHeight = 7;   // the controls would scale; the window must not
    TTestForm F(R);
    RECT Window{};
    GetWindowRect(F.Handle(), &Window);
    EXPECT_EQ(192, Window.left);
    EXPECT_EQ(107, Window.top);
    EXPECT_EQ(696, Window.right - Window.left);
    EXPECT_EQ(480, Window.bottom - Window.top);
    EXPECT_FALSE(IsWindowVisible(F.Handle()));
}

TEST(Form, OnShowRunsOnEachPassageFromHiddenToShownBeforeDrawing)
{
    TTestForm F(PlainResource());
    int Shows = 0;
    bool VisibleInHandler = true;
    F.OnShow = [&](TObject* Sender) {
        EXPECT_EQ(&F, Sender);
        ++Shows;
        VisibleInHandler = IsWindowVisible(F.Handle());
    };
    F.Show();
    EXPECT_EQ(1, Shows);
    EXPECT_FALSE(VisibleInHandler);
    F.Show();
    ShowWindow(F.Handle(), SW_MINIMIZE);
    PumpFor(100);
    ShowWindow(F.Handle(), SW_RESTORE);
    PumpFor(100);
    EXPECT_EQ(1, Shows);
    F.Hide();
    F.Show();
    EXPECT_EQ(2, Shows);
}

TEST(Form, ShowModalDisablesTheOtherWindowsUntilItEnds)
{
    TTestForm Main(PlainResource());
    Main.Show();
    // How the modal form ends, and what ShowModal then returns.
    const struct {
        const char* How;
        int Result;
    } Cases[] = {{"Close", mrCancel}, {"WM_CLOSE", mrCancel}, {"ModalResult", mrOk}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.How);
        auto R = PlainResource();
        R.BorderStyle = bsDialog;
        R.Rows = {Row(&TTestForm::Timer1)};
        TTestForm Dialog(R);
        bool MainEnabled = true, DialogVisible = false;
        int Shows = 0;
        Dialog.OnShow = [&](TObject*) { ++Shows; };
        Dialog.Timer1->SetInterval(50);
        Dialog.Timer1->SetOnTimer([&](TObject*) {
            Dialog.Timer1->SetEnabled(false);
            MainEnabled = IsWindowEnabled(Main.Handle());
            DialogVisible = IsWindowVisible(Dialog.Handle());
            std::string How = C.How;
            if (How == "Close")
                Dialog.Close();
            else if (How == "WM_CLOSE")
                PostMessageW(Dialog.Handle(), WM_CLOSE, 0, 0);
            else
                Dialog.SetModalResult(mrOk);
        });
        EXPECT_EQ(C.Result, Dialog.ShowModal());
        EXPECT_EQ(1, Shows);
        EXPECT_FALSE(MainEnabled);
        EXPECT_TRUE(DialogVisible);
        EXPECT_TRUE(IsWindowEnabled(Main.Handle()));
        EXPECT_FALSE(IsWindowVisible(Dialog.Handle()));
    }
}

TEST(Form, ShowModalRefusesAVisibleForm)
{
    TTestForm F(PlainResource());
    F.Show();
    EXPECT_THROW(F.ShowModal(), Exception);
}

bool HasStyle(HWND Window, DWORD Style)
{
    return (GetWindowLongW(Window, GWL_STYLE) & Style) != 0;
}

TEST(Form, ScrollBarsAppearWhenAControlReachesPastTheClientArea)
{
    auto R = PlainResource();   // 300 x 200 client
    R.Rows = {Row(&TTestForm::Image1, {.Left = 0, .Top = 0, .Width = 105, .Height = 105})};
    TTestForm F(R);
    F.Show();
    EXPECT_FALSE(HasStyle(F.Handle(), WS_HSCROLL));
    EXPECT_FALSE(HasStyle(F.Handle(), WS_VSCROLL));

    F.Image1->SetWidth(500);
    EXPECT_TRUE(HasStyle(F.Handle(), WS_HSCROLL));
    EXPECT_FALSE(HasStyle(F.Handle(), WS_VSCROLL));

    // Paging right moves the control left by what was scrolled.
    SendMessageW(F.Handle(), WM_HSCROLL, SB_PAGEDOWN, 0);
    EXPECT_GT(F.ScrollX(), 0);
    EXPECT_EQ(-F.ScrollX(), F.Image1->Left());
    SendMessageW(F.Handle(), WM_HSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(500, F.ScrollX() + ClientRect(F.Handle()).right);
    RECT Image{};
    GetWindowRect(F.Image1->Handle(), &Image);
    MapWindowPoints(nullptr, F.Handle(), reinterpret_cast<POINT*>(&Image), 2);
    EXPECT_EQ(F.Image1->Left(), Image.left);

    F.Image1->SetHeight(400);
    EXPECT_TRUE(HasStyle(F.Handle(), WS_VSCROLL));

    // Back inside: the bars go and the control returns to its place.
    F.Image1->SetHeight(50);
    F.Image1->SetWidth(50);
    EXPECT_FALSE(HasStyle(F.Handle(), WS_HSCROLL));
    EXPECT_FALSE(HasStyle(F.Handle(), WS_VSCROLL));
    EXPECT_EQ(0, F.Image1->Left());
    EXPECT_EQ(0, F.Image1->Top());
    EXPECT_EQ(50, F.Image1->Width());
}

TEST(Form, MenuCommandsDispatchTheirItemsOnClick)
{
    std::vector<TObject*> Clicked;
    auto R = PlainResource();
    R.Menu = &TTestForm::MainMenu1;
    R.Rows = {Row(&TTestForm::MainMenu1, {}, {
        Row(&TTestForm::MnuFile, {.Caption = "File(&F)"}, {
            Row(&TTestForm::MnuOpen, {.Caption = "Open(&O)"}),
        }),
        Row(&TTestForm::MnuRun, {.Caption = "Run(&R)"}),
    })};
    TTestForm F(R);
    for (TMenuItem* Item : {F.MnuOpen, F.MnuRun})
        Item->OnClick = [&](TObject* Sender) {
            Clicked.push_back(Sender);
            throw EAbort();   // reaches the application's handler, silently
        };
    HMENU Bar = GetMenu(F.Handle());
    ASSERT_EQ(F.MainMenu1->Handle(), Bar);
    ASSERT_EQ(2, GetMenuItemCount(Bar));
    wchar_t Text[64];
    GetMenuStringW(Bar, 0, Text, 64, MF_BYPOSITION);
    EXPECT_STREQ(L"File(&F)", Text);
    GetMenuStringW(Bar, 1, Text, 64, MF_BYPOSITION);
    EXPECT_STREQ(L"Run(&R)", Text);
    HMENU DropDown = GetSubMenu(Bar, 0);
    ASSERT_NE(nullptr, DropDown);
    EXPECT_EQ(nullptr, GetSubMenu(Bar, 1));
    EXPECT_EQ(F.MnuOpen->Command(), GetMenuItemID(DropDown, 0));
    EXPECT_EQ(F.MnuRun->Command(), GetMenuItemID(Bar, 1));

    SendMessageW(F.Handle(), WM_COMMAND, MAKEWPARAM(F.MnuRun->Command(), 0), 0);
    SendMessageW(F.Handle(), WM_COMMAND, MAKEWPARAM(F.MnuOpen->Command(), 0), 0);
    EXPECT_EQ((std::vector<TObject*>{F.MnuRun, F.MnuOpen}), Clicked);
}

TEST(Form, DialogKeysReachTheDefaultCancelAndFocusedButtons)
{
    auto R = PlainResource();
    R.Rows = {
        Row(&TTestForm::Button1, {.Left = 10, .Top = 10, .Width = 80, .Height = 30, .TabOrder = 0,
                                  .Caption = "OK(&Y)", .Default = true}),
        Row(&TTestForm::Button2, {.Left = 100, .Top = 10, .Width = 80, .Height = 30, .TabOrder = 1,
                                  .Caption = "Cancel(&N)", .Cancel = true}),
        Row(&TTestForm::Button3, {.Left = 190, .Top = 10, .Width = 80, .Height = 30, .TabOrder = 2,
                                  .Caption = "Other"}),
    };
    TTestForm F(R);
    F.Show();
    ASSERT_TRUE(F.WantsDialogKeys());
    auto Press = [&](UINT Key) {
        HWND Target = GetFocus() ? GetFocus() : F.Handle();
        PostMessageW(Target, WM_KEYDOWN, Key, 1);
        PostMessageW(Target, WM_KEYUP, Key, 0xC0000001);
        PumpFor(100);
    };
    const struct {
        TTestButton* Focus;   // null: the focus stays on the form
        UINT Key;
        TTestButton* Clicked;
    } Cases[] = {
        {nullptr, VK_RETURN, F.Button1},  {nullptr, VK_ESCAPE, F.Button2},
        {F.Button1, VK_RETURN, F.Button1}, {F.Button2, VK_RETURN, F.Button2},
        {F.Button3, VK_RETURN, F.Button3}, {F.Button3, VK_ESCAPE, F.Button2},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << "key " << C.Key << ", focus " << (C.Focus ? C.Focus->Text() : "form"));
        SetFocus(C.Focus ? C.Focus->Handle() : F.Handle());
        int Before[3] = {F.Button1->Clicks, F.Button2->Clicks, F.Button3->Clicks};
        Press(C.Key);
        TTestButton* Buttons[3] = {F.Button1, F.Button2, F.Button3};
        for (int I = 0; I < 3; ++I)
            EXPECT_EQ(Before[I] + (Buttons[I] == C.Clicked ? 1 : 0), Buttons[I]->Clicks) << "button " << I + 1;
    }
    // Tab moves through the buttons in tab order.
    SetFocus(F.Button1->Handle());
    Press(VK_TAB);
    EXPECT_EQ(F.Button2->Handle(), GetFocus());
}

} // namespace
