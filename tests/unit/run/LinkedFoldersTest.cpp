#include <gtest/gtest.h>

#include "../CountingFileSystem.h"
#include "../VirtualMachineFixture.h"
#include "run/LinkedFolders.h"

namespace lorvel {
namespace {

// Which folders are looked at, and what is found, for each way a path can lie
// against the root: each folder from the root down to the path's own, never the path
// itself (a link there is the caller's to meet), and a drive's root as the root.
TEST(LinkedFoldersTest, LooksAtEachFolderFromTheRootDown)
{
    struct Row {
        const char* what;
        std::string root, path;
        bool onTheWay;
        std::vector<std::string> looked;
    };
    const Row rows[] = {
        {"no link", "C:\\APP\\", "C:\\APP\\PLAIN\\A.DLL", false, {"C:\\APP", "C:\\APP\\PLAIN"}},
        {"a link below", "C:\\APP\\", "C:\\APP\\LINKED\\DEEP\\A.DLL", true, {"C:\\APP", "C:\\APP\\LINKED"}},
        {"the file itself a link", "C:\\APP\\", "C:\\APP\\FILE.LNK", false, {"C:\\APP"}},
        {"not below the root", "C:\\APP\\", "C:\\OTHER\\LINKED\\A.DLL", false, {}},
        {"the root alone", "C:\\APP\\", "C:\\APP\\", false, {}},
        {"a name that begins as the root", "C:\\APP\\", "C:\\APPLE\\A.DLL", false, {}},
        {"a drive's root", "C:\\", "C:\\TOP\\A.DLL", true, {"C:\\", "C:\\TOP"}},
        {"the root a link", "C:\\TOP\\", "C:\\TOP\\A.DLL", true, {"C:\\TOP"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testing::TestMachine vm;
        vm.platform.files.CreateFolder("C:\\ELSEWHERE");
        vm.platform.files.CreateFolder("C:\\APP");
        vm.platform.files.CreateFolder("C:\\APP\\PLAIN");
        vm.machine.MakeFolderLink("C:\\APP\\LINKED", "C:\\ELSEWHERE");
        vm.machine.MakeFolderLink("C:\\TOP", "C:\\ELSEWHERE");
        vm.Put("C:\\ELSEWHERE\\KEEP.TXT", "keep");
        vm.machine.MakeFileLink("C:\\APP\\FILE.LNK", "C:\\ELSEWHERE\\KEEP.TXT");
        testing::CountingFileSystem counting(vm.platform.files);
        counting.logPaths = true;
        LinkedFolders links(counting, true);
        EXPECT_EQ(links.OnTheWay(row.root, row.path), row.onTheWay);
        std::vector<std::string> looked;
        for (const std::string& call : counting.log) looked.push_back(call.substr(call.find(' ') + 1));
        EXPECT_EQ(looked, row.looked);
    }
}

// Both runs name paths as the script or the record writes them: the link is met
// whatever the form of the path that reaches it.
TEST(LinkedFoldersTest, PathsAreResolvedBeforeTheWayIsWalked)
{
    struct Row {
        std::string path;
        bool onTheWay;
    };
    const Row rows[] = {
        {"C:\\APP\\LINKED\\A.DLL", true},
        {"c:/app/linked/a.dll", true},
        {"LINKED\\A.DLL", true},
        {"..\\APP\\.\\LINKED.\\A.DLL", true},
        {"C:\\APP\\PLAIN\\A.DLL", false},
        {"C:\\APP\\LINKED\\..\\A.DLL", false},
        {"C:A.DLL", false},
        {"\\\\?\\C:\\APP\\LINKED\\A.DLL", false},
    };
    testing::TestMachine vm;
    vm.platform.files.CreateFolder("C:\\ELSEWHERE");
    vm.platform.files.CreateFolder("C:\\APP");
    vm.platform.files.CreateFolder("C:\\APP\\PLAIN");
    vm.machine.MakeFolderLink("C:\\APP\\LINKED", "C:\\ELSEWHERE");
    LinkedFolders links(vm.platform.files, false);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(links.OnTheWayResolved("C:\\APP\\", row.path, "C:\\APP\\"), row.onTheWay);
    }
}

// Remembering looks at a folder once; not remembering sees a link put in place of a
// folder after an earlier path's check.
TEST(LinkedFoldersTest, OnlyALinkerThatDoesNotRememberSeesAFolderSwapped)
{
    for (const bool remember : {true, false}) {
        SCOPED_TRACE(remember ? "remembering" : "looking anew");
        testing::TestMachine vm;
        vm.platform.files.CreateFolder("C:\\ELSEWHERE");
        vm.platform.files.CreateFolder("C:\\APP");
        vm.platform.files.CreateFolder("C:\\APP\\SUB");
        LinkedFolders links(vm.platform.files, remember);
        EXPECT_FALSE(links.OnTheWay("C:\\APP\\", "C:\\APP\\SUB\\A.DLL"));
        vm.platform.files.RemoveFolder("C:\\APP\\SUB");
        vm.machine.MakeFolderLink("C:\\APP\\SUB", "C:\\ELSEWHERE");
        EXPECT_EQ(links.OnTheWay("C:\\APP\\", "C:\\APP\\SUB\\B.DLL"), !remember);
    }
}

}  // namespace
}  // namespace lorvel
