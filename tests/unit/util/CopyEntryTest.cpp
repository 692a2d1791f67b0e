#include "util/CopyEntry.h"

#include <gtest/gtest.h>

namespace lorvel {
namespace {

FolderTable Folders()
{
    FolderTable folders;
    folders[0] = "D:\\APPS\\TOOL\\";       // (App)
    folders[2] = "C:\\WINDOWS\\";          // (Win)
    folders[3] = "C:\\WINDOWS\\SYSTEM\\";  // (Sys)
    return folders;
}

// One table for every reading of a [CopyFile] value: the parts as written put back
// together give the value again, and the copy phase takes the same source name,
// after expanding the macros wherever they stand, as the split and the tool do.
TEST(CopyEntryTest, OneTableOfEntriesAsWrittenAndAsCopied)
{
    struct Row {
        std::string value;
        bool disk;
        std::string newName, flags, source, destination;
    };
    const Row rows[] = {
        {"(App)A.TXT", false, "", "", "A.TXT", "D:\\APPS\\TOOL\\A.TXT"},
        {"(Dch)(App)A.EX_|B.EXE,/S", true, "|B.EXE", ",/S", "A.EX_", "D:\\APPS\\TOOL\\B.EXE"},
        {"(App)SUB\\A.TXT|B.TXT,/S,/R", false, "|B.TXT", ",/S,/R", "A.TXT", "D:\\APPS\\TOOL\\SUB\\B.TXT"},
        {"(App)SUB\\A.TXT|B.TXT,/S", false, "|B.TXT", ",/S", "A.TXT", "D:\\APPS\\TOOL\\SUB\\B.TXT"},
        {"(sys)x.dll", false, "", "", "x.dll", "C:\\WINDOWS\\SYSTEM\\x.dll"},
        {"(app)(sys)x.dll", false, "", "", "x.dll", "D:\\APPS\\TOOL\\C:\\WINDOWS\\SYSTEM\\x.dll"},
        {"X(App)Y.TXT", false, "", "", "Y.TXT", "XD:\\APPS\\TOOL\\Y.TXT"},  // a macro not in front
        {"(Foo)A.TXT", false, "", "", "(Foo)A.TXT", "(Foo)A.TXT"},
        {"(dch)(Win)B.DAT", false, "", "", "B.DAT", "(dch)C:\\WINDOWS\\B.DAT"},
        {"(Dch)(Win)B.EX_", true, "", "", "B.EX_", "C:\\WINDOWS\\AUTO.EXT"},
        {"(App)C.DL_", false, "", "", "C.DL_", "D:\\APPS\\TOOL\\AUTO.EXT"},
        {"(App)APP.EX_", false, "", "", "APP.EX_", "D:\\APPS\\TOOL\\AUTO.EXT"},
        {"(App)\x95\x5C.TXT", false, "", "", "\x95\x5C.TXT", "D:\\APPS\\TOOL\\\x95\x5C.TXT"},
        // "ポ" ends in the byte of "|".
        {"(App)ポ.TXT|B.TXT", false, "|B.TXT", "", "ポ.TXT", "D:\\APPS\\TOOL\\B.TXT"},
        {"(App)ポ.TXT|B.TXT,/S", false, "|B.TXT", ",/S", "ポ.TXT", "D:\\APPS\\TOOL\\B.TXT"},
        {"C:A.TXT", false, "", "", "A.TXT", "C:A.TXT"},
        // Values whose macros are expanded already, as the copy phase meets them.
        {"C:\\APP\\A.TXT", false, "", "", "A.TXT", "C:\\APP\\A.TXT"},
        {"C:\\APP\\A.EX_|RUN.EXE,/W", false, "|RUN.EXE", ",/W", "A.EX_", "C:\\APP\\RUN.EXE"},
        {"C:\\APP\\A.EX_|\\RUN.EXE", false, "|\\RUN.EXE", "", "A.EX_", "C:\\APP\\RUN.EXE"},
        {"C:\\APP\\A.EX_", false, "", "", "A.EX_", "C:\\APP\\AUTO.EXT"},
        {"(Dch)C:\\APP\\B.DAT,/s/r", true, "", ",/s/r", "B.DAT", "C:\\APP\\B.DAT"},
        {"(dch)C:\\APP\\B.DAT", false, "", "", "B.DAT", "(dch)C:\\APP\\B.DAT"},
        {"C:\\APP\\\x83\x5F", false, "", "", "\x83\x5F", "C:\\APP\\\x83\x5F"},  // a trail byte 0x5F is no "_"
        {"C:\\APP\\ポ.TXT|B.TXT,/S", false, "|B.TXT", ",/S", "ポ.TXT", "C:\\APP\\B.TXT"},
        {",/S", false, "", ",/S", "", ""},
        {"", false, "", "", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        const CopyEntryParts parts = SplitCopyEntry(row.value, Folders());
        EXPECT_EQ(parts.diskChange, row.disk);
        EXPECT_EQ(parts.newName, row.newName);
        EXPECT_EQ(parts.flags, row.flags);
        EXPECT_EQ(parts.sourceName, row.source);
        EXPECT_EQ(JoinCopyEntry(parts), row.value);
        const CopyEntry entry = ParseCopyEntry(row.value, Folders());
        EXPECT_EQ(entry.sourceName, row.source) << "the split and the copy phase agree";
        EXPECT_EQ(entry.destination, row.destination);
        EXPECT_EQ(entry.diskChange, row.disk);
        EXPECT_EQ(entry.flags, row.flags);
    }
    EXPECT_TRUE(ParseCopyEntry("C:\\A,x/s").HasFlag("/S"));
    EXPECT_FALSE(ParseCopyEntry("C:\\A/S").HasFlag("/S")) << "flags only after the comma";
}

}  // namespace
}  // namespace lorvel
