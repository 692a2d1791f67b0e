#include "../VouchedRecord.h"
#include "SettingsRunFixture.h"
#include "install/SettingsEntries.h"
#include "util/ScriptNumbers.h"

namespace lorvel::testing {
namespace {

TEST(ScriptNumbersTest, DecimalAndDollarHexadecimalWithinTheirRanges)
{
    const std::pair<const char*, std::optional<std::int32_t>> rows[] = {
        {"16", 16},
        {"  -1", -1},
        {"+7", 7},
        {"$10", 16},
        {"$ff", 255},
        {"$FFFFFFFF", -1},
        {"$80000000", INT32_MIN},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"$123456789", std::nullopt},
        {"$", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"-", std::nullopt},
        {"12 ", std::nullopt},
        {"1x", std::nullopt},
        {"abc", std::nullopt},
        {"$-1", std::nullopt},
        {"0x10", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const auto& [text, expected] : rows) EXPECT_EQ(ConvertScriptInteger(text), expected) << "'" << text << "'";
}

TEST(SettingsEntriesTest, RegistryValuesByTypeToken)
{
    using Kind = RegistryWrite::Kind;
    struct Row {
        const char* value;
        bool pdd;
        Kind kind;
        std::optional<RegValue> written;
    };
    const Row rows[] = {
        {"(Str)C:\\APP\\", true, Kind::Raising, RegValue::String("C:\\APP")},
        {"(Str)C:\\APP\\", false, Kind::Raising, RegValue::String("C:\\APP\\")},
        {"(Exp)%SystemRoot%\\x", false, Kind::Raising, RegValue::ExpandString("%SystemRoot%\\x")},
        {"(Int)$10", false, Kind::Raising, RegValue::DoubleWord(16)},
        {"(Dwd)-1", false, Kind::Raising, RegValue::DoubleWord(0xFFFFFFFFu)},
        {"(Int)abc", false, Kind::Raising, RegValue::DoubleWord(0)},
        {"(Int)", false, Kind::Raising, RegValue::DoubleWord(0)},
        {"(Bin)12345678", false, Kind::Quiet, RegValue::Binary("\x78\x56\x34\x12")},
        {"(Bin)0A0B", false, Kind::Quiet, RegValue::Binary(std::string("\x0B\x0A\0\0", 4))},
        {"(Bin)xyz", false, Kind::Quiet, std::nullopt},
        {"(Bin)123456789", false, Kind::Quiet, std::nullopt},
        {"(Bin)", false, Kind::Quiet, std::nullopt},
        {"hello", false, Kind::Raising, RegValue::String("hello")},
        {"(str)hello", false, Kind::Raising, RegValue::String("(str)hello")},
        {"(Str)", false, Kind::Raising, RegValue::String("")},
        {"abc", false, Kind::Raising, RegValue::String("abc")},
        {"", false, Kind::KeyOnly, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        const RegistryWrite write = RegistryValueOf(row.value, row.pdd);
        EXPECT_EQ(write.kind, row.kind);
        ASSERT_EQ(write.value.has_value(), row.written.has_value());
        if (!write.value) continue;
        EXPECT_EQ(write.value->type, row.written->type);
        EXPECT_EQ(write.value->data, row.written->data);
    }
    bool pdd = false;
    EXPECT_EQ(RemovePddMarker("(Str)(pDD)(App)(Pdd)", pdd), "(Str)(App)");
    EXPECT_TRUE(pdd);
    EXPECT_EQ(RemovePddMarker("(Str)x", pdd), "(Str)x");
    EXPECT_FALSE(pdd);
}

TEST(SettingsEntriesTest, ProfileEntriesSplitIntoFourFields)
{
    struct Row {
        const char* data;
        IniEntry expected;
    };
    const Row rows[] = {
        {"Options,Path,C:\\APP\\,C:\\WINDOWS\\FOO.INI", {"Options", "Path", "C:\\APP\\", "C:\\WINDOWS\\FOO.INI"}},
        {"Sec,Key,Val", {"Sec", "Key", "", "Val"}},
        {"S,K,V,C:\\A,B.INI", {"S", "K", "V", "C:\\A,B.INI"}},
        {"S,K,,F.INI", {"S", "K", "", "F.INI"}},
        {"only", {"", "", "", "only"}},
        {",,,", {"", "", "", ""}},
        {"\x95\x2C,K,V,F", {"\x95\x2C", "K", "V", "F"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.data);
        const IniEntry e = SplitIniEntry(row.data);
        EXPECT_EQ(e.section, row.expected.section);
        EXPECT_EQ(e.key, row.expected.key);
        EXPECT_EQ(e.value, row.expected.value);
        EXPECT_EQ(e.file, row.expected.file);
    }
}

TEST(SettingsEntriesTest, AssociationCommandsAndIcons)
{
    struct Row {
        const char* name;
        const char* file;
        Association expected;
    };
    const Row rows[] = {
        {"TXT",
         "open,D:\\MY APP\\VIEW.EXE,%1,0",
         {"TXT", "TXT File", "open", "D:\\MY APP\\VIEW.EXE", "\"D:\\MY APP\\VIEW.EXE\" %1", "D:\\MY APP\\VIEW.EXE,0"}},
        {"TXT,Text document",
         "open,D:\\MY APP\\VIEW.EXE,",
         {"TXT", "Text document", "open", "D:\\MY APP\\VIEW.EXE", "\"D:\\MY APP\\VIEW.EXE\"", "D:\\MY APP\\VIEW.EXE,"}},
        {"TXT", "open,D:\\MY APP\\VIEW.EXE", {"TXT", "TXT File", "open", "", "", ",D:\\MY APP\\VIEW.EXE"}},
        {"DOC",
         "edit,C:\\APP\\ED.EXE,/e,,%1,3",
         {"DOC", "DOC File", "edit", "C:\\APP\\ED.EXE", "C:\\APP\\ED.EXE /e %1", "C:\\APP\\ED.EXE,3"}},
        {"ABC,Type,with comma",
         "open,C:\\A.EXE,1",
         {"ABC", "Type,with comma", "open", "C:\\A.EXE", "C:\\A.EXE", "C:\\A.EXE,1"}},
        {"X", "", {"X", "X File", "", "", "", ","}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " / " + row.file);
        const Association a = ParseAssociation(row.name, row.file);
        EXPECT_EQ(a.extension, row.expected.extension);
        EXPECT_EQ(a.typeName, row.expected.typeName);
        EXPECT_EQ(a.verb, row.expected.verb);
        EXPECT_EQ(a.program, row.expected.program);
        EXPECT_EQ(a.command, row.expected.command);
        EXPECT_EQ(a.icon, row.expected.icon);
    }
}

TEST(RegistryPhaseTest, ValuesLandUnderTheirRootsAndKeys)
{
    constexpr RootKey kUser = RootKey::CurrentUser;
    constexpr RootKey kMachine = RootKey::LocalMachine;
    struct Row {
        const char* key;
        const char* name;
        const char* value;
        RootKey root;
        const char* path;
        std::optional<RegValue> written;
    };
    const Row rows[] = {
        {"(Local)\\Software\\Foo\\", "Path", "(Str)(Pdd)(App)", kMachine, "Software\\Foo", RegValue::String("C:\\APP")},
        {"Software\\Foo", "N", "(Int)$10", kUser, "Software\\Foo", RegValue::DoubleWord(16)},
        {"(Cuser)Software\\Foo", "", "(Str)default", kUser, "Software\\Foo", RegValue::String("default")},
        {"(Class)\\.zzz", "", "zzz_file", RootKey::ClassesRoot, ".zzz", RegValue::String("zzz_file")},
        {"(Users)\\.DEFAULT\\Foo", "a=b;c", "(Exp)(Win)x", RootKey::Users, ".DEFAULT\\Foo",
         RegValue::ExpandString("C:\\WINDOWS\\x")},
        {"(HKLM)\\Software\\Foo", "V", "v", kUser, "Software\\Foo", RegValue::String("v")},
        {"Software\\Foo", "Empty", "", kUser, "Software\\Foo", std::nullopt},
        {"Software\\Foo", "B", "(Bin)xyz", kUser, "Software\\Foo", std::nullopt},
        {"Software\\Foo", "B", "(Bin)0A0B", kUser, "Software\\Foo", RegValue::Binary(std::string("\x0B\x0A\0\0", 4))},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.key) + " / " + row.name + " / " + row.value);
        SettingsMachine t;
        const InstallRunState state = t.Run(std::string("[Registry]\r\nKey1=") + row.key + "\r\nName1=" + row.name +
                                            "\r\nValue1=" + row.value + "\r\nKey2=Software\\After\r\n");
        EXPECT_EQ(t.vm.platform.registry.OpenKey(row.root, row.path), 0u) << "the key is made whatever the value";
        EXPECT_EQ(t.vm.platform.registry.OpenKey(kUser, "Software\\After"), 0u) << "the run went on";
        const auto value = t.Value(row.root, row.path, row.name);
        ASSERT_EQ(value.has_value(), row.written.has_value());
        if (value) {
            EXPECT_EQ(value->type, row.written->type);
            EXPECT_EQ(value->data, row.written->data);
        }
        EXPECT_EQ(state.lists.deleteRegistry, "") << "nothing written is recorded by itself";
    }
}

TEST(RegistryPhaseTest, AKeyOrValueThatCannotBeWrittenEndsTheRunWithItsText)
{
    const std::string longName = "Software\\" + std::string(256, 'k');
    struct Row {
        const char* name;
        std::string key, value, error;
    };
    const Row rows[] = {
        {"a denied root", "(Local)Software\\Denied\\App", "(Str)x", "ｷｰ Software\\Denied\\App の作成に失敗しました"},
        {"a denied value", "(Local)Software\\Locked", "(Int)1", "'Name' の設定に失敗しました"},
        {"a key name over the limit", longName, "(Str)x", "ｷｰ " + longName + " の作成に失敗しました"},
        {"a binary value is reported, and the run goes on", "(Local)Software\\Locked", "(Bin)01", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SettingsMachine t;
        t.vm.platform.registry.CreateKey(RootKey::LocalMachine, "Software\\Locked");
        t.vm.machine.DenyRegistryWrites(RootKey::LocalMachine, "Software\\Denied");
        t.vm.machine.DenyRegistryWrites(RootKey::LocalMachine, "Software\\Locked");
        const std::string script = "[Registry]\r\nKey1=" + row.key + "\r\nName1=Name\r\nValue1=" + row.value +
                                   "\r\n[IniFile]\r\nData1=S,K,V,(App)AFTER.INI\r\n";
        std::string failures, error;
        try {
            failures = t.Run(script).failures.text;
        } catch (const std::exception& raised) {
            error = raised.what();
        }
        EXPECT_EQ(error, row.error);
        const bool ended = !row.error.empty();
        if (!ended) {
            EXPECT_EQ(failures, "<Registry> (Local)Software\\Locked\\Name\r\n" +
                                    t.ops.SystemErrorText(kErrorAccessDenied) + "\r\n");
        }
        EXPECT_EQ(t.vm.Get("C:\\APP\\AFTER.INI") == "<missing>", ended) << "nothing after a failure is done";
        EXPECT_EQ(t.vm.Get("C:\\APP\\UNSETUP.INI") == "<missing>", ended) << "nor is the record written";
    }
}

TEST(IniFilePhaseTest, EntriesAreWrittenBesideWhatTheFileHolds)
{
    SettingsMachine t;
    t.vm.Put("C:\\WINDOWS\\FOO.INI", "; kept\r\n[Options]\r\nOther=1\r\n[Else]\r\nx=y\r\n");
    t.Run("[IniFile]\r\nData1=Options,Path,(App),(Win)FOO.INI\r\nData2=Sec,Key,BARE.INI\r\n"
          "Data3=S,K,V,(App)A,B.INI\r\nData5=S,K,V,(App)LATE.INI\r\n");
    EXPECT_EQ(t.vm.Get("C:\\WINDOWS\\FOO.INI"),
              "; kept\r\n[Options]\r\nOther=1\r\nPath=C:\\APP\\\r\n[Else]\r\nx=y\r\n");
    EXPECT_EQ(t.vm.Get("C:\\WINDOWS\\BARE.INI"), "[Sec]\r\nKey=\r\n") << "a bare name is in the Windows folder";
    EXPECT_EQ(t.vm.Get("C:\\APP\\A,B.INI"), "[S]\r\nK=V\r\n");
    EXPECT_EQ(t.vm.Get("C:\\APP\\LATE.INI"), "<missing>") << "a gap ends the section";
}

TEST(IniFilePhaseTest, AFileThatCannotBeWrittenIsPassedOverWithNothingLost)
{
    const std::string kept = "[Options]\r\nOther=1\r\n";
    struct Row {
        const char* name;
        std::function<void(SettingsMachine&)> fault;
        std::string file, content;
        ErrorCode reason;  // whose system text the failure record gives
    };
    const Row rows[] = {
        {"read-only",
         [](SettingsMachine& t) { t.vm.platform.files.SetAttributes("C:\\WINDOWS\\FOO.INI", attr::kReadOnly); },
         "C:\\WINDOWS\\FOO.INI", kept, kErrorAccessDenied},
        {"locked", [](SettingsMachine& t) { t.vm.machine.LockFile("C:\\WINDOWS\\FOO.INI"); }, "C:\\WINDOWS\\FOO.INI",
         kept, kErrorSharingViolation},
        {"unreadable", [](SettingsMachine& t) { t.vm.machine.DenyReads("C:\\WINDOWS\\FOO.INI"); },
         "C:\\WINDOWS\\FOO.INI", kept, kErrorAccessDenied},
        {"in a missing folder", [](SettingsMachine&) {}, "C:\\NONE\\FOO.INI", "<missing>", kErrorPathNotFound},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SettingsMachine t;
        t.vm.Put("C:\\WINDOWS\\FOO.INI", kept);
        row.fault(t);
        t.vm.Put(t.context.scriptFile,
                 "[IniFile]\r\nData1=Options,Path,(App)," + row.file + "\r\nData2=S,K,V,(App)AFTER.INI\r\n");
        InstallRun run({t.vm.platform, t.profiles, t.ops, t.context, t.view, t.shared});
        run.Run();
        EXPECT_EQ(run.State().failures.text,
                  "<File> " + row.file + "\r\n" + t.ops.SystemErrorText(row.reason) + "\r\n");
        EXPECT_NE(t.ops.SystemErrorText(row.reason), "");
        EXPECT_EQ(t.vm.Get(row.file), row.content);
        EXPECT_EQ(t.vm.Get("C:\\APP\\AFTER.INI"), "[S]\r\nK=V\r\n");
    }
}

TEST(UninstallListsTest, DeleteRegistryAsReadAndAddDeleteFileExpanded)
{
    SettingsMachine t;
    const InstallRunState state =
        t.Run("[DeleteRegistry]\r\nKey1=(Local)Software\\Foo\r\nKey2=Software\\(App)\r\nKey4=late\r\n"
              "[AddDeleteFile]\r\nFile1=(App)*.LOG\r\nFile2=(Win)FOO.INI\r\n");
    EXPECT_EQ(state.lists.deleteRegistry, "(Local)Software\\Foo|Software\\(App)|");
    EXPECT_EQ(state.lists.addDeleteFile, "C:\\APP\\*.LOG|C:\\WINDOWS\\FOO.INI|");
    EXPECT_TRUE(t.view.statuses.empty() || t.view.statuses.back().find("DeleteRegistry") == std::string::npos);
}

constexpr const char* kViewer = "[Relate]\r\nName1=TXT\r\nFile1=open,(App)VIEW.EXE,%1,0\r\n";

TEST(RelatePhaseTest, AYesWritesTheFourKeysAndSavesThePreviousType)
{
    SettingsMachine t;
    t.view.options.folderText = "C:\\MY APP";
    t.vm.platform.files.CreateFolder("C:\\MY APP");
    t.vm.platform.registry.CreateKey(RootKey::ClassesRoot, ".TXT");
    t.vm.platform.registry.WriteValue(RootKey::ClassesRoot, ".TXT", "", RegValue::String("txtfile"));
    t.view.answers = {box::kYes};
    const InstallRunState state = t.Run(kViewer);
    constexpr RootKey kClasses = RootKey::ClassesRoot;
    EXPECT_EQ(t.Text(kClasses, ".TXT"), "TXT_auto_file");
    EXPECT_EQ(t.Text(kClasses, "TXT_auto_file"), "TXT File");
    EXPECT_EQ(t.Text(kClasses, "TXT_auto_file\\DefaultIcon"), "C:\\MY APP\\VIEW.EXE,0");
    EXPECT_EQ(t.Text(kClasses, "TXT_auto_file\\shell\\open\\command"), "\"C:\\MY APP\\VIEW.EXE\" %1");
    EXPECT_EQ(state.lists.restoreRelate[0], "TXT,txtfile");
    ASSERT_FALSE(t.view.questions.empty());
    EXPECT_EQ(t.view.questions[0].text, "拡張子 *.TXT を\rC:\\MY APP\\VIEW.EXE\rに関連付けします．よろしいですか？");
    EXPECT_EQ(t.view.questions[0].caption, "関連付けの確認");
    EXPECT_EQ(t.view.questions[0].flags, box::kQuestionYesNo);
}

TEST(RelatePhaseTest, SavedSlots)
{
    struct Row {
        const char* name;
        std::string earlierRecord;  // [RestoreRelate] of a record already in the setup folder
        std::string relate;
        std::deque<int> answers;
        std::string firstSlot, lastSlot;
        const char* dotKeyValue;           // the default of ".TXT" afterwards
        const char* secondSlot = nullptr;  // checked when given
    };
    std::string many = "[Relate]\r\n";
    for (int i = 1; i <= 21; ++i)
        many += "Name" + std::to_string(i) + "=E" + std::to_string(i) + "\r\nFile" + std::to_string(i) +
                "=open,C:\\A.EXE,0\r\n";
    std::string twenty = "[RestoreRelate]\r\n";
    for (int i = 1; i <= 20; ++i) twenty += "Key" + std::to_string(i) + "=OTHER" + std::to_string(i) + ",\r\n";
    const Row rows[] = {
        {"no key before", "", kViewer, {box::kYes}, "TXT,", "", "TXT_auto_file"},
        {"answered No", "", kViewer, {box::kNo}, "", "", "<none>"},
        {"a reinstall keeps the first type",
         "[RestoreRelate]\r\nKey1=TXT,txtfile\r\n",
         kViewer,
         {box::kYes},
         "TXT,txtfile",
         "",
         "TXT_auto_file"},
        {"a slot for TXTX says nothing of TXT",
         "[RestoreRelate]\r\nKey1=TXTX,x\r\n",
         kViewer,
         {box::kYes},
         "TXTX,x",
         "",
         "TXT_auto_file",
         "TXT,"},
        {"nor one for ATXT",
         "[RestoreRelate]\r\nKey1=ATXT,\r\n",
         kViewer,
         {box::kYes},
         "ATXT,",
         "",
         "TXT_auto_file",
         "TXT,"},
        {"twenty slots taken", twenty, kViewer, {box::kYes}, "OTHER1,", "OTHER20,", "TXT_auto_file"},
        {"only twenty are read", "", many, std::deque<int>(21, box::kYes), "E1,", "E20,", "<none>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SettingsMachine t;
        if (!row.earlierRecord.empty())
            PutVouchedRecord(t.vm, "C:\\APP\\UNSETUP.INI", "[SetupFolder]\r\nFolder=C:\\APP\\\r\n" + row.earlierRecord);
        t.view.answers = row.answers;
        const InstallRunState state = t.Run(row.relate);
        EXPECT_EQ(state.lists.restoreRelate[0], row.firstSlot);
        EXPECT_EQ(state.lists.restoreRelate[19], row.lastSlot);
        if (row.secondSlot) {
            EXPECT_EQ(state.lists.restoreRelate[1], row.secondSlot);
        }
        EXPECT_EQ(t.Text(RootKey::ClassesRoot, ".TXT"), row.dotKeyValue);
    }
}

TEST(RelatePhaseTest, APreviousTypeThatIsNoStringEndsTheRun)
{
    SettingsMachine t;
    t.vm.platform.registry.CreateKey(RootKey::ClassesRoot, ".TXT");
    t.vm.platform.registry.WriteValue(RootKey::ClassesRoot, ".TXT", "", RegValue::DoubleWord(1));
    t.view.answers = {box::kYes};
    EXPECT_EQ(t.RunRaising(kViewer), "'' のﾃﾞｰﾀ型が不正です");
    EXPECT_EQ(t.Text(RootKey::ClassesRoot, "TXT_auto_file"), "<none>");
    EXPECT_EQ(t.vm.Get("C:\\APP\\UNSETUP.INI"), "<missing>");
}

}  // namespace
}  // namespace lorvel::testing
