#include "uninstall/UninstallGuard.h"

#include <gtest/gtest.h>

#include "../VirtualMachineFixture.h"
#include "run/RecordTrust.h"
#include "util/Sha256.h"

namespace lorvel {
namespace {

using platform::RootKey;

TEST(UninstallGuardTest, KeysTheSystemLivesOnAreProtectedAtAnyDepth)
{
    struct Row {
        RootKey root;
        const char* path;
        bool isProtected;
    };
    const Row rows[] = {
        // What a program of its own may take away.
        {RootKey::LocalMachine, "SOFTWARE\\Maker\\App", false},
        {RootKey::CurrentUser, "Software\\Maker\\App\\Settings", false},
        {RootKey::ClassesRoot, "CLSID\\{12345678-1234-1234-1234-123456789012}", false},
        {RootKey::ClassesRoot, "abc_auto_file", false},
        {RootKey::ClassesRoot, ".abc", false},
        {RootKey::LocalMachine, "SOFTWARE\\Classes\\.abc", false},
        {RootKey::Users, "S-1-5-21-1\\Software\\Maker", false},
        // Programs started at logon, at the key and below it, in both views.
        {RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", true},
        {RootKey::LocalMachine, "software\\microsoft\\windows\\currentversion\\run\\", true},
        {RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\Setup", true},
        {RootKey::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", true},
        {RootKey::LocalMachine, "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run", true},
        {RootKey::Users, ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", true},
        // What the machine itself runs on.
        {RootKey::LocalMachine, "SYSTEM\\CurrentControlSet\\Services", true},
        {RootKey::LocalMachine, "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters", true},
        {RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", true},
        {RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\a.exe",
         true},
        {RootKey::LocalMachine, "SOFTWARE\\Policies\\Microsoft\\Windows Defender", true},
        {RootKey::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", true},
        // Other programs' entries, and the tables shared with every installer.
        {RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OtherProgram", true},
        {RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", true},
        {RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", true},
        // Keys that hold those, and roots.
        {RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows", true},
        {RootKey::LocalMachine, "SOFTWARE", true},
        {RootKey::CurrentUser, "", true},
        {RootKey::Users, "S-1-5-21-1", true},
        // Classes of what runs when a file is opened, wherever they are written.
        {RootKey::ClassesRoot, "exefile", true},
        {RootKey::ClassesRoot, "exefile\\shell\\open\\command", true},
        {RootKey::ClassesRoot, ".exe", true},
        {RootKey::ClassesRoot, "batfile\\shell", true},
        {RootKey::LocalMachine, "SOFTWARE\\Classes\\exefile\\shell\\open", true},
        {RootKey::CurrentUser, "Software\\Classes\\.bat", true},
        {RootKey::ClassesRoot, "Wow6432Node\\CLSID", true},
        {RootKey::ClassesRoot, "CLSID", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(IsProtectedRegistryKey(row.root, row.path), row.isProtected);
    }
}

TEST(UninstallGuardTest, AnAssociationIsRestoredOnlyToAPlainHarmlessType)
{
    struct Row {
        const char* extension;
        const char* type;
        AssociationVerdict verdict;
    };
    const Row rows[] = {
        {"txt", "txtfile", AssociationVerdict::Allowed},
        {"abc", "", AssociationVerdict::Allowed},
        {"doc", "Word.Document.8", AssociationVerdict::Allowed},
        {"txt", "exefile", AssociationVerdict::ExecutableType},
        {"txt", "ExeFile", AssociationVerdict::ExecutableType},
        {"txt", "batfile", AssociationVerdict::ExecutableType},
        {"txt", "comfile", AssociationVerdict::ExecutableType},
        {"txt", "cmdfile", AssociationVerdict::ExecutableType},
        {"txt", "piffile", AssociationVerdict::ExecutableType},
        {"txt", "scrfile", AssociationVerdict::ExecutableType},
        {"exe", "", AssociationVerdict::ExecutableExtension},
        {"EXE", "txtfile", AssociationVerdict::ExecutableExtension},
        {"bat", "txtfile", AssociationVerdict::ExecutableExtension},
        {"txt", "txtfile\\shell\\open\\command", AssociationVerdict::UnsafeType},
        {"txt", "cmd.exe /c calc", AssociationVerdict::UnsafeType},
        {"txt", "exefile,", AssociationVerdict::UnsafeType},
        {"txt\\shell", "txtfile", AssociationVerdict::UnsafeType},
        {"", "txtfile", AssociationVerdict::UnsafeType},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.extension) + "," + row.type);
        EXPECT_EQ(CheckAssociation(row.extension, row.type), row.verdict);
    }
}

struct RecordTrustTest : ::testing::Test {
    testing::TestMachine vm;
    platform::Registry& registry = vm.platform.registry;
    const std::string entry = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App";
    const std::string record = "[SetupFolder]\r\nFolder=C:\\APP\\\r\n[DeleteFile]\r\nFile1=C:\\APP\\A.DLL\r\n";

    void Entry(const std::string& recordPath)
    {
        registry.CreateKey(RootKey::LocalMachine, entry);
        registry.WriteValue(RootKey::LocalMachine, entry, "UninstallString",
                            platform::RegValue::String("C:\\WINDOWS\\UNKORAT.EXE \"" + recordPath + "\""));
    }
};

TEST_F(RecordTrustTest, OnlyTheRecordTheEntryVouchesForIsTrusted)
{
    using State = RecordTrust::State;
    struct Row {
        const char* name;
        std::string entryNames;  // the record the entry's command names
        bool vouched;            // the entry holds a digest
        std::string bytes;       // what the uninstall reads
        std::string started;     // the record it was started with
        State state;
    };
    const std::string edited =
        record + "[DeleteRegistry]\r\nKey1=(Local)SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\r\n";
    const Row rows[] = {
        {"the record as written", "C:\\APP\\UNSETUP.INI", true, record, "C:\\APP\\UNSETUP.INI", State::Vouched},
        {"named in another case", "C:\\APP\\UNSETUP.INI", true, record, "c:\\app\\unsetup.ini", State::Vouched},
        {"edited", "C:\\APP\\UNSETUP.INI", true, edited, "C:\\APP\\UNSETUP.INI", State::Mismatch},
        {"cut short", "C:\\APP\\UNSETUP.INI", true, record.substr(0, record.size() - 5), "C:\\APP\\UNSETUP.INI",
         State::Mismatch},
        {"one byte changed", "C:\\APP\\UNSETUP.INI", true, "[SetupFolder]\r\nFolder=C:\\APQ\\" + record.substr(29),
         "C:\\APP\\UNSETUP.INI", State::Mismatch},
        {"another program's entry", "C:\\OTHER\\UNSETUP.INI", true, record, "C:\\APP\\UNSETUP.INI", State::Mismatch},
        {"an entry from before digests", "C:\\APP\\UNSETUP.INI", false, record, "C:\\APP\\UNSETUP.INI",
         State::NoDigest},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        registry.DeleteKeyTree(RootKey::LocalMachine, entry);
        Entry(row.entryNames);
        if (row.vouched) {
            ASSERT_EQ(VouchForRecord(registry, entry, record, {{"C:\\APP\\A.DLL", Sha256Hex("MZ genuine")}}), 0u);
        }
        const RecordTrust trust = ReadRecordTrust(registry, entry, row.started, row.bytes);
        EXPECT_EQ(trust.state, row.state);
        EXPECT_EQ(trust.componentDigests.empty(), row.state != State::Vouched) << "digests only from a vouched entry";
    }
    EXPECT_EQ(ReadRecordTrust(registry, "", "C:\\APP\\UNSETUP.INI", record).state, State::NoDigest)
        << "a record naming no entry";
    EXPECT_EQ(ReadRecordTrust(registry, entry + "\\Missing", "C:\\APP\\UNSETUP.INI", record).state, State::NoDigest);
}

TEST_F(RecordTrustTest, AComponentIsLoadedOnlyAsItWasRegistered)
{
    Entry("C:\\APP\\UNSETUP.INI");
    ASSERT_EQ(VouchForRecord(registry, entry, record, {{"C:\\APP\\A.DLL", Sha256Hex("MZ genuine")}}), 0u);
    SetupContext context;
    context.setupFolder = "C:\\APP\\";
    const UninstallGuard guard(context, "C:\\", ReadRecordTrust(registry, entry, "C:\\APP\\UNSETUP.INI", record));
    EXPECT_EQ(guard.CheckLibrary("C:\\APP\\A.DLL", Sha256Hex("MZ genuine")), LibraryVerdict::Allowed);
    EXPECT_EQ(guard.CheckLibrary("c:\\app\\a.dll", Sha256Hex("MZ genuine")), LibraryVerdict::Allowed);
    EXPECT_EQ(guard.CheckLibrary("C:\\APP\\A.DLL", Sha256Hex("MZ swapped")), LibraryVerdict::Changed);
    EXPECT_EQ(guard.CheckLibrary("C:\\APP\\DROPPED.DLL", Sha256Hex("MZ dropped")), LibraryVerdict::NotVouched);

    // An earlier install's digests go with a new one.
    ASSERT_EQ(VouchForRecord(registry, entry, record, {}), 0u);
    const UninstallGuard later(context, "C:\\", ReadRecordTrust(registry, entry, "C:\\APP\\UNSETUP.INI", record));
    EXPECT_EQ(later.CheckLibrary("C:\\APP\\A.DLL", Sha256Hex("MZ genuine")), LibraryVerdict::NotVouched);
}

TEST_F(RecordTrustTest, ARestrictedRecordReachesOnlyTheSetupFolder)
{
    SetupContext context;
    context.setupFolder = "C:\\APP\\";
    context.windowsFolder = "C:\\WINDOWS\\";
    context.systemFolder = "C:\\WINDOWS\\SYSTEM32\\";
    context.tempFolder = "C:\\WINDOWS\\TEMP\\";
    const UninstallGuard guard(context, "C:\\WINDOWS\\TEMP\\", RecordTrust{});
    ASSERT_TRUE(guard.Restricted());
    EXPECT_EQ(guard.CheckDeletion("C:\\APP\\A.TXT"), ProtectedFolders::Verdict::Allowed);
    EXPECT_EQ(guard.CheckDeletion("C:\\APP\\SUB\\*.*"), ProtectedFolders::Verdict::Allowed);
    EXPECT_EQ(guard.CheckDeletion("C:\\APP\\..\\USERS\\ME\\LETTER.TXT"), ProtectedFolders::Verdict::OutsideSetupFolder);
    EXPECT_EQ(guard.CheckDeletion("C:\\APPLE\\A.TXT"), ProtectedFolders::Verdict::OutsideSetupFolder);
    EXPECT_EQ(guard.CheckDeletion("C:\\WINDOWS\\*.*"), ProtectedFolders::Verdict::WildcardInProtected);
    for (const char* unplaced :
         {"A.TXT", "..\\A.TXT", "\\APP\\A.TXT", "C:A.TXT", "\\\\?\\C:\\APP\\A.TXT", "\\\\.\\C:\\APP\\A.TXT"}) {
        SCOPED_TRACE(unplaced);
        EXPECT_EQ(guard.CheckDeletion(unplaced), ProtectedFolders::Verdict::NotAbsolute);
        EXPECT_EQ(
            UninstallGuard(context, "C:\\APP\\", RecordTrust{RecordTrust::State::Vouched, {}}).CheckDeletion(unplaced),
            ProtectedFolders::Verdict::NotAbsolute)
            << "whatever the current folder, and however genuine the record";
    }
    EXPECT_TRUE(guard.MayRemoveFolder("C:\\APP\\SUB\\"));
    EXPECT_FALSE(guard.MayRemoveFolder("C:\\DATA\\"));
    EXPECT_FALSE(guard.MayDeleteKey(RootKey::CurrentUser, "Software\\Maker\\App"));
    EXPECT_NE(guard.CheckRestoreRelate("txt", "txtfile"), AssociationVerdict::Allowed);
    EXPECT_EQ(guard.CheckLibrary("C:\\APP\\A.DLL", ""), LibraryVerdict::NotVouched);
    EXPECT_FALSE(guard.MayChangeSharedCounts());
}

}  // namespace
}  // namespace lorvel
