#include "install/InstallCompletion.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "../VouchedRecord.h"
#include "../install/InstallRunFixture.h"
#include "run/RecordTrust.h"
#include "run/UninstallRecord.h"
#include "util/Szdd.h"

namespace lorvel {
namespace {

using namespace platform;
namespace fs = std::filesystem;

constexpr const char* kEntryKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample";

// A whole install run on the simulated machine, from an existing setup folder to
// the completion.
struct InstallCompletionTest : testing::InstallRunTest {
    InstallCompletionTest()
    {
        context.windowsFolder = "C:\\WINDOWS\\";
        context.workFolder = "C:\\WINDOWS\\TEMP\\KRTMP1\\";
        context.tempFolder = "C:\\WINDOWS\\TEMP\\";
        context.setupSpeed = 1;
        context.unSetupTitle = "Sample";
        vm.platform.files.CreateFolder("C:\\WINDOWS\\TEMP\\KRTMP1");
        vm.platform.files.CreateFolder("C:\\APP");
        vm.Put("C:\\WINDOWS\\TEMP\\KRTMP1\\SETUPB.EXE", "uninstaller, new");
        vm.Put("E:\\A.TXT", "a");
        vm.Put("E:\\B.DLL", "b");
    }

    InstallRunState Install(const std::string& copyFiles, const std::string& extra = "")
    {
        const std::deque<int> answers = view.answers;
        view = testing::RecordingView{};
        view.answers = answers;
        view.options.folderText = "C:\\APP";
        return Run("[CopyFile]\r\n" + copyFiles + extra);
    }

    std::vector<std::string> Files() { return ReadNumbered(profiles, "C:\\APP\\UNSETUP.INI", record::Key::DeleteFile); }

    std::string Value(const std::string& name)
    {
        RegValue value;
        if (vm.platform.registry.ReadValue(RootKey::LocalMachine, kEntryKey, name, value) != 0) return "<none>";
        return value.IsText() ? value.data : std::to_string(value.AsDoubleWord());
    }

