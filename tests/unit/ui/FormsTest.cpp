#include <gtest/gtest.h>

#include "ui/FolderDialog.h"
#include "ui/Forms.h"
#include "ui/headless/HeadlessBackend.h"

namespace lorvel::ui {
namespace {

struct FormsTest : ::testing::Test {
    HeadlessBackend ui;
    BackForm back{ui};
    MainForm main{ui, back};
    StatusForm status{ui, main, back};
    CustomDlgForm dialog{ui, main.lblFormShare};
    unsigned paused = 0;
    std::function<void(unsigned)> pause = [this](unsigned ms) { paused += ms; };

    FormsTest()
    {
        for (Form* form : std::initializer_list<Form*>{&back, &main, &status, &dialog}) form->Create();
    }
};

TEST_F(FormsTest, ProgressClampsTheBarAndLabelsWhatItShows)
{
    struct Row { int percent, done, all; int position; std::string label; };
    const Row rows[] = {
        {45, 9, 20, 45, "45%(9/20)"}, {130, 9, 20, 100, "100%(9/20)"}, {-5, 0, 0, 0, "0%(0/0)"},
        {33, 1, 3, 33, "33%(1/3)"},
    };
    for (const Row& row : rows) {
        status.SetProgress(row.percent, row.done, row.all);
        EXPECT_EQ(status.prgStatus.Position(), row.position);
        EXPECT_EQ(status.lblStatus.Caption(), row.label);
    }
    EXPECT_FALSE(status.fraStatus.Visible());
    status.ShowProgress(true);
    EXPECT_TRUE(status.fraStatus.Showing());
}

TEST_F(FormsTest, TheProgressWindowCannotBeClosedFromItsMenu)
{
    EXPECT_TRUE(status.SystemCloseDisabled());
    EXPECT_FALSE(status.btnAbort.Enabled());
}

TEST_F(FormsTest, AbortAnsweredNoChangesNothing)
{
    status.EnableAbort(true);
    status.Show();
    ui.Answer(box::kNo);
    status.btnAbort.Press();
    EXPECT_FALSE(status.AbortSignal());
    EXPECT_TRUE(status.Visible());
    EXPECT_FALSE(back.Enabled());
    ASSERT_EQ(ui.Boxes().size(), 1u);
    EXPECT_EQ(ui.Boxes()[0].caption, "中断の確認");
    EXPECT_EQ(ui.Boxes()[0].text,
              "ここでセットアップを中断すると，すでにコピー済みのファイルは削除されません．\r"
              "一度，セットアップを完了してから，アンセットアップ(アンインストール)することをおすすめします．\r\r"
              "本当にセットアップを中断しますか？");
    EXPECT_EQ(ui.Boxes()[0].flags, 36);
}

TEST_F(FormsTest, AbortAnsweredYesSignalsClosesAndEndsTheWizard)
{
    status.EnableAbort(true);
    status.Show();
    ui.Answer(box::kYes);
    status.btnAbort.Press();
    EXPECT_TRUE(status.AbortSignal());
    EXPECT_FALSE(main.Enabled());
    EXPECT_TRUE(back.Enabled());
    EXPECT_FALSE(status.Visible());
    EXPECT_EQ(main.ModalResult(), kModalOk);
    ASSERT_EQ(ui.Boxes().size(), 2u);
    EXPECT_EQ(ui.Boxes()[1].text, "セットアップを中断しました．");
    EXPECT_EQ(ui.Boxes()[1].caption, "中断");
    EXPECT_EQ(ui.Boxes()[1].flags, 48);
}

TEST_F(FormsTest, TheFolderBrowseAddsADelimiterAndACancelChangesNothing)
{
    main.btnRefer.SetEnabled(true);
    main.grpSetupFolder.SetVisible(true);
    main.txtFolder.SetCaption("C:\\Old\\");
    ui.BrowseAnswer(std::nullopt);
    main.btnRefer.Press();
    EXPECT_EQ(main.txtFolder.Caption(), "C:\\Old\\");
    ui.BrowseAnswer("C:\\Tools");
    main.btnRefer.Press();
    EXPECT_EQ(main.txtFolder.Caption(), "C:\\Tools\\");
    ui.BrowseAnswer("D:\\");
    main.btnRefer.Press();
    EXPECT_EQ(main.txtFolder.Caption(), "D:\\");
    EXPECT_EQ(ui.Log().back(), "browse セットアップフォルダを選択してください． 1");
}

TEST(FolderDialogTest, OptionsMapToShellFlags)
{
    struct Row { FolderDlgOptions options; unsigned flags; };
    const Row rows[] = {
        {{}, 0},
        {{FolderDlgOption::bifReturnOnlyFSDirs}, 0x1},
        {{FolderDlgOption::bifBrowseForComputer, FolderDlgOption::bifStatusText}, 0x1004},
        {{FolderDlgOption::bifBrowseForPrinter, FolderDlgOption::bifDontGoBelowDomain,
          FolderDlgOption::bifReturnFSAncestors},
         0x200A},
    };
    for (const Row& row : rows) {
        FolderDialog dialog;
        dialog.Option = row.options;
        EXPECT_EQ(dialog.Flags(), row.flags);
    }
    FolderDialog dialog;
    EXPECT_EQ(dialog.Flags(), 0x1u) << "the default option";
}

int g_callbackCalls = 0;
std::intptr_t g_callbackParameter = 0;
int NoteBrowseCall(void*, unsigned, std::intptr_t, std::intptr_t parameter)
{
    ++g_callbackCalls;
    g_callbackParameter = parameter;
    return 0;
}

TEST_F(FormsTest, TheBrowsePassesRootAndCallbackThroughAndKeepsTheNameWhenCancelled)
{
    static const char root[] = "an item list";
    struct Row { std::optional<std::string> answer; bool chosen; std::string folder; };
    const Row rows[] = {{std::string("E:\\Chosen"), true, "E:\\Chosen"}, {std::nullopt, false, "C:\\Before"}};
    for (const Row& row : rows) {
        g_callbackCalls = 0;
        FolderDialog dialog;
        dialog.FolderName = "C:\\Before";
        dialog.Root = root;
        dialog.Callback = NoteBrowseCall;
        dialog.CallbackParameter = 0x1234;
        ui.BrowseAnswer(row.answer);
        EXPECT_EQ(dialog.Execute(main), row.chosen);
        EXPECT_EQ(dialog.FolderName, row.folder);
        ASSERT_FALSE(ui.Browses().empty());
        EXPECT_EQ(ui.Browses().back().root, root);
        EXPECT_EQ(ui.Browses().back().flags, 0x1u);
        EXPECT_EQ(g_callbackCalls, 1);
        EXPECT_EQ(g_callbackParameter, 0x1234);
        EXPECT_EQ(dialog.CallbackParameter, 0x1234);
    }
}

TEST_F(FormsTest, TheDetailsViewWaitsForContinue)
{
    status.Show();
    int shownWithDetails = 0;
    ui.During([&] { return main.Visible() && main.btnEvent.Caption() == "続行(&C)"; },
              [&] {
                  ++shownWithDetails;
                  EXPECT_FALSE(status.Visible());
                  EXPECT_TRUE(main.fraReadme.Showing());
                  EXPECT_EQ(main.fraReadme.Caption(), "作成・コピー処理失敗　詳細表示");
                  EXPECT_EQ(main.txtReadme.Caption(), "<File> C:\\A\r\nerror\r\n\r\n");
                  main.btnEvent.Press();
              });
    main.ShowDetails("作成・コピー処理失敗　詳細表示", "<File> C:\\A\r\nerror\r\n\r\n", status, pause);
    EXPECT_EQ(shownWithDetails, 1);
    EXPECT_FALSE(main.Visible());
    EXPECT_TRUE(status.Visible());
    EXPECT_FALSE(main.btnEvent.Enabled());
    EXPECT_GE(paused, 700u);
    EXPECT_FALSE(ui.Stalled());
}

TEST_F(FormsTest, TheDetailsViewGivesUpOnAUserWhoNeverComes)
{
    main.ShowDetails("caption", "text", status, pause);
    EXPECT_TRUE(ui.Stalled());
}

TEST_F(FormsTest, TheDeletionQuestionWritesItsAnswerWord)
{
    EXPECT_EQ(main.lblFormShare.Caption(), "Can't Delete");
    struct Row { Control* button; const char* word; };
    const Row rows[] = {{&dialog.btnYes, "Yes"}, {&dialog.btnNo, "No"}, {&dialog.btnDelete, "Delete"},
                        {&dialog.btnSave, "Save"}};
    for (const Row& row : rows) {
        ui.Then([&] { row.button->Press(); });
        EXPECT_EQ(dialog.ShowModal(), kModalOk);
        EXPECT_EQ(main.lblFormShare.Caption(), row.word);
    }
    EXPECT_TRUE(dialog.dialogFrame);
}

TEST_F(FormsTest, CheckBoxesAndButtonsIgnorePressesWhileDisabledOrHidden)
{
    main.grpOption.SetVisible(true);
    main.chkSCutSendTo.SetEnabled(true);
    main.chkSCutSendTo.Press();
    EXPECT_TRUE(main.chkSCutSendTo.Checked());
    main.grpOption.SetVisible(false);
    main.chkSCutSendTo.Press();
    EXPECT_TRUE(main.chkSCutSendTo.Checked()) << "a box in a hidden frame cannot be pressed";
    main.grpOption.SetVisible(true);
    main.chkSCutSendTo.SetEnabled(false);
    main.chkSCutSendTo.Press();
    EXPECT_TRUE(main.chkSCutSendTo.Checked());
}

}  // namespace
}  // namespace lorvel::ui
