// The simulated machine's faults at the k-th operation of a kind.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <stdexcept>

#include "../VirtualMachineFixture.h"

namespace lorvel::testing {
namespace {

using namespace platform;
using platform::virt::Fault;
using platform::virt::OperationKind;

struct FaultMachine {
    TestMachine vm;
    FaultMachine()
    {
        vm.machine.SetDisk('E', {.removable = true});
        vm.Put("E:\\SRC.TXT", "source");
        vm.Put("C:\\APP\\OLD.TXT", "old");
        for (int i = 1; i <= 3; ++i) vm.Put("C:\\APP\\R" + std::to_string(i) + ".TXT", "remove me");
        vm.Put("C:\\APP\\LIB.DLL", "MZ\nDllRegisterServer=0\n");
        vm.platform.registry.CreateKey(RootKey::CurrentUser, "Software\\T");
        vm.platform.registry.WriteValue(RootKey::CurrentUser, "Software\\T", "V", RegValue::String("v"));
        vm.machine.ResetOperations();
    }
};

struct FaultsTest : ::testing::Test, FaultMachine {};

TEST_F(FaultsTest, TheKthOperationOfAKindFailsAndNoOther)
{
    // Each operation is called three times (i = 1, 2, 3); the second fails. A row
    // gives the call, its code, and whether its effect is there afterwards.
    struct Row {
        const char* name;
        OperationKind kind;
        Fault fault;
        ErrorCode expected;
        std::function<ErrorCode(TestMachine&, int i)> call;
        std::function<bool(TestMachine&, int i)> done;
    };
    auto file = [](int i) { return "C:\\APP\\N" + std::to_string(i) + ".TXT"; };
    auto key = [](int i) { return "Software\\T\\K" + std::to_string(i); };
    const Row rows[] = {
        {"write, disk full", OperationKind::FileWrite, Fault::DiskFull, kErrorDiskFull,
         [&](TestMachine& m, int i) { return m.platform.files.WriteWholeFile(file(i), "new"); },
         [&](TestMachine& m, int i) { return m.Get(file(i)) == "new"; }},
        {"write over a file, sharing violation", OperationKind::FileWrite, Fault::SharingViolation,
         kErrorSharingViolation,
         [](TestMachine& m, int i) { return m.platform.files.WriteWholeFile("C:\\APP\\OLD.TXT", std::to_string(i)); },
         [](TestMachine& m, int i) { return m.Get("C:\\APP\\OLD.TXT") == std::to_string(i); }},
        {"copy, access denied", OperationKind::FileCopy, Fault::AccessDenied, kErrorAccessDenied,
         [&](TestMachine& m, int i) { return m.platform.files.Copy("E:\\SRC.TXT", file(i), false); },
         [&](TestMachine& m, int i) { return m.Get(file(i)) == "source"; }},
        {"copy, disk full", OperationKind::FileCopy, Fault::DiskFull, kErrorDiskFull,
         [&](TestMachine& m, int i) { return m.platform.files.Copy("E:\\SRC.TXT", file(i), false); },
         [&](TestMachine& m, int i) { return m.Get(file(i)) == "source"; }},
        {"folder, disk full", OperationKind::FolderCreate, Fault::DiskFull, kErrorDiskFull,
         [](TestMachine& m, int i) { return m.platform.files.CreateFolder("C:\\D" + std::to_string(i)); },
         [](TestMachine& m, int i) { return m.platform.files.Exists("C:\\D" + std::to_string(i)); }},
        {"removal, sharing violation", OperationKind::FileRemoval, Fault::SharingViolation, kErrorSharingViolation,
         [](TestMachine& m, int i) { return m.platform.files.RemoveFile("C:\\APP\\R" + std::to_string(i) + ".TXT"); },
         [](TestMachine& m, int i) { return !m.platform.files.Exists("C:\\APP\\R" + std::to_string(i) + ".TXT"); }},
        {"shell deletion, access denied", OperationKind::FileRemoval, Fault::AccessDenied, kErrorAccessDenied,
         [](TestMachine& m, int i) { return m.platform.files.ShellDelete("C:\\APP\\R" + std::to_string(i) + ".TXT"); },
         [](TestMachine& m, int i) { return !m.platform.files.Exists("C:\\APP\\R" + std::to_string(i) + ".TXT"); }},
        {"key creation, denied", OperationKind::RegistryCreate, Fault::AccessDenied, kErrorAccessDenied,
         [&](TestMachine& m, int i) { return m.platform.registry.CreateKey(RootKey::CurrentUser, key(i)); },
         [&](TestMachine& m, int i) { return m.platform.registry.OpenKey(RootKey::CurrentUser, key(i)) == 0; }},
        {"value write, denied", OperationKind::RegistryWrite, Fault::AccessDenied, kErrorAccessDenied,
         [](TestMachine& m, int i) {
             return m.platform.registry.WriteValue(RootKey::CurrentUser, "Software\\T", "W" + std::to_string(i),
                                                   RegValue::DoubleWord(1));
         },
         [](TestMachine& m, int i) {
             RegValue v;
             return m.platform.registry.ReadValue(RootKey::CurrentUser, "Software\\T", "W" + std::to_string(i), v) == 0;
         }},
        {"value deletion, denied", OperationKind::RegistryDelete, Fault::AccessDenied, kErrorAccessDenied,
         [](TestMachine& m, int i) {
             if (i == 1) return m.platform.registry.DeleteValue(RootKey::CurrentUser, "Software\\T", "V");
             return m.platform.registry.DeleteKeyTree(RootKey::CurrentUser, i == 2 ? "Software\\T" : "Software");
         },
         [](TestMachine& m, int i) {
             return i == 3 ? m.platform.registry.OpenKey(RootKey::CurrentUser, "Software") != 0 : i == 1;
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FaultMachine fresh;
        fresh.vm.machine.FailAt(row.kind, 2, row.fault);
        for (int i = 1; i <= 3; ++i) {
            SCOPED_TRACE(i);
            const ErrorCode code = row.call(fresh.vm, i);
            EXPECT_EQ(code, i == 2 ? row.expected : kErrorSuccess);
            // The failed call leaves nothing behind; the others do their work.
            EXPECT_EQ(row.done(fresh.vm, i), i != 2);
        }
        EXPECT_EQ(fresh.vm.machine.OperationCount(row.kind), 3);
    }
}

TEST_F(FaultsTest, ALinkSaveAndARegistrationCallFailAtTheirTurn)
{
    vm.machine.FailAt(OperationKind::LinkSave, 2, Fault::LinkClassMissing);
    vm.machine.FailAt(OperationKind::ComponentCall, 1, Fault::RegistrationFails);
    for (int i = 1; i <= 3; ++i) {
        const std::string path = "C:\\APP\\L" + std::to_string(i) + ".LNK";
        const LinkSave saved = vm.platform.links.SaveLink(path, {"C:\\APP\\A.EXE", "C:\\APP\\", ""});
        EXPECT_EQ(saved.outcome, i == 2 ? LinkSave::Outcome::ClassMissing : LinkSave::Outcome::Saved) << i;
        EXPECT_EQ(vm.platform.files.Exists(path), i != 2) << i;
    }
    EXPECT_EQ(vm.machine.OperationCount(OperationKind::LinkSave), 3);
    // A link's file is a file write of its own.
    EXPECT_EQ(vm.machine.OperationCount(OperationKind::FileWrite), 2);
    const auto library = vm.platform.components.Load("C:\\APP\\LIB.DLL");
    ASSERT_NE(library, nullptr);
    EXPECT_NE(library->Call("DllRegisterServer").value_or(0), 0);
    EXPECT_EQ(library->Call("DllRegisterServer"), 0);
    EXPECT_EQ(library->Call("NoSuchEntry"), std::nullopt);
    EXPECT_EQ(vm.machine.OperationCount(OperationKind::ComponentCall), 2);
}

TEST_F(FaultsTest, AMediumTakenOutHoldsNothingUntilItIsBack)
{
    vm.machine.FailAt(OperationKind::MediumRead, 2, Fault::MediumRemoved);
    EXPECT_TRUE(vm.platform.files.FileExists("E:\\SRC.TXT"));
    std::string bytes;
    EXPECT_EQ(vm.platform.files.ReadWholeFile("E:\\SRC.TXT", bytes), kErrorPathNotFound);
    EXPECT_EQ(vm.platform.files.Copy("E:\\SRC.TXT", "C:\\APP\\COPY.TXT", false), kErrorPathNotFound);
    std::vector<FindEntry> entries;
    EXPECT_EQ(vm.platform.files.FindEntries("E:\\*.*", entries), kErrorPathNotFound);
    EXPECT_FALSE(vm.platform.files.Exists("C:\\APP\\COPY.TXT"));
    // The fixed drive is no medium: its calls are not counted.
    EXPECT_TRUE(vm.platform.files.FileExists("C:\\APP\\OLD.TXT"));
    EXPECT_EQ(vm.machine.OperationCount(OperationKind::MediumRead), 4);
    vm.machine.ResetOperations();
    EXPECT_EQ(vm.platform.files.ReadWholeFile("E:\\SRC.TXT", bytes), kErrorSuccess);
    EXPECT_EQ(bytes, "source");
}

TEST_F(FaultsTest, AFaultThatCannotHappenToAKindIsRefused)
{
    const std::pair<OperationKind, Fault> rows[] = {
        {OperationKind::RegistryWrite, Fault::DiskFull},
        {OperationKind::FileRemoval, Fault::DiskFull},
        {OperationKind::LinkSave, Fault::AccessDenied},
        {OperationKind::FileCopy, Fault::MediumRemoved},
        {OperationKind::MediumRead, Fault::AccessDenied},
        {OperationKind::ComponentCall, Fault::LinkClassMissing},
        {OperationKind::RegistryCreate, Fault::SharingViolation},
    };
    for (const auto& [kind, fault] : rows) {
        SCOPED_TRACE(static_cast<int>(kind));
        EXPECT_THROW(vm.machine.FailAt(kind, 1, fault), std::invalid_argument);
    }
    EXPECT_THROW(vm.machine.FailAt(OperationKind::FileCopy, 0, Fault::DiskFull), std::invalid_argument);
}

// A file that grows after its size was taken is still read only one byte past the bound.
TEST(GrowingFileTest, AFileThatGrowsAfterItsSizeWasTakenIsStillBounded)
{
    TestMachine vm;
    const auto host = vm.machine.HostPath("C:\\GROW.BIN");
    vm.Put("C:\\GROW.BIN", std::string(10, 'a'));
    std::string bytes;
    ASSERT_EQ(vm.platform.files.ReadWholeFile("C:\\GROW.BIN", bytes, 16), 0u);
    std::ofstream(host, std::ios::app | std::ios::binary) << std::string(100, 'b');
    EXPECT_EQ(vm.platform.files.ReadWholeFile("C:\\GROW.BIN", bytes, 16), kErrorFileTooLarge);
}

}  // namespace
}  // namespace lorvel::testing
