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
    SharedFileQuestionForm dialog{ui, main.lblAnswerSlot};
    unsigned paused = 0;
    std::function<void(unsigned)> pause = [this](unsigned ms) { paused += ms; };

    FormsTest()
    {
        for (Form* form : std::initializer_list<Form*>{&back, &main, &status, &dialog}) form->Create();
    }
};

TEST_F(FormsTest, ProgressClampsTheBarAndLabelsWhatItShows)
{
    struct Row {
        int percent, done, all;
        int position;
        std::string label;
    };
    const Row rows[] = {
        {45, 9, 20, 45, "45%(9/20)"},
        {130, 9, 20, 100, "100%(9/20)"},
        {-5, 0, 0, 0, "0%(0/0)"},
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

// Item texts and the bar show at most every 40 ms, the latest winning; a lasting
// item, a plain status text, the bar's hiding and an explicit refresh show at once.
TEST_F(FormsTest, ItemTextsAndTheBarShowAtMostEveryFortyMilliseconds)
{
    std::uint64_t now = 5000000;
    status.refreshClock = [&now] { return now; };
    enum class Call { Item, LastingItem, Bar, Status, HideBar, Refresh };
    struct Step {
        std::uint64_t at;  // microseconds after the start
        Call call;
        std::string text;          // the item or status text; for the bar, what its label reads
        std::string message, bar;  // what the window shows afterwards
    };
    const Step steps[] = {
        {0, Call::Item, "Copying -> A", "Copying -> A", "0%(0/0)"},  // the first change shows at once
        {1000, Call::Bar, "10%(1/10)", "Copying -> A", "0%(0/0)"},
        {2000, Call::Item, "Copying -> B", "Copying -> A", "0%(0/0)"},
        {3000, Call::Bar, "20%(2/10)", "Copying -> A", "0%(0/0)"},
        {4000, Call::Item, "Copying -> C", "Copying -> A", "0%(0/0)"},
        {40000, Call::Bar, "30%(3/10)", "Copying -> C", "30%(3/10)"},  // 40 ms on: the latest of both
        {41000, Call::Item, "Copying -> D", "Copying -> C", "30%(3/10)"},
        {42000, Call::LastingItem, "Copying -> BIG", "Copying -> BIG", "30%(3/10)"},
        {43000, Call::Bar, "40%(4/10)", "Copying -> BIG", "30%(3/10)"},
        {44000, Call::Item, "Copying -> E", "Copying -> BIG", "30%(3/10)"},
        {45000, Call::Refresh, "", "Copying -> E", "40%(4/10)"},
        {46000, Call::Bar, "50%(5/10)", "Copying -> E", "40%(4/10)"},
        {47000, Call::HideBar, "", "Copying -> E", "50%(5/10)"},  // the last value, before it hides
        {48000, Call::Item, "Copying -> F", "Copying -> E", "50%(5/10)"},
        {49000, Call::Status, "Registry", "Registry", "50%(5/10)"},  // F's text is over: not shown after it
        {200000, Call::Refresh, "", "Registry", "50%(5/10)"},
    };
    const std::uint64_t start = now;
    for (const Step& step : steps) {
        now = start + step.at;
        const int done = step.call == Call::Bar ? std::stoi(step.text.substr(step.text.find('(') + 1)) : 0;
        switch (step.call) {
        case Call::Item:
        case Call::LastingItem:
            EXPECT_EQ(status.SetItemMessage(step.text, step.call == Call::LastingItem), step.message == step.text)
                << "whether it showed, at " << step.at;
            break;
        case Call::Bar: status.SetProgress(done * 10, done, 10); break;
        case Call::Status: status.SetMessage(step.text); break;
        case Call::HideBar: status.ShowProgress(false); break;
        case Call::Refresh: status.Refresh(); break;
        }
        EXPECT_EQ(status.lblMessage.Caption(), step.message) << "at " << step.at;
        EXPECT_EQ(status.lblStatus.Caption(), step.bar) << "at " << step.at;
    }
}

// Before a pause as long as the refresh interval, what waits shows; before a shorter
// one it keeps waiting.
TEST_F(FormsTest, WhatWaitsShowsBeforeAPauseLongEnoughToBeSeen)
{
    std::uint64_t now = 5000000;
    status.refreshClock = [&now] { return now; };
    status.SetProgress(10, 1, 10);
    now += 1000;
    status.SetProgress(20, 2, 10);
    EXPECT_EQ(status.lblStatus.Caption(), "10%(1/10)");
    EXPECT_FALSE(status.RefreshBeforePause(39));
    EXPECT_EQ(status.lblStatus.Caption(), "10%(1/10)");
    EXPECT_TRUE(status.RefreshBeforePause(40));
    EXPECT_EQ(status.lblStatus.Caption(), "20%(2/10)");
    EXPECT_FALSE(status.RefreshBeforePause(400)) << "nothing waits any more";
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
    struct Row {
        FolderDlgOptions options;
        unsigned flags;
    };
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
    struct Row {
        std::optional<std::string> answer;
        bool chosen;
        std::string folder;
    };
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
    EXPECT_EQ(main.lblAnswerSlot.Caption(), "Can't Delete");
    struct Row {
        Control* button;
        const char* word;
    };
    const Row rows[] = {
        {&dialog.btnYes, "Yes"}, {&dialog.btnNo, "No"}, {&dialog.btnDelete, "Delete"}, {&dialog.btnSave, "Save"}};
    for (const Row& row : rows) {
        ui.Then([&] { row.button->Press(); });
        EXPECT_EQ(dialog.ShowModal(), kModalOk);
        EXPECT_EQ(main.lblAnswerSlot.Caption(), row.word);
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
