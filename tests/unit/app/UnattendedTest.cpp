// The unattended mode: the command line's switches, the answer each question takes
// when nobody is there, the exit code, and whole unattended runs of the program on
// the simulated machine with the headless widgets.
#include <gtest/gtest.h>

#include "../VirtualMachineFixture.h"
#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/ExitCode.h"
#include "app/RunLog.h"
#include "app/Startup.h"
#include "run/UnattendedAnswers.h"
#include "ui/headless/HeadlessBackend.h"
#include "util/MessageBox.h"

namespace lorvel {
namespace {

using namespace platform;

TEST(CommandLineTest, SwitchesAreSetAsideWhereverTheyStand)
{
    struct Row {
        std::string commandLine;
        std::vector<std::string> words;
        bool silent, verySilent, unattended;
        std::string dir, bad;
    };
    const Row rows[] = {
        {"SETUP.EXE", {}, false, false, false, "", ""},
        {"SETUP.EXE /SILENT", {}, true, false, true, "", ""},
        {"UNKORAT.EXE /SILENT \"C:\\APP\\UNSETUP.INI\"", {"C:\\APP\\UNSETUP.INI"}, true, false, true, "", ""},
        {"UNKORAT.EXE \"C:\\APP\\UNSETUP.INI\" /silent", {"C:\\APP\\UNSETUP.INI"}, true, false, true, "", ""},
        {"UNKORAT.EXE /VerySilent C:\\APP\\UNSETUP.INI /NORESTART",
         {"C:\\APP\\UNSETUP.INI"},
         false,
         true,
         true,
         "",
         ""},
        {"SETUP.EXE /DIR=\"C:\\My App\" /SUPPRESSMSGBOXES", {}, false, false, true, "C:\\My App", ""},
        {"SETUP.EXE \"/dir=C:\\My App\"", {}, false, false, false, "C:\\My App", ""},
        {"SETUP.EXE /SILENT /FAST", {}, true, false, true, "", "/FAST"},
        {"SETUP.EXE /SILENT /DIR=", {}, true, false, true, "", "/DIR="},
        {"SETUP.EXE /SILENT /LOG", {}, true, false, true, "", "/LOG"},
        {"SETUP.EXE /SILENT=1", {}, false, false, false, "", "/SILENT=1"},
        {"SETUP.EXE C:\\A\\UNSETUP.INI C:\\B\\UNSETUP.INI",
         {"C:\\A\\UNSETUP.INI", "C:\\B\\UNSETUP.INI"},
         false,
         false,
         false,
         "",
         ""},
        // A record path beside Shift-JIS text keeps its bytes.
        {"SETUP.EXE /SILENT C:\\\x95\x5C\\UNSETUP.INI", {"C:\\\x95\x5C\\UNSETUP.INI"}, true, false, true, "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.commandLine);
        const CommandLine line = SplitCommandLine(row.commandLine);
        EXPECT_EQ(line.words, row.words);
        EXPECT_EQ(line.switches.silent, row.silent);
        EXPECT_EQ(line.switches.verySilent, row.verySilent);
        EXPECT_EQ(line.switches.Unattended(), row.unattended);
        EXPECT_EQ(line.switches.dir.value_or(""), row.dir);
        EXPECT_EQ(line.switches.bad.empty() ? std::string() : line.switches.bad.front(), row.bad);
    }
}

TEST(CommandLineTest, TheRecordPathDecidesTheRunModeInEveryPosition)
{
    for (const char* line :
         {"UNKORAT.EXE /SILENT C:\\APP\\UNSETUP.INI", "UNKORAT.EXE C:\\APP\\UNSETUP.INI /SILENT",
          "UNKORAT.EXE /LOG=C:\\L.TXT C:\\APP\\UNSETUP.INI /VERYSILENT", "UNKORAT.EXE \"C:\\APP\\UNSETUP.INI\""}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(RunModeFor(FirstArgument(line)), RunMode::Unsetup);
    }
    EXPECT_EQ(RunModeFor(FirstArgument("SETUP.EXE /SILENT")), RunMode::Setup);
    EXPECT_EQ(RunModeFor(FirstArgument("SETUP.EXE /SILENT C:\\APP\\unsetup.ini")), RunMode::Setup);
}

TEST(UnattendedAnswersTest, EachQuestionTakesItsDefault)
{
    struct Row {
        const char* caption;
        int flags;
        int answer;
    };
    const Row rows[] = {
        {"フォルダ作成", box::kQuestionYesNo, box::kYes},
        {"空き容量不足", box::kQuestionYesNo, box::kNo},
        {"上書き確認", box::kQuestionYesNo, box::kNo},
        {"ディスク交換", box::kInformationOkCancel, box::kOk},
        {"関連付けの確認", box::kQuestionYesNo, box::kYes},
        {"ファイル削除の確認", box::kQuestionYesNo, box::kNo},
        {"警告", box::kWarningYesNo, box::kNo},
        {"完了", box::kInformationOk, box::kOk},
        {"セットアップ中止", box::kStopOk, box::kOk},
        {"何か", box::kQuestionYesNo, box::kNo},
        {"何か", box::kInformationOkCancel, box::kCancel},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.caption);
        UnattendedAnswers answers;
        const TakenAnswer taken = answers.Answer("text", row.caption, row.flags);
        EXPECT_EQ(taken.answer, row.answer);
        EXPECT_EQ(taken.source, AnswerSource::Default);
        EXPECT_FALSE(answers.Declined());
    }
    AnswerSource source = AnswerSource::AnswersFile;
    EXPECT_EQ(UnattendedAnswers().SharedAnswer(source), "No");
    EXPECT_EQ(source, AnswerSource::Default);
}

TEST(UnattendedAnswersTest, TheAnswersFileWinsWhereItFitsTheQuestion)
{
    std::string error;
    const auto file = ParseAnswersFile("[Answers]\r\n関連付けの確認=No\r\nフォルダ作成=No\r\n完了=Yes\r\n"
                                       "ディスク交換=OK\r\n[Uninstall]\r\nShared=Save\r\n",
                                       error);
    ASSERT_TRUE(file) << error;
    struct Row {
        const char* caption;
        int flags;
        int answer;
        AnswerSource source;
        bool declined;
    };
    const Row rows[] = {
        {"関連付けの確認", box::kQuestionYesNo, box::kNo, AnswerSource::AnswersFile, false},
        // Refusing the folder is refusing the install: the run was cancelled.
        {"フォルダ作成", box::kQuestionYesNo, box::kNo, AnswerSource::AnswersFile, true},
        // "Yes" is no answer to a box with OK alone.
        {"完了", box::kInformationOk, box::kOk, AnswerSource::Default, false},
        {"上書き確認", box::kQuestionYesNo, box::kNo, AnswerSource::Default, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.caption);
        UnattendedAnswers answers(*file);
        const TakenAnswer taken = answers.Answer("text", row.caption, row.flags);
        EXPECT_EQ(taken.answer, row.answer);
        EXPECT_EQ(taken.source, row.source);
        EXPECT_EQ(answers.Declined(), row.declined);
    }
    AnswerSource source = AnswerSource::Default;
    EXPECT_EQ(UnattendedAnswers(*file).SharedAnswer(source), "Save");
    EXPECT_EQ(source, AnswerSource::AnswersFile);
}

TEST(UnattendedAnswersTest, ADiskAskedForAgainEndsTheRunWhateverTheFileSays)
{
    std::string error;
    for (const std::string text : {"", "[Answers]\r\nディスク交換=OK\r\n"}) {
        SCOPED_TRACE(text);
        UnattendedAnswers answers(*ParseAnswersFile(text, error));
        EXPECT_EQ(answers.Answer("2枚目", "ディスク交換", box::kInformationOkCancel).answer, box::kOk);
        EXPECT_EQ(answers.Answer("2枚目", "ディスク交換", box::kInformationOkCancel).answer, box::kCancel);
        // The next disk is a new question.
        EXPECT_EQ(answers.Answer("3枚目", "ディスク交換", box::kInformationOkCancel).answer, box::kOk);
        EXPECT_FALSE(answers.Declined()) << "a missing disk is a failure, not the administrator's choice";
    }
}

TEST(AnswersFileTest, BadAnswersAreRefusedWithTheirName)
{
    struct Row {
        std::string text;
        const char* mentions;
    };
    const Row rows[] = {
        {"[Answers]\r\nX=Maybe\r\n", "'Maybe' for 'X' is none of Yes, No, OK, Cancel"},
        {"[Uninstall]\r\nShared=Perhaps\r\n", "Shared is one of Yes, No, Delete, Save"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        std::string error;
        EXPECT_FALSE(ParseAnswersFile(row.text, error));
        EXPECT_NE(error.find(row.mentions), std::string::npos) << error;
    }
    std::string error;
    const auto file = ParseAnswersFile("; comment\r\n[Wizard]\r\nFolder = D:\\Apps ; the folder\r\n"
                                       "[Answers]\r\n完了=OK   ; comment\r\n[Other]\r\nX=Maybe\r\n",
                                       error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(file->wizard.at("Folder"), "D:\\Apps");
    EXPECT_EQ(file->answers.at("完了"), box::kOk);
}

// The log and the dry run write a box's answer with the word the answers file reads
// it by, and the shared-file answer is one of the slot's own four words, exactly.
TEST(AnswersFileTest, EachAnswerIsReadByTheWordItIsWrittenWith)
{
    for (const int answer : {box::kOk, box::kCancel, box::kYes, box::kNo}) {
        SCOPED_TRACE(answer);
        std::string error;
        const auto file = ParseAnswersFile(std::string("[Answers]\r\nX=") + BoxAnswerWord(answer) + "\r\n", error);
        ASSERT_TRUE(file) << error;
        EXPECT_EQ(file->answers.at("X"), answer);
    }
    struct Row {
        const char* word;
        bool taken;
    };
    const Row rows[] = {{"Yes", true},           {"No", true}, {"Delete", true}, {"Save", true}, {"yes", false},
                        {"Can't Delete", false}, {"OK", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.word);
        std::string error;
        const auto file = ParseAnswersFile(std::string("[Uninstall]\r\nShared=") + row.word + "\r\n", error);
        EXPECT_EQ(file.has_value(), row.taken) << error;
        if (file) EXPECT_EQ(file->shared, row.word);
    }
}

TEST(ExitCodeTest, TheRunsEndingDecidesTheCode)
{
    struct Row {
        const char* name;
        RunEnding ending;
        int code;
    };
    auto u = [](auto change) {
        RunEnding e;
        e.unattended = true;
        change(e);
        return e;
    };
    const Row rows[] = {
        {"interactive, whatever happened",
         [] {
             RunEnding e;
             e.failures = 3;
             e.otherInstance = true;
             return e;
         }(),
         0},
        {"done", u([](RunEnding&) {}), 0},
        {"restart", u([](RunEnding& e) { e.restartRequested = true; }), 3010},
        {"failures beat a restart", u([](RunEnding& e) {
             e.restartRequested = true;
             e.failures = 1;
         }),
         1603},
        {"stopped by a default", u([](RunEnding& e) { e.stopped = true; }), 1603},
        {"stopped by the answers", u([](RunEnding& e) { e.stopped = e.declined = true; }), 1602},
        {"declined but went on", u([](RunEnding& e) { e.declined = true; }), 0},
        {"error", u([](RunEnding& e) { e.error = true; }), 1603},
        {"fatal start-up", u([](RunEnding& e) { e.fatalStartup = true; }), 1603},
        {"other instance", u([](RunEnding& e) { e.otherInstance = true; }), 1618},
        {"bad switches first", u([](RunEnding& e) { e.badSwitches = e.otherInstance = true; }), 87},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ExitCodeFor(row.ending), row.code);
    }
}

TEST(RunLogTest, StampsAreZeroPadded)
{
    EXPECT_EQ(RunLog::Stamp({2024, 5, 1, 9, 3, 7, 25}), "2024-05-01 09:03:07.025");
}

// Whole runs of the program, as a deployment tool starts it.
struct UnattendedRunTest : ::testing::Test {
    testing::TestMachine vm;
    ui::HeadlessBackend ui;
    FileOps ops{vm.platform};
    const std::string uninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quiet";

    UnattendedRunTest()
    {
        vm.Put("C:\\SETUP\\SETUP.EXE", "MZ program");
        vm.Put("C:\\SETUP\\A.TXT", std::string(3000, 'a'));
        vm.Put("C:\\SETUP\\B.TXT", "b");
    }
    void Script(const std::string& extra = "")
    {
        vm.Put("C:\\SETUP\\SETUP.INI", "[Title]\r\nSetupTitle=Quiet\r\nUnSetupKey=Quiet\r\n" + extra +
                                           "[DefaultFolder]\r\nFolder=C:\\QUIET\r\n"
                                           "[CopyFile]\r\nFile1=(App)A.TXT\r\nFile2=(App)B.TXT\r\n");
    }
    int RunWith(const std::string& arguments)
    {
        vm.machine.Config().commandLine = "\"C:\\SETUP\\SETUP.EXE\" " + arguments;
        Application app(vm.platform, ui);
        return app.Run();
    }
    std::string Value(const std::string& name)
    {
        RegValue value;
        if (vm.platform.registry.ReadValue(RootKey::LocalMachine, uninstallKey, name, value) != 0) return "<none>";
        return value.type == ValueType::DoubleWord ? std::to_string(value.AsDoubleWord()) : value.data;
    }
    std::string Log() { return vm.Get("C:\\LOG.TXT"); }
    // The log is UTF-8; the texts of this file are Shift-JIS, as the program's are.
    std::string InLog(const std::string& sjis) { return vm.platform.system.ShiftJisToUtf8(sjis).value_or("?"); }
};

// Every pause of an install run is there for a person: the two fixed ones at the start
// (500 ms before the progress window shows, 1000 ms after its first text) to follow
// the windows, and the script's (7 ms after the pre-read, the size text, the space
// check and each of the two files) to read each status text. A run that shows no
// window makes none of them; a run that shows one makes them all.
TEST_F(UnattendedRunTest, OnlyARunWithoutWindowsLeavesOutThePauses)
{
    struct Row {
        const char* arguments;
        std::uint32_t pausedAtLeast, pausedBelow;
    };
    const Row rows[] = {
        {"/VERYSILENT", 0, 1},
        {"/SILENT", 1500 + 5 * 7, 2000},
    };
    for (const Row& row : rows) {
        Script("[Extend]\r\nSetupSpeed=7\r\n");
        const std::uint32_t before = vm.platform.system.GetTickCount();
        ASSERT_EQ(RunWith(row.arguments), 0) << row.arguments;
        const std::uint32_t paused = vm.platform.system.GetTickCount() - before;
        EXPECT_GE(paused, row.pausedAtLeast) << row.arguments;
        EXPECT_LT(paused, row.pausedBelow) << row.arguments;
    }
}

TEST_F(UnattendedRunTest, AVerySilentInstallShowsNothingAndEndsWithZero)
{
    Script("Publisher=Lorvel Works\r\nDisplayVersion=1.2\r\n");
    EXPECT_EQ(RunWith("/VERYSILENT /LOG=C:\\LOG.TXT"), 0);
    EXPECT_TRUE(ui.Boxes().empty());
    for (const std::string& event : ui.Log()) EXPECT_EQ(event.rfind("show", 0), std::string::npos) << event;
    EXPECT_EQ(vm.Get("C:\\QUIET\\A.TXT").size(), 3000u);
    EXPECT_EQ(Value("QuietUninstallString"), "\"C:\\WINDOWS\\UNKORAT.EXE\" /SILENT \"C:\\QUIET\\UNSETUP.INI\"");
    EXPECT_EQ(Value("UninstallString"), "\"C:\\WINDOWS\\UNKORAT.EXE\" \"C:\\QUIET\\UNSETUP.INI\"");
    EXPECT_EQ(Value("Publisher"), "Lorvel Works");
    EXPECT_EQ(Value("DisplayVersion"), "1.2");
    // 3000 + 1 bytes and the record: whole kilobytes, rounded up.
    EXPECT_EQ(Value("EstimatedSize"), "4");
    EXPECT_EQ(Value("InstallDate").size(), 8u);
    EXPECT_FALSE(ops.FolderExists("C:\\WINDOWS\\TEMP\\KRTMP1")) << "the work folder is removed";
    const std::string log = Log();
    for (const char* line :
         {"command line: ", "switch: /VERYSILENT", "run mode: install", "Windows folder: C:\\WINDOWS\\",
          "question [フォルダ作成] C:\\QUIET\\ |  | このフォルダは存在しません．作成してもよろしいですか？ -> Yes "
          "(default)",
          "status: ファイルをコピーしています．．． | Copying -> C:\\QUIET\\A.TXT",
          "record written: C:\\QUIET\\UNSETUP.INI", "exit code 0\r\n"}) {
        SCOPED_TRACE(line);
        EXPECT_NE(log.find(InLog(line)), std::string::npos) << log;
    }
}

TEST_F(UnattendedRunTest, AReinstallUpdatesTheListEntry)
{
    Script("Publisher=Old\r\nDisplayVersion=1.0\r\n");
    ASSERT_EQ(RunWith("/VERYSILENT"), 0);
    Script("Publisher=New\r\n");
    ASSERT_EQ(RunWith("/VERYSILENT"), 0);
    EXPECT_EQ(Value("Publisher"), "New");
    EXPECT_EQ(Value("DisplayVersion"), "<none>");
}

TEST_F(UnattendedRunTest, SilentShowsTheProgressWindowAlone)
{
    Script();
    EXPECT_EQ(RunWith("/SILENT"), 0);
    EXPECT_TRUE(ui.Boxes().empty());
    for (const std::string& event : ui.Log())
        if (event.rfind("show", 0) == 0) {
            EXPECT_EQ(event, "show frmStatus");
        }
}

TEST_F(UnattendedRunTest, TheRunsEndingBecomesTheExitCode)
{
    struct Row {
        const char* folder;  // each row installs into a folder of its own
        std::string copy;
        std::string answers;
        std::string arguments;
        int code;
        const char* logged;
    };
    const std::string copy = "File1=(App)A.TXT\r\n";
    const Row rows[] = {
        {"DECLINED", copy, "[Answers]\r\nフォルダ作成=No\r\n", "/SILENT /ANSWERS=C:\\ANS.INI", 1602,
         "-> No (answers file)"},
        {"NODISK", "File1=(Dch)(App)MISSING.TXT\r\n", "", "/SILENT", 1603,
         "question [ディスク交換] 2枚目のディスクに交換してください． -> Cancel (default)"},
        {"FAILING", "File1=(App)A.TXT\r\nFile2=(App)B.TXT\r\n", "", "/SILENT", 1603,
         "failure: <File> C:\\FAILING\\B.TXT | "},
        {"REBOOT", copy + "[ExecuteFile]\r\nFile=WINDOWS_REBOOT\r\n", "", "/SILENT /NORESTART", 3010,
         "the system must restart to finish"},
        {"UNKNOWN", copy, "", "/SILENT /FAST", 87, "unknown switch or missing value: /FAST"},
        {"NOANSWERS", copy, "", "/SILENT /ANSWERS=C:\\NONE.INI", 87, "answers file C:\\NONE.INI"},
        {"BADANSWER", copy, "[Answers]\r\n完了=Maybe\r\n", "/SILENT /ANSWERS=C:\\ANS.INI", 87, "none of Yes"},
        {"GIVEN", copy, "[Wizard]\r\nFolder=C:\\OTHER\r\n", "/SILENT /ANSWERS=C:\\ANS.INI /DIR=\"C:\\MY APP\"", 0,
         "setup folder: C:\\MY APP"},
    };
    vm.machine.DenyWrites("C:\\FAILING\\B.TXT");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.folder);
        const std::string folder = std::string("C:\\") + row.folder + "\\";
        vm.Put("C:\\SETUP\\SETUP.INI",
               "[Title]\r\nSetupTitle=Quiet\r\n[DefaultFolder]\r\nFolder=" + folder + "\r\n[CopyFile]\r\n" + row.copy);
        if (!row.answers.empty()) vm.Put("C:\\ANS.INI", row.answers);
        EXPECT_EQ(RunWith(row.arguments + " /LOG=C:\\LOG.TXT"), row.code);
        EXPECT_NE(Log().find(InLog(row.logged)), std::string::npos) << Log();
        EXPECT_NE(Log().find("exit code " + std::to_string(row.code)), std::string::npos);
        EXPECT_TRUE(ui.Boxes().empty()) << "nothing is asked";
        if (row.code == 87 || row.code == 1602) {
            EXPECT_FALSE(ops.FolderExists(folder)) << "nothing is changed";
        }
    }
    EXPECT_TRUE(vm.platform.files.FileExists("C:\\MY APP\\A.TXT"));
    EXPECT_FALSE(vm.platform.files.FileExists("C:\\OTHER\\A.TXT"));
}

TEST_F(UnattendedRunTest, ASecondInstanceEndsWith1618)
{
    Script();
    auto first = vm.platform.system.CreateNamedMutex("MIRSETUP");
    EXPECT_EQ(RunWith("/VERYSILENT /LOG=C:\\LOG.TXT"), 1618);
    EXPECT_NE(Log().find("another instance"), std::string::npos);
    EXPECT_EQ(RunWith(""), 0) << "interactively it ends silently with 0, as it always has";
}

TEST_F(UnattendedRunTest, TheQuietUninstallRemovesWhatTheInstallMade)
{
    Script();
    ASSERT_EQ(RunWith("/VERYSILENT"), 0);
    vm.machine.Config().programPath = "C:\\WINDOWS\\UNKORAT.EXE";
    const std::string quiet = Value("QuietUninstallString");
    vm.machine.Config().commandLine = quiet + " /LOG=C:\\LOG.TXT";
    {
        Application app(vm.platform, ui);
        EXPECT_EQ(app.Run(), 0);
    }
    EXPECT_TRUE(ui.Boxes().empty());
    EXPECT_FALSE(ops.FolderExists("C:\\QUIET\\"));
    EXPECT_EQ(Value("DisplayName"), "<none>");
    EXPECT_NE(Log().find("run mode: uninstall"), std::string::npos);
}

}  // namespace
}  // namespace lorvel

