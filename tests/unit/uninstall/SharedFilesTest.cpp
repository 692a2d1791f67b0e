#include "run/SharedFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "../VirtualMachineFixture.h"
#include "run/FileOps.h"
#include "util/ShiftJisText.h"

namespace lorvel {
namespace {

using namespace platform;

struct SharedFilesTest : ::testing::Test {
    testing::TestMachine vm;
    std::vector<std::string> warnings;
    SharedFiles install{vm.platform, true, [this](const std::string& text, const std::string& caption) {
                            warnings.push_back(caption + ": " + text);
                        }};
    SharedFiles uninstall{vm.platform, false, [this](const std::string& text, const std::string& caption) {
                              warnings.push_back(caption + ": " + text);
                          }};
};

TEST_F(SharedFilesTest, CountsGoUpAndDownAsTheTableSays)
{
    vm.Put("C:\\APP\\THERE.DLL", "MZ");
    struct Row {
        std::string path;
        bool increment;
        std::int32_t expected;
        std::int32_t stored;
    };
    const Row rows[] = {
        {"C:\\APP\\NEW.DLL", true, 1, 1},  {"C:\\APP\\NEW.DLL", true, 2, 2},  {"C:\\APP\\THERE.DLL", true, 2, 2},
        {"C:\\APP\\NEW.DLL", false, 1, 1}, {"C:\\APP\\NEW.DLL", false, 0, 0}, {"C:\\APP\\NONE.DLL", false, -1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path + (row.increment ? " +" : " -"));
        EXPECT_EQ(install.ChangeSharedCount(row.path, row.increment), row.expected);
        EXPECT_EQ(install.ReadSharedCount(row.path), row.stored);
        EXPECT_EQ(install.ReadSharedCount(UpperCase(row.path) == row.path ? "c" + row.path.substr(1) : row.path),
                  row.stored)
            << "paths compare without case";
        EXPECT_EQ(SharedFiles(vm.platform, true, nullptr).ReadSharedCount(row.path), row.stored)
            << "what the object remembers is what the registry holds";
    }
    RegValue value;
    EXPECT_NE(vm.platform.registry.ReadValue(RootKey::LocalMachine, kSharedDllsKey, "C:\\APP\\NEW.DLL", value), 0u)
        << "a count that reaches 0 is deleted";
}

TEST_F(SharedFilesTest, AValueOfTheWrongTypeCountsAsNone)
{
    vm.platform.registry.CreateKey(RootKey::LocalMachine, kSharedDllsKey);
    vm.platform.registry.WriteValue(RootKey::LocalMachine, kSharedDllsKey, "C:\\X.DLL", RegValue::String("5"));
    EXPECT_EQ(install.ReadSharedCount("C:\\X.DLL"), 0);
    EXPECT_EQ(install.ChangeSharedCount("C:\\X.DLL", true), 1);
    RegValue value;
    ASSERT_EQ(vm.platform.registry.ReadValue(RootKey::LocalMachine, kSharedDllsKey, "C:\\X.DLL", value), 0u);
    EXPECT_EQ(value.type, ValueType::DoubleWord);
}

TEST(SharedCountRestoreTest, AnEntryPutBackIsWhatTheTableHeldAndARefusalRaises)
{
    using platform::virt::Fault;
    using platform::virt::OperationKind;
    struct Row {
        const char* name;
        std::optional<RegValue> previous;
        std::optional<OperationKind> refused;
        std::string error;  // what the refusal raises, after the table's name
    };
    const Row rows[] = {
        {"a count", RegValue::DoubleWord(3), std::nullopt, ""},
        {"no entry", std::nullopt, std::nullopt, ""},
        {"a write refused", RegValue::DoubleWord(3), OperationKind::RegistryWrite,
         "への書き込みに失敗しました(エラー 5)"},
        {"a deletion refused", std::nullopt, OperationKind::RegistryDelete, "からの削除に失敗しました(エラー 5)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        testing::TestMachine vm;
        SharedFiles shared(vm.platform, true, nullptr);
        vm.Put("C:\\APP\\S.DLL", "MZ");
        EXPECT_EQ(shared.ChangeSharedCount("C:\\APP\\S.DLL", true), 2);
        vm.machine.ResetOperations();
        if (row.refused) vm.machine.FailAt(*row.refused, 1, Fault::AccessDenied);
        std::string error;
        try {
            shared.RestoreSharedCount("C:\\APP\\S.DLL", row.previous);
        } catch (const std::runtime_error& raised) {
            error = raised.what();
        }
        const std::string table = "共有ファイルのレジストリ(HKEY_LOCAL_MACHINE\\" + std::string(kSharedDllsKey) + ")";
        EXPECT_EQ(error, row.error.empty() ? "" : table + row.error);
        const std::int32_t expected = row.refused ? 2 : row.previous ? 3 : 0;
        EXPECT_EQ(shared.ReadSharedCount("C:\\APP\\S.DLL"), expected);
        EXPECT_EQ(SharedFiles(vm.platform, true, nullptr).ReadSharedCount("C:\\APP\\S.DLL"), expected)
            << "what the object remembers is what the registry holds";
    }
}

TEST_F(SharedFilesTest, RegistrationWarnsInTheInstallOnly)
{
    vm.Put("C:\\OK.DLL", "MZDllRegisterServer=0\nDllUnregisterServer=0\n");
    vm.Put("C:\\FAILS.DLL", "MZDllRegisterServer=1\n");
    vm.Put("C:\\NOENTRY.DLL", "MZ");
    install.RegisterComponent("C:\\OK.DLL", true);
    install.RegisterComponent("C:\\FAILS.DLL", true);
    install.RegisterComponent("C:\\NOENTRY.DLL", true);
    install.RegisterComponent("C:\\MISSING.DLL", true);
    install.RegisterComponent("C:\\NOENTRY.DLL", false);  // no unregister entry: no error
    EXPECT_EQ(warnings,
              (std::vector<std::string>{
                  "OCX/DLL登録エラー(Procedure): C:\\FAILS.DLLのDllRegisterServer関数が失敗しました．",
                  "OCX/DLL登録エラー(GetProcAddress): C:\\NOENTRY.DLLのDllRegisterServerエントリが見つかりません．",
                  "OCX/DLL登録エラー(LoadLibrary): C:\\MISSING.DLLの読み込みに失敗しました．"}));
    warnings.clear();
    uninstall.RegisterComponent("C:\\MISSING.DLL", false);
    uninstall.RegisterComponent("D:\\APP\\X.DLLDATA\\README.TXT", false);
    EXPECT_TRUE(warnings.empty()) << "the uninstall run is silent";
}

TEST_F(SharedFilesTest, DeleteFilesUnregistersAComponentFirst)
{
    vm.Put("C:\\APP\\OK.OCX", "MZDllRegisterServer=0\nDllUnregisterServer=0\n");
    vm.Put("C:\\APP\\X.DLLDATA\\README.TXT", "text");
    FileOps ops(vm.platform);
    ops.SetComponentUnregistrar([this](const std::string& path) { uninstall.RegisterComponent(path, false); });
    EXPECT_EQ(ops.DeleteFiles("C:\\APP\\OK.OCX"), 0u);
    EXPECT_EQ(ops.DeleteFiles("C:\\APP\\X.DLLDATA\\README.TXT"), 0u);
    const auto& journal = vm.machine.Journal();
    const auto call = std::find(journal.begin(), journal.end(), "call C:\\APP\\OK.OCX DllUnregisterServer");
    EXPECT_NE(call, journal.end());
    EXPECT_FALSE(vm.platform.files.Exists("C:\\APP\\OK.OCX"));
    EXPECT_TRUE(warnings.empty());
}

}  // namespace
}  // namespace lorvel
