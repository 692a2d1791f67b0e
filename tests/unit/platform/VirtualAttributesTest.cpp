// The simulated machine keeps attributes apart from its host folder, and only those
// other than an entry's default. Every way an entry gets attributes is read back,
// in the same session and in a machine opened again on the saved folder.
#include <gtest/gtest.h>

#include "../VirtualMachineFixture.h"

namespace lorvel {
namespace {

using namespace platform;

std::uint32_t AttributesOf(FileSystem& files, const std::string& path)
{
    std::uint32_t attributes = 0xFFFFFFFF;
    EXPECT_EQ(files.GetAttributes(path, attributes), kErrorSuccess) << path;
    return attributes;
}

TEST(VirtualAttributesTest, AttributesSetOrCopiedReadBackAlsoAfterSaving)
{
    testing::TestMachine vm;
    FileSystem& files = vm.platform.files;
    ASSERT_EQ(files.CreateFolder("C:\\DIR"), kErrorSuccess);
    ASSERT_EQ(files.CreateFolder("C:\\HIDDEN"), kErrorSuccess);
    ASSERT_EQ(files.CreateFolder("C:\\ARCHIVED"), kErrorSuccess);
    for (const char* name : {"PLAIN.TXT", "RO.TXT", "BACK.TXT", "NONE.TXT", "SRC.TXT", "FRESH.TXT"})
        ASSERT_EQ(files.WriteWholeFile(std::string("C:\\DIR\\") + name, "x"), kErrorSuccess);

    // Set away from the default and back again: the default must win, not the old value.
    ASSERT_EQ(files.SetAttributes("C:\\DIR\\RO.TXT", attr::kReadOnly | attr::kArchive), kErrorSuccess);
    ASSERT_EQ(files.SetAttributes("C:\\DIR\\BACK.TXT", attr::kReadOnly | attr::kHidden), kErrorSuccess);
    ASSERT_EQ(files.SetAttributes("C:\\DIR\\BACK.TXT", attr::kArchive), kErrorSuccess);
    ASSERT_EQ(files.SetAttributes("C:\\DIR\\NONE.TXT", 0), kErrorSuccess);
    ASSERT_EQ(files.SetAttributes("C:\\HIDDEN", attr::kHidden), kErrorSuccess);
    ASSERT_EQ(files.SetAttributes("C:\\ARCHIVED", attr::kArchive), kErrorSuccess);  // a file's default only
    // A copy takes the source's attributes with archive added, over whatever the target had.
    ASSERT_EQ(files.SetAttributes("C:\\DIR\\SRC.TXT", attr::kReadOnly), kErrorSuccess);
    ASSERT_EQ(files.Copy("C:\\DIR\\SRC.TXT", "C:\\DIR\\COPY_RO.TXT", false), kErrorSuccess);
    ASSERT_EQ(files.Copy("C:\\DIR\\NONE.TXT", "C:\\DIR\\COPY_NONE.TXT", false), kErrorSuccess);
    ASSERT_EQ(files.SetAttributes("C:\\DIR\\FRESH.TXT", attr::kHidden | attr::kArchive), kErrorSuccess);
    ASSERT_EQ(files.SetAttributes("C:\\DIR\\FRESH.TXT", attr::kArchive), kErrorSuccess);
    ASSERT_EQ(files.Copy("C:\\DIR\\PLAIN.TXT", "C:\\DIR\\FRESH.TXT", false), kErrorSuccess);

    struct Row {
        const char* path;
        std::uint32_t expected;
    };
    const Row rows[] = {
        {"C:\\DIR\\PLAIN.TXT", attr::kArchive},
        {"C:\\DIR\\RO.TXT", attr::kReadOnly | attr::kArchive},
        {"C:\\DIR\\BACK.TXT", attr::kArchive},
        {"C:\\DIR\\NONE.TXT", 0},
        {"C:\\DIR\\COPY_RO.TXT", attr::kReadOnly | attr::kArchive},
        {"C:\\DIR\\COPY_NONE.TXT", attr::kArchive},
        {"C:\\DIR\\FRESH.TXT", attr::kArchive},
        {"C:\\DIR", attr::kDirectory},
        {"C:\\HIDDEN", attr::kHidden | attr::kDirectory},
        {"C:\\ARCHIVED", attr::kArchive | attr::kDirectory},
    };
    for (const Row& row : rows) EXPECT_EQ(AttributesOf(files, row.path), row.expected) << row.path;

    vm.machine.Save();
    platform::virt::VirtualMachine again(vm.machine.Root());
    for (const Row& row : rows) EXPECT_EQ(AttributesOf(again.Files(), row.path), row.expected) << "saved " << row.path;
}

}  // namespace
}  // namespace lorvel
