// What a 32-bit program sees of 64-bit Windows: the folders start-up learns, and the
// redirections that put its system files and HKLM\SOFTWARE where 32-bit programs'
// are kept. The uninstall's protected folders and the e2e checks rely on both.
#include "ContractFixture.h"
#include "util/ShiftJisText.h"

namespace lorvel::contract {
namespace {

using namespace platform;

using Wow64Contract = ContractTest;

bool IsFolder(FileSystem& files, const std::string& path)
{
    std::uint32_t attributes = 0;
    return files.GetAttributes(path, attributes) == 0 && (attributes & attr::kDirectory) != 0;
}

TEST_F(Wow64Contract, SixtyFourBitWindowsNamesItsOtherFolders)
{
    const std::string wow64 = sys.system.GetSystemWow64Folder();
    const std::string other = sys.system.GetOtherProgramFilesFolder();
    EXPECT_EQ(wow64.empty(), other.empty()) << "both or neither: " << wow64 << " / " << other;
    if (env->Wow64()) {
        ASSERT_FALSE(wow64.empty());
    }
    if (wow64.empty()) GTEST_SKIP() << "32-bit Windows";
    for (const std::string& folder : {wow64, other}) {
        SCOPED_TRACE(folder);
        EXPECT_EQ(folder.substr(1, 2), ":\\");
        EXPECT_FALSE(EndsWithPathDelimiter(folder));
        EXPECT_TRUE(IsFolder(files, folder));
    }
    EXPECT_NE(UpperCase(wow64), UpperCase(sys.system.GetSystemFolder()));
    RegValue programFiles;
    ASSERT_EQ(sys.registry.ReadValue(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                                     "ProgramFilesDir", programFiles),
              0u);
    EXPECT_NE(UpperCase(other), UpperCase(programFiles.data)) << "the other Program Files is another folder";
    if (env->Wow64()) {
        EXPECT_NE(UpperCase(programFiles.data).find("(X86)"), std::string::npos) << programFiles.data;
    }
}

TEST_F(Wow64Contract, SystemFolderOfA32BitProgramIsSysWow64)
{
    if (!env->Wow64()) GTEST_SKIP() << "not a 32-bit program on 64-bit Windows";
    const std::string system = sys.system.GetSystemFolder() + "\\";
    const std::string wow64 = sys.system.GetSystemWow64Folder() + "\\";
    const std::string native = sys.system.GetWindowsFolder() + "\\Sysnative\\";
    const std::string name = "LORVELWOW64CONTRACT.TXT";
    ASSERT_EQ(files.WriteWholeFile(system + name, "thirty-two"), 0u);
    std::string bytes;
    EXPECT_EQ(files.ReadWholeFile(wow64 + name, bytes), 0u);
    EXPECT_EQ(bytes, "thirty-two");
    EXPECT_NE(files.ReadWholeFile(native + name, bytes), 0u) << "the real system folder has no such file";
    std::uint32_t attributes = 0;
    EXPECT_EQ(files.GetAttributes(native, attributes), 0u) << "Sysnative reaches the real system folder";
    EXPECT_EQ(files.RemoveFile(wow64 + name), 0u);
    EXPECT_NE(files.GetAttributes(system + name, attributes), 0u);
}

TEST_F(Wow64Contract, SoftwareKeyOfA32BitProgramIsWow6432Node)
{
    if (!env->Wow64()) GTEST_SKIP() << "not a 32-bit program on 64-bit Windows";
    const std::string key = "SOFTWARE\\LorvelWow64Contract";
    const std::string stored = "SOFTWARE\\WOW6432Node\\LorvelWow64Contract";
    ASSERT_EQ(sys.registry.CreateKey(RootKey::LocalMachine, key), 0u);
    ASSERT_EQ(sys.registry.WriteValue(RootKey::LocalMachine, key, "Kind", RegValue::String("32")), 0u);
    RegValue value;
    EXPECT_EQ(sys.registry.ReadValue(RootKey::LocalMachine, stored, "Kind", value), 0u);
    EXPECT_EQ(value.data, "32");
    EXPECT_EQ(sys.registry.DeleteKeyTree(RootKey::LocalMachine, stored), 0u);
    EXPECT_NE(sys.registry.OpenKey(RootKey::LocalMachine, key), 0u);
}

}  // namespace
}  // namespace lorvel::contract
