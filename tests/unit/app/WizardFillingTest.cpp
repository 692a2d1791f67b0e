#include <gtest/gtest.h>

#include "../VirtualMachineFixture.h"
#include "app/Application.h"
#include "ui/headless/HeadlessBackend.h"

namespace lorvel {
namespace {

struct WizardFillingTest : ::testing::Test {
    testing::TestMachine vm;
    ui::HeadlessBackend ui;
    Application app{vm.platform, ui};

    // Runs the program with the script and lets the check look at the filled
    // wizard; the scripted user then closes it.
    void Check(const std::string& script, const std::function<void(ui::MainForm&)>& check)
    {
        vm.Put("C:\\SETUP\\SETUP.INI", script);
        ui.Then([&] {
            check(app.Main());
            app.Back().SetEnabled(true);  // close without the question
            app.Main().SetModalResult(ui::kModalOk);
        });
        app.Run();
        EXPECT_FALSE(ui.Stalled());
    }
};

TEST_F(WizardFillingTest, InstallModeShowsFolderMessageAndTitles)
{
    Check("[Title]\r\nSetup=Sample App\r\n[TopMessage]\r\nMessage1=Welcome\r\n", [&](ui::MainForm& main) {
        EXPECT_EQ(main.txtFolder.Caption(), "C:\\Program Files\\");
        EXPECT_TRUE(main.txtFolder.Enabled());
        EXPECT_TRUE(main.btnRefer.Enabled());
        EXPECT_TRUE(main.chkOverWrite.Enabled());
        EXPECT_TRUE(main.chkOverWrite.Checked());
        EXPECT_EQ(main.lblMessage.Caption(),
                  "Welcome\r\n\r\n\r\n\r\n\r\n\r\n※　処理を開始する前に，必ずすべてのプログラムを終了させてください．");
        EXPECT_EQ(main.Caption(), "Sample App");
        EXPECT_EQ(app.Back().lblBackTitle1.Caption(), "Sample App");
        EXPECT_EQ(app.Back().lblBackTitle2.Caption(), "Sample App");
        EXPECT_EQ(app.Back().lblBackTitle1.Bounds().width, ui.screenWidth - 24);
        EXPECT_EQ(main.btnEvent.Caption(), "セットアップ開始(&S)");
        EXPECT_EQ(main.btnEnd.Caption(), "セットアップ終了(&E)");
        EXPECT_TRUE(main.grpSetupFolder.Showing());
        EXPECT_FALSE(main.fraReadme.Showing());
    });
}

TEST_F(WizardFillingTest, EnabledFalseLocksTheChoicesButShowsTheShortcuts)
{
    Check("[Extend]\r\nEnabled=False\r\n[ShortCut]\r\nName1=(Dsk)\\App\r\n", [&](ui::MainForm& main) {
        EXPECT_TRUE(main.chkSCutDesktop.Checked());
        EXPECT_FALSE(main.chkSCutDesktop.Enabled());
        EXPECT_FALSE(main.chkSCutStartMenu.Checked());
        EXPECT_FALSE(main.txtFolder.Enabled());
        EXPECT_FALSE(main.btnRefer.Enabled());
        EXPECT_FALSE(main.chkOverWrite.Enabled());
        main.chkSCutDesktop.Press();
        EXPECT_TRUE(main.chkSCutDesktop.Checked()) << "a disabled box cannot be unchecked";
    });
}

TEST_F(WizardFillingTest, TheReadmePageComesFirst)
{
    vm.Put("C:\\SETUP\\README.TXT", std::string("line 1\r\nline\0 2\r\n", 17));
    Check("[Readme]\r\nFile=README.TXT\r\nTitle=Please read\r\n", [&](ui::MainForm& main) {
        EXPECT_TRUE(main.fraReadme.Showing());
        EXPECT_FALSE(main.grpMessage.Showing());
        EXPECT_EQ(main.fraReadme.Caption(), "Please read");
        EXPECT_EQ(main.txtReadme.Caption(), "line 1\r\nline  2\r\n");
        EXPECT_TRUE(main.txtReadme.verticalScrollBar);
        EXPECT_EQ(main.btnEvent.Caption(), "セットアップ続行(&C)");
        EXPECT_TRUE(main.btnEvent.Enabled());
        main.btnEvent.Press();
        EXPECT_TRUE(main.grpMessage.Showing());
        EXPECT_FALSE(main.fraReadme.Showing());
        EXPECT_EQ(main.btnEvent.Caption(), "セットアップ開始(&S)");
    });
}

struct UninstallFillingTest : WizardFillingTest {
    void CheckRecord(const std::string& record, const std::function<void(ui::MainForm&)>& check)
    {
        vm.Put("C:\\APP\\UNSETUP.INI", record);
        vm.machine.Config().commandLine = "SETUP.EXE C:\\APP\\UNSETUP.INI";
        Check("", check);
    }
};

TEST_F(UninstallFillingTest, FourBoxLayoutFromCheckBox)
{
    CheckRecord("[SetupFolder]\r\nFolder=C:\\APP\r\n[UnSetupOption]\r\nCheckBox=1,0,1,1\r\n", [&](ui::MainForm& main) {
        EXPECT_EQ(main.txtFolder.Caption(), "C:\\APP\\");
        EXPECT_TRUE(main.txtFolder.ReadOnly());
        EXPECT_TRUE(main.txtFolder.Enabled());
        EXPECT_FALSE(main.btnRefer.Enabled());
        EXPECT_EQ(main.grpSetupFolder.Caption(), "アンセットアップ(アンインストール)フォルダ");
        EXPECT_EQ(main.grpOption.Caption(), "アンセットアップ(アンインストール)オプション");
        EXPECT_FALSE(main.chkOverWrite.Visible());
        EXPECT_EQ(main.fraShortCut.Caption(), "ファイルの追加削除");
        EXPECT_EQ(main.fraShortCut.Bounds().top, 16);
        EXPECT_EQ(main.fraShortCut.Bounds().height, 65);
        EXPECT_EQ(main.chkSCutDesktop.Caption(), "*.INIファイル");
        EXPECT_TRUE(main.chkSCutDesktop.Checked());
        EXPECT_TRUE(main.chkSCutDesktop.Enabled());
        EXPECT_EQ(main.chkSCutStartMenu.Caption(), "*.GIDファイル");
        EXPECT_FALSE(main.chkSCutStartMenu.Checked());
        EXPECT_TRUE(main.chkSCutStartMenu.Enabled());
        for (ui::Control* box : {&main.chkSCutStartUp, &main.chkSCutSendTo}) {
            EXPECT_EQ(box->Caption(), "");
            EXPECT_TRUE(box->Checked());
            EXPECT_FALSE(box->Enabled());
            EXPECT_TRUE(box->Showing());
        }
        EXPECT_TRUE(main.lblUnSetupInfo.Showing());
        EXPECT_EQ(main.lblUnSetupInfo.Bounds().top, 16 + 17 + 2);
        EXPECT_EQ(main.btnEvent.Caption(), "アンセットアップ開始(&S)");
        EXPECT_EQ(main.btnEnd.Caption(), "アンセットアップ終了(&E)");
        EXPECT_EQ(main.lblMessage.Caption(), "アンセットアップ(アンインストール)を行います．\r\n\r\n"
                                             "開始するには，「アンセットアップ開始(S)」を選択してください．\r\n");
    });
}

TEST_F(UninstallFillingTest, DeleteAllLayout)
{
    CheckRecord("[UnSetupOption]\r\nCheckBox=DeleteAll\r\n", [&](ui::MainForm& main) {
        EXPECT_EQ(main.chkSCutDesktop.Caption(),
                  "アンセットアップ(アンインストール)フォルダ以下の全ファイル・フォルダ");
        EXPECT_EQ(main.chkSCutDesktop.Bounds().width, 457 - 16);
        EXPECT_TRUE(main.chkSCutDesktop.Checked());
        for (ui::Control* box : {&main.chkSCutStartMenu, &main.chkSCutStartUp, &main.chkSCutSendTo})
            EXPECT_FALSE(box->Showing());
    });
}

TEST_F(UninstallFillingTest, ShortOrGarbageCheckBoxValues)
{
    struct Row {
        std::string value;
        bool first, second, third, fourth;
    };
    const Row rows[] = {
        {"1", true, false, false, false},          {"", false, false, false, false},
        {"1,1", true, true, false, false},         {"xyz", false, false, false, false},
        {"deleteall", false, false, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        testing::TestMachine fresh;
        ui::HeadlessBackend freshUi;
        Application freshApp(fresh.platform, freshUi);
        fresh.Put("C:\\APP\\UNSETUP.INI", "[UnSetupOption]\r\nCheckBox=" + row.value + "\r\n");
        fresh.machine.Config().commandLine = "SETUP.EXE C:\\APP\\UNSETUP.INI";
        freshUi.Then([&] {
            ui::MainForm& main = freshApp.Main();
            EXPECT_EQ(main.chkSCutDesktop.Checked(), row.first);
            EXPECT_EQ(main.chkSCutStartMenu.Checked(), row.second);
            EXPECT_EQ(main.chkSCutStartUp.Checked(), row.third);
            EXPECT_EQ(main.chkSCutSendTo.Checked(), row.fourth);
            EXPECT_TRUE(main.btnEnd.Showing());
            freshApp.Back().SetEnabled(true);
            main.SetModalResult(ui::kModalOk);
        });
        freshApp.Run();
    }
}

}  // namespace
}  // namespace lorvel
