#include <gtest/gtest.h>

#include <functional>

#include "../VirtualMachineFixture.h"
#include "run/ProfileStore.h"
#include "util/ProfileDocument.h"

namespace lorvel {
namespace {

TEST(ProfileDocumentTest, ReadsAsTheWindowsProfileRules)
{
    const std::string file = "top=before any section\r\n"
                             "[Main]\r\n"
                             "  Key = spaced value  \r\n"
                             "quoted=\"  in quotes  \"\r\n"
                             "single='x'\r\n"
                             "unmatched=\"x'\r\n"
                             "; semicolon=is no comment\r\n"
                             "novalue\r\n"
                             "empty=\r\n"
                             "dup=first\r\n"
                             "DUP=second\r\n"
                             "eq=a=b\r\n"
                             "[ Spaced ]\n"
                             "lf=only\n"
                             "[Broken\r\n"
                             "k=v\r\n"
                             "[main]\r\n"
                             "late=in a duplicate section\r\n"
                             "[\x95\x5C]\r\n"
                             "\x95\x5C=hyo\r\n"
                             "[Cr]\ra=1\rb=2\r\n"
                             "[\x82\x81]\r\nx=1\r\n"
                             "[Last]\r\n"
                             "nofinal=end";
    const ProfileDocument document = ProfileDocument::Parse(file);
    struct Row {
        std::string section, key;
        std::optional<std::string> expected;
    };
    const Row rows[] = {
        {"", "top", "before any section"},
        {"Main", "Key", "spaced value"},
        {"MAIN", "key", "spaced value"},
        {"Main", "quoted", "  in quotes  "},
        {"Main", "single", "x"},
        {"Main", "unmatched", "\"x'"},
        {"Main", "; semicolon", "is no comment"},
        {"Main", "novalue", std::nullopt},
        {"Main", "empty", ""},
        {"Main", "dup", "first"},
        {"Main", "eq", "a=b"},
        {"Main", "late", std::nullopt},
        {"Spaced", "lf", "only"},
        {"Spaced", "k", "v"},  // "[Broken" is no header: its line and k=v stay in [Spaced]
        {"Spaced", "[Broken", std::nullopt},
        {"\x95\x5C", "\x95\x5C", "hyo"},
        {"Cr", "a", "1"},
        {"Cr", "b", "2"},
        {"\x82\x60", "x", std::nullopt},  // full-width letters keep their case
        {"Last", "nofinal", "end"},
        {"Missing", "x", std::nullopt},
        {"Main", "missing", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.section + "/" + row.key);
        EXPECT_EQ(document.Read(row.section, row.key), row.expected);
    }
}

TEST(ProfileDocumentTest, AnExplicitEmptySectionIsReadBeforeTheLinesAboveTheFirstSection)
{
    struct Row {
        const char* file;
        std::optional<std::string> expected;
    };
    const Row rows[] = {
        {"k=top\r\n[S]\r\nx=1\r\n", "top"},           {"k=top\r\n[]\r\nk=explicit\r\n", "explicit"},
        {"k=top\r\n[]\r\nother=1\r\n", std::nullopt}, {"[]\r\nk=first\r\n[]\r\nk=second\r\n", "first"},
        {"[ ]\r\nk=blank name\r\n", "blank name"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        ProfileDocument document = ProfileDocument::Parse(row.file);
        EXPECT_EQ(document.Read("", "k"), row.expected);
    }
    ProfileDocument document = ProfileDocument::Parse("k=top\r\n[]\r\nk=explicit\r\n");
    document.Write("", "k", "new");
    EXPECT_EQ(document.Serialize(), "k=top\r\n[]\r\nk=new\r\n") << "a write goes where the read looks";
}

TEST(ProfileDocumentTest, WritesChangeOnlyTheirLine)
{
    struct Row {
        std::string before, section, key, value, after;
    };
    const Row rows[] = {
        {"", "S", "k", "v", "[S]\r\nk=v\r\n"},
        {"[S]\r\nk=old\r\nz=1\r\n", "s", "K", "new", "[S]\r\nk=new\r\nz=1\r\n"},
        {"[S]\r\na=1\r\n\r\n[T]\r\n", "S", "b", "2", "[S]\r\na=1\r\nb=2\r\n\r\n[T]\r\n"},
        {"[S]\na=1", "S", "b", "2", "[S]\na=1\r\nb=2\r\n"},
        {"[S]\r\na=1", "T", "b", "", "[S]\r\na=1\r\n[T]\r\nb=\r\n"},
        {"[S]\r\nnoeq\r\n", "S", "NOEQ", "set", "[S]\r\nnoeq=set\r\n"},
        {"; keep me\r\n[S]\r\n  a = 1 ; not a comment\r\n", "S", "a", "2", "; keep me\r\n[S]\r\na=2\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.before);
        ProfileDocument document = ProfileDocument::Parse(row.before);
        document.Write(row.section, row.key, row.value);
        EXPECT_EQ(document.Serialize(), row.after);
        EXPECT_EQ(document.Read(row.section, row.key), row.value);
    }
}

TEST(ProfileDocumentTest, RemovingASectionTakesItsHeaderAndLinesOnly)
{
    struct Row {
        std::string before, section;
        bool removed;
        std::string after;
    };
    const Row rows[] = {
        {"[A]\r\na=1\r\n[B]\r\nb=2\r\n[C]\r\nc=3\r\n", "b", true, "[A]\r\na=1\r\n[C]\r\nc=3\r\n"},
        {"[A]\r\na=1\r\n[B]\r\nb=2\r\n", " B ", true, "[A]\r\na=1\r\n"},
        {"[A]\r\na=1\r\n", "A", true, ""},
        {"[A]\r\na=1\r\n", "Z", false, "[A]\r\na=1\r\n"},
        {"", "A", false, ""},
        // The first of two sections of a name goes; the second is then the one read.
        {"[A]\r\na=1\r\n[B]\r\n[a]\r\na=2\r\n", "A", true, "[B]\r\n[a]\r\na=2\r\n"},
        {"top=1\r\n[A]\r\na=1\r\n", "A", true, "top=1\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.before + " / " + row.section);
        ProfileDocument document = ProfileDocument::Parse(row.before);
        EXPECT_EQ(document.RemoveSection(row.section), row.removed);
        EXPECT_EQ(document.Serialize(), row.after);
        EXPECT_EQ(document.Read(row.section, "b"), std::nullopt);
    }
}

TEST(ProfileDocumentTest, KeysAddedToAnEarlierSectionKeepLaterOnesReadable)
{
    ProfileDocument document = ProfileDocument::Parse("[A]\r\na1=1\r\n[B]\r\nb1=1\r\n[C]\r\nc1=1\r\n");
    for (int i = 2; i <= 50; ++i) document.Write("A", "a" + std::to_string(i), std::to_string(i));
    document.Write("B", "b2", "2");
    EXPECT_EQ(document.Read("A", "a50"), "50");
    EXPECT_EQ(document.Read("B", "b1"), "1");
    EXPECT_EQ(document.Read("B", "b2"), "2");
    EXPECT_EQ(document.Read("C", "c1"), "1");
    const ProfileDocument reparsed = ProfileDocument::Parse(document.Serialize());
    EXPECT_EQ(reparsed.Read("A", "a50"), "50");
    EXPECT_EQ(reparsed.Read("B", "b2"), "2");
    EXPECT_EQ(reparsed.Read("C", "c1"), "1");
}

TEST(ProfileDocumentTest, BadInputReadsWithoutHarm)
{
    static const char kBinary[] = "[S]\r\nk=\x81\r\nn=a\0b\r\n\xFF\xFE=\x01\r\n[\r\n]=x";
    const std::string binary(kBinary, sizeof kBinary - 1);
    const ProfileDocument document = ProfileDocument::Parse(binary);
    EXPECT_EQ(document.Read("S", "k"), "\x81");
    EXPECT_EQ(document.Read("S", "n"), std::string("a\0b", 3));
    EXPECT_EQ(document.Read("S", "]"), "x");
    const std::string huge(10 << 20, 'v');
    EXPECT_EQ(ProfileDocument::Parse("[S]\r\nbig=" + huge + "\r\n").Read("S", "big")->size(), huge.size());
}

struct ProfileStoreTest : ::testing::Test {
    testing::TestMachine vm;
    ProfileStore store{vm.platform.files, "C:\\WINDOWS"};
};

TEST_F(ProfileStoreTest, MissingFilesAndKeysGiveTheDefault)
{
    EXPECT_EQ(store.ReadProfile("S", "k", "dflt", "C:\\NONE.INI"), "dflt");
    vm.Put("C:\\A.INI", "[S]\r\nempty=\r\n");
    EXPECT_EQ(store.ReadProfile("S", "missing", "", "C:\\A.INI"), "");
    EXPECT_EQ(store.ReadProfile("S", "empty", "dflt", "C:\\A.INI"), "");
    const std::pair<const char*, const char*> defaults[] = {
        {"default  ", "default"}, {"  lead", "  lead"}, {"   ", ""}, {"tab\t", "tab\t"}, {"", ""}};
    for (const auto& [given, returned] : defaults) EXPECT_EQ(store.ReadProfile("S", "x", given, "C:\\A.INI"), returned);
}

TEST_F(ProfileStoreTest, ASteadyFileIsCheckedOnceThenReadFromTheCache)
{
    vm.Put("C:\\S.INI", "[S]\r\nk=1\r\n");
    EXPECT_EQ(store.ReadProfile("S", "k", "", "C:\\S.INI"), "1");
    ASSERT_EQ(vm.platform.files.WriteWholeFile("C:\\S.INI", "[S]\r\nk=2\r\n"), 0u);
    {
        ProfileStore::Steady steady(store, "C:\\S.INI");
        EXPECT_EQ(store.ReadProfile("S", "k", "", "C:\\S.INI"), "2") << "a change before the steady time is seen";
        ASSERT_EQ(vm.platform.files.WriteWholeFile("C:\\S.INI", "[S]\r\nk=3\r\n"), 0u);
        EXPECT_EQ(store.ReadProfile("S", "k", "", "C:\\S.INI"), "2") << "the disk is not asked again";
        EXPECT_TRUE(store.WriteProfile("S", "own", "x", "C:\\S.INI"));
        EXPECT_EQ(store.ReadProfile("S", "own", "", "C:\\S.INI"), "x") << "the store's own writes are seen";
    }
    ASSERT_EQ(vm.platform.files.WriteWholeFile("C:\\S.INI", "[S]\r\nk=4\r\n"), 0u);
    EXPECT_EQ(store.ReadProfile("S", "k", "", "C:\\S.INI"), "4") << "after it, every read asks again";
}

TEST_F(ProfileStoreTest, AFileThatCannotBeReadIsNeverWritten)
{
    const std::string small = "[Other]\r\nmine=1\r\n[S]\r\nk=old\r\n";
    // Too large to hold: what the program could read of it would lose the rest.
    const std::string huge = small + ";" + std::string(17u << 20, 'x') + "\r\n";
    const std::pair<std::string, std::function<void(const std::string&)>> faults[] = {
        {small, [&](const std::string& path) { vm.machine.LockFile(path); }},
        {small, [&](const std::string& path) { vm.machine.DenyReads(path); }},
        {huge, [](const std::string&) {}},
    };
    int n = 0;
    for (const auto& [kept, fault] : faults) {
        const std::string path = "C:\\SHARED" + std::to_string(++n) + ".INI";
        SCOPED_TRACE(path);
        vm.Put(path, kept);
        fault(path);
        EXPECT_EQ(store.ReadProfile("S", "k", "dflt", path), "dflt");
        EXPECT_FALSE(store.WriteProfile("S", "new", "v", path));
        EXPECT_NE(store.LastWriteError(), 0u);
        EXPECT_FALSE(store.RemoveSection("Other", path));
        {
            ProfileStore::Batch batch(store);
            EXPECT_FALSE(store.WriteProfile("S", "batched", "v", path));
        }
        EXPECT_EQ(vm.Get(path), kept);
    }
}

TEST_F(ProfileStoreTest, AFileReadableAgainIsWrittenWithAllItHeld)
{
    vm.Put("C:\\SHARED.INI", "[Other]\r\nmine=1\r\n");
    vm.machine.LockFile("C:\\SHARED.INI");
    EXPECT_FALSE(store.WriteProfile("S", "k", "v", "C:\\SHARED.INI"));
    vm.machine.UnlockFile("C:\\SHARED.INI");
    EXPECT_TRUE(store.WriteProfile("S", "k", "v", "C:\\SHARED.INI"));
    EXPECT_EQ(vm.Get("C:\\SHARED.INI"), "[Other]\r\nmine=1\r\n[S]\r\nk=v\r\n");
}

TEST_F(ProfileStoreTest, AChangeOnDiskIsSeen)
{
    vm.Put("C:\\A.INI", "[S]\r\nk=1\r\n");
    EXPECT_EQ(store.ReadProfile("S", "k", "", "C:\\A.INI"), "1");
    ASSERT_EQ(vm.platform.files.WriteWholeFile("C:\\A.INI", "[S]\r\nk=2\r\n"), 0u);
    EXPECT_EQ(store.ReadProfile("S", "k", "", "C:\\A.INI"), "2");
    ASSERT_EQ(vm.platform.files.RemoveFile("C:\\A.INI"), 0u);
    EXPECT_EQ(store.ReadProfile("S", "k", "gone", "C:\\A.INI"), "gone");
}

TEST_F(ProfileStoreTest, WritesReachTheDiskAtOnceOrAtTheEndOfABatch)
{
    EXPECT_TRUE(store.WriteProfile("S", "k", "v", "C:\\NEW.INI"));
    EXPECT_EQ(vm.Get("C:\\NEW.INI"), "[S]\r\nk=v\r\n");
    {
        ProfileStore::Batch batch(store);
        for (int i = 1; i <= 3; ++i) store.WriteProfile("F", "File" + std::to_string(i), "x", "C:\\NEW.INI");
        EXPECT_EQ(vm.Get("C:\\NEW.INI"), "[S]\r\nk=v\r\n");
        EXPECT_EQ(store.ReadProfile("F", "File3", "", "C:\\NEW.INI"), "x");
    }
    EXPECT_EQ(vm.Get("C:\\NEW.INI"), "[S]\r\nk=v\r\n[F]\r\nFile1=x\r\nFile2=x\r\nFile3=x\r\n");
    EXPECT_TRUE(store.WriteProfile("S", "k", "w", "new.ini")) << "a bare name is in the Windows folder";
    EXPECT_EQ(vm.Get("C:\\WINDOWS\\new.ini"), "[S]\r\nk=w\r\n");
}

TEST_F(ProfileStoreTest, AFailedWriteKeepsTheOldFile)
{
    vm.Put("C:\\RO\\A.INI", "[S]\r\nk=old\r\n");
    vm.platform.files.SetAttributes("C:\\RO\\A.INI", platform::attr::kReadOnly);
    EXPECT_FALSE(store.WriteProfile("S", "k", "new", "C:\\RO\\A.INI"));
    EXPECT_EQ(vm.Get("C:\\RO\\A.INI"), "[S]\r\nk=old\r\n");
    EXPECT_EQ(store.ReadProfile("S", "k", "", "C:\\RO\\A.INI"), "old") << "the cache follows the disk";
    vm.machine.SetDisk('C', {1000, 0});
    vm.platform.files.SetAttributes("C:\\RO\\A.INI", platform::attr::kArchive);
    EXPECT_FALSE(store.WriteProfile("S", "k", "a much longer value than before", "C:\\RO\\A.INI"));
    EXPECT_EQ(vm.Get("C:\\RO\\A.INI"), "[S]\r\nk=old\r\n");
    EXPECT_FALSE(store.WriteProfile("S", "k", "v", "C:\\MISSING\\A.INI"));
}

}  // namespace
}  // namespace lorvel
