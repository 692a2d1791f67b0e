#include "app/Application.h"

#include <gtest/gtest.h>

#include "../VirtualMachineFixture.h"
#include "app/Startup.h"
#include "run/RecordTrust.h"
#include "ui/headless/HeadlessBackend.h"
#include "util/Sha256.h"

namespace lorvel {
namespace {

using namespace platform;

struct ApplicationTest : ::testing::Test {
    testing::TestMachine vm;
    ui::HeadlessBackend ui;
    Application app{vm.platform, ui};
    FileOps ops{vm.platform};

    static constexpr const char* kEntry = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample";

    void WithScript() { vm.Put("C:\\SETUP\\SETUP.INI", "[Title]\r\nSetupTitle=Sample\r\n"); }
    // The entry an install of C:\APP\ leaves in the list of installed programs.
    void VouchAsTheInstallDoes(const std::string& record, const std::map<std::string, std::string>& components)
    {
        vm.platform.registry.CreateKey(RootKey::LocalMachine, kEntry);
        vm.platform.registry.WriteValue(RootKey::LocalMachine, kEntry, "UninstallString",
                                        RegValue::String("C:\\WINDOWS\\UNKORAT.EXE \"C:\\APP\\UNSETUP.INI\""));
        ASSERT_EQ(VouchForRecord(vm.platform.registry, kEntry, record, components), 0u);
    }
    // The forms exist only once the program runs, so the press is looked up then.
    void PressEnd()
    {
        ui.Then([this] { app.Main().btnEnd.Press(); });
    }
};

TEST_F(ApplicationTest, WithoutAScriptStartUpEndsInTheFatalState)
{
    ui::MainForm* seen = nullptr;
    ui.Then([&] {
        seen = &app.Main();
        EXPECT_EQ(app.Main().lblMessage.Caption(), std::string(kFatalScript) + "\r\n\r\n" + kFatalTrailer);
        EXPECT_EQ(app.Main().btnEvent.Caption(), "セットアップ開始(&S)");
        EXPECT_FALSE(app.Main().btnEvent.Enabled());
        EXPECT_EQ(app.Main().btnEnd.Caption(), "終了(&E)");
        EXPECT_TRUE(app.Main().btnEnd.Enabled());
        EXPECT_TRUE(app.Main().grpMessage.Showing());
        EXPECT_FALSE(app.Main().fraReadme.Showing());
        EXPECT_TRUE(app.Main().SystemCloseDisabled());
        app.Main().btnEvent.Press();  // disabled: nothing happens
        app.Main().btnEnd.Press();
    });
    EXPECT_EQ(app.Run(), 0);
    ASSERT_NE(seen, nullptr);
    EXPECT_TRUE(ui.Boxes().empty()) << "closing the fatal state asks nothing";
    EXPECT_FALSE(ui.Stalled());
    EXPECT_FALSE(ops.FolderExists("C:\\WINDOWS\\TEMP\\KRTMP1")) << "the work folder is removed";
    EXPECT_EQ(ui.Log(), (std::vector<std::string>{"create frmBack", "create frmMain", "create frmStatus",
                                                  "create frmSharedFileQuestion", "show frmBack", "show frmMain",
                                                  "hide frmMain", "hide frmBack"}));
}

TEST_F(ApplicationTest, StartUpCopiesProgramAndScriptIntoTheWorkFolder)
{
    WithScript();
    vm.Put("C:\\SETUP\\SETUP.EXE", "MZ program");
    ui.Then([&] {
        EXPECT_EQ(app.Context().workFolder, "C:\\WINDOWS\\TEMP\\KRTMP1\\");
        EXPECT_EQ(app.Context().scriptFile, "C:\\WINDOWS\\TEMP\\KRTMP1\\SETUP.INI");
        EXPECT_EQ(vm.Get("C:\\WINDOWS\\TEMP\\KRTMP1\\SETUPB.EXE"), "MZ program");
        EXPECT_EQ(vm.Get(app.Context().scriptFile), "[Title]\r\nSetupTitle=Sample\r\n");
        EXPECT_EQ(app.Main().btnEvent.Caption(), "セットアップ開始(&S)");
        EXPECT_EQ(app.Main().btnEnd.Caption(), "セットアップ終了(&E)");
        app.Main().btnEnd.Press();
    });
    ui.Answer(ui::box::kYes);
    app.Run();
    ASSERT_EQ(ui.Boxes().size(), 1u);
    EXPECT_EQ(ui.Boxes()[0].caption, "終了確認");
    EXPECT_EQ(ui.Boxes()[0].flags, 36);
    EXPECT_FALSE(ops.FolderExists("C:\\WINDOWS\\TEMP\\KRTMP1"));
}

TEST_F(ApplicationTest, CloseConfirmationAnsweredNoKeepsTheWizard)
{
    WithScript();
    PressEnd();
    ui.Then([&] {
        EXPECT_TRUE(app.Main().Visible());
        EXPECT_FALSE(app.Back().Enabled());
        app.Main().btnEnd.Press();
    });
    ui.Answer(ui::box::kNo);
    ui.Answer(ui::box::kYes);
    app.Run();
    EXPECT_EQ(ui.Boxes().size(), 2u);
    EXPECT_FALSE(ui.Stalled());
    EXPECT_TRUE(app.Back().Enabled()) << "a confirmed close enables the background window";
}

TEST_F(ApplicationTest, TheRecordOnTheCommandLineSelectsUninstallMode)
{
    vm.Put("C:\\Program Files\\App\\UNSETUP.INI", "[UnSetupOption]\r\n");
    vm.machine.Config().commandLine = "\"C:\\SETUP\\SETUP.EXE\" \"C:\\Program Files\\App\\UNSETUP.INI\"";
    ui.Then([&] {
        EXPECT_EQ(app.Context().runMode, RunMode::Unsetup);
        EXPECT_EQ(app.Context().scriptFile, "C:\\WINDOWS\\TEMP\\KRTMP1\\UNSETUP.INI");
        EXPECT_EQ(vm.Get(app.Context().scriptFile), "[UnSetupOption]\r\n");
        EXPECT_EQ(app.Main().btnEvent.Caption(), "アンセットアップ開始(&S)");
        EXPECT_EQ(app.Main().btnEnd.Caption(), "アンセットアップ終了(&E)");
        app.Main().btnEnd.Press();
    });
    app.Run();
    EXPECT_EQ(ui.Boxes().size(), 1u);
}

TEST_F(ApplicationTest, TheUninstallStartButtonRemovesWhatTheRecordListsAndEndsTheProgram)
{
    vm.Put("C:\\APP\\APP.EXE");
    vm.Put("C:\\APP\\SHARED.DLL");
    vm.platform.registry.CreateKey(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
    vm.platform.registry.WriteValue(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
                                    "C:\\APP\\SHARED.DLL", RegValue::DoubleWord(1));
    const std::string record = "[SetupFolder]\r\nFolder=C:\\APP\\\r\n[DeleteFile]\r\nFile1=C:\\APP\\APP.EXE\r\n"
                               "File2=C:\\APP\\SHARED.DLL,/S\r\nFile3=C:\\APP\\UNSETUP.INI\r\n"
                               "[UnSetupRegistryKey]\r\nKey=" +
                               std::string(kEntry) + "\r\n";
    vm.Put("C:\\APP\\UNSETUP.INI", record);
    VouchAsTheInstallDoes(record, {{"C:\\APP\\SHARED.DLL", Sha256Hex("x")}});
    vm.machine.Config().commandLine = "\"C:\\WINDOWS\\UNKORAT.EXE\" \"C:\\APP\\UNSETUP.INI\"";
    ui.Then([&] {
        EXPECT_TRUE(app.Main().btnEvent.Enabled());
        app.Main().btnEvent.Press();
    });
    // The four-answer question waits for the user.
    ui.Then([&] {
        EXPECT_EQ(app.SharedFileQuestion().lblMessage.Caption().rfind("C:\\APP\\SHARED.DLL\r\r", 0), 0u);
        app.SharedFileQuestion().btnDelete.Press();
    });
    ui.Answer(ui::box::kOk);
    app.Run();
    EXPECT_FALSE(ui.Stalled());
    EXPECT_EQ(app.Main().lblAnswerSlot.Caption(), "Delete");
    for (const char* gone : {"C:\\APP\\APP.EXE", "C:\\APP\\SHARED.DLL", "C:\\APP"})
        EXPECT_FALSE(vm.platform.files.Exists(gone)) << gone;
    ASSERT_FALSE(ui.Boxes().empty());
    EXPECT_EQ(ui.Boxes().back().caption, "完了");
    EXPECT_FALSE(ops.FolderExists("C:\\WINDOWS\\TEMP\\KRTMP1")) << "the work folder with the record copy is gone";
}

TEST_F(ApplicationTest, AMissingRecordIsFatalInUninstallMode)
{
    vm.machine.Config().commandLine = "SETUP.EXE C:\\GONE\\UNSETUP.INI";
    ui.Then([&] {
        EXPECT_EQ(app.Context().runMode, RunMode::Unsetup);
        EXPECT_EQ(app.Main().btnEnd.Caption(), "終了(&E)");
        app.Main().btnEnd.Press();
    });
    app.Run();
    EXPECT_TRUE(ui.Boxes().empty());
}

TEST_F(ApplicationTest, AllSystemFolderFailuresAreListed)
{
    WithScript();
    vm.machine.Config().windowsFolder.clear();
    vm.machine.Config().systemFolder.clear();
    vm.machine.Config().tempFolder.clear();
    ui.Then([&] {
        EXPECT_EQ(app.Context().tempFolder, "C:\\SETUP\\") << "the program's folder stands in";
        EXPECT_EQ(app.Main().lblMessage.Caption(),
                  std::string(kFatalWindowsFolder) + "\r\n" + kFatalSystemFolder + "\r\n\r\n" + kFatalTrailer);
        app.Main().btnEnd.Press();
    });
    app.Run();
    EXPECT_FALSE(ops.FolderExists("C:\\SETUP\\KRTMP1"));
}

TEST_F(ApplicationTest, TheStartButtonRunsTheInstallWithTheWizardHidden)
{
    vm.Put("C:\\SETUP\\SETUP.INI", "[DefaultFolder]\r\nFolder=C:\\Target\r\n[Extend]\r\nSetupSpeed=5\r\n");
    ui.Then([&] {
        EXPECT_TRUE(app.Main().btnEvent.Enabled());
        app.Main().btnEvent.Press();
    });
    ui.Answer(ui::box::kYes);  // create the folder
    app.Run();
    EXPECT_FALSE(ui.Stalled());
    ASSERT_EQ(ui.Boxes().size(), 2u);
    EXPECT_EQ(ui.Boxes()[0].caption, "フォルダ作成");
    EXPECT_EQ(ui.Boxes()[1].caption, "完了");
    EXPECT_TRUE(ops.FolderExists("C:\\Target\\"));
    EXPECT_EQ(app.Context().setupFolder, "C:\\Target\\");
    EXPECT_FALSE(app.Main().btnEnd.Visible());
    EXPECT_EQ(app.Main().btnEvent.Bounds().left, (489 - 161) / 2);
    EXPECT_EQ(app.Status().lblMessage.Caption(), "セットアップが完了しました．");
    EXPECT_FALSE(app.Status().Visible());
    EXPECT_TRUE(app.Back().Enabled()) << "the run's end lets the wizard close without its question";
}

TEST_F(ApplicationTest, AnUnusableTempFolderEndsInTheWorkFolderError)
{
    WithScript();
    vm.machine.DenyWrites("C:\\WINDOWS\\TEMP");
    ui.Then([&] {
        FileOps ops{vm.platform};
        EXPECT_EQ(app.Main().lblMessage.Caption(),
                  std::string(kFatalWorkFolder) +
                      "\r\nC:\\WINDOWS\\TEMP\\KRTMP1\\ ～ C:\\WINDOWS\\TEMP\\KRTMP99\\\r\n" +
                      ops.SystemErrorText(kErrorAccessDenied) + "\r\n" + kFatalTrailer);
        EXPECT_FALSE(app.Main().btnEvent.Enabled());
        app.Main().btnEnd.Press();
    });
    EXPECT_EQ(app.Run(), 0);
    EXPECT_TRUE(ui.Boxes().empty());
}

TEST_F(ApplicationTest, AnEditedRecordIsCarriedOutOnlyInsideTheSetupFolderAndOnlyIfTheUserAgrees)
{
    for (const int answer : {ui::box::kNo, ui::box::kYes}) {
        SCOPED_TRACE(answer);
        testing::TestMachine machine;
        ui::HeadlessBackend person;
        Application program{machine.platform, person};
        machine.Put("C:\\APP\\APP.EXE");
        machine.Put("C:\\USERS\\ME\\LETTER.TXT", "mine");
        machine.platform.registry.CreateKey(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
        const std::string genuine = "[SetupFolder]\r\nFolder=C:\\APP\\\r\n[DeleteFile]\r\nFile1=C:\\APP\\APP.EXE\r\n"
                                    "File2=C:\\APP\\UNSETUP.INI\r\n[UnSetupRegistryKey]\r\nKey=" +
                                    std::string(kEntry) + "\r\n";
        machine.platform.registry.CreateKey(RootKey::LocalMachine, kEntry);
        machine.platform.registry.WriteValue(RootKey::LocalMachine, kEntry, "UninstallString",
                                             RegValue::String("C:\\WINDOWS\\UNKORAT.EXE \"C:\\APP\\UNSETUP.INI\""));
        ASSERT_EQ(VouchForRecord(machine.platform.registry, kEntry, genuine, {}), 0u);
        // Edited afterwards by whoever can write the setup folder.
        machine.Put("C:\\APP\\UNSETUP.INI",
                    genuine + "[AddDeleteFile]\r\nFile1=C:\\USERS\\ME\\LETTER.TXT\r\n"
                              "[DeleteRegistry]\r\nKey1=(Local)SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\r\n");
        machine.machine.Config().commandLine = "\"C:\\WINDOWS\\UNKORAT.EXE\" \"C:\\APP\\UNSETUP.INI\"";
        person.Then([&] { program.Main().btnEvent.Press(); });
        person.Answer(answer);        // the warning about the record
        person.Answer(ui::box::kNo);  // the failure details, when there are any
        person.Answer(ui::box::kOk);  // the completion
        program.Run();
        EXPECT_FALSE(person.Stalled());
        ASSERT_FALSE(person.Boxes().empty());
        EXPECT_EQ(person.Boxes()[0].caption, "警告");
        EXPECT_NE(person.Boxes()[0].text.find("一致しません"), std::string::npos) << person.Boxes()[0].text;
        EXPECT_EQ(machine.Get("C:\\USERS\\ME\\LETTER.TXT"), "mine");
        EXPECT_EQ(machine.platform.registry.OpenKey(RootKey::LocalMachine,
                                                    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"),
                  kErrorSuccess);
        EXPECT_EQ(machine.platform.files.Exists("C:\\APP\\APP.EXE"), answer == ui::box::kNo)
            << "inside the setup folder only when the user agrees";
    }
}

TEST_F(ApplicationTest, ASecondInstanceEndsAtOnceShowingNothing)
{
    auto first = vm.platform.system.CreateNamedMutex("MIRSETUP");
    EXPECT_EQ(app.Run(), 0);
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(ApplicationTest, TheMutexIsReleasedWhenTheProgramEnds)
{
    PressEnd();
    app.Run();
    EXPECT_EQ(vm.platform.system.OpenNamedMutex("MIRSETUP"), nullptr);
}

TEST(ApplicationRestartTest, OnlyAConfirmedRestartGoesWithoutTheWarning)
{
    // 0: a shell that shows its question but reports no answer has not restarted.
    struct Row {
        int answer;
        bool warned;
    };
    for (const Row row : {Row{ui::box::kNo, true}, Row{0, true}, Row{ui::box::kYes, false}}) {
        SCOPED_TRACE(row.answer);
        testing::TestMachine vm;
        vm.machine.Config().restartAnswer = row.answer;
        ui::HeadlessBackend ui;
        Application app{vm.platform, ui};
        ui.Then([&] {
            app.Context().restartRequested = true;
            app.Main().btnEnd.Press();
        });
        app.Run();
        EXPECT_EQ(vm.machine.Journal().back(), "restart 2");
        ASSERT_EQ(ui.Boxes().size(), row.warned ? 1u : 0u);
        if (!row.warned) continue;
        EXPECT_EQ(ui.Boxes()[0].text, "Windowsを再起動すると，セットアップは完了します．");
        EXPECT_EQ(ui.Boxes()[0].caption, "警告");
        EXPECT_EQ(ui.Boxes()[0].flags, 48);
    }
}

TEST_F(ApplicationTest, TheBackgroundCaptionCarriesTheVersionText)
{
    vm.machine.Config().fileVersions["C:\\SETUP\\SETUP.EXE"] = "1.2.3.45";
    PressEnd();
    app.Run();
    EXPECT_EQ(app.Back().Caption(), "Lorvel Setup 98 Standard Version1.23β1(Build:0045)");
    EXPECT_TRUE(app.Back().lblPrgTitle1.Visible());
    EXPECT_EQ(app.Back().lblBackTitle2.Bounds().left, app.Back().lblBackTitle1.Bounds().left + 2);
}

TEST_F(ApplicationTest, AnExceptionLeavingAHandlerIsReportedAndTheLoopGoesOn)
{
    ui.Then([&] {
        app.Main().btnEvent.SetEnabled(true);
        app.Main().btnEvent.onClick = [] { throw std::runtime_error("整数ではありません"); };
        app.Main().btnEvent.Press();
        app.Main().btnEvent.onClick = [] { throw std::runtime_error("already ends."); };
        app.Main().btnEvent.Press();
        app.Main().btnEvent.onClick = [] { throw 42; };
        app.Main().btnEvent.Press();
        app.Main().btnEnd.Press();
    });
    app.Run();
    ASSERT_EQ(ui.Boxes().size(), 3u);
    EXPECT_EQ(ui.Boxes()[2].text, "予期しないエラーが発生しました.") << "an error of no standard kind is reported too";
    EXPECT_EQ(ui.Boxes()[0].text, "整数ではありません.");
    EXPECT_EQ(ui.Boxes()[0].caption, "Lorvel Setup 98 Standard");
    EXPECT_EQ(ui.Boxes()[0].flags, 16);
    EXPECT_EQ(ui.Boxes()[1].text, "already ends.");
}

TEST_F(ApplicationTest, ARegistryFailureDuringTheRunIsReportedAndTheProgramEnds)
{
    vm.Put("C:\\SETUP\\SETUP.INI", "[DefaultFolder]\r\nFolder=C:\\Target\r\n[Extend]\r\nSetupSpeed=1\r\n"
                                   "[Registry]\r\nKey1=(Local)Software\\Denied\r\nName1=V\r\nValue1=x\r\n");
    vm.machine.DenyRegistryWrites(RootKey::LocalMachine, "Software\\Denied");
    ui.Then([&] { app.Main().btnEvent.Press(); });
    ui.Answer(ui::box::kYes);  // create the folder
    EXPECT_EQ(app.Run(), 0);
    EXPECT_FALSE(ui.Stalled()) << "the program ended after the report";
    ASSERT_EQ(ui.Boxes().size(), 2u);
    EXPECT_EQ(ui.Boxes()[1].text, "ｷｰ Software\\Denied の作成に失敗しました.");
    EXPECT_EQ(ui.Boxes()[1].caption, "Lorvel Setup 98 Standard");
    EXPECT_EQ(ui.Boxes()[1].flags, 16);
    EXPECT_FALSE(app.Status().Visible());
    EXPECT_TRUE(app.Back().Enabled());
    EXPECT_FALSE(vm.platform.files.Exists("C:\\Target\\UNSETUP.INI")) << "the run ended before its record";
    EXPECT_FALSE(ops.FolderExists("C:\\WINDOWS\\TEMP\\KRTMP1")) << "the work folder is cleaned up";
}

}  // namespace
}  // namespace lorvel
