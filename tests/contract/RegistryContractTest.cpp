#include "ContractFixture.h"

#include <algorithm>
#include <iterator>

namespace lorvel::contract {
namespace {

using namespace platform;

struct RegistryContract : ContractTest {
    Registry& reg = sys.registry;
    const std::string key = env->ScratchKey();
    static constexpr RootKey kUser = RootKey::CurrentUser;
};

TEST_F(RegistryContract, KeyTreesAreCreatedOpenedAndDeletedWhole)
{
    EXPECT_EQ(reg.OpenKey(kUser, key), kErrorFileNotFound);
    ASSERT_EQ(reg.CreateKey(kUser, key + "\\A\\B\\C"), 0u);
    EXPECT_EQ(reg.CreateKey(kUser, key + "\\A"), 0u) << "an existing key";
    EXPECT_EQ(reg.OpenKey(kUser, key + "\\a\\b"), 0u) << "names ignore case";
    ASSERT_EQ(reg.WriteValue(kUser, key + "\\A\\B", "V", RegValue::String("x")), 0u);
    std::vector<std::string> names;
    ASSERT_EQ(reg.EnumSubKeys(kUser, key + "\\A", names), 0u);
    EXPECT_EQ(names, std::vector<std::string>{"B"});
    EXPECT_EQ(reg.DeleteKeyTree(kUser, key + "\\A"), 0u);
    EXPECT_EQ(reg.OpenKey(kUser, key + "\\A"), kErrorFileNotFound);
    EXPECT_EQ(reg.OpenKey(kUser, key), 0u);
    EXPECT_EQ(reg.DeleteKeyTree(kUser, key + "\\A"), kErrorFileNotFound);
}

TEST_F(RegistryContract, ValuesKeepTheirTypeAndData)
{
    ASSERT_EQ(reg.CreateKey(kUser, key), 0u);
    struct Row {
        std::string name;
        RegValue value;
    };
    const Row rows[] = {
        {"Text", RegValue::String("C:\\\x95\x5C\\App")},           {"Empty", RegValue::String("")},
        {"Expand", RegValue::ExpandString("%SystemRoot%\\x")},     {"Number", RegValue::DoubleWord(0x12345678)},
        {"Bytes", RegValue::Binary(std::string("\0\x01\xFF", 3))}, {"", RegValue::String("default value")},
    };
    for (const Row& row : rows) ASSERT_EQ(reg.WriteValue(kUser, key, row.name, row.value), 0u) << row.name;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RegValue read;
        ASSERT_EQ(reg.ReadValue(kUser, key, row.name, read), 0u);
        EXPECT_EQ(read.type, row.value.type);
        EXPECT_EQ(read.data, row.value.data);
    }
    std::vector<std::pair<std::string, RegValue>> listed;
    ASSERT_EQ(reg.EnumValues(kUser, key, listed), 0u);
    ASSERT_EQ(listed.size(), std::size(rows));
    for (const Row& row : rows) {
        SCOPED_TRACE("listed " + row.name);
        const auto found =
            std::find_if(listed.begin(), listed.end(), [&](const auto& v) { return v.first == row.name; });
        ASSERT_NE(found, listed.end());
        EXPECT_EQ(found->second.type, row.value.type);
        EXPECT_EQ(found->second.data, row.value.data);
    }
    EXPECT_EQ(reg.EnumValues(kUser, key + "\\Missing", listed), kErrorFileNotFound);
    RegValue read;
    EXPECT_EQ(reg.ReadValue(kUser, key, "TEXT", read), 0u) << "value names ignore case";
    EXPECT_EQ(reg.ReadValue(kUser, key, "Missing", read), kErrorFileNotFound);
    EXPECT_EQ(reg.DeleteValue(kUser, key, "Text"), 0u);
    EXPECT_EQ(reg.DeleteValue(kUser, key, "Text"), kErrorFileNotFound);
    EXPECT_EQ(reg.WriteValue(kUser, key + "\\Missing", "X", RegValue::String("x")), kErrorFileNotFound);
}

TEST_F(RegistryContract, KeyNamesTheSystemRefuses)
{
    struct Row {
        std::string path;
        ErrorCode expected;
        bool wineAgrees = true;
    };
    const Row rows[] = {
        {key + "\\" + std::string(255, 'k'), kErrorSuccess},
        // Windows documents 255 characters as the limit of a key name; Wine 8 takes longer ones.
        {key + "\\" + std::string(256, 'k'), kErrorInvalidParameter, false},
        {"\\" + key + "\\Leading", kErrorBadPathName},
        {key + "\\Trailing\\", kErrorSuccess},
        {key + "\\a=b;c", kErrorSuccess},
    };
    for (const Row& row : rows) {
        const ErrorCode code = reg.CreateKey(kUser, row.path);
        if (row.wineAgrees || !env->UnderWine()) {
            EXPECT_EQ(code, row.expected) << row.path;
        }
    }
}

TEST_F(RegistryContract, ProgramFilesDirIsThere)
{
    RegValue value;
    ASSERT_EQ(
        reg.ReadValue(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", value),
        0u);
    EXPECT_TRUE(value.IsText());
    EXPECT_TRUE(sys.files.Exists(value.data));
}

}  // namespace
}  // namespace lorvel::contract
