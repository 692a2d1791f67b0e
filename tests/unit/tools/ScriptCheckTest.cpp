#include "ScriptCheck.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace lorvel::tool {
namespace {

// The medium of these tests: disk 1 holds A.TXT, A.DLL, A.EXE, README.TXT; disk 2 B.TXT.
bool OnMedium(int disk, const std::string& name)
{
    static const std::set<std::pair<int, std::string>> files = {
        {1, "A.TXT"}, {1, "A.DLL"}, {1, "A.EXE"}, {1, "README.TXT"}, {2, "B.TXT"}};
    return files.count({disk, name}) > 0;
}

std::string Describe(const std::vector<Diagnostic>& found)
{
    std::string text;
    for (const Diagnostic& d : found) text += std::to_string(d.line) + ": " + d.message + " [" + d.rule + "]\n";
    return text;
}

struct RuleRow {
    const char* rule;
    std::string triggering;
    int line;              // where the finding is reported
    const char* mentions;  // a text the message must name
    std::string clean;     // the same intent written so the program reads it as meant
};

TEST(ScriptCheckTest, EachRuleHasATriggeringAndACleanScript)
{
    const RuleRow rows[] = {
        {"encoding", "[Title]\nSetup=\xE3\x82\xB5\xE3\x83\xB3\n", 1, "UTF-8", "[Title]\nSetup=サンプル\n"},
        {"encoding", "\xEF\xBB\xBF[Title]\nSetup=x\n", 1, "byte order mark", "[Title]\nSetup=x\n"},
        {"encoding", "[Title]\nSetup=\x81\x20x\n", 2, "Shift-JIS", "[Title]\nSetup=\x81\x40x\n"},
        {"encoding", std::string("[Title]\nSetup=a\0b\n", 17), 2, "binary", "[Title]\nSetup=ab\n"},
        {"key-outside-section", "Setup=x\n[Title]\n", 1, "Setup", "; a comment\n[Title]\nSetup=x\n"},
        {"duplicate-section", "[Title]\nSetup=a\n[title]\nUnSetup=b\n", 3, "line 1", "[Title]\nSetup=a\nUnSetup=b\n"},
        {"duplicate-key", "[Title]\nSetup=a\nsetup=b\n", 3, "line 2", "[Title]\nSetup=a\n"},
        {"unknown-section", "[CopyFiles]\nFile1=(App)A.TXT\n", 1, "[CopyFile]", "[CopyFile]\nFile1=(App)A.TXT\n"},
        {"unknown-key", "[Title]\nSetpu=a\n", 2, "Setup", "[Title]\nSetup=a\n"},
        {"unknown-key", "[Title]\nPublsher=Lorvel Works\n", 2, "Publisher",
         "[Title]\nPublisher=Lorvel Works\nDisplayVersion=1.2\n"},
        {"unknown-key", "[CopyFile]\nFile01=(App)A.TXT\n", 2, "File1", "[CopyFile]\nFile1=(App)A.TXT\n"},
        {"unknown-key", "[TopMessage]\nMessage6=x\n", 2, "Message5", "[TopMessage]\nMessage5=x\n"},
        {"numbering-gap", "[CopyFile]\nFile1=(App)A.TXT\nFile3=(App)A.DLL\n", 3, "File3",
         "[CopyFile]\nFile1=(App)A.TXT\nFile2=(App)A.DLL\n"},
        {"numbering-gap", "[Registry]\nKey1=\nName1=X\nKey2=Software\\X\n", 2, "Key2",
         "[Registry]\nKey1=Software\\X\nName1=X\n"},
        {"relate-number", "[Relate]\nName21=TXT\nFile21=open,(App)A.EXE,%1,0\n", 2, "Name20",
         "[Relate]\nName20=TXT\nFile20=open,(App)A.EXE,%1,0\n"},
        {"copy-flags", "[CopyFile]\nFile1=(App)A.DLL,/R/W/S\n", 2, "/S", "[CopyFile]\nFile1=(App)A.DLL,/S/R/W\n"},
        {"disk-change", "[CopyFile]\nFile1=(App)A.TXT\nFile2=(dch)(App)B.TXT\n", 3, "(dch)",
         "[CopyFile]\nFile1=(App)A.TXT\nFile2=(Dch)(App)B.TXT\n"},
        {"disk-change", "[CopyFile]\nFile1=(App)A.TXT\nFile2=(App)(Dch)B.TXT\n", 3, "not at the start",
         "[CopyFile]\nFile1=(App)A.TXT\nFile2=(Dch)(App)\\B.TXT\n"},
        {"unknown-macro", "[CopyFile]\nFile1=(Apq)A.TXT\n", 2, "(Apq)", "[CopyFile]\nFile1=(app)A.TXT\n"},
        {"unknown-macro", "[IniFile]\nData1=S,K,(Sys),(Windows)A.INI\n", 2, "(Windows)",
         "[IniFile]\nData1=S,K,(Sys),(Win)A.INI\n"},
        {"registry-root", "[Registry]\nKey1=(HKLM)\\Software\\X\n", 2, "(HKLM)\\",
         "[Registry]\nKey1=(Local)\\Software\\X\n"},
        {"registry-root", "[DeleteRegistry]\nKey1=(local)Software\\X\n", 2, "(local)",
         "[DeleteRegistry]\nKey1=(Local)Software\\X\n"},
        {"type-token", "[Registry]\nKey1=Software\\X\nValue1=(str)hello\n", 3, "(Str)",
         "[Registry]\nKey1=Software\\X\nValue1=(Str)hello\n"},
        {"number-value", "[Registry]\nKey1=Software\\X\nValue1=(Int)abc\n", 3, "0 is written",
         "[Registry]\nKey1=Software\\X\nValue1=(Int)$10\n"},
        {"number-value", "[Registry]\nKey1=Software\\X\nValue1=(Bin)123456789\n", 3, "nothing is written",
         "[Registry]\nKey1=Software\\X\nValue1=(Bin)0A0B\n"},
        {"inifile-fields", "[IniFile]\nData1=Sec,Key,Val\n", 2, "has 2", "[IniFile]\nData1=Sec,Key,Val,(Win)A.INI\n"},
        {"relate-file", "[Relate]\nName1=TXT\nFile1=open,(App)A.EXE\n", 3, "File1",
         "[Relate]\nName1=TXT\nFile1=open,(App)A.EXE,%1,0\n"},
        {"relate-file", "[Relate]\nName2=TXT\n", 2, "File2", "[Relate]\nName2=TXT\nFile2=open,(App)A.EXE,0\n"},
        {"shortcut-box", "[ShortCut]\nMake1=(App)A.EXE\n", 2, "Start menu",
         "[ShortCut]\nMake1=(App)A.EXE\nName1=(Sta)A\n"},
        {"shortcut-box",
         "[ShortCut]\nMake1=(App)A.EXE\nName1=(Smn)A\nMake2=(App)A.TXT\nName2=(Dsk)A\nMake3=(App)A.TXT\nName3=\nMake4=("
         "App)A.EXE\nName4=(Sen)B\n",
         8, "SendTo", "[ShortCut]\nMake1=(App)A.EXE\nName1=(Smn)A\nMake2=(App)A.TXT\nName2=(Dsk)A\n"},
        {"missing-source", "[CopyFile]\nFile1=(App)C.TXT\n", 2, "C.TXT", "[CopyFile]\nFile1=(App)A.TXT\n"},
        {"missing-source", "[CopyFile]\nFile1=(App)A.TXT\nFile2=(Dch)(App)A.DLL\n", 3, "disk 2",
         "[CopyFile]\nFile1=(App)A.DLL\nFile2=(Dch)(App)B.TXT|C.TXT,/W\n"},
        {"protected-delete", "[AddDeleteFile]\nFile1=(Win)*.INI\n", 2, "(Win)*.INI",
         "[DefaultFolder]\nFolder=(Prg)\\App\n[AddDeleteFile]\nFile1=(App)*.INI\n"},
        {"protected-delete", "[AddDeleteFile]\nFile1=(App)*.INI\n", 2, "(App)*.INI",
         "[DefaultFolder]\nFolder=D:\\App\n[AddDeleteFile]\nFile1=(App)*.INI\n"},
        {"protected-delete", "[AddDeleteFile]\nFile1=(Sys)\n", 2, "(Sys)", "[AddDeleteFile]\nFile1=(Sys)LORVEL.DLL\n"},
        {"protected-delete", "[AddDeleteFile]\nFile1=DATA\\*.TMP\n", 2, "no full path",
         "[AddDeleteFile]\nFile1=C:\\Data\\*.TMP\n"},
        {"protected-delete", "[DeleteRegistry]\nKey1=(Local)SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\n", 2,
         "Run", "[DeleteRegistry]\nKey1=(Local)SOFTWARE\\Maker\\App\n"},
        {"protected-delete", "[DeleteRegistry]\nKey1=(Class)exefile\\shell\n", 2, "exefile",
         "[DeleteRegistry]\nKey1=(Class)app_auto_file\n"},
        {"protected-delete", "[Relate]\nName1=exe,Program\nFile1=open,(App)A.EXE,%1,0\n", 2, "'exe'",
         "[Relate]\nName1=lsmp,Sample\nFile1=open,(App)A.EXE,%1,0\n"},
        {"missing-readme", "[Readme]\nFile=\\LIESMICH.TXT\n", 2, "LIESMICH.TXT", "[Readme]\nFile=\\README.TXT\n"},
    };
    for (const RuleRow& row : rows) {
        SCOPED_TRACE(std::string(row.rule) + ": " + row.triggering);
        const auto found = CheckScript(row.triggering, OnMedium);
        bool hit = false;
        for (const Diagnostic& d : found)
            hit =
                hit || (d.rule == row.rule && d.line == row.line && d.message.find(row.mentions) != std::string::npos);
        EXPECT_TRUE(hit) << Describe(found);
        const auto clean = CheckScript(row.clean, OnMedium);
        EXPECT_TRUE(clean.empty()) << "clean: " << row.clean << "\n" << Describe(clean);
    }
}

TEST(ScriptCheckTest, SeverityAndTheSectionsNeverRead)
{
    struct Row {
        std::string script;
        Severity severity;
        std::string mentions;
    };
    const Row rows[] = {
        // Everything after the gap is named, companion keys too.
        {"[Registry]\nKey1=A\nKey2=\nName2=N\nValue2=(Str)v\nKey3=B\n", Severity::Warning, "Name2, Value2, Key3"},
        {"[CopyFile]\nFile1=(App)NOPE.TXT\n", Severity::Error, "NOPE.TXT"},
        {"[Title]\nSetup=\xE3\x82\xB5\n", Severity::Error, "UTF-8"},
        {std::string(kMaxScriptBytes + 1, 'x'), Severity::Error, "bytes"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.script.substr(0, 60));
        const auto found = CheckScript(row.script, OnMedium);
        ASSERT_FALSE(found.empty());
        EXPECT_EQ(found[0].severity, row.severity);
        EXPECT_NE(found[0].message.find(row.mentions), std::string::npos) << found[0].message;
    }
}

TEST(ScriptCheckTest, WithoutAMediumNoFileIsLookedFor)
{
    EXPECT_TRUE(CheckScript("[CopyFile]\nFile1=(App)NOPE.TXT\n[Readme]\nFile=NOPE.TXT\n").empty());
}

TEST(ScriptCheckTest, EncodingsAndNearestNames)
{
    EXPECT_EQ(FirstInvalidShiftJis("abc\x82\xA0\xB1"), std::string::npos);
    EXPECT_EQ(FirstInvalidShiftJis("ab\x82"), 2u);
    EXPECT_EQ(FirstInvalidShiftJis("ab\xA0"), 2u);
    EXPECT_TRUE(LooksLikeUtf8("\xE3\x81\x82"));
    EXPECT_FALSE(LooksLikeUtf8("plain ASCII"));
    EXPECT_FALSE(LooksLikeUtf8("\x82\xA0"));
    EXPECT_EQ(NearestName("CopyFiles", {"MakeFolder", "CopyFile"}), "CopyFile");
    EXPECT_EQ(NearestName("Shortcut2", {"ShortCut"}), "ShortCut");
    EXPECT_EQ(NearestName("Banana", {"Title", "Extend"}), "");
}

}  // namespace
}  // namespace lorvel::tool
