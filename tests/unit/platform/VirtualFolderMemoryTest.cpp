// The simulated machine remembers what it found in its host folder. These cases
// change the folder in every way the machine or a test can, then look again: a
// remembered answer that has gone stale shows as a wrong result here.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../VirtualMachineFixture.h"

namespace lorvel {
namespace {

using namespace platform;

struct VirtualFolderMemoryTest : ::testing::Test {
    testing::TestMachine vm;
    FileSystem& files = vm.platform.files;

    ErrorCode Look(const std::string& path)
    {
        std::uint32_t attributes = 0;
        return files.GetAttributes(path, attributes);
    }
    std::string NameOf(const std::string& path)
    {
        // The search gives a name's spelling on disk; a query of the path does not.
        std::vector<platform::FindEntry> entries;
        if (files.FindEntries(path, entries) != 0 || entries.size() != 1) return "<none>";
        return entries.front().name;
    }
};

TEST_F(VirtualFolderMemoryTest, ANameLookedUpMissingIsCreatedAsSpelledWhenCreated)
{
    struct Row {
        std::string lookedUp, created, expectedName;
    };
    const Row rows[] = {
        {"C:\\NEW.TXT", "C:\\new.txt", "new.txt"},
        {"C:\\abc.dat", "C:\\Abc.Dat", "Abc.Dat"},
        {"C:\\ソフト\\表.TXT", "C:\\ソフト\\表.txt", "表.txt"},    // "ソ" ends in the byte of "\"
        {"C:\\ポイント.TXT", "C:\\ポイント.txt", "ポイント.txt"},  // "ポ" ends in the byte of "|"
    };
    files.CreateFolder("C:\\ソフト");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.created);
        EXPECT_EQ(Look(row.lookedUp), kErrorFileNotFound);
        ASSERT_EQ(files.WriteWholeFile(row.created, "x"), kErrorSuccess);
        EXPECT_EQ(Look(row.lookedUp), kErrorSuccess);
        EXPECT_EQ(NameOf(row.lookedUp), row.expectedName);
    }
}

TEST_F(VirtualFolderMemoryTest, FoldersCreatedAndRemovedChangeWhatLiesBelowThem)
{
    EXPECT_EQ(Look("C:\\D\\E\\F.TXT"), kErrorPathNotFound);
    ASSERT_EQ(files.CreateFolder("C:\\D"), kErrorSuccess);
    EXPECT_EQ(Look("C:\\D\\E\\F.TXT"), kErrorPathNotFound);
    EXPECT_EQ(Look("C:\\D\\E"), kErrorFileNotFound);
    ASSERT_EQ(files.CreateFolder("C:\\d\\e"), kErrorSuccess);
    EXPECT_EQ(Look("C:\\D\\E\\F.TXT"), kErrorFileNotFound);
    ASSERT_EQ(files.WriteWholeFile("C:\\D\\E\\F.TXT", "data"), kErrorSuccess);
    EXPECT_EQ(vm.Get("c:\\d\\e\\f.txt"), "data");

    ASSERT_EQ(files.ShellDelete("C:\\D"), kErrorSuccess);
    EXPECT_EQ(Look("C:\\D\\E\\F.TXT"), kErrorPathNotFound);
    EXPECT_EQ(Look("C:\\D\\E"), kErrorPathNotFound);
    EXPECT_EQ(Look("C:\\D"), kErrorFileNotFound);
    ASSERT_EQ(files.CreateFolder("C:\\D"), kErrorSuccess);
    EXPECT_EQ(Look("C:\\D\\E"), kErrorFileNotFound);
    ASSERT_EQ(files.RemoveFolder("C:\\D"), kErrorSuccess);
    EXPECT_EQ(Look("C:\\D"), kErrorFileNotFound);
    // A file where a folder was looked for: nothing below it can exist.
    ASSERT_EQ(files.WriteWholeFile("C:\\D", "a file"), kErrorSuccess);
    EXPECT_EQ(Look("C:\\D\\E"), kErrorPathNotFound);
}

TEST_F(VirtualFolderMemoryTest, SizesAndTimesFollowEachChange)
{
    vm.Put("E:\\BIG.BIN", std::string(300000, 'b'));
    vm.Put("E:\\EMPTY.BIN", "");
    files.CreateFolder("C:\\APP");
    const auto folderBefore = files.Stat("C:\\APP");
    ASSERT_TRUE(folderBefore);

    struct Row {
        std::string source;
        std::uint64_t size;
    };
    const Row rows[] = {{"E:\\BIG.BIN", 300000}, {"E:\\EMPTY.BIN", 0}, {"E:\\BIG.BIN", 300000}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source);
        ASSERT_EQ(files.Copy(row.source, "C:\\APP\\COPY.BIN", false), kErrorSuccess);
        const auto copy = files.Stat("C:\\APP\\COPY.BIN");
        const auto source = files.Stat(row.source);
        ASSERT_TRUE(copy && source);
        EXPECT_EQ(copy->size, row.size);
        EXPECT_EQ(copy->lastWriteTime, source->lastWriteTime);
        EXPECT_EQ(vm.Get("C:\\APP\\COPY.BIN"), vm.Get(row.source));
    }
    ASSERT_EQ(files.WriteWholeFile("C:\\APP\\COPY.BIN", "short"), kErrorSuccess);
    EXPECT_EQ(files.Stat("C:\\APP\\COPY.BIN")->size, 5u);
    // Entries added to a folder move its time.
    const auto folderAfter = files.Stat("C:\\APP");
    ASSERT_TRUE(folderAfter);
    EXPECT_NE(folderAfter->lastWriteTime, folderBefore->lastWriteTime);
}

TEST_F(VirtualFolderMemoryTest, ChangesMadeThroughTheHostPathAreSeen)
{
    EXPECT_EQ(Look("C:\\OUT\\SIDE.TXT"), kErrorPathNotFound);
    vm.Put("C:\\out\\Side.txt", "12345");
    EXPECT_EQ(NameOf("C:\\OUT\\SIDE.TXT"), "Side.txt");
    EXPECT_EQ(files.Stat("C:\\OUT\\SIDE.TXT")->size, 5u);

    std::ofstream(vm.machine.HostPath("C:\\OUT\\SIDE.TXT"), std::ios::binary | std::ios::trunc) << "1234567";
    EXPECT_EQ(files.Stat("C:\\OUT\\SIDE.TXT")->size, 7u);

    std::filesystem::remove(vm.machine.HostPath("C:\\OUT\\SIDE.TXT"));
    EXPECT_EQ(Look("C:\\OUT\\SIDE.TXT"), kErrorFileNotFound);
    std::filesystem::remove_all(vm.machine.HostPath("C:\\OUT"));
    EXPECT_EQ(Look("C:\\OUT\\SIDE.TXT"), kErrorPathNotFound);

    // A host path is looked up afresh, even after a change through an older one.
    const auto folder = vm.machine.HostPath("C:\\MIX");
    std::filesystem::create_directory(folder);
    EXPECT_EQ(Look("C:\\MIX\\MIXED.TXT"), kErrorFileNotFound);
    std::ofstream(folder / "Mixed.txt") << "m";
    EXPECT_EQ(vm.machine.HostPath("C:\\MIX\\MIXED.TXT").filename(), "Mixed.txt");

    // A drive set up after a path on it was looked up.
    EXPECT_EQ(Look("F:\\SETUP.INI"), kErrorPathNotFound);
    vm.machine.SetDisk('F', {});
    EXPECT_EQ(Look("F:\\SETUP.INI"), kErrorFileNotFound);
}

}  // namespace
}  // namespace lorvel
