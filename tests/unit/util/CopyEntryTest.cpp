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

// The parts as written put back together give the value again, and the source name
// is the one the copy phase reads after expanding the macros, wherever they stand.
TEST(CopyEntrySplitTest, PartsAsWrittenAndTheSourceAsCopied)
{
    struct Row {
        std::string value;
        bool disk;
        std::string target, newName, flags, source, destination;
    };
    const Row rows[] = {
        {"(App)A.TXT", false, "(App)A.TXT", "", "", "A.TXT", "D:\\APPS\\TOOL\\A.TXT"},
        {"(Dch)(App)A.EX_|B.EXE,/S", true, "(App)A.EX_", "|B.EXE", ",/S", "A.EX_", "D:\\APPS\\TOOL\\B.EXE"},
        {"(App)SUB\\A.TXT|B.TXT,/S,/R", false, "(App)SUB\\A.TXT", "|B.TXT", ",/S,/R", "A.TXT",
         "D:\\APPS\\TOOL\\SUB\\B.TXT"},
        {"(sys)x.dll", false, "(sys)x.dll", "", "", "x.dll", "C:\\WINDOWS\\SYSTEM\\x.dll"},
        {"X(App)Y.TXT", false, "X(App)Y.TXT", "", "", "Y.TXT", "XD:\\APPS\\TOOL\\Y.TXT"},  // a macro not in front
        {"(Foo)A.TXT", false, "(Foo)A.TXT", "", "", "(Foo)A.TXT", "(Foo)A.TXT"},
        {"(dch)(Win)B.DAT", false, "(dch)(Win)B.DAT", "", "", "B.DAT", "(dch)C:\\WINDOWS\\B.DAT"},
        {"(App)C.DL_", false, "(App)C.DL_", "", "", "C.DL_", "D:\\APPS\\TOOL\\AUTO.EXT"},
        {"(App)ポ.TXT|B.TXT", false, "(App)ポ.TXT", "|B.TXT", "", "ポ.TXT", "D:\\APPS\\TOOL\\B.TXT"},
        {"", false, "", "", "", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        const CopyEntryParts parts = SplitCopyEntry(row.value, Folders());
        EXPECT_EQ(parts.diskChange, row.disk);
        EXPECT_EQ(parts.target, row.target);
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
}

}  // namespace
}  // namespace lorvel
