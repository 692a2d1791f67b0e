#include "run/FileOps.h"

#include <gtest/gtest.h>

#include "../VirtualMachineFixture.h"
#include "util/ShiftJisSearch.h"

namespace lorvel {
namespace {

using namespace platform;

struct FileOpsTest : ::testing::Test {
    testing::TestMachine vm;
    FileOps ops{vm.platform};
};

TEST_F(FileOpsTest, FolderExistsFindsEmptyFoldersButNotFiles)
{
    vm.platform.files.CreateFolder("C:\\EMPTY");
    vm.Put("C:\\A.TXT");
    vm.Put("C:\\HIDDEN\\H.TXT");
    vm.platform.files.SetAttributes("C:\\HIDDEN\\H.TXT", attr::kHidden);
    vm.machine.SetDisk('D', {});
    struct Row {
        std::string path;
        bool expected;
    };
    const Row rows[] = {
        {"C:\\EMPTY", true},      {"C:\\EMPTY\\", true}, {"c:\\empty\\", true}, {"C:\\A.TXT", false},
        {"C:\\MISSING\\", false}, {"C:\\", true},        {"D:\\", false},  // a drive root is found only with a visible entry in it
        {"C:\\HIDDEN\\", true},   {"", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(ops.FolderExists(row.path), row.expected);
    }
}

TEST_F(FileOpsTest, CreateFolderTreeCreatesEveryLevelInOrder)
{
    EXPECT_TRUE(ops.CreateFolderTree("C:\\NEW1\\NEW2\\"));
    EXPECT_TRUE(ops.FolderExists("C:\\NEW1\\NEW2"));
    EXPECT_TRUE(ops.CreateFolderTree("C:\\NEW1\\NEW2"));  // nothing to do
    // A double-byte name whose trail byte is "\" is one level, not two.
    const std::string hyo = "C:\\\x95\x5C\\SUB";
    EXPECT_TRUE(ops.CreateFolderTree(hyo));
    EXPECT_TRUE(ops.FolderExists("C:\\\x95\x5C"));
    // A lead byte alone is no Shift-JIS and no pattern: the names are looked through.
    std::vector<FindEntry> entries;
    ASSERT_EQ(vm.platform.files.FindEntries("C:\\*", entries), 0u);
    std::vector<std::string> names;
    for (const FindEntry& entry : entries)
        if (entry.name[0] == '\x95') names.push_back(entry.name);
    EXPECT_EQ(names, std::vector<std::string>{"\x95\x5C"});
}

TEST_F(FileOpsTest, CreateFolderTreeReportsTheLastAttempt)
{
    vm.machine.DenyWrites("C:\\LOCKED");
    EXPECT_FALSE(ops.CreateFolderTree("C:\\LOCKED\\A\\"));
    EXPECT_FALSE(ops.CreateFolderTree("Q:\\A\\"));
}

// Which folders are made, and the answer, which is whether the last level tried was
// made: a level the search cannot see (an empty drive's root) or cannot read is tried
// and the levels below it still are; below a level that cannot be, none is.
TEST_F(FileOpsTest, CreateFolderTreeTriesEveryLevelThatCouldBeMade)
{
    vm.machine.SetDisk('D', {});
    vm.machine.DenyWrites("C:\\LOCKED");
    const std::string leads(39999, '\x81');
    struct Row {
        std::string folder;
        bool result;
        std::vector<std::string> made, notMade;
    };
    const Row rows[] = {
        {"D:\\SUB\\DEEP", true, {"D:\\SUB", "D:\\SUB\\DEEP"}, {}},
        {"C:\\LOCKED\\A\\B\\", false, {}, {"C:\\LOCKED", "C:\\LOCKED\\A"}},
        {"C:\\BAD|NAME\\A\\B", false, {}, {"C:\\BAD|NAME"}},
        {"C:\\BAD\x81\x20NAME\\A", false, {}, {"C:\\BAD\x81\x20NAME"}},
        // An odd run of lead bytes takes the "\" after it: one name of 40,003 bytes.
        {"C:\\RUN\\" + leads + "\\A\\B", false, {"C:\\RUN"}, {"C:\\RUN\\" + leads + "\\A"}},
        {"C:\\RUN2\\" + leads + "\x81\\A\\B", false, {"C:\\RUN2"}, {"C:\\RUN2\\" + leads + "\x81"}},
        {"C:\\TRAIL\\\x81\x5C\x81\x5C\\A", true, {"C:\\TRAIL\\\x81\x5C\x81\x5C", "C:\\TRAIL\\\x81\x5C\x81\x5C\\A"}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.folder.substr(0, 40));
        EXPECT_EQ(ops.CreateFolderTree(row.folder), row.result);
        for (const std::string& folder : row.made) EXPECT_TRUE(ops.FolderExists(folder)) << folder.substr(0, 40);
        for (const std::string& folder : row.notMade)
            EXPECT_FALSE(vm.platform.files.Exists(folder)) << folder.substr(0, 40);
    }
}

// Twenty thousand names after one longer than any system takes: the levels above it
// are made, and the answer is that the folder could not be.
TEST_F(FileOpsTest, CreateFolderTreeOfThousandsOfNamesBelowAnImpossibleOne)
{
    const std::string tooLong(300, 'L');
    std::string folder = "C:\\MANY\\N\\" + tooLong;
    for (int i = 0; i < 20000; ++i) folder += "\\N";
    EXPECT_FALSE(ops.CreateFolderTree(folder));
    EXPECT_TRUE(ops.FolderExists("C:\\MANY\\N"));
    std::vector<FindEntry> entries;
    ASSERT_EQ(vm.platform.files.FindEntries("C:\\MANY\\N\\*", entries), 0u);
    EXPECT_EQ(entries.size(), 2u) << "only its dot entries";
}

TEST_F(FileOpsTest, CopyFileOverwriteReplacesReadOnlyAndLeavesArchive)
{
    vm.Put("C:\\SRC\\A.TXT", "new");
    vm.Put("C:\\DST\\A.TXT", "old");
    vm.platform.files.SetAttributes("C:\\SRC\\A.TXT", attr::kReadOnly);
    vm.platform.files.SetAttributes("C:\\DST\\A.TXT", attr::kReadOnly | attr::kHidden);
    EXPECT_EQ(ops.CopyFileOverwrite("C:\\SRC\\A.TXT", "C:\\DST\\A.TXT"), 0u);
    EXPECT_EQ(vm.Get("C:\\DST\\A.TXT"), "new");
    std::uint32_t attributes = 0;
    vm.platform.files.GetAttributes("C:\\DST\\A.TXT", attributes);
    EXPECT_EQ(attributes, attr::kArchive);
}

TEST_F(FileOpsTest, CopyFileOverwriteReturnsTheCopyError)
{
    vm.Put("C:\\SRC\\A.TXT", "abc");
    vm.Put("C:\\DST\\LOCKED.TXT", "old");
    vm.machine.LockFile("C:\\DST\\LOCKED.TXT");
    struct Row {
        std::string from, to;
        ErrorCode expected;
    };
    const Row rows[] = {
        {"C:\\SRC\\MISSING.TXT", "C:\\DST\\B.TXT", 2},
        {"C:\\SRC\\A.TXT", "C:\\NOFOLDER\\B.TXT", 3},
        {"C:\\SRC\\A.TXT", "C:\\DST\\LOCKED.TXT", 32},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.to);
        EXPECT_EQ(ops.CopyFileOverwrite(row.from, row.to), row.expected);
    }
    EXPECT_EQ(vm.Get("C:\\DST\\LOCKED.TXT"), "old");
    vm.machine.SetDisk('C', {100, 2});
    EXPECT_EQ(ops.CopyFileOverwrite("C:\\SRC\\A.TXT", "C:\\DST\\FULL.TXT"), 112u);
    EXPECT_FALSE(vm.platform.files.Exists("C:\\DST\\FULL.TXT"));
}

// A caller that saw nothing at the destination has the copy only create it; what
// came there since is treated as what was there: a file is replaced, a folder stays.
TEST_F(FileOpsTest, ACopyToWhatWasNotThereMeetsWhatCameSince)
{
    vm.Put("C:\\SRC\\A.TXT", "new");
    vm.platform.files.CreateFolder("C:\\DST");
    struct Row {
        std::string name, there;
        bool toNewOnly;
        ErrorCode expected;
        std::string content;
        std::uint32_t attributes;
    };
    const Row rows[] = {
        {"nothing, overwrite", "", false, 0, "new", attr::kArchive},
        {"nothing, to new", "", true, 0, "new", attr::kArchive},
        {"a read-only file, overwrite", "file", false, 0, "new", attr::kArchive},
        {"a read-only file, to new", "file", true, 80, "old", attr::kReadOnly | attr::kHidden},
        {"a hidden folder, overwrite", "folder", false, 5, "", attr::kDirectory | attr::kHidden},
        {"a hidden folder, to new", "folder", true, 80, "", attr::kDirectory | attr::kHidden},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string to = "C:\\DST\\" + std::to_string(&row - rows) + ".TXT";
        if (row.there == "file") vm.Put(to, "old");
        if (row.there == "folder") vm.platform.files.CreateFolder(to);
        if (!row.there.empty())
            vm.platform.files.SetAttributes(to, row.there == "file" ? attr::kReadOnly | attr::kHidden : attr::kHidden);
        const ErrorCode result = row.toNewOnly ? ops.CopyFileToNew("C:\\SRC\\A.TXT", to, std::nullopt)
                                               : ops.CopyFileOverwrite("C:\\SRC\\A.TXT", to, false, std::nullopt);
        EXPECT_EQ(result, row.expected);
        if (row.there != "folder") {
            EXPECT_EQ(vm.Get(to), row.content);
        }
        std::uint32_t attributes = 0;
        ASSERT_EQ(vm.platform.files.GetAttributes(to, attributes), 0u);
        EXPECT_EQ(attributes, row.attributes);
    }
}

// A link at the destination, which another program may have put there before or
// since the caller looked, is never replaced through: the system's copy would write
// the file it names.
TEST_F(FileOpsTest, AFileIsNeverReplacedThroughALink)
{
    vm.Put("C:\\SRC\\A.TXT", "new");
    vm.Put("C:\\SYSTEM\\KEEP.TXT", "keep");
    vm.platform.files.CreateFolder("C:\\DST");
    struct Row {
        const char* name;
        bool toNewOnly, callerSawIt;
        ErrorCode expected;
    };
    const Row rows[] = {
        {"overwrite, the caller saw it", false, true, 5},
        {"overwrite, it came since", false, false, 5},
        {"to new", true, false, 80},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string to = "C:\\DST\\" + std::to_string(&row - rows) + ".TXT";
        vm.machine.MakeFileLink(to, "C:\\SYSTEM\\KEEP.TXT");
        const ErrorCode result = row.toNewOnly
                                     ? ops.CopyFileToNew("C:\\SRC\\A.TXT", to, std::nullopt)
                                     : ops.CopyFileOverwrite("C:\\SRC\\A.TXT", to, row.callerSawIt, std::nullopt);
        EXPECT_EQ(result, row.expected);
        EXPECT_EQ(vm.Get("C:\\SYSTEM\\KEEP.TXT"), "keep");
        std::uint32_t attributes = 0;
        ASSERT_EQ(vm.platform.files.GetAttributes(to, attributes), 0u);
        EXPECT_NE(attributes & attr::kReparsePoint, 0u) << "the link is still a link";
    }
}

TEST_F(FileOpsTest, DeleteFilesSkipsTheShellForAMissingPlainPath)
{
    vm.Put("C:\\D\\A.TXT");
    vm.platform.files.CreateFolder("C:\\D\\SUB");
    vm.Put("C:\\D\\SUB\\B.TXT");
    std::vector<std::string> unregistered;
    ops.SetComponentUnregistrar([&](const std::string& path) { unregistered.push_back(path); });
    EXPECT_EQ(ops.DeleteFiles("C:\\D\\MISSING.TXT"), 2u);
    EXPECT_EQ(ops.DeleteFiles("C:\\D\\SUB"), 2u) << "a folder counts as no file";
    EXPECT_EQ(ops.DeleteFiles("C:\\D\\*.NONE"), 0u);
    EXPECT_EQ(ops.DeleteFiles("C:\\D\\*.*"), 0u);
    EXPECT_FALSE(vm.platform.files.Exists("C:\\D\\SUB"));
    EXPECT_TRUE(ops.FolderExists("C:\\D"));
    vm.Put("C:\\D\\X.Dll");
    EXPECT_EQ(ops.DeleteFiles("C:\\D\\X.Dll"), 0u);
    EXPECT_EQ(unregistered, std::vector<std::string>{"C:\\D\\X.Dll"});
}

TEST_F(FileOpsTest, DeleteFilesRemovesWhatTheShellWouldWhereAPlainDeletionCannot)
{
    vm.Put("C:\\D\\RO.TXT");
    vm.platform.files.SetAttributes("C:\\D\\RO.TXT", platform::attr::kReadOnly);
    vm.Put("C:\\D\\LOCKED.TXT", "kept");
    vm.machine.LockFile("C:\\D\\LOCKED.TXT");
    EXPECT_EQ(ops.DeleteFiles("C:\\D\\RO.TXT"), 0u);
    EXPECT_FALSE(vm.platform.files.Exists("C:\\D\\RO.TXT")) << "a read-only file goes as the shell takes it";
    EXPECT_NE(ops.DeleteFiles("C:\\D\\LOCKED.TXT"), 0u);
    EXPECT_EQ(vm.Get("C:\\D\\LOCKED.TXT"), "kept");
}

TEST_F(FileOpsTest, RemoveFolderLeavesUnmatchedFilesAndReportsIt)
{
    for (const char* name : {"A.TXT", "B.DAT", "C.INI"}) vm.Put(std::string("C:\\R\\") + name);
    EXPECT_EQ(ops.RemoveFolder("C:\\R", "*.TXT|*.DAT"), 145u);
    EXPECT_FALSE(vm.platform.files.Exists("C:\\R\\A.TXT"));
    EXPECT_FALSE(vm.platform.files.Exists("C:\\R\\B.DAT"));
    EXPECT_TRUE(vm.platform.files.Exists("C:\\R\\C.INI"));
    EXPECT_EQ(ops.RemoveFolder("C:\\R\\", "||*.*|"), 0u);
    EXPECT_FALSE(ops.FolderExists("C:\\R"));
    EXPECT_EQ(ops.RemoveFolder("C:\\R", ""), 2u);
}

TEST_F(FileOpsTest, SystemErrorTextIsFullWidthWithoutAFinalDot)
{
    EXPECT_EQ(ops.SystemErrorText(0), "");
    for (ErrorCode code : {2u, 5u, 112u, 99999u}) {
        SCOPED_TRACE(code);
        const std::string text = ops.SystemErrorText(code);
        ASSERT_GE(text.size(), 4u);
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        EXPECT_NE(text[text.size() - 3], '.');
        // Everything before CR LF is double-byte once mapped to full width.
        for (std::size_t i = 0; i + 2 < text.size(); i += 2)
            EXPECT_TRUE(MBIsLeadByte(static_cast<unsigned char>(text[i]))) << i;
    }
}

TEST(FileOpsTextTest, ALongSystemTextIsCutWhereACharacterBegins)
{
    const std::string hiragana = "\x82\xA0";  // あ
    std::string kana;
    for (int i = 0; i < 127; ++i) kana += hiragana;
    struct Row {
        std::string text, expected;
    };
    const Row rows[] = {
        // The 256th byte would be the lead byte of 表: the whole character goes.
        {kana + "a" + "\x95\x5C" + "tail", kana + "\x82\x81\r\n"},
        {kana + "ab" + "\x95\x5C", kana + "\x82\x81\x82\x82\r\n"},
        {"ends in a lone lead byte \x95", "ｅｎｄｓ　ｉｎ　ａ　ｌｏｎｅ　ｌｅａｄ　ｂｙｔｅ　\x95\r\n"},
    };
    for (const Row& row : rows) {
        platform::virt::MachineConfig config;
        config.errorTexts[7777] = row.text;
        testing::TestMachine vm(config);
        FileOps ops(vm.platform);
        EXPECT_EQ(ops.SystemErrorText(7777), row.expected) << row.text.size();
    }
}

TEST_F(FileOpsTest, LongAndEmptyPathsFailCleanly)
{
    const std::string longName(300, 'A');
    const std::string deep = "C:\\" + longName + "\\" + longName;
    EXPECT_FALSE(ops.FolderExists(deep));
    EXPECT_FALSE(ops.CreateFolderTree(deep));
    EXPECT_NE(ops.CopyFileOverwrite("C:\\NONE", deep), 0u);
    EXPECT_EQ(ops.DeleteFiles(deep), 2u);
    EXPECT_NE(ops.RemoveFolder(deep, "*.*"), 0u);
    EXPECT_FALSE(ops.FolderExists(""));
    EXPECT_FALSE(ops.CreateFolderTree(""));
    EXPECT_NE(ops.CopyFileOverwrite("", ""), 0u);
    EXPECT_EQ(ops.DeleteFiles(""), 2u);
    EXPECT_NE(ops.RemoveFolder("", ""), 0u);
}

TEST(IsComponentFileTest, LooksAnywhereIgnoringCase)
{
    EXPECT_TRUE(IsComponentFile("C:\\A\\X.dll"));
    EXPECT_TRUE(IsComponentFile("C:\\A.OCX\\readme.txt"));
    EXPECT_FALSE(IsComponentFile("C:\\A\\X.EXE"));
}

}  // namespace
}  // namespace lorvel
