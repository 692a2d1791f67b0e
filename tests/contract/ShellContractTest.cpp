#include "ContractFixture.h"
#include "util/ShiftJisText.h"

namespace lorvel::contract {
namespace {

using namespace platform;

using ShellContract = ContractTest;

TEST_F(ShellContract, SpecialFoldersAreAbsolutePathsWithoutTrailingDelimiter)
{
    for (int id :
         {csidl::kPrograms, csidl::kStartup, csidl::kSendTo, csidl::kStartMenu, csidl::kDesktopDirectory,
          csidl::kCommonStartMenu, csidl::kCommonPrograms, csidl::kCommonStartup, csidl::kCommonDesktopDirectory}) {
        SCOPED_TRACE(id);
        const std::string folder = sys.shell.GetSpecialFolder(id);
        ASSERT_GE(folder.size(), 4u);
        EXPECT_EQ(folder.substr(1, 2), ":\\");
        EXPECT_FALSE(EndsWithPathDelimiter(folder));
    }
}

TEST_F(ShellContract, UnknownFolderIsEmpty)
{
    EXPECT_EQ(sys.shell.GetSpecialFolder(0x7F), "");
}

TEST_F(ShellContract, OpeningAMissingFileFails)
{
    for (const std::string parameters : {"", "/Q"}) {
        SCOPED_TRACE(parameters);
        EXPECT_LE(sys.shell.OpenFile(dir + "MISSING.EXE", parameters), 32);
    }
}

}  // namespace
}  // namespace lorvel::contract
