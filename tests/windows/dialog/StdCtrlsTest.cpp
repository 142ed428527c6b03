// The standard controls' own rules, in-process under Wine: the radio group's
// index, the check box's click event, the edit's length.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/Application.h"
#include "toolkit/StdCtrls.h"

namespace {

class TControlsForm : public TForm {
public:
    TControlsForm();
    TRadioGroup* RadioGroup1 = nullptr;
    TCheckBox* CheckBox1 = nullptr;
    TEdit* Edit1 = nullptr;
    int Clicks = 0;
    void CheckBox1Click(TObject*) { ++Clicks; }
};

TControlsForm::TControlsForm()
{
    Load(TFormResource<TControlsForm>{
        .Caption = "Controls",
        .Left = 40,
        .Top = 30,
        .ClientWidth = 300,
        .ClientHeight = 260,
        .BorderStyle = bsDialog,
        .Font = {.Name = "ＭＳ Ｐゴシック", .Height = -12, .Charset = SHIFTJIS_CHARSET},
        .Rows = {
            Row(&TControlsForm::RadioGroup1, {.Left = 10, .Top = 10, .Width = 280, .Height = 150, .TabOrder = 0,
                                              .Caption = "Group", .Items = {"a", "b", "c", "d", "e"},
                                              .ItemIndex = 0}),
            Row(&TControlsForm::CheckBox1, {.Left = 10, .Top = 170, .Width = 100, .Height = 24, .TabOrder = 1,
                                            .Caption = "Box", .OnClick = &TControlsForm::CheckBox1Click}),
            Row(&TControlsForm::Edit1, {.Left = 10, .Top = 200, .Width = 200, .Height = 24, .TabOrder = 2}),
        },
    });
}

std::vector<HWND> Items(const TRadioGroup& Group)
{
    std::vector<HWND> Result;
    for (HWND W = GetWindow(Group.Handle(), GW_CHILD); W; W = GetWindow(W, GW_HWNDNEXT))
        Result.push_back(W);
    return Result;
}

TEST(RadioGroup, ItemIndexIsKeptInRangeAndFollowsClicks)
{
    TControlsForm F;
    F.Show();
    const auto Buttons = Items(*F.RadioGroup1);
    ASSERT_EQ(5u, Buttons.size());
    auto Expect = [&](int Index) {
        EXPECT_EQ(Index, F.RadioGroup1->ItemIndex());
        for (int I = 0; I < 5; ++I) {
            SCOPED_TRACE(testing::Message() << "item " << I);
            EXPECT_EQ(I == Index ? BST_CHECKED : BST_UNCHECKED, SendMessageW(Buttons[I], BM_GETCHECK, 0, 0));
            // Tab enters the group at the selection, or at the first item.
            bool Stop = GetWindowLongW(Buttons[I], GWL_STYLE) & WS_TABSTOP;
            EXPECT_EQ(I == (Index < 0 ? 0 : Index), Stop);
        }
    };
    Expect(0);
    const struct {
        int Set, Index;
    } Cases[] = {{3, 3}, {3, 3}, {-1, -1}, {-7, -1}, {2, 2}, {5, 4}, {99, 4}, {0, 0}, {-2, -1}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << "set " << C.Set);
        F.RadioGroup1->SetItemIndex(C.Set);
        Expect(C.Index);
    }
    // A click on an item selects it, the others go out.
    for (int I : {3, 1, 1}) {
        SCOPED_TRACE(testing::Message() << "click on " << I);
        SendMessageW(Buttons[I], BM_CLICK, 0, 0);
        Expect(I);
    }
}

TEST(CheckBox, OnClickRunsOnEveryChangeOfStateAndOnlyThen)
{
    TControlsForm F;
    F.Show();
    HWND Box = F.CheckBox1->Handle();
    const struct {
        const char* Step;
        int Set;        // -1: a click on the box
        bool Checked;
        int Clicks;
    } Steps[] = {
        {"unchecked at creation", 0, false, 0}, {"checked by code", 1, true, 1},   {"again", 1, true, 1},
        {"clicked", -1, false, 2},              {"unchecked by code", 0, false, 2}, {"clicked", -1, true, 3},
        {"unchecked by code", 0, false, 4},     {"clicked", -1, true, 5},           {"clicked", -1, false, 6},
    };
    for (const auto& S : Steps) {
        SCOPED_TRACE(S.Step);
        if (S.Set < 0)
            SendMessageW(Box, BM_CLICK, 0, 0);
        else
            F.CheckBox1->SetChecked(S.Set == 1);
        EXPECT_EQ(S.Checked, F.CheckBox1->Checked());
        EXPECT_EQ(S.Checked ? BST_CHECKED : BST_UNCHECKED, SendMessageW(Box, BM_GETCHECK, 0, 0));
        EXPECT_EQ(S.Clicks, F.Clicks);
    }
}

TEST(Edit, TakesTypedTextBeyondTheUsualLimit)
{
    TControlsForm F;
    F.Show();
    HWND Edit = F.Edit1->Handle();
    EXPECT_GE(static_cast<DWORD>(SendMessageW(Edit, EM_GETLIMITTEXT, 0, 0)), 0x7FFFFFFEu);
    // Replacing the selection is held to the limit, as typing is.
    std::wstring Long(40000, L'7');
    Long += L"ミリ";
    SendMessageW(Edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Long.c_str()));
    EXPECT_EQ(40000 + 2 * 3u, F.Edit1->Text().size());   // UTF-8: three bytes per kana
    F.Edit1->SetText("");
    EXPECT_EQ("", F.Edit1->Text());
}

} // namespace
