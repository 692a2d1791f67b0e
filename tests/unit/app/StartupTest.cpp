#include "app/Startup.h"

#include <gtest/gtest.h>

#include "../VirtualMachineFixture.h"
#include "app/VersionText.h"

namespace lorvel {
namespace {

using namespace platform;

TEST(FirstArgumentTest, SplitsAtBlanksOutsideQuotes)
{
    struct Row { std::string commandLine, expected; };
    const Row rows[] = {
        {"SETUP.EXE", ""},
        {"\"C:\\A B\\SETUP.EXE\" C:\\APP\\UNSETUP.INI", "C:\\APP\\UNSETUP.INI"},
        {"SETUP.EXE \"C:\\My App\\UNSETUP.INI\" extra", "C:\\My App\\UNSETUP.INI"},
        {"SETUP.EXE   C:\\X\\UNSETUP.INI  ", "C:\\X\\UNSETUP.INI"},
        {"SETUP.EXE C:\\\x95\x5C\"\"\\UNSETUP.INI", "C:\\\x95\x5C\\UNSETUP.INI"},
        {"", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.commandLine);
        EXPECT_EQ(FirstArgument(row.commandLine), row.expected);
    }
}

TEST(RunModeTest, OnlyTheExactRecordNameUninstalls)
{
    struct Row { std::string argument, expected; };
    const Row rows[] = {
        {"C:\\APP\\UNSETUP.INI", "UNSETUP"}, {"UNSETUP.INI", "UNSETUP"},  {"C:UNSETUP.INI", "UNSETUP"},
        {"C:\\APP\\unsetup.ini", "SETUP"},   {"C:\\APP\\UNSETUP.TXT", "SETUP"}, {"", "SETUP"},
        {"C:\\UNSETUP.INI\\X", "SETUP"},     {"C:\\\x95\x5C" "UNSETUP.INI", "SETUP"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        EXPECT_EQ(RunModeFor(row.argument), row.expected);
    }
}

StartupFacts SoundFacts()
{
    StartupFacts facts;
    facts.commandLine = "\"C:\\MEDIA\\SETUP.EXE\"";
    facts.version = OsVersion{5, 1, 2600, 2};
    facts.programPath = "C:\\MEDIA\\SETUP.EXE";
    facts.tempPath = "C:\\TEMP\\";
    facts.windowsFolder = "C:\\WINDOWS";
    facts.systemFolder = "C:\\WINDOWS\\SYSTEM32";
    facts.programFilesDir = "D:\\Programs";
    facts.programFilesExists = true;
    for (int id = 0; id < 30; ++id) facts.specialFolders[id] = "C:\\F" + std::to_string(id);
    return facts;
}

TEST(DecideStartupTest, FoldersEndInADelimiterAndFallBack)
{
    StartupFacts facts = SoundFacts();
    SetupContext c = DecideStartup(facts).context;
    EXPECT_EQ(c.sourceFolder, "C:\\MEDIA\\");
    EXPECT_EQ(c.sourceDrive, "C:\\");
    EXPECT_EQ(c.tempFolder, "C:\\TEMP\\");
    EXPECT_EQ(c.windowsFolder, "C:\\WINDOWS\\");
    EXPECT_EQ(c.bootDrive, "C:\\");
    EXPECT_EQ(c.programFilesFolder, "D:\\Programs\\");
    EXPECT_EQ(c.setupFolder, "(App)");
    EXPECT_EQ(c.startMenuFolder, "C:\\F11\\");
    EXPECT_EQ(c.commonDesktopFolder, "C:\\F25\\");
    EXPECT_EQ(c.platformId, 2);

    facts.programFilesExists = false;
    facts.tempPath.clear();
    facts.specialFolders[csidl::kSendTo] = "";
    c = DecideStartup(facts).context;
    EXPECT_EQ(c.programFilesFolder, "C:\\Program Files\\");
    EXPECT_EQ(c.tempFolder, "C:\\MEDIA\\");
    EXPECT_EQ(c.sendToFolder, "\\");
}

TEST(DecideStartupTest, OutsideTheNtFamilyCommonFoldersAreThePersonalOnes)
{
    StartupFacts facts = SoundFacts();
    facts.version = OsVersion{4, 10, 2222, 1};
    SetupContext c = DecideStartup(facts).context;
    EXPECT_EQ(c.commonStartMenuFolder, c.startMenuFolder);
    EXPECT_EQ(c.commonProgramsFolder, c.programsFolder);
    EXPECT_EQ(c.commonDesktopFolder, c.desktopFolder);
    EXPECT_EQ(c.commonStartupFolder, c.startupFolder);
    facts.version.reset();
    EXPECT_EQ(DecideStartup(facts).context.platformId, -1);
}

TEST(DecideStartupTest, MissingSystemFoldersAreFatal)
{
    StartupFacts facts = SoundFacts();
    facts.windowsFolder.clear();
    facts.systemFolder.clear();
    const StartupDecision decision = DecideStartup(facts);
    EXPECT_EQ(decision.fatalText,
              std::string(kFatalWindowsFolder) + "\r\n" + kFatalSystemFolder + "\r\n");
    EXPECT_EQ(decision.context.windowsFolder, "\\");
}

struct WorkFolderTest : ::testing::Test {
    testing::TestMachine vm;
    FileOps ops{vm.platform};
};

TEST_F(WorkFolderTest, TakesTheFirstFreeNumberAndCleanUpRemovesThemAll)
{
    const std::string temp = "C:\\WINDOWS\\TEMP\\";
    vm.Put(temp + "KRTMP1\\OLD.TXT");
    ASSERT_TRUE(ops.CreateFolderTree(temp + "KRTMP2\\SUB\\"));
    EXPECT_EQ(PrepareWorkFolder(temp, ops), temp + "KRTMP3\\");
    EXPECT_TRUE(ops.FolderExists(temp + "KRTMP3"));
    vm.Put(temp + "KRTMP40\\X.TXT");

    CleanUpAtProgramEnd(temp, vm.platform, ops);
    for (const char* n : {"1", "2", "3", "40"}) EXPECT_FALSE(ops.FolderExists(temp + "KRTMP" + n)) << n;
    EXPECT_EQ(vm.machine.Journal(),
              (std::vector<std::string>{"notify 0x8000000 0", "notify 0x2000 0", "notify 0x1000 0"}));
}

TEST_F(WorkFolderTest, AllNinetyNineTakenReusesTheLast)
{
    const std::string temp = "C:\\WINDOWS\\TEMP\\";
    for (int n = 1; n <= 99; ++n) ASSERT_TRUE(ops.CreateFolderTree(temp + "KRTMP" + std::to_string(n)));
    EXPECT_EQ(PrepareWorkFolder(temp, ops), temp + "KRTMP99\\");
}

TEST(VersionTextTest, BuildsFromTheFileVersion)
{
    struct Row { std::string version, expected; };
    const Row rows[] = {
        {"1.2.3.45", "1.23β1(Build:0045)"}, {"1.5", "1.00β1(Build:0005)"},   {"", "0.00β1(Build:0000)"},
        {"1.0.5.25", "1.05β1(Build:0025)"}, {"2.10.3.1", "2.103β1(Build:0001)"}, {"1.x.3.4", "1.03β1(Build:0004)"},
        {"1.0.0.1", "1.00β1(Build:0001)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.version);
        EXPECT_EQ(BuildVersionText(row.version), row.expected);
    }
}

}  // namespace
}  // namespace lorvel
