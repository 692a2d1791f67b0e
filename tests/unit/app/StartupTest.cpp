#include "app/Startup.h"

#include <gtest/gtest.h>

#include "../CountingFileSystem.h"
#include "../VirtualMachineFixture.h"
#include "app/VersionText.h"
#include "run/FixedNames.h"
#include "uninstall/ProtectedFolders.h"

namespace lorvel {
namespace {

using namespace platform;

TEST(FirstArgumentTest, SplitsAtBlanksOutsideQuotes)
{
    struct Row {
        std::string commandLine, expected;
    };
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
    struct Row {
        std::string argument;
        RunMode expected;
    };
    constexpr RunMode kUnsetup = RunMode::Unsetup, kSetup = RunMode::Setup;
    const Row rows[] = {
        {"C:\\APP\\UNSETUP.INI", kUnsetup},
        {"UNSETUP.INI", kUnsetup},
        {"C:UNSETUP.INI", kUnsetup},
        {"C:\\APP\\unsetup.ini", kSetup},
        {"C:\\APP\\UNSETUP.TXT", kSetup},
        {"", kSetup},
        {"C:\\UNSETUP.INI\\X", kSetup},
        {"C:\\\x95\x5C"
         "UNSETUP.INI",
         kSetup},
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
    EXPECT_EQ(decision.fatalText, std::string(kFatalWindowsFolder) + "\r\n" + kFatalSystemFolder + "\r\n");
    EXPECT_EQ(decision.context.windowsFolder, "\\");
}

// A 32-bit program on 64-bit Windows is shown its own Program Files ("(x86)") and
// system folder; the uninstall must still keep its hands off the other Program Files
// and every system folder it can reach.
TEST(Wow64StartupTest, A32BitProgramOn64BitWindowsProtectsBothViews)
{
    platform::virt::MachineConfig config;
    config.wow64 = true;
    testing::TestMachine vm(config);
    FileOps ops{vm.platform};
    const SetupContext c = DecideStartup(GatherStartupFacts(vm.platform, ops)).context;
    EXPECT_EQ(c.programFilesFolder, "C:\\Program Files (x86)\\");
    EXPECT_EQ(c.systemFolder, "C:\\WINDOWS\\SYSTEM32\\");
    EXPECT_EQ(c.systemWow64Folder, "C:\\WINDOWS\\SYSWOW64\\");
    EXPECT_EQ(c.otherProgramFilesFolder, "C:\\Program Files\\");

    const ProtectedFolders folders(c, c.tempFolder);
    using V = ProtectedFolders::Verdict;
    const std::pair<std::string, V> rows[] = {
        {"C:\\Program Files\\*.*", V::WildcardInProtected},
        {"C:\\Program Files", V::ProtectedFolder},
        {"C:\\Program Files (x86)\\*", V::WildcardInProtected},
        {"C:\\Program Files (x86)", V::ProtectedFolder},
        {"C:\\WINDOWS\\SYSWOW64", V::ProtectedFolder},
        {"C:\\WINDOWS\\Sysnative\\", V::ProtectedFolder},
        {"C:\\WINDOWS\\SysWOW64\\..\\SYSTEM32", V::ProtectedFolder},
        {"C:\\Program Files\\App\\*.INI", V::Allowed},
        {"C:\\Program Files (x86)\\App\\*.INI", V::Allowed},
        {"C:\\WINDOWS\\SYSWOW64\\LIB.DLL", V::Allowed},  // a named file keeps its own rules
    };
    for (const auto& [path, verdict] : rows) {
        SCOPED_TRACE(path);
        EXPECT_EQ(folders.CheckDeletion(path), verdict);
    }
}

TEST(Wow64StartupTest, On32BitWindowsThereIsNoOtherView)
{
    testing::TestMachine vm;
    FileOps ops{vm.platform};
    const SetupContext c = DecideStartup(GatherStartupFacts(vm.platform, ops)).context;
    EXPECT_EQ(c.programFilesFolder, "C:\\Program Files\\");
    EXPECT_EQ(c.systemWow64Folder, "\\");
    EXPECT_EQ(c.otherProgramFilesFolder, "\\");
    EXPECT_EQ(ProtectedFolders(c, c.tempFolder).CheckDeletion("C:\\Program Files (x86)\\*.*"),
              ProtectedFolders::Verdict::Allowed);
}

struct WorkFolderTest : ::testing::Test {
    testing::TestMachine vm;
    FileOps ops{vm.platform};
    const std::string temp = "C:\\WINDOWS\\TEMP\\";

    StartupDecision Prepare()
    {
        StartupDecision decision;
        decision.context.tempFolder = temp;
        PrepareWorkFolder(decision, vm.platform, ops);
        return decision;
    }
    std::string Work(int n) const { return temp + "KRTMP" + std::to_string(n) + "\\"; }
};

// What other programs of the user may have left under the work folders' names.
enum class Left { Folder, FolderWithFile, File, LinkToDocuments };

TEST_F(WorkFolderTest, OnlyANameThisRunCreatesBecomesTheWorkFolder)
{
    struct Row {
        const char* what;
        std::vector<std::pair<int, Left>> taken;
        int expected;  // 0: none can be made
    };
    const Row rows[] = {
        {"nothing there", {}, 1},
        {"folders, one with a file", {{1, Left::Folder}, {2, Left::FolderWithFile}}, 3},
        {"a file under the name", {{1, Left::File}}, 2},
        {"a link to the user's documents", {{1, Left::LinkToDocuments}}, 2},
        {"a gap", {{1, Left::Folder}, {3, Left::Folder}}, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testing::TestMachine machine;
        FileOps machineOps{machine.platform};
        machine.Put("C:\\DOCS\\LETTER.TXT", "mine");
        ASSERT_TRUE(machineOps.CreateFolderTree(temp));
        for (const auto& [n, left] : row.taken) {
            const std::string name = temp + "KRTMP" + std::to_string(n);
            if (left == Left::Folder) {
                ASSERT_TRUE(machineOps.CreateFolderTree(name));
            }
            if (left == Left::FolderWithFile) machine.Put(name + "\\SETUPB.EXE", "planted");
            if (left == Left::File) machine.Put(name, "a file");
            if (left == Left::LinkToDocuments) machine.machine.MakeFolderLink(name, "C:\\DOCS");
        }
        StartupDecision decision;
        decision.context.tempFolder = temp;
        PrepareWorkFolder(decision, machine.platform, machineOps);
        EXPECT_EQ(decision.context.workFolder, temp + "KRTMP" + std::to_string(row.expected) + "\\");
        EXPECT_EQ(decision.fatalText, "");
        EXPECT_EQ(machine.machine.FolderTrustees(decision.context.workFolder),
                  (std::vector<std::string>{"S-1-5-32-544", "S-1-5-18"}))
            << "Administrators and SYSTEM alone";
        EXPECT_EQ(machine.Get("C:\\DOCS\\LETTER.TXT"), "mine");
    }
}

TEST_F(WorkFolderTest, AnUnelevatedRunKeepsItsFolderToItsUser)
{
    platform::virt::MachineConfig config;
    config.elevated = false;
    config.userSid = "S-1-5-21-7-7-7-1001";
    testing::TestMachine machine(config);
    FileOps machineOps{machine.platform};
    const std::string missing = "C:\\USERS\\ME\\TEMP\\";
    StartupDecision decision;
    decision.context.tempFolder = missing;
    PrepareWorkFolder(decision, machine.platform, machineOps);
    ASSERT_EQ(decision.context.workFolder, missing + "KRTMP1\\") << "the missing temporary folder is made first";
    EXPECT_EQ(machine.machine.FolderTrustees(missing + "KRTMP1"), (std::vector<std::string>{"S-1-5-21-7-7-7-1001"}));
    EXPECT_EQ(machine.machine.FolderTrustees(missing), (std::vector<std::string>{"S-1-1-0"}))
        << "the temporary folder itself is an ordinary one";
}

TEST_F(WorkFolderTest, WhenAllNumberedNamesAreTakenANameNobodyForesawIsMadeAndRemovedAtTheEnd)
{
    ASSERT_TRUE(ops.CreateFolderTree(temp));
    vm.Put("C:\\DOCS\\LETTER.TXT", "mine");
    for (int n = 1; n <= 99; ++n) ASSERT_TRUE(ops.CreateFolderTree(Work(n)));
    ASSERT_EQ(vm.platform.files.RemoveFolder(Work(99)), 0u);
    vm.machine.MakeFolderLink(temp + "KRTMP99", "C:\\DOCS");
    vm.Put("C:\\SETUP\\SETUP.INI", "[Title]\r\n");

    StartupDecision decision = Prepare();
    const std::string& work = decision.context.workFolder;
    ASSERT_EQ(work.size(), temp.size() + 5 + 16 + 1) << work;
    EXPECT_EQ(work.substr(temp.size(), 5), "KRTMP");
    EXPECT_EQ(work.find_first_not_of("0123456789ABCDEF", temp.size() + 5), work.size() - 1) << work;
    EXPECT_EQ(decision.fatalText, "");
    EXPECT_EQ(vm.machine.FolderTrustees(work), (std::vector<std::string>{"S-1-5-32-544", "S-1-5-18"}));
    decision.context.sourceFolder = "C:\\SETUP\\";
    CopyStartupFiles(decision, vm.platform, ops);
    EXPECT_EQ(decision.fatalText, "");
    EXPECT_EQ(vm.Get(work + "SETUP.INI"), "[Title]\r\n");
    EXPECT_EQ(vm.Get("C:\\DOCS\\SETUP.INI"), "<missing>") << "nothing copied through the link";
    CleanUpAtProgramEnd(temp, work, vm.platform, ops);
    EXPECT_FALSE(vm.platform.files.Exists(work));
    EXPECT_EQ(vm.Get("C:\\DOCS\\LETTER.TXT"), "mine");

    testing::TestMachine denied;
    FileOps deniedOps{denied.platform};
    ASSERT_TRUE(deniedOps.CreateFolderTree(temp));
    denied.machine.DenyWrites(temp);
    StartupDecision refused;
    refused.context.tempFolder = temp;
    PrepareWorkFolder(refused, denied.platform, deniedOps);
    EXPECT_EQ(refused.context.workFolder, "");
    EXPECT_NE(refused.fatalText.find(deniedOps.SystemErrorText(kErrorAccessDenied)), std::string::npos);
}

TEST_F(WorkFolderTest, CleanUpRemovesEveryWorkFolderAndNoLinksTarget)
{
    vm.Put("C:\\DOCS\\LETTER.TXT", "mine");
    vm.Put("C:\\DOCS\\SUB\\NOTE.TXT", "mine too");
    vm.Put(Work(1) + "OLD.TXT");
    ASSERT_TRUE(ops.CreateFolderTree(Work(2) + "SUB\\"));
    vm.machine.MakeFolderLink(temp + "KRTMP3", "C:\\DOCS");  // the work folder's name itself
    vm.Put(Work(4) + "A.TXT");
    vm.machine.MakeFolderLink(Work(4) + "DOCS", "C:\\DOCS");  // a link inside
    vm.Put(Work(5) + "DEEP\\ER\\B.TXT");
    vm.machine.MakeFolderLink(Work(5) + "DEEP\\ER\\DOCS", "C:\\DOCS\\SUB");  // further down
    vm.Put(Work(40) + "X.TXT");
    ASSERT_EQ(vm.platform.files.SetAttributes(Work(40) + "X.TXT", attr::kReadOnly), 0u);

    CleanUpAtProgramEnd(temp, "", vm.platform, ops);
    for (int n : {1, 2, 3, 4, 5, 40}) EXPECT_FALSE(vm.platform.files.Exists(temp + "KRTMP" + std::to_string(n))) << n;
    EXPECT_EQ(vm.Get("C:\\DOCS\\LETTER.TXT"), "mine");
    EXPECT_EQ(vm.Get("C:\\DOCS\\SUB\\NOTE.TXT"), "mine too");
    EXPECT_EQ(vm.machine.Journal(),
              (std::vector<std::string>{"notify 0x8000000 0", "notify 0x2000 0", "notify 0x1000 0"}));
}

// Under Wine each lookup of a name a folder lacks reads the whole folder, and a
// user's temporary folder may hold thousands of entries: the work folders are found
// by one listing, and named one by one only where the folder cannot be listed.
TEST_F(WorkFolderTest, CleanUpFindsTheWorkFoldersByOneListing)
{
    enum class Holds { WorkFolders, OtherNames, NoFolder };
    struct Row {
        const char* what;
        Holds holds;
        std::optional<ErrorCode> listing;
        int lookups;
    };
    const Row rows[] = {
        {"listed", Holds::WorkFolders, std::nullopt, 3},
        {"the listing refused", Holds::WorkFolders, kErrorAccessDenied, kWorkFolderLimit},
        {"no work folder's name", Holds::OtherNames, std::nullopt, 0},
        {"no temporary folder", Holds::NoFolder, std::nullopt, 0},
    };
    const std::string lookup = "GetAttributes " + temp + "KRTMP";
    // KRTMP2X, KRTMP100 and KRTMP05 are no work folder's names.
    const std::vector<std::string> others = {temp + "KRTMP2X\\C.TXT", temp + "KRTMP100\\D.TXT",
                                             temp + "KRTMP05\\E.TXT"};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testing::TestMachine machine;
        const std::string folder = row.holds == Holds::NoFolder ? "C:\\NOTEMP\\" : temp;
        if (row.holds != Holds::NoFolder)
            for (const std::string& path : others) machine.Put(path);
        if (row.holds == Holds::WorkFolders) {
            machine.Put(Work(1) + "A.TXT");
            machine.Put(Work(40) + "B.TXT");
            machine.platform.files.CreateFolder(temp + "krtmp7");
        }
        testing::CountingFileSystem counting(machine.platform.files);
        if (row.listing) counting.refusedListings[temp + "KRTMP*"] = *row.listing;
        counting.logPaths = true;
        Platform counted = testing::WithFiles(machine.platform, counting);
        FileOps countedOps(counted);
        CleanUpAtProgramEnd(folder, "", counted, countedOps);
        int lookups = 0;
        for (const std::string& line : counting.log)
            if (line.rfind(lookup, 0) == 0 && line.find('\\', lookup.size()) == std::string::npos) ++lookups;
        EXPECT_EQ(lookups, row.lookups);
        for (const std::string& gone : {Work(1), Work(40), temp + "krtmp7\\"})
            EXPECT_FALSE(machine.platform.files.Exists(gone)) << gone;
        for (const std::string& kept : others)
            EXPECT_EQ(machine.platform.files.Exists(kept), row.holds != Holds::NoFolder) << kept;
    }
}

TEST_F(WorkFolderTest, AScriptOrRecordOverTheBoundIsRefusedUnread)
{
    struct Row {
        const char* what;
        bool uninstalling;
        std::size_t size;
        bool refused;
    };
    const Row rows[] = {
        {"a script at the bound", false, kMaxScriptBytes, false},
        {"a script a byte over", false, kMaxScriptBytes + 1, true},
        {"a record a byte over", true, kMaxScriptBytes + 1, true},
        {"a record of ordinary size", true, 100, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testing::TestMachine machine;
        FileOps machineOps{machine.platform};
        const std::string source = row.uninstalling ? "C:\\APP\\UNSETUP.INI" : "C:\\SETUP\\SETUP.INI";
        machine.Put(source, std::string(row.size, ';'));
        StartupDecision decision;
        decision.context.tempFolder = temp;
        decision.context.sourceFolder = "C:\\SETUP\\";
        decision.context.runMode = row.uninstalling ? RunMode::Unsetup : RunMode::Setup;
        decision.firstArgument = row.uninstalling ? source : "";
        PrepareWorkFolder(decision, machine.platform, machineOps);
        CopyStartupFiles(decision, machine.platform, machineOps);
        const std::string copy = decision.context.scriptFile;
        if (row.refused) {
            EXPECT_EQ(decision.fatalText,
                      std::string(kFatalScript) + "\r\n" + source + "\r\n" + kScriptTooLarge + "\r\n");
            EXPECT_EQ(machine.Get(copy), "<missing>");
        } else {
            EXPECT_EQ(decision.fatalText, "");
            EXPECT_EQ(machine.Get(copy).size(), row.size);
        }
    }
}

TEST(VersionTextTest, BuildsFromTheFileVersion)
{
    struct Row {
        std::string version, expected;
    };
    const Row rows[] = {
        {"1.2.3.45", "1.23β1(Build:0045)"}, {"1.5", "1.00β1(Build:0005)"},       {"", "0.00β1(Build:0000)"},
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
