#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "../CountingFileSystem.h"
#include "../VouchedRecord.h"
#include "InstallRunFixture.h"
#include "SettingsRunFixture.h"
#include "util/CopyEntry.h"
#include "util/Szdd.h"

namespace lorvel {
namespace {

using namespace platform;
using testing::RecordingView;

struct CopyPhaseTest : testing::InstallRunTest {
    CopyPhaseTest()
    {
        context.tempFolder = "C:\\TEMP\\";
        context.setupSpeed = 1;
        vm.platform.files.CreateFolder("C:\\TEMP");
        vm.platform.files.CreateFolder("C:\\APP");
        context.setupFolder = "C:\\APP\\";
    }
    std::string Script(const std::string& copyFile, const std::string& makeFolder = "")
    {
        return "[MakeFolder]\r\n" + makeFolder + "[CopyFile]\r\n" + copyFile;
    }
    // A row's own machine: the medium E: with one file, and the temporary folder.
    static void LayOut(testing::TestMachine& machine, const std::string& medium, const std::string& content)
    {
        machine.machine.SetDisk('E', {});
        machine.Put(medium, content);
        machine.platform.files.CreateFolder("C:\\TEMP");
    }
    struct OwnRun {
        InstallRunState state;
        long overwriteQuestions = 0;
    };
    // An install of copyFile on a machine of the row's own, with the overwrite box and
    // the answers given.
    OwnRun RunOn(testing::TestMachine& machine, bool overwrite, std::deque<int> answers, const std::string& copyFile)
    {
        ProfileStore store{machine.platform.files};
        FileOps machineOps{machine.platform};
        SharedFiles machineShared{machine.platform, true, nullptr};
        RecordingView recording;
        recording.options.folderText = "C:\\APP";
        recording.options.overwrite = overwrite;
        recording.answers = std::move(answers);
        machine.Put(context.scriptFile, Script(copyFile));
        InstallRun run({machine.platform, store, machineOps, context, recording, machineShared});
        run.Run();
        return {run.State(), std::count_if(recording.questions.begin(), recording.questions.end(),
                                           [](const auto& q) { return q.caption == "上書き確認"; })};
    }
};

TEST_F(CopyPhaseTest, FoldersAreCreatedInOrderAndRecorded)
{
    vm.Put("C:\\APP\\OLD\\X.TXT");
    const InstallRunState state =
        Run(Script("", "Folder1=(App)CHILD\\GRAND\r\nFolder2=(App)CHILD\r\nFolder3=(App)OLD\r\nFolder5=(App)NOT\r\n"));
    EXPECT_EQ(state.lists.deleteFolder, "C:\\APP\\CHILD\\|C:\\APP\\OLD\\|");
    EXPECT_EQ(state.failures.count, 1);
    EXPECT_EQ(state.failures.text.rfind("<Folder> C:\\APP\\CHILD\\GRAND\\\r\n", 0), 0u);
    EXPECT_EQ(state.failures.text.substr(state.failures.text.size() - 4), "\r\n\r\n");
    EXPECT_EQ(view.abortStates, (std::vector<bool>{true, false})) << "abort from the folders to the completion";
    EXPECT_EQ(view.statuses[5], "フォルダを作成しています．．．\r\nCreating -> C:\\APP\\CHILD\\GRAND\\");
}

TEST_F(CopyPhaseTest, PlainCompressedAndRenamedFiles)
{
    vm.Put("E:\\PLAIN.TXT", "plain");
    vm.Put("E:\\APP.EX_", CompressSzdd("program bytes", 'E'));
    vm.Put("E:\\DATA.DA_", CompressSzdd("data", 'T'));
    const InstallRunState state = Run(Script("File1=(App)PLAIN.TXT\r\nFile2=(App)\\APP.EX_\r\n"
                                             "File3=(App)DATA.DA_|\\NEW.DAT,/W\r\n"));
    EXPECT_EQ(vm.Get("C:\\APP\\PLAIN.TXT"), "plain");
    EXPECT_EQ(vm.Get("C:\\APP\\APP.EXE"), "program bytes");
    EXPECT_EQ(vm.Get("C:\\APP\\NEW.DAT"), "data");
    EXPECT_FALSE(vm.platform.files.Exists("C:\\WORK\\EXPAND.KRT")) << "the expansion file is removed";
    EXPECT_FALSE(vm.platform.files.Exists("C:\\TEMP\\EXPAND.KRT")) << "nor ever made in the temporary folder";
    EXPECT_EQ(state.lists.deleteFile, "C:\\APP\\PLAIN.TXT|C:\\APP\\APP.EXE|C:\\APP\\NEW.DAT,/W|C:\\APP\\UNSETUP.INI|");
    EXPECT_EQ(state.failures.count, 0);
    EXPECT_EQ(view.progress.back(), "100%(3/3)");
    EXPECT_FALSE(view.progressShown) << "hidden again after the copy";
}

TEST_F(CopyPhaseTest, AMissingSourceIsSkippedAndCountedByEntries)
{
    vm.Put("E:\\A.TXT", "a");
    vm.Put("E:\\C.TXT", "c");
    const InstallRunState state = Run(Script("File1=(App)A.TXT\r\nFile2=(App)B.TXT\r\nFile3=(App)C.TXT\r\n"));
    EXPECT_EQ(view.progress, (std::vector<std::string>{"33%(1/3)", "66%(2/3)", "100%(3/3)"}));
    EXPECT_EQ(state.failures.count, 1);
    EXPECT_EQ(state.failures.text, "<File> E:\\B.TXT\r\nコピー元のファイルが見つかりません．\r\n\r\n");
    EXPECT_EQ(state.lists.deleteFile, "C:\\APP\\A.TXT|C:\\APP\\C.TXT|C:\\APP\\UNSETUP.INI|");
}

// A file large enough to take a while is named at once, whatever the window showed a
// moment before; the others may wait for the window's next refresh.
TEST_F(CopyPhaseTest, OnlyALargeFileIsNamedAtOnce)
{
    vm.Put("E:\\SMALL.TXT", "s");
    vm.Put("E:\\LARGE.DAT", std::string(kLongCopyBytes, 'l'));
    vm.Put("E:\\ALMOST.DAT", std::string(kLongCopyBytes - 1, 'a'));
    Run(Script("File1=(App)SMALL.TXT\r\nFile2=(App)LARGE.DAT\r\nFile3=(App)GONE.TXT\r\nFile4=(App)ALMOST.DAT\r\n"));
    EXPECT_EQ(view.itemsLasting, (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(vm.Get("C:\\APP\\LARGE.DAT").size(), kLongCopyBytes);
}

// Before the pause after each file, long enough to be seen at the default speed, the
// view is told, so the window shows that file's count through the pause.
TEST_F(CopyPhaseTest, TheViewIsToldBeforeThePauseAfterEachFile)
{
    context.setupSpeed = 400;
    vm.Put("E:\\A.TXT", "a");
    vm.Put("E:\\B.TXT", "b");
    Run(Script("File1=(App)A.TXT\r\nFile2=(App)B.TXT\r\n"));
    const auto told = [this](const std::string& pause) {
        return std::find(view.pauses.begin(), view.pauses.end(), pause) != view.pauses.end();
    };
    EXPECT_TRUE(told("400 ms after 50%(1/2)")) << ::testing::PrintToString(view.pauses);
    EXPECT_TRUE(told("400 ms after 100%(2/2)")) << ::testing::PrintToString(view.pauses);
}

TEST_F(CopyPhaseTest, ProgressBySizeWhenEverySizeIsKnown)
{
    vm.Put("E:\\A.TXT", std::string(300, 'a'));
    vm.Put("E:\\B.TXT", std::string(100, 'b'));
    vm.Put("E:\\EMPTY.TXT", "");
    Run(Script("File1=(App)A.TXT\r\nFile2=(App)EMPTY.TXT\r\nFile3=(App)B.TXT\r\n"));
    EXPECT_EQ(view.progress, (std::vector<std::string>{"74%(1/3)", "75%(2/3)", "100%(3/3)"}));
}

// The copied total passes 2^31 and then 2^32, where a 32-bit count turned negative
// and then wrapped, and one file alone holds more than 4 GB. The sources are sparse
// on the host and none is copied: each destination is there, and the overwrite
// question is answered no; the progress counts each source all the same.
TEST_F(CopyPhaseTest, ProgressBySizePastTwoAndFourGibibytes)
{
    constexpr std::uint64_t kGiB = 1ull << 30;
    const std::pair<std::string, std::uint64_t> files[] = {
        {"A.BIN", kGiB}, {"B.BIN", kGiB + kGiB / 2}, {"C.BIN", 4 * kGiB + kGiB / 2}, {"D.BIN", kGiB}};
    std::string copyFile;
    int number = 0;
    for (const auto& [name, size] : files) {
        vm.Put("E:\\" + name, "");
        std::filesystem::resize_file(vm.machine.HostPath("E:\\" + name), size);
        vm.Put("C:\\APP\\" + name, "old");
        copyFile += "File" + std::to_string(++number) + "=(App)" + name + "\r\n";
    }
    vm.machine.SetDisk('C', {64 * kGiB, 16 * kGiB});
    view.options.overwrite = false;
    view.answers = {7, 7, 7, 7};
    const InstallRunState state = Run(Script(copyFile));
    EXPECT_TRUE(state.sizeKnown);
    EXPECT_EQ(state.requiredBytes, static_cast<std::int64_t>(8 * kGiB));
    EXPECT_EQ(state.copiedBytes, static_cast<std::int64_t>(8 * kGiB));
    // 1, 2.5, 7 and 8 GB of 8; counted by entries it would be 25, 50, 75 and 100.
    EXPECT_EQ(view.progress, (std::vector<std::string>{"12%(1/4)", "31%(2/4)", "87%(3/4)", "100%(4/4)"}));
    const auto questions = view.RunQuestions();
    ASSERT_EQ(questions.size(), 4u);
    for (const auto& question : questions) EXPECT_EQ(question.caption, "上書き確認");
    EXPECT_EQ(vm.Get("C:\\APP\\C.BIN"), "old");
}

TEST_F(CopyPhaseTest, TheOverwriteRuleByQuestionOrByTime)
{
    vm.Put("E:\\A.TXT", "new");
    vm.Put("C:\\APP\\A.TXT", "old");
    struct Row {
        bool overwrite;
        std::string flags;
        std::deque<int> answers;
        std::string expected;
        int questions;
    };
    const Row rows[] = {
        {false, "", {7}, "old", 1},
        {false, "", {6}, "new", 1},
        {false, ",/W", {7}, "new", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.flags + std::to_string(row.answers.front()));
        vm.platform.files.WriteWholeFile("C:\\APP\\A.TXT", "old");
        vm.platform.files.RemoveFile("C:\\APP\\UNSETUP.INI");
        view = RecordingView{};
        view.options.folderText = "C:\\APP";
        view.options.overwrite = row.overwrite;
        view.answers = row.answers;
        const InstallRunState state = Run(Script("File1=(App)A.TXT" + row.flags + "\r\n"));
        EXPECT_EQ(vm.Get("C:\\APP\\A.TXT"), row.expected);
        ASSERT_EQ(static_cast<int>(view.RunQuestions().size()), row.questions);
        EXPECT_EQ(view.questions[0].text,
                  "C:\\APP\\A.TXT\r\rこのファイルは既に存在します．\r上書きしてもよろしいですか？");
        EXPECT_EQ(view.questions[0].caption, "上書き確認");
        EXPECT_EQ(state.failures.count, 0);
        EXPECT_EQ(state.lists.deleteFile, "C:\\APP\\A.TXT" + row.flags + "|C:\\APP\\UNSETUP.INI|");
    }
}

TEST_F(CopyPhaseTest, AutoOverwriteCopiesOnlyANewerSource)
{
    namespace fs = std::filesystem;
    const auto setTime = [&](const std::string& path, fs::file_time_type time) {
        fs::last_write_time(vm.machine.HostPath(path), time);
    };
    const fs::file_time_type base = fs::file_time_type::clock::now() - std::chrono::hours(24);
    vm.Put("E:\\EQUAL.TXT", "x");
    vm.Put("E:\\NEWER.TXT", "x");
    vm.Put("E:\\OLDER.TXT", "x");
    vm.Put("C:\\APP\\EQUAL.TXT", "kept");
    vm.Put("C:\\APP\\NEWER.TXT", "replaced");
    vm.Put("C:\\APP\\OLDER.TXT", "kept");
    setTime("E:\\EQUAL.TXT", base);
    setTime("C:\\APP\\EQUAL.TXT", base + std::chrono::milliseconds(900));  // same two-second step
    setTime("E:\\NEWER.TXT", base + std::chrono::seconds(10));
    setTime("C:\\APP\\NEWER.TXT", base);
    setTime("E:\\OLDER.TXT", base);
    setTime("C:\\APP\\OLDER.TXT", base + std::chrono::hours(1));
    const InstallRunState state =
        Run(Script("File1=(App)EQUAL.TXT\r\nFile2=(App)NEWER.TXT\r\nFile3=(App)OLDER.TXT\r\n"));
    EXPECT_EQ(vm.Get("C:\\APP\\EQUAL.TXT"), "kept") << "the same time is not newer";
    EXPECT_EQ(vm.Get("C:\\APP\\NEWER.TXT"), "x");
    EXPECT_EQ(vm.Get("C:\\APP\\OLDER.TXT"), "kept");
    EXPECT_TRUE(view.RunQuestions().empty());
    EXPECT_EQ(state.lists.deleteFile, "C:\\APP\\EQUAL.TXT|C:\\APP\\NEWER.TXT|C:\\APP\\OLDER.TXT|C:\\APP\\UNSETUP.INI|");
}

TEST_F(CopyPhaseTest, ADestinationInAMissingFolderFailsWithARecord)
{
    vm.Put("E:\\A.TXT", "a");
    const InstallRunState state = Run(Script("File1=(App)NOFOLDER\\A.TXT\r\n"));
    EXPECT_EQ(state.failures.count, 1);
    EXPECT_EQ(state.failures.text.rfind("<File> C:\\APP\\NOFOLDER\\A.TXT\r\n", 0), 0u);
    EXPECT_EQ(state.lists.deleteFile, "C:\\APP\\UNSETUP.INI|");
}

TEST_F(CopyPhaseTest, ATruncatedCompressedFileIsAFailureNotAHalfFile)
{
    const std::string compressed = CompressSzdd(std::string(5000, 'x') + std::string(5000, 'y'), 'T');
    vm.Put("E:\\CUT.TX_", compressed.substr(0, compressed.size() / 2));
    const InstallRunState state = Run(Script("File1=(App)CUT.TX_\r\n"));
    EXPECT_FALSE(vm.platform.files.Exists("C:\\APP\\CUT.TXT"));
    EXPECT_EQ(state.failures.text, "<File> C:\\APP\\CUT.TXT\r\n圧縮ファイルが壊れているため展開できません．\r\n\r\n");
    EXPECT_FALSE(vm.platform.files.Exists("C:\\WORK\\EXPAND.KRT"));
}

TEST_F(CopyPhaseTest, DiskChangeAsksUntilTheFileIsThere)
{
    vm.Put("E:\\A.TXT", "a");
    view.answers = {1, 1};
    // The second disk is in the drive only after the first OK.
    int asked = 0;
    view.onAsk = [&] {
        if (++asked == 2) vm.Put("E:\\DATA2.DAT", "second disk");
    };
    const InstallRunState state = Run(Script("File1=(App)A.TXT\r\nFile2=(Dch)(App)\\DATA2.DAT\r\n"));
    ASSERT_EQ(view.RunQuestions().size(), 2u);
    EXPECT_EQ(view.questions[0].text, "2枚目のディスクに交換してください．");
    EXPECT_EQ(view.questions[0].caption, "ディスク交換");
    EXPECT_EQ(view.questions[0].flags, 65);
    EXPECT_EQ(vm.Get("C:\\APP\\DATA2.DAT"), "second disk");
    EXPECT_EQ(state.diskNumber, 2);
}

TEST_F(CopyPhaseTest, DiskChangeCancelledStopsTheRun)
{
    view.answers = {2};
    const InstallRunState state = Run(Script("File1=(Dch)(App)DATA2.DAT\r\n"));
    ASSERT_EQ(view.questions.size(), 2u);
    EXPECT_EQ(view.questions[1].text, "セットアップを続行できませんでした．");
    EXPECT_EQ(view.questions[1].caption, "致命的エラー");
    EXPECT_TRUE(view.ended);
    EXPECT_EQ(state.lists.deleteFile, "") << "the record's own path is added only after the copy phase";
}

TEST_F(CopyPhaseTest, SharedAndRegisteredFiles)
{
    vm.Put("E:\\NEW.DLL", "MZDllRegisterServer=0\nDllUnregisterServer=0\n");
    vm.Put("E:\\OLD.DLL", "MZDllRegisterServer=1\n");
    vm.Put("E:\\TEXT.OCX", "not a library");
    vm.Put("C:\\APP\\OLD.DLL", "MZ");  // there before, without a count, and older
    std::filesystem::last_write_time(vm.machine.HostPath("C:\\APP\\OLD.DLL"),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    Run(Script("File1=(App)NEW.DLL,/S/R\r\nFile2=(App)OLD.DLL,/s/r\r\nFile3=(App)TEXT.OCX,/R\r\n"));
    SharedFiles counts(vm.platform, true, nullptr);
    EXPECT_EQ(counts.ReadSharedCount("C:\\APP\\NEW.DLL"), 1);
    EXPECT_EQ(counts.ReadSharedCount("C:\\APP\\OLD.DLL"), 2);
    EXPECT_EQ(warnings, (std::vector<std::string>{"C:\\APP\\OLD.DLLのDllRegisterServer関数が失敗しました．",
                                                  "C:\\APP\\TEXT.OCXの読み込みに失敗しました．"}));
    const auto& journal = vm.machine.Journal();
    EXPECT_NE(std::find(journal.begin(), journal.end(), "call C:\\APP\\NEW.DLL DllRegisterServer"), journal.end());
}

// Under Wine a lookup of a name the folder lacks reads the whole folder, so a new
// file is created by its copy without being looked for first. A shared file's count
// must see the destination as it was, and a folder there is still no file to replace.
TEST_F(CopyPhaseTest, ANewDestinationIsCreatedWithoutBeingLookedFor)
{
    vm.Put("E:\\A.TXT", "a");
    vm.Put("E:\\S.DLL", "MZ");
    vm.Put("E:\\SUB", "not a folder");
    vm.platform.files.CreateFolder("C:\\APP\\SUB");
    testing::CountingFileSystem counting(vm.platform.files);
    counting.logPaths = true;
    Platform counted = testing::WithFiles(vm.platform, counting);
    FileOps countedOps(counted);
    vm.Put(context.scriptFile, Script("File1=(App)A.TXT\r\nFile2=(App)S.DLL,/S\r\nFile3=(App)SUB\r\n"));
    InstallRun run({counted, profiles, countedOps, context, view, shared});
    run.Run();

    const auto callsOn = [&](const std::string& path) {
        std::vector<std::string> calls;
        for (const std::string& line : counting.log)
            if (line.size() > path.size() &&
                line.compare(line.size() - path.size() - 1, std::string::npos, " " + path) == 0)
                calls.push_back(line.substr(0, line.size() - path.size() - 1));
        return calls;
    };
    EXPECT_EQ(callsOn("C:\\APP\\A.TXT"), (std::vector<std::string>{"CopyToNew", "QueryFile"}))
        << "the copy, then the completion's size";
    const std::vector<std::string> sharedCalls = callsOn("C:\\APP\\S.DLL");
    ASSERT_FALSE(sharedCalls.empty());
    EXPECT_EQ(sharedCalls.front(), "GetAttributes");
    EXPECT_EQ(SharedFiles(vm.platform, true, nullptr).ReadSharedCount("C:\\APP\\S.DLL"), 1);
    EXPECT_EQ(vm.Get("C:\\APP\\A.TXT"), "a");
    EXPECT_TRUE(FileOps(vm.platform).FolderExists("C:\\APP\\SUB"));
    const InstallRunState& state = run.State();
    EXPECT_EQ(state.failures.count, 1);
    EXPECT_EQ(state.failures.text.rfind("<File> C:\\APP\\SUB\r\n", 0), 0u) << state.failures.text;
    EXPECT_EQ(state.lists.deleteFile, "C:\\APP\\A.TXT|C:\\APP\\S.DLL,/S|C:\\APP\\UNSETUP.INI|");
}

// The copy that only creates opens the source first, so a source another program
// holds open fails it before the destination is ever met: an existing destination
// must still get its question or its time comparison, and a skip is no failure.
TEST_F(CopyPhaseTest, ASourceThatCannotBeOpenedMeetsAnExistingDestinationAsBefore)
{
    struct Row {
        const char* what;
        bool there, overwrite;
        std::deque<int> answers;
        int questions;
        bool failed;
    };
    const Row rows[] = {
        {"there, asked, No", true, false, {box::kNo}, 1, false},
        {"there, asked, Yes", true, false, {box::kYes}, 1, true},
        {"there and not older", true, true, {}, 0, false},
        {"not there", false, false, {}, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testing::TestMachine machine;
        LayOut(machine, "E:\\A.TXT", "new");
        machine.platform.files.CreateFolder("C:\\APP");
        if (row.there) machine.Put("C:\\APP\\A.TXT", "old");
        std::filesystem::last_write_time(machine.machine.HostPath("E:\\A.TXT"),
                                         std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
        machine.machine.LockFile("E:\\A.TXT");
        const auto [state, overwriteQuestions] = RunOn(machine, row.overwrite, row.answers, "File1=(App)A.TXT\r\n");
        EXPECT_EQ(overwriteQuestions, row.questions);
        EXPECT_EQ(state.failures.count, row.failed ? 1 : 0) << state.failures.text;
        EXPECT_EQ(state.lists.deleteFile.rfind("C:\\APP\\A.TXT|", 0) == 0, !row.failed) << state.lists.deleteFile;
        EXPECT_EQ(machine.Get("C:\\APP\\A.TXT"), row.there ? "old" : "<missing>");
    }
}

// Whoever can write the setup folder before the install (one another account made,
// say) can leave links in it: one named as a file the install copies, or a folder on
// its way, or the setup folder itself. A copy through any of them would write a
// system file with the installer's rights, and a registration would run it.
TEST_F(CopyPhaseTest, ACopyNeverGoesThroughALinkInTheSetupFolder)
{
    enum class Link { None, AtTheFile, ToNothing, AtAFolder, TheSetupFolder };
    struct Row {
        const char* what;
        Link link;
        const char* entry;
        bool overwrite;
        std::deque<int> answers;
        const char* reason;
    };
    const Row rows[] = {
        {"nothing linked, an older file there", Link::None, "(App)SUB\\A.DLL,/R", true, {}, nullptr},
        {"nothing linked, shared and registered", Link::None, "(App)SUB\\A.DLL,/S/R", true, {}, nullptr},
        {"the file a link to nothing", Link::ToNothing, "(App)SUB\\A.DLL", true, {}, "コピー先がリンク"},
        {"the file a link, auto-overwrite", Link::AtTheFile, "(App)SUB\\A.DLL", true, {}, "コピー先がリンク"},
        {"the file a link, asked", Link::AtTheFile, "(App)SUB\\A.DLL", false, {box::kYes}, "コピー先がリンク"},
        {"the file a link, shared and registered",
         Link::AtTheFile,
         "(App)SUB\\A.DLL,/S/R",
         true,
         {},
         "コピー先がリンク"},
        {"a folder on the way a link", Link::AtAFolder, "(App)SUB\\A.DLL,/R", true, {}, "経由"},
        {"the setup folder a link", Link::TheSetupFolder, "(App)SUB\\A.DLL", true, {}, "経由"},
    };
    const std::string system = "C:\\WINDOWS\\SYSTEM32\\SUB\\A.DLL";
    const std::string installed = "C:\\APP\\SUB\\A.DLL";
    const auto anHourAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testing::TestMachine machine;
        LayOut(machine, "E:\\A.DLL", "MZDllRegisterServer=0\nnew");
        machine.Put(system, "MZDllRegisterServer=0\nsystem");
        std::filesystem::last_write_time(machine.machine.HostPath(system), anHourAgo);
        switch (row.link) {
        case Link::None:
            machine.Put(installed, "old");
            std::filesystem::last_write_time(machine.machine.HostPath(installed), anHourAgo);
            break;
        case Link::AtTheFile:
            machine.platform.files.CreateFolder("C:\\APP");
            machine.platform.files.CreateFolder("C:\\APP\\SUB");
            machine.machine.MakeFileLink(installed, system);
            break;
        case Link::ToNothing:
            machine.platform.files.CreateFolder("C:\\APP");
            machine.platform.files.CreateFolder("C:\\APP\\SUB");
            machine.machine.MakeFileLink(installed, "C:\\WINDOWS\\SYSTEM32\\SUB\\NEW.DLL");
            break;
        case Link::AtAFolder:
            machine.platform.files.CreateFolder("C:\\APP");
            machine.machine.MakeFolderLink("C:\\APP\\SUB", "C:\\WINDOWS\\SYSTEM32\\SUB");
            break;
        case Link::TheSetupFolder: machine.machine.MakeFolderLink("C:\\APP", "C:\\WINDOWS\\SYSTEM32"); break;
        }
        const auto [state, overwriteQuestions] =
            RunOn(machine, row.overwrite, row.answers, std::string("File1=") + row.entry + "\r\n");
        SharedFiles machineShared{machine.platform, true, nullptr};
        const auto& journal = machine.machine.Journal();
        const bool registered =
            std::find(journal.begin(), journal.end(), "call " + installed + " DllRegisterServer") != journal.end();
        const bool linkToNothing = row.link == Link::ToNothing;
        EXPECT_EQ(machine.Get(installed), linkToNothing ? "<missing>"
                                          : row.reason  ? "MZDllRegisterServer=0\nsystem"
                                                        : "MZDllRegisterServer=0\nnew");
        EXPECT_FALSE(machine.platform.files.Exists("C:\\WINDOWS\\SYSTEM32\\SUB\\NEW.DLL"));
        EXPECT_EQ(registered, row.reason == nullptr && std::string(row.entry).find("/R") != std::string::npos);
        EXPECT_EQ(state.lists.deleteFile.rfind(installed, 0) == 0, row.reason == nullptr) << state.lists.deleteFile;
        const bool shared = std::string(row.entry).find("/S") != std::string::npos;
        // The older file there without a count had one user already.
        EXPECT_EQ(machineShared.ReadSharedCount(installed), row.reason == nullptr && shared ? 2 : 0);
        EXPECT_EQ(overwriteQuestions, 0);
        if (!row.reason) {
            EXPECT_EQ(state.failures.count, 0) << state.failures.text;
            continue;
        }
        EXPECT_EQ(machine.Get(system), "MZDllRegisterServer=0\nsystem");
        EXPECT_EQ(state.failures.count, 1);
        EXPECT_NE(state.failures.text.find(installed), std::string::npos) << state.failures.text;
        EXPECT_NE(state.failures.text.find(row.reason), std::string::npos) << state.failures.text;
    }
}

// The overwrite question holds the run still: long enough for another account to
// swap a folder on the way for a link to the system folder. The way is looked at
// again after the answer.
TEST_F(CopyPhaseTest, AFolderSwappedForALinkDuringTheOverwriteQuestionIsSeen)
{
    vm.Put("E:\\A.DLL", "new");
    vm.Put("C:\\APP\\SUB\\A.DLL", "old");
    vm.Put("C:\\WINDOWS\\SYSTEM32\\SUB\\A.DLL", "system");
    view.options.overwrite = false;
    view.answers = {box::kYes};
    view.onAsk = [this] {
        vm.SwapForLink("C:\\APP\\SUB", "C:\\WINDOWS\\SYSTEM32\\SUB");
        view.onAsk = nullptr;
    };
    const InstallRunState state = Run(Script("File1=(App)SUB\\A.DLL\r\n"));
    EXPECT_EQ(vm.Get("C:\\WINDOWS\\SYSTEM32\\SUB\\A.DLL"), "system");
    EXPECT_NE(state.failures.text.find("経由"), std::string::npos) << state.failures.text;
}

// Registering loads a library as administrator: never where another account can put
// or swap the file, whoever put it there; the record vouches for none of them.
TEST_F(CopyPhaseTest, OnlyALibraryWhereNoOtherAccountWritesIsRegistered)
{
    enum class There { Nothing, Squatter };
    struct Row {
        const char* what;
        There there;
        bool othersMayWrite;
        bool overwrite;
        std::deque<int> answers;
        bool registered;
    };
    const Row rows[] = {
        {"copied where others may write", There::Nothing, true, true, {}, false},
        {"a squatter dated years ahead, newer-file rule", There::Squatter, true, true, {}, false},
        {"copied where only administrators write", There::Nothing, false, true, {}, true},
        {"another program's newer library where only administrators write", There::Squatter, false, true, {}, true},
    };
    const std::string installed = "C:\\SHARED\\A.DLL";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testing::TestMachine machine;
        LayOut(machine, "E:\\A.DLL", "MZDllRegisterServer=0\nmedium");
        machine.platform.files.CreateFolder("C:\\APP");
        machine.platform.files.CreateFolder("C:\\SHARED");
        if (row.othersMayWrite) machine.machine.LetOthersWrite("C:\\SHARED");
        if (row.there == There::Squatter) {
            machine.Put(installed, "MZDllRegisterServer=0\nsquatter");
            std::filesystem::last_write_time(machine.machine.HostPath(installed),
                                             std::filesystem::file_time_type::clock::now() +
                                                 std::chrono::hours(24 * 365 * 10));
        }
        const auto [state, questions] = RunOn(machine, row.overwrite, row.answers, "File1=C:\\SHARED\\A.DLL,/R\r\n");
        const auto& journal = machine.machine.Journal();
        const bool registered =
            std::find(journal.begin(), journal.end(), "call " + installed + " DllRegisterServer") != journal.end();
        EXPECT_EQ(registered, row.registered);
        EXPECT_EQ(state.failures.text.find("登録(読み込み)しませんでした") != std::string::npos, !row.registered)
            << state.failures.text;
        EXPECT_EQ(state.unvouchedComponents.count(installed), row.registered ? 0u : 1u) << "the record vouches for it";
    }
}

TEST(SharedCopyTest, ACopyThatFailsLeavesTheSharedCountAsItWas)
{
    using platform::virt::Fault;
    using platform::virt::OperationKind;
    using Entry = std::optional<RegValue>;
    struct Before {
        const char* name;
        bool fileThere;
        Entry entry;
    };
    const Before befores[] = {
        {"no file, no count", false, std::nullopt},
        {"a file there without a count", true, std::nullopt},
        {"a count of 3", true, RegValue::DoubleWord(3)},
        {"a count of another type", false, RegValue::String("5")},
    };
    enum class Ending { Copied, CopyFails, DestinationLocked, BrokenCompressedFile };
    const std::pair<Ending, const char*> endings[] = {
        {Ending::Copied, "copied"},
        {Ending::CopyFails, "the copy fails"},
        {Ending::DestinationLocked, "the destination is locked"},
        {Ending::BrokenCompressedFile, "the compressed file is broken"},
    };
    // What the increment makes of each state: a file there without a count has one user already.
    const Entry raised[] = {RegValue::DoubleWord(1), RegValue::DoubleWord(2), RegValue::DoubleWord(4),
                            RegValue::DoubleWord(1)};
    constexpr const char* kDestination = "C:\\APP\\S.DLL";
    const auto shown = [](const Entry& entry) {
        if (!entry) return std::string("<none>");
        return entry->type == ValueType::DoubleWord ? "count " + std::to_string(entry->AsDoubleWord())
                                                    : "text " + entry->data;
    };
    for (std::size_t b = 0; b < std::size(befores); ++b) {
        for (const auto& [ending, endingName] : endings) {
            const Before& before = befores[b];
            SCOPED_TRACE(std::string(before.name) + ", " + endingName);
            testing::SettingsMachine t;
            if (before.fileThere) {
                t.vm.Put(kDestination, "MZ an older version");
                std::filesystem::last_write_time(t.vm.machine.HostPath(kDestination),
                                                 std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
            }
            if (before.entry) {
                t.vm.platform.registry.CreateKey(RootKey::LocalMachine, kSharedDllsKey);
                t.vm.platform.registry.WriteValue(RootKey::LocalMachine, kSharedDllsKey, kDestination, *before.entry);
            }
            std::string source = "S.DLL";
            if (ending == Ending::BrokenCompressedFile) {
                const std::string compressed = CompressSzdd(std::string(5000, 'x') + std::string(5000, 'y'), 'L');
                source = "S.DL_|S.DLL";
                t.vm.Put("E:\\S.DL_", compressed.substr(0, compressed.size() / 2));
            } else {
                t.vm.Put("E:\\S.DLL", "MZ the new version");
            }
            if (ending == Ending::DestinationLocked) t.vm.machine.LockFile(kDestination);
            // The run's only copy is the shared file's.
            t.vm.machine.ResetOperations();
            if (ending == Ending::CopyFails) t.vm.machine.FailAt(OperationKind::FileCopy, 1, Fault::DiskFull);

            const InstallRunState state = t.Run("[CopyFile]\r\nFile1=(App)" + source + ",/S\r\n");
            const bool copied = ending == Ending::Copied;
            EXPECT_EQ(state.failures.count, copied ? 0 : 1) << state.failures.text;
            EXPECT_EQ(state.lists.deleteFile.find("C:\\APP\\S.DLL,/S|") != std::string::npos, copied);
            EXPECT_EQ(shown(t.Value(RootKey::LocalMachine, kSharedDllsKey, kDestination)),
                      shown(copied ? raised[b] : before.entry));
        }
    }
}

// How many statuses a clean run of script shows up to its registry phase's first.
int StatusesUpToTheRegistry(const std::string& script)
{
    testing::SettingsMachine clean;
    clean.vm.Put("E:\\S.DLL", "MZ the library");
    clean.vm.Put("E:\\B.TXT", "b");
    clean.Run(script);
    const auto& statuses = clean.view.statuses;
    for (std::size_t i = 0; i < statuses.size(); ++i)
        if (statuses[i].rfind("レジストリ", 0) == 0) return static_cast<int>(i) + 1;
    ADD_FAILURE() << "no registry phase";
    return 0;
}

// A run that ends before its record leaves each shared file and its count as the
// machine had them, so that a second attempt counts the file once and the uninstall
// takes it away again.
TEST(SharedCopyTest, ARunEndingBeforeItsRecordTakesBackItsCounts)
{
    constexpr const char* kDestination = "C:\\APP\\S.DLL";
    struct Before {
        const char* name;
        bool fileThere;
        std::optional<std::uint32_t> count;
    };
    const Before befores[] = {
        {"no file, no count", false, std::nullopt},
        {"a file there without a count", true, std::nullopt},
        {"a count of 3", true, 3},
    };
    enum class Ending { KeyDenied, Abort, RecordRefused };
    const std::pair<Ending, const char*> endings[] = {
        {Ending::KeyDenied, "a later key denied"},
        {Ending::Abort, "an abort after the copy"},
        {Ending::RecordRefused, "the record refused"},
    };
    const std::string copies = "[CopyFile]\r\nFile1=(App)S.DLL,/S\r\nFile2=(App)B.TXT\r\n";
    const std::string script = copies + "[Registry]\r\nKey1=(Local)\\Software\\Later\\\r\nName1=V\r\nValue1=(Str)x\r\n";
    for (const Before& before : befores) {
        for (const auto& [ending, endingName] : endings) {
            SCOPED_TRACE(std::string(before.name) + ", " + endingName);
            testing::SettingsMachine t;
            t.vm.Put("E:\\S.DLL", "MZ the library");
            t.vm.Put("E:\\B.TXT", "b");
            if (before.fileThere) t.vm.Put(kDestination, "MZ the library");
            if (before.count) {
                t.vm.platform.registry.CreateKey(RootKey::LocalMachine, kSharedDllsKey);
                t.vm.platform.registry.WriteValue(RootKey::LocalMachine, kSharedDllsKey, kDestination,
                                                  RegValue::DoubleWord(*before.count));
            }
            auto count = [&t] {
                const auto value = t.Value(RootKey::LocalMachine, kSharedDllsKey, kDestination);
                return value ? std::optional<std::uint32_t>(value->AsDoubleWord()) : std::nullopt;
            };
            if (ending == Ending::KeyDenied) t.vm.machine.DenyRegistryWrites(RootKey::LocalMachine, "Software\\Later");
            if (ending == Ending::Abort) t.view.abortAfterStatuses = StatusesUpToTheRegistry(script);
            if (ending == Ending::RecordRefused) t.vm.machine.LockFile("C:\\APP\\UNSETUP.INI");
            const std::string raised = t.RunRaising(script);
            EXPECT_EQ(raised.empty(), ending != Ending::KeyDenied) << raised;
            EXPECT_TRUE(t.vm.platform.files.FileExists("C:\\APP\\B.TXT")) << "the run got past the copies";
            EXPECT_EQ(t.vm.platform.files.FileExists(kDestination), before.fileThere);
            EXPECT_EQ(count(), before.count);

            // A second attempt with the fault gone (the denied key no longer asked for),
            // then the uninstall's lowering of the count.
            t.view.abortAfterStatuses = -1;
            t.vm.machine.UnlockFile("C:\\APP\\UNSETUP.INI");
            ASSERT_EQ(t.RunRaising(ending == Ending::KeyDenied ? copies : script), "");
            SharedFiles shared(t.vm.platform, false, nullptr);
            const std::int32_t lowered = shared.ChangeSharedCount(kDestination, false);
            EXPECT_EQ(lowered, before.count ? static_cast<std::int32_t>(*before.count) : before.fileThere ? 1 : 0);
        }
    }
}

TEST(SharedCopyTest, OneRecordRaisesACountOnce)
{
    constexpr const char* kDestination = "C:\\APP\\S.DLL";
    struct Row {
        const char* name;
        const char* earlierRecord;  // in the setup folder before the run; empty for none
        std::optional<std::uint32_t> countBefore;
        const char* script;
        std::optional<std::uint32_t> countAfter;
    };
    const char* once = "[CopyFile]\r\nFile1=(App)S.DLL,/S\r\n";
    const Row rows[] = {
        {"a first install", "", std::nullopt, once, 1},
        {"a reinstall into the same folder", "[DeleteFile]\r\nFile1=C:\\APP\\S.DLL,/S\r\n", 1, once, 1},
        {"a reinstall with another program's count too", "[DeleteFile]\r\nFile1=c:\\app\\s.dll,/R/S\r\n", 2, once, 2},
        {"the earlier record did not count it", "[DeleteFile]\r\nFile1=C:\\APP\\S.DLL\r\n", 1, once, 2},
        {"the earlier record's count has gone", "[DeleteFile]\r\nFile1=C:\\APP\\S.DLL,/S\r\n", std::nullopt, once, 2},
        {"one script naming the file twice", "", std::nullopt,
         "[CopyFile]\r\nFile1=(App)S.DLL,/S\r\nFile2=(App)S.DLL,/S\r\n", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        testing::SettingsMachine t;
        t.vm.Put("E:\\S.DLL", "MZ the library");
        if (*row.earlierRecord) {
            t.vm.Put(kDestination, "MZ the library");
            PutVouchedRecord(t.vm, "C:\\APP\\UNSETUP.INI",
                             std::string("[SetupFolder]\r\nFolder=C:\\APP\\\r\n") + row.earlierRecord);
        }
        if (row.countBefore) {
            t.vm.platform.registry.CreateKey(RootKey::LocalMachine, kSharedDllsKey);
            t.vm.platform.registry.WriteValue(RootKey::LocalMachine, kSharedDllsKey, kDestination,
                                              RegValue::DoubleWord(*row.countBefore));
        }
        const InstallRunState state = t.Run(row.script);
        EXPECT_EQ(state.failures.text, "");
        const auto count = t.Value(RootKey::LocalMachine, kSharedDllsKey, kDestination);
        ASSERT_TRUE(count.has_value());
        EXPECT_EQ(count->AsDoubleWord(), *row.countAfter);
    }
}

TEST_F(CopyPhaseTest, AbortDuringCopyingKeepsWhatWasCopied)
{
    vm.Put("E:\\A.TXT", "a");
    vm.Put("E:\\B.TXT", "b");
    view.abortAfterStatuses = 7;  // start(2) + sizes + disk + folder, then A's status and B's
    const InstallRunState state = Run(Script("File1=(App)A.TXT\r\nFile2=(App)B.TXT\r\n"));
    EXPECT_EQ(vm.Get("C:\\APP\\A.TXT"), "a");
    EXPECT_FALSE(vm.platform.files.Exists("C:\\APP\\B.TXT"));
    EXPECT_FALSE(view.ended);
    EXPECT_EQ(state.lists.deleteFile, "C:\\APP\\A.TXT|");
}

TEST_F(CopyPhaseTest, BadCopyFileValuesEndAsFailures)
{
    vm.Put("E:\\A.TXT", "a");
    const InstallRunState state =
        Run(Script("File1=,/S\r\nFile2=(App)\r\nFile3=(App)" + std::string(10000, 'L') + "\r\nFile4=(App)A.TXT\r\n"));
    EXPECT_EQ(state.entryCount, 4);
    EXPECT_EQ(state.failures.count, 3);
    EXPECT_EQ(vm.Get("C:\\APP\\A.TXT"), "a");
}

TEST_F(CopyPhaseTest, AFullDiskInTheMiddleIsAFailedCopy)
{
    vm.Put("E:\\SMALL.TXT", "s");
    vm.Put("E:\\BIG.TXT", std::string(5000, 'b'));
    vm.machine.SetDisk('C', {1 << 20, 4000});
    view.answers = {6};  // go on although the space is short
    const InstallRunState state = Run(Script("File1=(App)SMALL.TXT\r\nFile2=(App)BIG.TXT\r\n"));
    EXPECT_EQ(vm.Get("C:\\APP\\SMALL.TXT"), "s");
    EXPECT_FALSE(vm.platform.files.Exists("C:\\APP\\BIG.TXT"));
    EXPECT_EQ(state.failures.count, 1);
    EXPECT_EQ(state.lists.deleteFile, "C:\\APP\\SMALL.TXT|C:\\APP\\UNSETUP.INI|");
}

TEST_F(CopyPhaseTest, ADeniedSharedFileTableEndsTheRunWithAnError)
{
    vm.Put("E:\\S.DLL", "MZ");
    vm.machine.DenyRegistryWrites(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
    vm.platform.registry.CreateKey(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
    vm.Put(context.scriptFile, Script("File1=(App)S.DLL,/S\r\n"));
    InstallRun run({vm.platform, profiles, ops, context, view, shared});
    EXPECT_THROW(run.Run(), std::runtime_error);
}

}  // namespace
}  // namespace lorvel
