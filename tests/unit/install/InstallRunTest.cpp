#include "install/InstallRun.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "InstallRunFixture.h"

namespace lorvel {
namespace {

using namespace platform;
using testing::InstallRunTest;
using testing::RecordingView;

TEST_F(InstallRunTest, SizesCountEachSourceByItsFileName)
{
    vm.Put("E:\\A.TXT", std::string(100, 'a'));
    vm.Put("E:\\EMPTY.DAT", "");
    vm.Put("E:\\B.EX_", std::string(50, 'b'));
    struct Row {
        std::string copyFile;
        std::int32_t entries;
        std::int64_t bytes;
        bool known;
    };
    const Row rows[] = {
        {"", 0, 0, true},
        {"File1=(App)A.TXT\r\n", 1, 100, true},
        {"File1=(App)EMPTY.DAT\r\n", 1, 1, true},
        {"File1=(App)SUB\\A.TXT|NEW.TXT,/S\r\nFile2=(Dch)(Win)B.EX_\r\n", 2, 150, true},
        {"File1=(App)A.TXT\r\nFile2=(App)MISSING.TXT\r\n", 2, 100, false},
        {"File1=(App)A.TXT\r\nFile2=(App)A.TXT\r\nFile4=(App)A.TXT\r\n", 2, 200, true},
        {"File1=\x95\x5C\\A.TXT\r\n", 1, 100, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.copyFile);
        const InstallRunState state = Run("[CopyFile]\r\n" + row.copyFile);
        EXPECT_EQ(state.entryCount, row.entries);
        EXPECT_EQ(state.requiredBytes, row.bytes);
        EXPECT_EQ(state.sizeKnown, row.known);
    }
}

// Sizes are 64-bit: a file of 3 GB, which a signed 32-bit count read as negative, and
// one of 4 GB and more, of which it kept the low 32 bits, count whole, and the disk
// space question weighs what they need.
TEST_F(InstallRunTest, FilesOfGibibytesCountWholeAndAreCheckedAgainstTheFreeSpace)
{
    struct Row {
        std::uint64_t size;
        std::uint64_t free;
        bool asked;
    };
    const Row rows[] = {
        {3ull << 30, 0, true},
        {3ull << 30, 4ull << 30, false},
        {(4ull << 30) + 10, 100, true},
        {(4ull << 30) + 10, (4ull << 30) + 10, true},  // exactly enough is not enough
        {(4ull << 30) + 10, (4ull << 30) + 11, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.size) + " in " + std::to_string(row.free));
        vm.Put("E:\\HUGE.BIN", "");
        std::filesystem::resize_file(vm.machine.HostPath("E:\\HUGE.BIN"), row.size);  // sparse on the host
        vm.machine.SetDisk('C', {64ull << 30, row.free});
        view = RecordingView{};
        view.options.folderText = "C:\\APP";
        view.answers = {7};  // no to the space question, else to making C:\APP: nothing is copied
        const InstallRunState state = Run("[CopyFile]\r\nFile1=(App)HUGE.BIN\r\n");
        EXPECT_EQ(state.requiredBytes, static_cast<std::int64_t>(row.size));
        EXPECT_TRUE(state.sizeKnown);
        const bool asked = !view.questions.empty() && view.questions[0].caption == "空き容量不足";
        EXPECT_EQ(asked, row.asked);
    }
}

TEST(ByteCountTest, FileSizesAddUpTo64Bits)
{
    struct Row {
        std::int64_t total;
        std::uint64_t size;
        bool added;
        std::int64_t after;
    };
    const Row rows[] = {
        {0, 0, true, 1},  // an empty file counts one byte
        {0, 5, true, 5},
        {INT32_MAX, 1, true, 1ll << 31},
        {UINT32_MAX, 1, true, 1ll << 32},
        {1ll << 31, 3ull << 30, true, (1ll << 31) + (3ll << 30)},
        {0, (5ull << 30) + 7, true, (5ll << 30) + 7},
        {0, 1ull << 63, false, 0},
        {0, UINT64_MAX, false, 0},
        {kMaxCountedBytes - 1, 1, true, kMaxCountedBytes},
        {kMaxCountedBytes, 1, false, kMaxCountedBytes},
        {kMaxCountedBytes, 0, false, kMaxCountedBytes},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.total) + " + " + std::to_string(row.size));
        std::int64_t total = row.total;
        EXPECT_EQ(AddFileBytes(total, row.size), row.added);
        EXPECT_EQ(total, row.after);
    }
}

