#include "run/UninstallRecord.h"

#include <gtest/gtest.h>

#include "../VirtualMachineFixture.h"
#include "util/ShiftJisSearch.h"

namespace lorvel {
namespace {

struct UninstallRecordTest : ::testing::Test {
    testing::TestMachine vm;
    ProfileStore profiles{vm.platform.files};
    const std::string record = "C:\\APP\\UNSETUP.INI";

    UninstallRecordTest() { vm.platform.files.CreateFolder("C:\\APP"); }

    // The record a list set gives, written to disk so it can be read back the way
    // the uninstaller reads it.
    void Write(const RecordLists& lists, RecordHeader header = {})
    {
        if (header.setupFolder.empty()) header.setupFolder = "C:\\APP\\";
        ASSERT_EQ(profiles.ReplaceFile(record, BuildRecord(header, lists)), 0u);
    }
    std::vector<std::string> Read(record::Key key) { return ReadNumbered(profiles, record, key); }
};

// The key-by-key procedure the record's writers have always followed, over the
// profile store: the linear merge must give exactly its results.
void WriteKeyByKey(ProfileStore& profiles, const std::string& file, const std::string& list, record::Key listKey,
                   bool keepShared)
{
    const std::string section = record::SectionOf(listKey);
    for (std::string item : ListItems(list)) {
        const int n = FindRecordSlot(item, listKey, file, profiles);
        const std::string key = record::NameOf(listKey, n);
        const std::string current = profiles.ReadProfile(section, key, "", file);
        if (keepShared && MBPosText("/S", current) > 0 && MBPosText("/S", item) == 0)
            item += MBPosText(",/", item) > 0 ? "/S" : ",/S";
        profiles.WriteProfile(section, key, item, file);
    }
}

TEST_F(UninstallRecordTest, FindRecordSlotGivesTheKeyOfTheSamePathOrTheFirstFree)
{
    // One section for each case: the same path, others before it, a gap, flags.
    struct Row {
        record::Key section;
        std::string item;
        int expected;
    };
    vm.Put(record, "[DeleteFile]\r\nFile1=c:\\app\\a.dll\r\n"
                   "[DeleteShortCut]\r\nFile1=C:\\APP\\B.DLL\r\nFile2=C:\\APP\\C.DLL,/S\r\n"
                   "[AddDeleteFile]\r\nFile1=C:\\APP\\B.DLL\r\nFile3=C:\\APP\\A.DLL\r\n"
                   "[DeleteFolder]\r\nFolder1=C:\\APP\\X.DLL\r\nFolder2=C:\\APP\\A.DLL,/R\r\n");
    const Row rows[] = {
        {record::Key::DeleteFile, "C:\\APP\\A.DLL,/S", 1},
        {record::Key::DeleteRegistry, "C:\\APP\\A.DLL,/S", 1},  // an empty section
        {record::Key::DeleteShortCut, "C:\\APP\\A.DLL,/S", 3},
        {record::Key::DeleteShortCut, "C:\\APP\\C.DLL", 2},
        {record::Key::AddDeleteFile, "C:\\APP\\A.DLL", 2},  // key 3 lies behind the gap
        {record::Key::DeleteFolder, "c:\\app\\a.dll", 2},   // compared by path, not by flags
        {record::Key::DeleteFolder, "C:\\APP\\A.DL", 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(record::SectionOf(row.section)) + " " + row.item);
        EXPECT_EQ(FindRecordSlot(row.item, row.section, record, profiles), row.expected);
    }
}

TEST_F(UninstallRecordTest, TheFlagsFieldIsTheCommaAndAtMostFourCharacters)
{
    struct Row {
        std::string value;
        std::string field;
        bool shared;
    };
    const Row rows[] = {
        {"D:\\APP\\A.DLL,/S/C", ",/S/C", true}, {"D:\\APP\\B.DLL,/R/W/S", ",/R/W", false},
        {"D:\\APP\\C.DLL", "", false},          {"D:\\APP\\D.DLL,/s", ",/s", true},
        {"D:\\A,B\\E.DLL,/S", ",B\\E.", false},  // the first comma splits, wherever it is
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(DeleteFileFlags(row.value), row.field);
        EXPECT_EQ(MBPosText("/S", DeleteFileFlags(row.value)) > 0, row.shared);
    }
    EXPECT_EQ(PathPart("D:\\APP\\A.DLL,/S"), "D:\\APP\\A.DLL");
    struct Relate {
        std::string value, extension, previous;
    };
    for (const Relate& r : {Relate{"txt,txtfile", "txt", "txtfile"}, Relate{"abc,", "abc", ""},
                            Relate{"x,a,b", "x", "a,b"}, Relate{"nocomma", "nocomma", ""}}) {
        EXPECT_EQ(ParseRestoreRelate(r.value).extension, r.extension) << r.value;
        EXPECT_EQ(ParseRestoreRelate(r.value).previous, r.previous) << r.value;
    }
    EXPECT_EQ(ListItems("a|b||c|"), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(ListItems("a|b"), (std::vector<std::string>{"a", "b"}));
    // 0x7C is also a trail byte: "\x83\x7C" is one character, not a separator.
    EXPECT_EQ(ListItems("C:\\\x83\x7C.TXT|D|"), (std::vector<std::string>{"C:\\\x83\x7C.TXT", "D"}));
}

TEST_F(UninstallRecordTest, AFreshRecordHasItsSectionsInOrder)
{
    RecordLists lists;
    lists.deleteFolder = "C:\\APP\\DATA\\|";
    lists.deleteFile = "C:\\APP\\A.TXT|C:\\APP\\UNSETUP.INI|";
    lists.restoreRelate[0] = "txt,txtfile";
    RecordHeader header;
    header.unSetupTitle = "Sample";
    header.setupFolder = "C:\\APP\\";
    header.checkBox = "1,0,0,0";
    header.uninstallKey = std::string(kUninstallListKey) + "Sample";
    const std::string text = BuildRecord(header, lists);
    EXPECT_EQ(text, "[Information]\r\n"
                    "Message1=Lorvel Setup 98 UnSetup(UnInstall) Initialize File\r\n"
                    "Message2=！！！　警告　！！！\r\n"
                    "Message3=このファイルをエディタなどで書き換えたり，削除しないでください．\r\n"
                    "Message4=書き換えた場合，アンセットアップ動作の保証はできません．\r\n"
                    "[Title]\r\nUnSetup=Sample\r\n"
                    "[SetupFolder]\r\nFolder=C:\\APP\\\r\n"
                    "[DeleteFolder]\r\nFolder1=C:\\APP\\DATA\\\r\n"
                    "[DeleteFile]\r\nFile1=C:\\APP\\A.TXT\r\nFile2=C:\\APP\\UNSETUP.INI\r\n"
                    "[RestoreRelate]\r\nKey1=txt,txtfile\r\n"
                    "[UnSetupOption]\r\nCheckBox=1,0,0,0\r\n"
                    "[UnSetupRegistryKey]\r\nKey=SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample\r\n"
                    "[ProgramID]\r\nID=\r\n");
}

TEST_F(UninstallRecordTest, TheMergeKeepsKeysAndTheSharedFlag)
{
    struct Row {
        std::string name;
        std::string list;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {"re-install: same keys, nothing twice",
         "C:\\APP\\A.TXT|C:\\APP\\B.TXT|C:\\APP\\UNSETUP.INI|c:\\app\\a.txt|C:\\APP\\C.TXT|C:\\APP\\UNSETUP.INI|",
         {"c:\\app\\a.txt", "C:\\APP\\B.TXT", "C:\\APP\\UNSETUP.INI", "C:\\APP\\C.TXT"}},
        {"a shared file stays shared",
         "D:\\APP\\A.DLL,/S|D:\\APP\\A.DLL|D:\\APP\\B.DLL,/S|D:\\APP\\B.DLL,/R|",
         {"D:\\APP\\A.DLL,/S", "D:\\APP\\B.DLL,/R/S"}},
        {"an empty item is overwritten by the next", "C:\\A|||C:\\B|", {"C:\\A", "C:\\B"}},
        {"an empty item at the end ends the section", "C:\\A||", {"C:\\A"}},
        // The empty item lands on the flags-only item (both have an empty path); the
        // next search stops at that empty key, before the key that holds C:\A.
        {"an emptied key hides the keys behind it", ",/R|C:\\A||C:\\A|", {"C:\\A", "C:\\A"}},
        // Over a "/S" value even the empty item gains ",/S" and fills the key again.
        {"an empty item over a shared value stays shared", ",/S|C:\\A||C:\\A|", {",/S", "C:\\A"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RecordLists lists;
        lists.deleteFile = row.list;
        Write(lists);
        EXPECT_EQ(Read(record::Key::DeleteFile), row.expected);
    }
}

// Random lists with repeated paths, differing case, flags, "/S" and empty items: the
// in-memory merge and the key-by-key procedure must write the same sections.
TEST_F(UninstallRecordTest, TheLinearMergeEqualsTheKeyByKeyProcedure)
{
    const char* const paths[] = {"C:\\A.DLL", "c:\\a.dll", "C:\\B.DLL", "C:\\C.TXT", "C:\\D", ""};
    const char* const flags[] = {"", ",/S", ",/R", ",/R/W", ",/s/c", ","};
    unsigned seed = 7;
    const auto next = [&seed](unsigned range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % range;
    };
    for (int round = 0; round < 40; ++round) {
        RecordLists lists;
        const unsigned count = 1 + next(14);
        for (unsigned i = 0; i < count; ++i) {
            // An empty path with flags (",/S") matches other such items by its path.
            lists.deleteFile += std::string(paths[next(6)]) + flags[next(6)] + "|";
            lists.deleteFolder += std::string(paths[next(6)]) + "|";
        }
        SCOPED_TRACE(lists.deleteFile);
        Write(lists);
        const std::string expectedFile = "C:\\EXPECTED" + std::to_string(round) + ".INI";
        WriteKeyByKey(profiles, expectedFile, lists.deleteFile, record::Key::DeleteFile, true);
        WriteKeyByKey(profiles, expectedFile, lists.deleteFolder, record::Key::DeleteFolder, false);
        for (const record::Key list : {record::Key::DeleteFile, record::Key::DeleteFolder}) {
            const char* section = record::SectionOf(list);
            for (int n = 1; n <= 16; ++n) {
                const std::string key = record::NameOf(list, n);
                EXPECT_EQ(profiles.ReadProfile(section, key, "<none>", record),
                          profiles.ReadProfile(section, key, "<none>", expectedFile))
                    << section << " " << key;
            }
        }
    }
}

TEST_F(UninstallRecordTest, LoadingReadsEveryListAndAllTwentyRelateKeys)
{
    const ProfileDocument document = ProfileDocument::Parse(
        "[RestoreRelate]\r\nKey1=txt,txtfile\r\nKey3=abc,\r\nKey4=TXT,txtfile\r\nKey20=doc,Word\r\n"
        "[DeleteFile]\r\nFile1=C:\\APP\\A.TXT\r\nFile3=C:\\APP\\AFTER.GAP\r\n"
        "[DeleteFolder]\r\nFolder1=C:\\APP\\D\\\r\n"
        "[DeleteShortCut]\r\nFile1=C:\\LINK.LNK\r\n"
        "[DeleteRegistry]\r\nKey1=(Local)Software\\Maker\r\n"
        "[AddDeleteFile]\r\nFile1=C:\\APP\\*.LOG\r\n");
    RecordLists lists;
    lists.restoreRelate[0] = "abc,old";
    LoadRecordLists(document, lists);
    EXPECT_EQ(lists.deleteFile, "C:\\APP\\A.TXT|");
    EXPECT_EQ(lists.deleteFolder, "C:\\APP\\D\\|");
    EXPECT_EQ(lists.deleteShortCut, "C:\\LINK.LNK|");
    EXPECT_EQ(lists.deleteRegistry, "(Local)Software\\Maker|");
    EXPECT_EQ(lists.addDeleteFile, "C:\\APP\\*.LOG|");
    // "abc," and "TXT,txtfile" name extensions held already, the second in another case.
    EXPECT_EQ(lists.restoreRelate[1], "txt,txtfile");
    EXPECT_EQ(lists.restoreRelate[2], "doc,Word");
    EXPECT_EQ(lists.restoreRelate[3], "");
}

TEST_F(UninstallRecordTest, TheRelateListHoldsTwentyAndWritesSlotByKey)
{
    RecordLists lists;
    for (int i = 1; i <= 21; ++i) EXPECT_EQ(lists.AddRelate("e" + std::to_string(i) + "x,"), i <= 20) << i;
    EXPECT_FALSE(lists.AddRelate("E1X,")) << "already held";
    Write(lists);
    EXPECT_EQ(profiles.ReadProfile("RestoreRelate", "Key20", "", record), "e20x,");
    EXPECT_EQ(profiles.ReadProfile("RestoreRelate", "Key21", "<none>", record), "<none>");
}

TEST_F(UninstallRecordTest, ValuesWithProfileCharactersReadBackUnchanged)
{
    RecordHeader header;
    header.unSetupTitle = "[Beta] a=b ;c";
    header.programId = "id;[x]=y";
    RecordLists lists;
    lists.deleteFile = "C:\\A=B;C\\[D].TXT|";
    Write(lists, header);
    EXPECT_EQ(profiles.ReadProfile("Title", "UnSetup", "", record), header.unSetupTitle);
    EXPECT_EQ(profiles.ReadProfile("ProgramID", "ID", "", record), header.programId);
    EXPECT_EQ(Read(record::Key::DeleteFile), std::vector<std::string>{"C:\\A=B;C\\[D].TXT"});
}

}  // namespace
}  // namespace lorvel
