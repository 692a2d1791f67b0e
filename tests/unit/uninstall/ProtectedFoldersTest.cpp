#include "uninstall/ProtectedFolders.h"

#include <gtest/gtest.h>

namespace lorvel {
namespace {

TEST(ProtectedFoldersTest, PathsResolveAsWindowsReadsThem)
{
    const std::pair<std::string, std::optional<std::string>> rows[] = {
        {"C:\\APP\\A.TXT", "C:\\APP\\A.TXT"},
        {"c:/app/./sub/../a.txt", "C:\\APP\\A.TXT"},
        {"C:\\APP\\..\\..\\..\\WINDOWS", "C:\\WINDOWS"},
        {"C:\\WINDOWS.\\ ", "C:\\WINDOWS"},
        {"C:\\WINDOWS \\*.*", "C:\\WINDOWS\\*.*"},
        {"C:\\\\WINDOWS\\\\\\*.*", "C:\\WINDOWS\\*.*"},
        {"C:\\", "C:\\"},
        {"C:\\..", "C:\\"},
        {"a.txt", "C:\\TEMP\\A.TXT"},
        {"..\\WINDOWS\\*.*", "C:\\WINDOWS\\*.*"},
        {"\\WINDOWS", "C:\\WINDOWS"},
        {"\\\\srv\\share\\x\\..\\y", "\\\\SRV\\SHARE\\Y"},
        {"\\\\?\\C:\\WINDOWS", std::nullopt},
        {"\\\\.\\C:", std::nullopt},
        {"C:a.txt", std::nullopt},
        {"C:", std::nullopt},
        // A trail byte 0x5C is no separator: "表" is 0x95 0x5C.
        {"C:\\\x95\x5C\\..\\A", "C:\\A"},
        {"C:\\\x95\x5C\\A", "C:\\\x95\x5C\\A"},
    };
    for (const auto& [path, expected] : rows) {
        SCOPED_TRACE(path);
        EXPECT_EQ(ResolvePath(path, "C:\\TEMP\\"), expected);
    }
}

TEST(ProtectedFoldersTest, DeletionsAreCheckedAgainstEveryProtectedFolder)
{
    SetupContext c;
    c.windowsFolder = "C:\\WINDOWS\\";
    c.systemFolder = "C:\\WINDOWS\\SYSTEM32\\";
    c.tempFolder = "C:\\WINDOWS\\TEMP\\";
    c.programFilesFolder = "C:\\Program Files\\";
    c.programsFolder = "C:\\Users\\U\\Start Menu\\Programs\\";
    c.desktopFolder = "C:\\Users\\U\\Desktop\\";
    c.startupFolder = "C:\\Users\\U\\Start Menu\\Programs\\Startup\\";
    c.sendToFolder = "C:\\Users\\U\\SendTo\\";
    c.commonProgramsFolder = "C:\\ProgramData\\Start Menu\\Programs\\";
    c.commonDesktopFolder = "\\";  // a folder the system did not give protects nothing
    const ProtectedFolders folders(c, "C:\\WINDOWS\\TEMP\\");
    using V = ProtectedFolders::Verdict;
    const std::pair<std::string, V> rows[] = {
        {"C:\\WINDOWS\\*.*", V::WildcardInProtected},
        {"C:\\windows\\system32\\*.dll", V::WildcardInProtected},
        {"C:\\WINDOWS\\FONTS\\*.TTF", V::WildcardInProtected},
        {"C:\\WINDOWS\\TEMP\\KRTMP1\\*.*", V::WildcardInProtected},
        {"*.*", V::WildcardInProtected},
        {"C:\\*.*", V::WildcardInProtected},
        {"D:\\*", V::WildcardInProtected},
        {"\\\\srv\\share\\*.*", V::WildcardInProtected},
        {"C:\\Users\\*", V::WildcardInProtected},
        {"C:\\Users\\U\\Desktop\\*.LNK", V::WildcardInProtected},
        {"C:\\Program Files\\*.*", V::WildcardInProtected},
        {"C:\\Program Files\\App\\*.INI", V::Allowed},
        {"C:\\Users\\U\\Start Menu\\Programs\\Group\\*.LNK", V::Allowed},
        {"C:\\APP\\*.*", V::Allowed},
        {"C:\\W*\\WIN.INI", V::UnsafeWildcard},
        {"\\\\?\\C:\\APP\\*.*", V::UnsafeWildcard},
        {"C:*.*", V::UnsafeWildcard},
        {"C:\\WINDOWS\\SYSTEM32\\LIB.DLL", V::Allowed},
        {"C:\\APP\\A.TXT", V::Allowed},
        {"C:\\WINDOWS\\", V::ProtectedFolder},
        {"C:\\WINDOWS", V::ProtectedFolder},
        {"C:\\Users", V::ProtectedFolder},
        {"C:\\", V::ProtectedFolder},
        {"C:\\Users\\U\\Desktop\\..\\..\\..", V::ProtectedFolder},
    };
    for (const auto& [path, verdict] : rows) {
        SCOPED_TRACE(path);
        EXPECT_EQ(folders.CheckDeletion(path), verdict);
    }
    EXPECT_TRUE(folders.IsProtectedFolder("c:\\users\\u\\sendto"));
    EXPECT_TRUE(folders.IsProtectedFolder("E:\\"));
    EXPECT_FALSE(folders.IsProtectedFolder("C:\\Users\\"));
    EXPECT_FALSE(folders.IsProtectedFolder("C:\\Program Files\\App\\"));
}

}  // namespace
}  // namespace lorvel