TEST(ByteCountTest, PercentagesOfLargeCountsAreExact)
{
    struct Row {
        std::int64_t part, whole;
        int percent;
    };
    const Row rows[] = {
        {0, 0, 100},
        {1, 0, 100},
        {0, 10, 0},
        {1, 3, 33},
        {2, 3, 66},
        {3ll << 30, 6ll << 30, 50},
        {(1ll << 32) + 1, 1ll << 33, 50},
        {7ll << 30, 8ll << 30, 87},
        {(1ll << 31) - 1, 1ll << 32, 49},
        {kMaxCountedBytes - 1, kMaxCountedBytes, 99},
        {11, 10, 100},  // a file that grew since its size was counted
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.part) + " of " + std::to_string(row.whole));
        EXPECT_EQ(PercentOf(row.part, row.whole), row.percent);
    }
}

TEST_F(InstallRunTest, RelateReadsAllTwentyAndDropsNamesWithoutFiles)
{
    const InstallRunState state = Run("[Relate]\r\nName2=Text\r\nName5=Doc\r\nFile5=(App)DOC.EXE\r\n"
                                      "Name20=Last\r\nFile20=(App)LAST.EXE\r\n");
    EXPECT_EQ(state.relateCount, 2);
    EXPECT_EQ(state.relate[0].name, "Doc");
    EXPECT_EQ(state.relate[0].file, "(App)DOC.EXE");
    EXPECT_EQ(state.relate[1].name, "Last");
}

TEST_F(InstallRunTest, TheDiskSpaceQuestionAndItsAnswers)
{
    vm.Put("E:\\A.TXT", std::string(1000, 'a'));
    vm.Put("C:\\APP\\KEEP.TXT");
    struct Row {
        std::uint64_t free;
        std::deque<int> answers;
        bool asked;
        bool stopped;
    };
    const Row rows[] = {
        {1001, {}, false, false},
        {1000, {7}, true, true},  // exactly enough is not enough
        {10, {6}, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.free);
        vm.machine.SetDisk('C', {1 << 20, row.free});
        view = RecordingView{};
        view.options.folderText = "C:\\APP";
        view.answers = row.answers;
        EXPECT_TRUE(Run("[CopyFile]\r\nFile1=(App)A.TXT\r\n").sizeKnown);
        const bool asked = !view.questions.empty() && view.questions[0].caption == "空き容量不足";
        EXPECT_EQ(asked, row.asked);
        if (asked) {
            EXPECT_EQ(view.questions[0].text, "ディスクの空き容量が不足しているため，エラーになる可能性があります．\r"
                                              "このままセットアップを続行しますか？");
            EXPECT_EQ(view.questions[0].flags, 36);
        }
        const bool stopped = view.questions.size() >= 2 && view.questions[1].caption == "セットアップ中止";
        EXPECT_EQ(stopped, row.stopped);
        EXPECT_TRUE(view.ended);
        EXPECT_EQ(context.setupFolder == "C:\\APP\\", !row.stopped) << "a stopped run goes no further";
        context.setupFolder = "(App)";
    }
}

TEST_F(InstallRunTest, BothFailedQueriesAskWithTheRequiredBytes)
{
    vm.Put("E:\\A.TXT", std::string(1234, 'a'));
    vm.machine.Config().hasDiskFreeSpaceEx = false;
    view.options.folderText = "Q:\\NOWHERE";
    view.answers = {7};
    Run("[CopyFile]\r\nFile1=(App)A.TXT\r\n");
    ASSERT_GE(view.questions.size(), 2u);
    EXPECT_EQ(view.questions[0].text, "ディスクの空き容量取得関数が失敗しました．\r"
                                      "セットアップに必要なディスク容量は 1234 Byteです．\r"
                                      "空き容量があるようであれば，セットアップを続行してください．\r\r"
                                      "セットアップを続行しますか？");
    EXPECT_EQ(view.questions[1].text, "セットアップを続行できませんでした．");
    EXPECT_EQ(view.questions[1].flags, 16);
}

TEST_F(InstallRunTest, AMissingSetupFolderIsCreatedAfterTheQuestion)
{
    view.options.folderText = "C:\\NEW\\APP";
    view.answers = {6};
    Run("");
    EXPECT_EQ(context.setupFolder, "C:\\NEW\\APP\\");
    ASSERT_EQ(view.RunQuestions().size(), 1u);
    EXPECT_EQ(view.questions[0].text, "C:\\NEW\\APP\\\r\rこのフォルダは存在しません．作成してもよろしいですか？");
    EXPECT_EQ(view.questions[0].caption, "フォルダ作成");
    EXPECT_TRUE(ops.FolderExists("C:\\NEW\\APP\\"));
}