namespace lorvel {
namespace {

TEST_F(UnattendedRunTest, AnEditedRecordIsRefusedUnattendedUnlessTheAnswersAgree)
{
    Script();
    ASSERT_EQ(RunWith("/VERYSILENT"), 0);
    vm.Put("C:\\QUIET\\UNSETUP.INI",
           vm.Get("C:\\QUIET\\UNSETUP.INI") + "[AddDeleteFile]\r\nFile1=C:\\SETUP\\B.TXT\r\n");
    vm.machine.Config().programPath = "C:\\WINDOWS\\UNKORAT.EXE";
    const std::string quiet = Value("QuietUninstallString");
    struct Row {
        const char* answers;  // the answers file, empty for none
        int code;
        bool removed;
    };
    // Yes carries it out inside the setup folder only; the entry outside it is a failure.
    const Row rows[] = {
        {"", 1603, false}, {"[Answers]\r\n警告=No\r\n", 1603, false}, {"[Answers]\r\n警告=Yes\r\n", 1603, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answers);
        std::string line = quiet + " /LOG=C:\\LOG.TXT";
        if (*row.answers) {
            vm.Put("C:\\ANSWERS.INI", row.answers);
            line += " /ANSWERS=C:\\ANSWERS.INI";
        }
        vm.machine.Config().commandLine = line;
        Application app(vm.platform, ui);
        EXPECT_EQ(app.Run(), row.code) << Log();
        EXPECT_TRUE(ui.Boxes().empty());
        EXPECT_EQ(vm.platform.files.FileExists("C:\\QUIET\\A.TXT"), !row.removed);
        EXPECT_TRUE(vm.platform.files.FileExists("C:\\SETUP\\B.TXT")) << "never what lies outside";
        EXPECT_NE(Log().find(InLog("一致しません")), std::string::npos) << Log();
    }
}

}  // namespace
}  // namespace lorvel
