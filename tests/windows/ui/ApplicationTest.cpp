// The application's error box and its final period.
#include <gtest/gtest.h>

#include "UiTests.h"
#include "rtl/Exceptions.h"
#include "toolkit/Application.h"

namespace {

TEST(ErrorText, GetsAPeriodWhenItsLastCharacterSortsAboveThePeriod)
{
    const struct {
        const char* Text;
        const char* Shown;
    } Cases[] = {
        {"", ""},
        {"abc", "abc."},
        {"abc.", "abc."},
        {"abc-", "abc-"},         // 0x2D sorts below
        {"abc ", "abc "},
        {"a!", "a!"},
        {"a/", "a/."},            // 0x2F sorts above
        {"A1", "A1."},
        {"?", "?."},
        {"タイマーを取得できません", "タイマーを取得できません."},
        {"範囲チェックエラー", "範囲チェックエラー."},
        {"末尾。", "末尾。."},       // any non-ASCII character counts as above
        {"Win32 エラー。コード : 5.\nアクセスが拒否されました。", "Win32 エラー。コード : 5.\nアクセスが拒否されました。."},
        {"line\n", "line\n"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(C.Shown, WithFinalPeriod(C.Text)) << C.Text;
}

TEST(ErrorBox, ShowsTheMessageWithItsPeriodCaptionedWithTheTitle)
{
    Application->SetTitle("Wendrask");
    TTestForm Main(PlainResource());
    Main.Show();
    SeenBox Box = WatchMessageBox(
        [] {
            try {
                throw EOutOfResources("タイマーを取得できません");
            } catch (...) {
                Application->HandleException(nullptr);
            }
        },
        Main.Handle());
    EXPECT_TRUE(Box.Shown);
    EXPECT_EQ("Wendrask", Box.Caption);
    EXPECT_EQ("タイマーを取得できません.", Box.Text);
    EXPECT_EQ(Application->Handle(), Box.Owner);
    EXPECT_FALSE(Box.MainWasEnabled);
    EXPECT_TRUE(IsWindowEnabled(Main.Handle()));
}

TEST(ErrorBox, AnAbortShowsNothing)
{
    SeenBox Box = WatchMessageBox([] {
        try {
            throw EAbort();
        } catch (...) {
            Application->HandleException(nullptr);
        }
    });
    EXPECT_FALSE(Box.Shown);
}

TEST(ErrorBox, ExceptionsFromOutsideTheLibraryStillGetAMessage)
{
    SeenBox Box = WatchMessageBox([] {
        try {
            throw 42;
        } catch (...) {
            Application->HandleException(nullptr);
        }
    });
    EXPECT_TRUE(Box.Shown);
    EXPECT_FALSE(Box.Text.empty());
}

TEST(Application, TitleIsTheApplicationWindowText)
{
    Application->SetTitle("Wendrask");
    wchar_t Text[64] = {};
    GetWindowTextW(Application->Handle(), Text, 64);
    EXPECT_STREQ(L"Wendrask", Text);
}

} // namespace
