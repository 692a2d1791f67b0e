#include "uninstall/ProtectedFolders.h"

#include <gtest/gtest.h>

#include "../LeadByteRuns.h"

namespace lorvel {
namespace {

using testing::Leads;
using testing::Repeat;

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
    // Long runs of lead bytes, whose parity decides where a name ends.
    const std::pair<std::string, V> longRows[] = {
        {"C:\\APP\\" + Leads(40000) + "\\..\\..\\WINDOWS\\*.*", V::WildcardInProtected},
        {"C:\\APP\\" + Leads(40001) + "\\..\\..\\WINDOWS\\*.*", V::Allowed},  // C:\APP\WINDOWS\*.*
        {"C:\\WINDOWS\\" + Repeat("\x81\x5C", 20000) + "\\*.*", V::WildcardInProtected},
        {"C:\\APP\\" + Repeat("\x81\x5C", 20000) + "\\*.*", V::Allowed},
        {"C:\\APP\\" + Leads(40000) + "\\..\\..", V::ProtectedFolder},
        {"C:\\APP\\" + Leads(40000) + "*\\A.TXT", V::UnsafeWildcard},
        {"C:\\APP\\" + Leads(40001) + "*\\A.TXT", V::Allowed},  // "*" is a trail byte
    };
    for (const auto& [path, verdict] : longRows) {
        SCOPED_TRACE(path.substr(0, 16) + "... (" + std::to_string(path.size()) + " bytes)");
        EXPECT_EQ(folders.CheckDeletion(path), verdict);
    }
    EXPECT_TRUE(folders.IsProtectedFolder("C:\\APP\\" + Leads(40000) + "\\..\\.."));
    EXPECT_FALSE(folders.IsProtectedFolder("C:\\APP\\" + Leads(40001) + "\\..\\.."));
    EXPECT_TRUE(folders.IsProtectedFolder("C:\\" + Leads(40000) + "\\.."));
    EXPECT_FALSE(folders.IsProtectedFolder("C:\\" + Leads(40001) + "\\.."));
    EXPECT_TRUE(folders.IsProtectedFolder("c:\\users\\u\\sendto"));
    EXPECT_TRUE(folders.IsProtectedFolder("E:\\"));
    EXPECT_FALSE(folders.IsProtectedFolder("C:\\Users\\"));
    EXPECT_FALSE(folders.IsProtectedFolder("C:\\Program Files\\App\\"));
}

}  // namespace
}  // namespace lorvel
