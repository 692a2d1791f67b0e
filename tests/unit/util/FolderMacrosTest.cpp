#include <gtest/gtest.h>

#include "../VirtualMachineFixture.h"
#include "run/RegistryKeys.h"
#include "util/FolderMacros.h"
#include "util/RegistryTokens.h"

namespace lorvel {
namespace {

FolderTable SampleTable()
{
    FolderTable table;
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = std::string("F") + std::to_string(i) + "\\";
    table[0] = "D:\\APP\\";
    table[2] = "X:\\WINDOWS\\";
    table[6] = "";  // (Set) before the setup folder is fixed
    return table;
}

TEST(FolderMacrosTest, ExpandsEveryMacroWithOneDelimiterDropped)
{
    const FolderTable table = SampleTable();
    struct Row {
        std::string text, expected;
    };
    const Row rows[] = {
        {"x(app)y", "xD:\\APP\\y"},
        {"(App)\\DATA", "D:\\APP\\DATA"},
        {"(App)\\\\DATA", "D:\\APP\\\\DATA"},
        {"(App)(App)", "D:\\APP\\D:\\APP\\"},
        {"no macro", "no macro"},
        {"(Foo)", "(Foo)"},
        {"(Win)SYSTEM.INI", "X:\\WINDOWS\\SYSTEM.INI"},
        {"(Set)", ""},
        {"(C_Sup)\\x", "F16\\x"},
        {"", ""},
        {"(App", "(App"},
        {"\x95\x5C(sys)", "\x95\x5C"
                          "F3\\"},  // after a double-byte character, any case
        {"(Tmp)(Win)(App)", "F4\\X:\\WINDOWS\\D:\\APP\\"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(ExpandFolderMacros(row.text, table), row.expected);
    }
}

TEST(FolderMacrosTest, AValueHoldingItsOwnMacroEnds)
{
    FolderTable table = SampleTable();
    table[0] = "(App)";  // the setup folder before the install run chooses it
    EXPECT_EQ(ExpandFolderMacros("(App)\\x", table), "(App)\\x");
    table[0] = "C:\\My (app) Tools\\";
    EXPECT_EQ(ExpandFolderMacros("(App)A", table), "C:\\My (app) Tools\\A");
    // A later macro in a value is still expanded by its own step.
    table[0] = "(Win)APP\\";
    EXPECT_EQ(ExpandFolderMacros("(App)X", table), "X:\\WINDOWS\\APP\\X");
    EXPECT_EQ(ReplaceMacro("a(Pdd)b(PDD)", "(Pdd)", ""), "ab");
}

TEST(FolderMacrosTest, TheTrailByteOfAKanjiIsNoDelimiter)
{
    FolderTable table = SampleTable();
    table[0] = "D:\\\x95\x5C";  // ends in a double-byte character, not in "\"
    EXPECT_EQ(ExpandFolderMacros("(App)\\X", table), "D:\\\x95\x5C\\X");
}

TEST(FolderMacrosTest, StartsWithMacroIgnoresCaseButNotCharacters)
{
    struct Row {
        std::string text, macro;
        bool expected;
    };
    const Row rows[] = {
        {"(App)APP.EX_", "(App)", true}, {"(aPP)x", "(App)", true},     {"(App", "(App)", false},
        {"x(App)", "(App)", false},      {"(Dch)A.TXT", "(Dch)", true}, {"", "(App)", false},
        {"\x82\x60pp)", "(App)", false},  // a full-width letter is no "("
        {"(C_smn)", "(C_Smn)", true},    {"(C-Smn)", "(C_Smn)", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(StartsWithMacro(row.text, row.macro), row.expected);
    }
}

TEST(RegistryTokensTest, SplitsByEachRule)
{
    struct Row {
        std::string text;
        RegistryKeyText script, record;
    };
    const Row rows[] = {
        {"(Local)Software\\Foo", {"(Local)", "Software\\Foo"}, {"(Local)", "Software\\Foo"}},
        {"Software\\Foo", {"(Cuser)", "Software\\Foo"}, {"(Cuser)", "Software\\Foo"}},
        {"(class)Foo", {"(class)", "Foo"}, {"(class)", "Foo"}},
        {"(HKLM)\\Software", {"(HKLM)\\", "Software"}, {"(Cuser)", "(HKLM)\\Software"}},
        {"Abcdef)x", {"Abcdef)", "x"}, {"(Cuser)", "Abcdef)x"}},
        {"", {"(Cuser)", ""}, {"(Cuser)", ""}},
        {"(Loc", {"(Loc", ""}, {"(Cuser)", "(Loc"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const auto script = SplitKeyByScriptRule(row.text);
        const auto record = SplitKeyByRecordRule(row.text);
        EXPECT_EQ(script.token, row.script.token);
        EXPECT_EQ(script.path, row.script.path);
        EXPECT_EQ(record.token, row.record.token);
        EXPECT_EQ(record.path, row.record.path);
    }
    EXPECT_EQ(RootKeyFromToken("(Class)"), platform::RootKey::ClassesRoot);
    EXPECT_EQ(RootKeyFromToken("(Local)"), platform::RootKey::LocalMachine);
    EXPECT_EQ(RootKeyFromToken("(Users)"), platform::RootKey::Users);
    EXPECT_EQ(RootKeyFromToken("(Cuser)"), platform::RootKey::CurrentUser);
    EXPECT_EQ(RootKeyFromToken("(class)"), platform::RootKey::CurrentUser);
}

TEST(RegistryTokensTest, DeleteRegistryKeyRemovesTheTreeAndGivesWhyItCouldNot)
{
    testing::TestMachine vm;
    auto& reg = vm.platform.registry;
    reg.CreateKey(platform::RootKey::LocalMachine, "Software\\Vendor\\App\\Sub");
    EXPECT_EQ(DeleteRegistryKey(reg, "(Local)", "Software\\Vendor\\App"), 0u);
    EXPECT_NE(reg.OpenKey(platform::RootKey::LocalMachine, "Software\\Vendor\\App"), 0u);
    EXPECT_EQ(reg.OpenKey(platform::RootKey::LocalMachine, "Software\\Vendor"), 0u);
    EXPECT_EQ(DeleteRegistryKey(reg, "(Local)", "Software\\Missing"), 0u);
    EXPECT_EQ(DeleteRegistryKey(reg, "(Local)", ""), 0u);
    EXPECT_EQ(reg.OpenKey(platform::RootKey::LocalMachine, "Software"), 0u) << "an empty path deletes nothing";
    reg.CreateKey(platform::RootKey::CurrentUser, "Software\\Locked");
    vm.machine.DenyRegistryWrites(platform::RootKey::CurrentUser, "Software\\Locked");
    EXPECT_EQ(DeleteRegistryKey(reg, "(Cuser)", "Software\\Locked"), platform::kErrorAccessDenied);
}

}  // namespace
}  // namespace lorvel