TEST_F(InstallRunTest, RefusedOrFailedFolderCreationStopsTheRun)
{
    view.options.folderText = "C:\\NEW\\";
    view.answers = {7};
    Run("");
    ASSERT_EQ(view.questions.size(), 2u);
    EXPECT_EQ(view.questions[1].caption, "セットアップ中止");
    EXPECT_FALSE(ops.FolderExists("C:\\NEW"));
    EXPECT_TRUE(view.ended);

    vm.machine.DenyWrites("C:\\LOCKED");
    view = RecordingView{};
    view.options.folderText = "C:\\LOCKED\\APP";
    view.answers = {6};
    Run("");
    ASSERT_EQ(view.questions.size(), 3u);
    EXPECT_EQ(view.questions[1].text, "セットアップフォルダの作成に失敗しました．\r\rプログラム作者へご報告ください．");
    EXPECT_EQ(view.questions[1].caption, "致命的エラー");
    EXPECT_EQ(view.questions[2].text, "セットアップを続行できませんでした．");
}

TEST(SetupFolderAccessTest, NothingIsInstalledWhereAnotherAccountMayChangeIt)
{
    struct Row {
        const char* what;
        const char* othersMayWrite;  // as a drive's root is on Windows
        std::string folderText;
        std::string refused;  // "": installed
    };
    const Row rows[] = {
        {"made where others may write", "C:\\", "C:\\TOOLS\\APP", ""},
        {"there already, others may change it", "C:\\APP", "C:\\APP", "C:\\APP"},
        {"a folder above that others may change", "C:\\TOOLS", "C:\\TOOLS\\APP", "C:\\TOOLS"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        struct Fresh : testing::InstallRunTest {
            void TestBody() override {}
        } t;
        t.ops.CreateFolderTree(row.othersMayWrite);
        t.vm.machine.LetOthersWrite(row.othersMayWrite);
        t.vm.Put("E:\\A.EXE", "program");
        t.view.options.folderText = row.folderText;
        t.view.answers = {box::kYes};
        t.Run("[CopyFile]\r\nFile1=(App)A.EXE\r\n");
        const std::string setup = row.folderText + "\\";
        EXPECT_EQ(t.vm.Get(setup + "A.EXE"), row.refused.empty() ? "program" : "<missing>");
        if (row.refused.empty()) {
            bool others = true;
            EXPECT_EQ(t.vm.platform.files.QueryOthersMayWrite("C:\\TOOLS", others), 0u);
            EXPECT_FALSE(others) << "every level made is the administrators'";
            continue;
        }
        ASSERT_FALSE(t.view.questions.empty());
        EXPECT_EQ(t.view.questions[0].text.rfind(row.refused + "\r\r管理者以外のユーザー", 0), 0u)
            << t.view.questions[0].text;
        EXPECT_TRUE(t.view.ended);
    }
}

TEST_F(InstallRunTest, TheStartAndThePacing)
{
    vm.Put("C:\\APP\\X.TXT");
    context.setupSpeed = 7;
    const auto before = vm.platform.system.GetTickCount();
    context.restartRequested = true;
    Run("");
    EXPECT_FALSE(context.restartRequested);
    EXPECT_TRUE(view.wizardHidden);
    ASSERT_GE(view.statuses.size(), 5u);
    view.statuses.resize(5);
    EXPECT_EQ(view.statuses,
              (std::vector<std::string>{"セットアップを開始します．．．", "セットアップの情報を作成しています．．．",
                                        "セットアップに必要な容量を調べています．．．",
                                        "ディスクの空き容量をチェックしています．．．",
                                        "セットアップフォルダをチェックしています．．．"}));
    // 500 and 1000 at the start; the pace after the relate pre-read, the first size
    // status and the disk check.
    EXPECT_EQ(vm.platform.system.GetTickCount() - before, 500u + 1000u + 3u * 7u);
}

TEST_F(InstallRunTest, AConfirmedAbortEndsTheRunSilentlyAtTheNextCheckpoint)
{
    view.options.folderText = "C:\\NEW";
    view.abortAfterStatuses = 3;  // during the size computation
    Run("");
    EXPECT_TRUE(view.questions.empty());
    EXPECT_FALSE(view.ended) << "the abort itself ended the wizard";
    EXPECT_EQ(context.setupFolder, "(App)");
    EXPECT_EQ(view.statuses.size(), 3u);
}

}  // namespace
}  // namespace lorvel