    void SetTime(const std::string& path, fs::file_time_type time)
    {
        fs::last_write_time(vm.machine.HostPath(path), time);
    }
};

TEST_F(InstallCompletionTest, AFirstInstallLeavesRecordUninstallerAndEntry)
{
    context.programId = "SampleApp";
    const InstallRunState state = Install("File1=(App)A.TXT\r\n", "[Extend]\r\nUnSetupOption=1,0,0,0\r\n");
    EXPECT_EQ(state.failures.count, 0) << state.failures.text;
    EXPECT_EQ(Files(), (std::vector<std::string>{"C:\\APP\\A.TXT", "C:\\APP\\UNSETUP.INI"}));
    EXPECT_EQ(profiles.ReadProfile("UnSetupOption", "CheckBox", "", "C:\\APP\\UNSETUP.INI"), "1,0,0,0");
    EXPECT_EQ(profiles.ReadProfile("UnSetupRegistryKey", "Key", "", "C:\\APP\\UNSETUP.INI"), kEntryKey);
    EXPECT_EQ(profiles.ReadProfile("ProgramID", "ID", "", "C:\\APP\\UNSETUP.INI"), "SampleApp");
    EXPECT_EQ(vm.Get("C:\\WINDOWS\\UNKORAT.EXE"), "uninstaller, new");
    EXPECT_EQ(profiles.ReadProfile("SampleApp", "Folder", "", "C:\\WINDOWS\\KORAT98.INI"), "C:\\APP\\");

    EXPECT_EQ(Value("DisplayName"), "Sample");
    EXPECT_EQ(Value("UninstallString"), "\"C:\\WINDOWS\\UNKORAT.EXE\" \"C:\\APP\\UNSETUP.INI\"");
    EXPECT_EQ(Value("DisplayIcon"), "C:\\WINDOWS\\UNKORAT.EXE");
    EXPECT_EQ(Value("InstallLocation"), "C:\\APP\\");
    EXPECT_EQ(Value("NoModify"), "1");
    EXPECT_EQ(Value("NoRepair"), "1");

    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.questions[0].caption, "完了");
    EXPECT_EQ(view.questions[0].flags, 64);
    EXPECT_EQ(view.questions[0].text,
              "セットアップが完了しました．\r\rプログラムのアンセットアップ(アンインストール)は，\r"
              "「アプリケーションの追加と削除」から行ってください．");
    EXPECT_TRUE(view.progressClosed);
    EXPECT_TRUE(view.ended);
    EXPECT_EQ(view.statuses.back(), "セットアップが完了しました．");
}

TEST_F(InstallCompletionTest, AReinstallMergesIntoTheSameKeys)
{
    Install("File1=(App)A.TXT\r\nFile2=(App)B.DLL,/S\r\n");
    vm.Put("E:\\C.TXT", "c");
    Install("File1=(App)C.TXT\r\nFile2=(App)B.DLL\r\nFile3=(App)A.TXT\r\n");
    EXPECT_EQ(Files(), (std::vector<std::string>{"C:\\APP\\A.TXT", "C:\\APP\\B.DLL,/S", "C:\\APP\\UNSETUP.INI",
                                                 "C:\\APP\\C.TXT"}));
    EXPECT_FALSE(vm.platform.files.FileExists("C:\\APP\\.~UNSETUP.INI.tmp"));
}

// The installed size the list entry shows is what the recorded files hold on disk
// at the end: an expanded file, a file kept because it was newer, one copied twice,
// one a later step wrote to.
TEST_F(InstallCompletionTest, TheEstimatedSizeIsWhatTheRecordedFilesHold)
{
    const auto expectSizeOnDisk = [this](std::uint64_t atLeast) {
        std::uint64_t bytes = 0;
        for (const std::string& item : Files()) {
            const auto stat = vm.platform.files.Stat(item.substr(0, item.find(',')));
            ASSERT_TRUE(stat) << item;
            bytes += stat->size;
        }
        EXPECT_GT(bytes, atLeast);
        EXPECT_EQ(Value("EstimatedSize"), std::to_string((bytes + 1023) / 1024));
    };
    vm.Put("E:\\BIG.TXT", std::string(3000, 'b'));
    vm.Put("E:\\PACK.DA_", CompressSzdd(std::string(5000, 'p'), 'T'));
    vm.Put("E:\\KEEP.TXT", std::string(10, 'k'));
    vm.Put("C:\\APP\\KEEP.TXT", std::string(7000, 'K'));
    SetTime("E:\\KEEP.TXT", fs::file_time_type::clock::now() - std::chrono::hours(48));
    SetTime("C:\\APP\\KEEP.TXT", fs::file_time_type::clock::now());
    vm.Put("E:\\TWICE.TXT", std::string(100, 't'));
    vm.Put("E:\\TWICE.DA_", CompressSzdd(std::string(2500, 'T'), 'T'));
    vm.Put("E:\\APP.INI", "[S]\r\n");
    const std::string longValue(3000, 'v');  // the profile entry makes the copied file grow after the copy
    InstallRunState state =
        Install("File1=(App)BIG.TXT\r\nFile2=(App)PACK.DA_|\\PACK.DAT\r\nFile3=(App)KEEP.TXT\r\n"
                "File4=(App)TWICE.TXT\r\nFile5=(App)TWICE.DA_|\\TWICE.TXT,/W\r\nFile6=(App)APP.INI\r\n",
                "[IniFile]\r\nData1=S,K," + longValue + ",(App)APP.INI\r\n");
    ASSERT_EQ(state.failures.count, 0) << state.failures.text;
    ASSERT_EQ(vm.Get("C:\\APP\\KEEP.TXT"), std::string(7000, 'K'));
    ASSERT_EQ(vm.Get("C:\\APP\\TWICE.TXT"), std::string(2500, 'T'));
    expectSizeOnDisk(3000u + 5000 + 7000 + 2500 + 3000);
    vm.Put("E:\\C.TXT", std::string(1500, 'c'));
    state = Install("File1=(App)C.TXT\r\n");  // the earlier files, from the record, by lookup
    ASSERT_EQ(state.failures.count, 0) << state.failures.text;
    expectSizeOnDisk(3000u + 5000 + 7000 + 2500 + 3000 + 1500);
}

TEST_F(InstallCompletionTest, TheUninstallerIsReplacedOnlyByANewerVersion)
{
    const fs::file_time_type base = fs::file_time_type::clock::now() - std::chrono::hours(48);
    struct Row {
        std::string name;
        const char* ours;
        const char* there;
        int targetHoursAfterSource;
        std::string expected;
    };
    const Row rows[] = {
        {"older version present, ours dated 1980 by a zip", "1.0.0.2", "1.0.0.1", +24 * 365, "uninstaller, new"},
        {"newer version present, older file", "1.0.0.9", "1.0.0.10", -1, "uninstaller, other"},
        {"same version", "1.0.0.2", "1.0.0.2", -1, "uninstaller, other"},
        {"present without a version", "1.0.0.2", nullptr, +1, "uninstaller, new"},
        {"ours without a version", nullptr, "1.0.0.1", -1, "uninstaller, other"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        vm.Put("C:\\WINDOWS\\UNKORAT.EXE", "uninstaller, other");
        auto& versions = vm.machine.Config().fileVersions;
        versions.clear();
        if (row.ours) versions["C:\\WINDOWS\\TEMP\\KRTMP1\\SETUPB.EXE"] = row.ours;
        if (row.there) versions["C:\\WINDOWS\\UNKORAT.EXE"] = row.there;
        SetTime("C:\\WINDOWS\\TEMP\\KRTMP1\\SETUPB.EXE", base);
        SetTime("C:\\WINDOWS\\UNKORAT.EXE", base + std::chrono::hours(row.targetHoursAfterSource));
        const InstallRunState state = Install("File1=(App)A.TXT\r\n");
        EXPECT_EQ(vm.Get("C:\\WINDOWS\\UNKORAT.EXE"), row.expected);
        EXPECT_EQ(state.failures.count, 0);
    }
}

TEST_F(InstallCompletionTest, SetupOnlyWritesNoRecordButTheFolderMemory)
{
    context.unSetupTitle = "Tool (setup only.)";
    context.programId = "Tool";
    vm.Put("C:\\APP\\UNSETUP.INI", "[DeleteFile]\r\nFile1=C:\\APP\\OLD.TXT\r\n");
    Install("File1=(App)A.TXT\r\n");
    EXPECT_EQ(vm.Get("C:\\APP\\UNSETUP.INI"), "[DeleteFile]\r\nFile1=C:\\APP\\OLD.TXT\r\n");
    EXPECT_EQ(vm.platform.registry.OpenKey(
                  RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tool (setup only.)"),
              kErrorFileNotFound);
    EXPECT_EQ(profiles.ReadProfile("Tool", "Folder", "", "C:\\WINDOWS\\KORAT98.INI"), "C:\\APP\\");
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.questions[0].text, "セットアップが完了しました．");
}

TEST_F(InstallCompletionTest, ProgramIdsWithProfileCharactersAreRememberedAndRecorded)
{
    for (const std::string id : {"Maker]App", "[App]", "a=b;c", ";App", "App ]x[ y"}) {
        SCOPED_TRACE(id);
        context.programId = id;
        context.unSetupTitle = "T=1;[x]";
        const InstallRunState state = Install("File1=(App)A.TXT\r\n");
        EXPECT_EQ(state.failures.count, 0);
        EXPECT_EQ(profiles.ReadProfile(id, "Folder", "", "C:\\WINDOWS\\KORAT98.INI"), "C:\\APP\\");
        EXPECT_EQ(profiles.ReadProfile("ProgramID", "ID", "", "C:\\APP\\UNSETUP.INI"), id);
        EXPECT_EQ(profiles.ReadProfile("Title", "UnSetup", "", "C:\\APP\\UNSETUP.INI"), "T=1;[x]");
    }
}

TEST_F(InstallCompletionTest, KeyNameAndDisplayNameFromTheScript)
{
    struct Row {
        std::string title;
        std::string extra;
        std::string key;
        std::string display;
    };
    const Row rows[] = {
        {"Sample", "[Title]\r\nUnSetupKey=Maker.Sample\r\nUnSetupDisplay=Maker Sample 2.0\r\n", "Maker.Sample",
         "Maker Sample 2.0"},
        {"Sample", "[Title]\r\nUnSetupKey=Maker.Sample\r\n", "Maker.Sample", "Maker.Sample"},
        // An empty name would make the uninstaller delete every program's entry.
        {"", "", "Lorvel Setup 98", "Lorvel Setup 98"},
        {"Sample", "[Title]\r\nUnSetupKey=\\\r\n", "Lorvel Setup 98", "Lorvel Setup 98"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.extra);
        context.unSetupTitle = row.title;
        Install("File1=(App)A.TXT\r\n", row.extra);
        const std::string key = std::string(kUninstallListKey) + row.key;
        EXPECT_EQ(profiles.ReadProfile("UnSetupRegistryKey", "Key", "", "C:\\APP\\UNSETUP.INI"), key);
        RegValue display;
        ASSERT_EQ(vm.platform.registry.ReadValue(RootKey::LocalMachine, key, "DisplayName", display), 0u);
        EXPECT_EQ(display.data, row.display);
    }
}

TEST_F(InstallCompletionTest, FailuresAreOfferedAndDetailedOnYes)
{
    for (const int answer : {6, 7}) {
        SCOPED_TRACE(answer);
        view.answers = {answer};
        Install("File1=(App)MISSING.TXT\r\n");
        ASSERT_GE(view.questions.size(), 2u);
        EXPECT_EQ(view.questions[0].caption, "警告");
        EXPECT_EQ(view.questions[0].flags, 52);
        EXPECT_EQ(view.questions[0].text,
                  "フォルダの作成・ファイルのコピーで，一部の処理が失敗しました．\r詳細を表示しますか？");
        EXPECT_EQ(view.questions[1].caption, "完了") << "the run goes on after the details";
        ASSERT_EQ(view.details.size(), answer == 6 ? 1u : 0u);
        if (answer == 6) {
            EXPECT_EQ(view.details[0].caption, "作成・コピー処理失敗　詳細表示");
            EXPECT_EQ(view.details[0].text, "<File> E:\\MISSING.TXT\r\nコピー元のファイルが見つかりません．\r\n\r\n");
        }
    }
}

TEST_F(InstallCompletionTest, UnwritableWindowsFolderAndRegistryAreReportedAndTheRestDone)
{
    context.programId = "SampleApp";
    vm.machine.DenyWrites("C:\\WINDOWS\\UNKORAT.EXE");
    vm.machine.DenyWrites("C:\\WINDOWS\\KORAT98.INI");
    vm.machine.DenyRegistryWrites(RootKey::LocalMachine, "SOFTWARE\\Microsoft");
    view.answers = {7};
    const InstallRunState state = Install("File1=(App)A.TXT\r\n");
    EXPECT_EQ(state.failures.count, 3);
    EXPECT_NE(state.failures.text.find("<SetupFile> C:\\WINDOWS\\UNKORAT.EXE\r\n"), std::string::npos);
    EXPECT_NE(state.failures.text.find("<SetupFile> C:\\WINDOWS\\KORAT98.INI\r\n"), std::string::npos);
    EXPECT_NE(state.failures.text.find("<Registry> HKEY_LOCAL_MACHINE\\" + std::string(kEntryKey) + "\r\n"),
              std::string::npos);
    // Without its entry nothing vouches for a record: the folder keeps what it had.
    EXPECT_EQ(vm.Get("C:\\APP\\UNSETUP.INI"), "<missing>");
    EXPECT_EQ(view.questions[0].caption, "警告");
    EXPECT_TRUE(view.ended);
}

TEST_F(InstallCompletionTest, ARecordThatCannotBeWrittenKeepsTheOldOne)
{
    PutVouchedRecord(vm, "C:\\APP\\UNSETUP.INI", "[DeleteFile]\r\nFile1=C:\\APP\\OLD.TXT\r\n");
    const std::string old = vm.Get("C:\\APP\\UNSETUP.INI");
    vm.machine.LockFile("C:\\APP\\UNSETUP.INI");
    view.answers = {7};
    const InstallRunState state = Install("File1=(App)A.TXT\r\n");
    EXPECT_EQ(vm.Get("C:\\APP\\UNSETUP.INI"), old);
    EXPECT_NE(state.failures.text.find("<SetupFile> C:\\APP\\UNSETUP.INI\r\n"), std::string::npos);
}

TEST_F(InstallCompletionTest, OddOldRecordsAreReplacedWithoutLoss)
{
    struct Row {
        std::string name;
        std::string content;
        bool readOnly;
        std::vector<std::string> files;
    };
    const Row rows[] = {
        {"binary",
         std::string("\0\xff\x81[DeleteFile\r\nFile1=\x81", 10),
         false,
         {"C:\\APP\\A.TXT", "C:\\APP\\UNSETUP.INI"}},
        {"read-only",
         "[DeleteFile]\r\nFile1=C:\\APP\\OLD.TXT\r\n",
         true,
         {"C:\\APP\\OLD.TXT", "C:\\APP\\A.TXT", "C:\\APP\\UNSETUP.INI"}},
        {"huge",
         "[DeleteFile]\r\nFile1=C:\\APP\\OLD.TXT\r\n[Junk]\r\nX=" + std::string(8 << 20, 'x') + "\r\n",
         false,
         {"C:\\APP\\OLD.TXT", "C:\\APP\\A.TXT", "C:\\APP\\UNSETUP.INI"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        vm.platform.files.SetAttributes("C:\\APP\\UNSETUP.INI", attr::kArchive);
        PutVouchedRecord(vm, "C:\\APP\\UNSETUP.INI", row.content);
        if (row.readOnly) vm.platform.files.SetAttributes("C:\\APP\\UNSETUP.INI", attr::kReadOnly);
        const InstallRunState state = Install("File1=(App)A.TXT\r\n");
        EXPECT_EQ(state.failures.count, 0) << state.failures.text;
        EXPECT_EQ(Files(), row.files);
    }
}

TEST_F(InstallCompletionTest, AReinstallMergesOnlyARecordTheEarlierInstallVouchedFor)
{
    struct Row {
        const char* name;
        bool edited;
        bool vouched;
        bool swappedOnceRead = false;  // edited by another program right after the install read it
    };
    const Row rows[] = {
        {"as the earlier install left it", false, true},
        {"edited since", true, true},
        {"from before digests", false, false},
        {"edited right after it was read", false, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        vm.platform.files.SetAttributes("C:\\APP\\UNSETUP.INI", attr::kArchive);
        vm.platform.files.RemoveFile("C:\\APP\\UNSETUP_UNVERIFIED.INI");
        const std::string earlier = "[DeleteFile]\r\nFile1=C:\\APP\\OLD.TXT\r\n";
        if (row.vouched)
            testing::PutVouchedRecord(vm, "C:\\APP\\UNSETUP.INI", earlier, kEntryKey);
        else
            vm.Put("C:\\APP\\UNSETUP.INI", earlier);
        const std::string edit =
            "[DeleteFile]\r\nFile1=C:\\APP\\OLD.TXT\r\nFile2=C:\\WINDOWS\\SYSTEM32\\KERNEL32.DLL\r\n";
        if (row.edited) vm.Put("C:\\APP\\UNSETUP.INI", edit);
        const std::string before = vm.Get("C:\\APP\\UNSETUP.INI");
        if (row.swappedOnceRead)
            vm.machine.AfterNextRead("C:\\APP\\UNSETUP.INI", [this, edit] { vm.Put("C:\\APP\\UNSETUP.INI", edit); });
        view.answers = {7};
        const InstallRunState state = Install("File1=(App)A.TXT\r\n");
        const bool merged = row.vouched && !row.edited;
        const std::vector<std::string> mergedFiles = {"C:\\APP\\OLD.TXT", "C:\\APP\\A.TXT", "C:\\APP\\UNSETUP.INI"};
        const std::vector<std::string> newFiles = {"C:\\APP\\A.TXT", "C:\\APP\\UNSETUP.INI"};
        EXPECT_EQ(Files(), merged ? mergedFiles : newFiles);
        EXPECT_EQ(vm.Get("C:\\APP\\UNSETUP_UNVERIFIED.INI"), merged ? "<missing>" : before) << "kept aside, not lost";
        EXPECT_EQ(state.failures.text.find("UNSETUP_UNVERIFIED.INI") != std::string::npos, !merged)
            << state.failures.text;
        std::string bytes;
        ASSERT_EQ(vm.platform.files.ReadWholeFile("C:\\APP\\UNSETUP.INI", bytes), 0u);
        EXPECT_TRUE(ReadRecordTrust(vm.platform.registry, kEntryKey, "C:\\APP\\UNSETUP.INI", bytes).Vouched())
            << "the new record is vouched for";
    }
}

TEST_F(InstallCompletionTest, ALeftoverBackupIsNoRecord)
{
    vm.Put("C:\\WINDOWS\\TEMP\\KRTMP1\\UNSETUPB.INI", "[DeleteFile]\r\nFile1=C:\\ELSEWHERE\\X.TXT\r\n");
    Install("File1=(App)A.TXT\r\n");
    EXPECT_EQ(Files(), (std::vector<std::string>{"C:\\APP\\A.TXT", "C:\\APP\\UNSETUP.INI"}));
    EXPECT_EQ(context.setupDrive, "C:\\");
}

TEST_F(InstallCompletionTest, TheProgramToStartOrTheRestart)
{
    vm.Put("C:\\APP\\TOOL.EXE", "MZ");
    struct Row {
        std::string value;
        std::string journal;
        bool warned;
        bool restart;
        bool completion;
    };
    const Row rows[] = {
        {"(App)TOOL.EXE,/Q", "open C:\\APP\\TOOL.EXE /Q", false, false, true},
        {"(App)TOOL.EXE", "open C:\\APP\\TOOL.EXE", false, false, true},
        {"(App)MISSING.EXE,/Q", "", true, false, true},
        {"WINDOWS_REBOOT", "", false, true, false},
        {"windows_reboot", "", true, false, true},  // only the exact word restarts
        {"", "", false, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        const std::size_t journalBefore = vm.machine.Journal().size();
        Install("File1=(App)A.TXT\r\n", "[ExecuteFile]\r\nFile=" + row.value + "\r\n");
        std::string opened;
        for (std::size_t i = journalBefore; i < vm.machine.Journal().size(); ++i)
            if (vm.machine.Journal()[i].rfind("open ", 0) == 0) opened = vm.machine.Journal()[i];
        EXPECT_EQ(opened, row.journal);
        EXPECT_EQ(context.restartRequested, row.restart);
        const bool completion = !view.questions.empty() && view.questions[0].caption == "完了";
        EXPECT_EQ(completion, row.completion);
        const bool warned = !view.questions.empty() && view.questions.back().caption == "警告" &&
                            view.questions.back().text ==
                                "終了後プログラムの起動に失敗しました．\riniファイルの記述ミスの可能性があります．\r"
                                "プログラム提供者へご報告ください．";
        EXPECT_EQ(warned, row.warned);
        EXPECT_TRUE(view.ended);
    }
}

}  // namespace
}  // namespace lorvel
