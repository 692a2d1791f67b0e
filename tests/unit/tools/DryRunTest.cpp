#include "DryRun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

#include "../VirtualMachineFixture.h"
#include "Commands.h"
#include "HostText.h"
#include "util/Szdd.h"

namespace lorvel::tool {
namespace {

using nlohmann::json;

// Report texts are UTF-8; the literals of this file are Shift-JIS.
std::string U(const std::string& sjis)
{
    return ShiftJisToTerminal(sjis);
}

struct DryRunTest : ::testing::Test {
    lorvel::testing::ScratchFolder scratch;
    std::ostringstream out;
    std::ostringstream err;

    void Put(const fs::path& path, const std::string& bytes)
    {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    json Run(const fs::path& medium, const std::string& answers = {}, bool uninstall = false)
    {
        DryRunOptions options{medium, {}, uninstall, true};
        if (!answers.empty()) {
            options.answers = scratch.Path() / "answers.ini";
            Put(options.answers, answers);
        }
        out.str("");
        EXPECT_EQ(RunDryRun(options, out, err), kExitClean) << err.str();
        return json::parse(out.str());
    }
    static const json* File(const json& report, const std::string& path)
    {
        for (const json& file : report["install"]["changes"]["files"])
            if (file["path"] == U(path)) return &file;
        return nullptr;
    }
    static std::vector<std::string> Captions(const json& run)
    {
        std::vector<std::string> captions;
        for (const json& b : run["boxes"])
            captions.push_back(b["caption"].get<std::string>() + "=" + b["answer"].get<std::string>());
        return captions;
    }
};

const char* kScript =
    "[Title]\r\nSetup=既知の媒体\r\n[ProgramID]\r\nID=KNOWN\r\n[DefaultFolder]\r\nFolder=(Prg)\\Known\\\r\n"
    "[MakeFolder]\r\nFolder1=(App)DATA\r\n"
    "[CopyFile]\r\nFile1=(App)APP.EX_\r\nFile2=(App)DATA\\GONE.DAT\r\nFile3=(Dch)(App)DATA\\B.TXT,/S\r\n"
    "[ShortCut]\r\nName1=(Sta)\\Known\\App\r\nMake1=(App)APP.EXE,/x\r\n"
    "[Registry]\r\nKey1=(Local)Software\\Known\r\nName1=Path\r\nValue1=(Str)(Pdd)(App)\r\n"
    "Key2=(Local)Software\\Known\r\nName2=Count\r\nValue2=(Int)$10\r\n"
    "[IniFile]\r\nData1=Opt,Dir,(App),(Win)KNOWN.INI\r\n"
    "[DeleteRegistry]\r\nKey1=(Local)Software\\Known\r\n[AddDeleteFile]\r\nFile1=(Win)KNOWN.INI\r\n"
    "[Relate]\r\nName1=KNW\r\nFile1=open,(App)APP.EXE,%1,0\r\n";

TEST_F(DryRunTest, TheReportOfAKnownTwoDiskMedium)
{
    const fs::path medium = scratch.Path() / "medium";
    Put(medium / "DISK1" / "SETUP.INI", kScript);
    Put(medium / "DISK1" / "SETUP.EXE", "MZ");
    Put(medium / "DISK1" / "APP.EX_", CompressSzdd(std::string(3000, 'a'), 'E'));
    Put(medium / "DISK2" / "B.TXT", "second disk");
    const json report = Run(medium, "[Wizard]\nFolder=C:\\Apps\\Known\n[Answers]\n関連付けの確認=No\n");

    const json& install = report["install"];
    EXPECT_EQ(install["wizard"]["title"], U("既知の媒体"));
    EXPECT_EQ(install["wizard"]["folder"], "C:\\Apps\\Known");
    EXPECT_EQ(Captions(install),
              (std::vector<std::string>{U("フォルダ作成") + "=Yes", U("ディスク交換") + "=OK",
                                        U("関連付けの確認") + "=No", U("警告") + "=No", U("完了") + "=OK"}));
    struct Row {
        std::string path;
        std::size_t size;
        std::string source;
    };
    const Row rows[] = {
        {"C:\\Apps\\Known\\APP.EXE", 3000, "disk 1: APP.EX_"},
        {"C:\\Apps\\Known\\DATA\\B.TXT", 11, "disk 2: B.TXT"},
        {"C:\\WINDOWS\\KNOWN.INI", 27, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const json* file = File(report, row.path);
        ASSERT_NE(file, nullptr) << install["changes"]["files"].dump(1);
        EXPECT_EQ((*file)["size"], row.size);
        EXPECT_EQ(file->value("source", ""), row.source);
    }
    EXPECT_EQ(File(report, "C:\\Apps\\Known\\DATA\\GONE.DAT"), nullptr);
    EXPECT_NE(install["failures"].get<std::string>().find("GONE.DAT"), std::string::npos) << install["failures"];

    const json& shortcut = install["changes"]["shortcuts"].at(0);
    EXPECT_EQ(shortcut["target"], "C:\\Apps\\Known\\APP.EXE");
    EXPECT_EQ(shortcut["arguments"], "/x");
    std::string registry = install["changes"]["registry"]["added"].dump();
    EXPECT_NE(registry.find("\\\"Path\\\"=\\\"C:\\\\\\\\Apps\\\\\\\\Known\\\""), std::string::npos) << registry;
    EXPECT_NE(registry.find("\\\"Count\\\"=dword:00000010"), std::string::npos) << registry;
    EXPECT_EQ(registry.find(".KNW"), std::string::npos) << "the association was declined";
    EXPECT_EQ(install["changes"]["profileEntries"].at(0)["entries"].at(0), "[Opt] Dir=C:\\Apps\\Known\\");
    EXPECT_NE(report["record"].get<std::string>().find("File2=C:\\Apps\\Known\\DATA\\B.TXT,/S"), std::string::npos)
        << report["record"];
    std::vector<std::string> phases;
    for (const json& p : install["phases"]) phases.push_back(p);
    EXPECT_NE(std::find(phases.begin(), phases.end(), U("レジストリを設定しています．．．")), phases.end());
}

TEST_F(DryRunTest, TheUninstallRemovesWhatTheInstallMadeAndSaysWhatRemains)
{
    const fs::path medium = scratch.Path() / "flat";
    Put(medium / "SETUP.INI", kScript);
    Put(medium / "APP.EX_", CompressSzdd("program", 'E'));
    Put(medium / "B.TXT", "one folder holds every disk");
    // By default the shared-file question keeps the file another program may use.
    const json kept = Run(medium, {}, true);
    ASSERT_TRUE(kept.contains("uninstall"));
    EXPECT_EQ(kept["uninstall"]["boxes"].at(0)["caption"], "shared file");
    EXPECT_NE(kept["remains"]["files"].dump().find("DATA\\\\B.TXT"), std::string::npos) << kept["remains"]["files"];

    const json report = Run(medium, "[Uninstall]\nShared=Yes\n", true);
    ASSERT_TRUE(report.contains("uninstall"));
    std::vector<std::string> removed;
    for (const json& f : report["uninstall"]["changes"]["removedFiles"]) removed.push_back(f["path"]);
    for (const char* path : {"C:\\Program Files\\Known\\APP.EXE", "C:\\Program Files\\Known\\DATA\\B.TXT",
                             "C:\\Program Files\\Known\\UNSETUP.INI", "C:\\WINDOWS\\KNOWN.INI"})
        EXPECT_NE(std::find(removed.begin(), removed.end(), path), removed.end()) << path;
    // Against the fresh machine nothing of the program's own stays, only what every
    // install of this system shares.
    for (const json& f : report["remains"]["files"]) {
        const std::string path = f["path"];
        EXPECT_TRUE(path == "C:\\WINDOWS\\UNKORAT.EXE" || path == "C:\\WINDOWS\\KORAT98.INI") << path;
    }
    EXPECT_TRUE(report["remains"]["folders"]["added"].empty()) << report["remains"]["folders"];
    EXPECT_EQ(report["remains"]["registry"]["added"].dump().find("Known"), std::string::npos)
        << report["remains"]["registry"];
}

TEST_F(DryRunTest, TextReportAndBadAnswers)
{
    const fs::path medium = scratch.Path() / "flat";
    Put(medium / "SETUP.INI", kScript);
    Put(medium / "APP.EX_", CompressSzdd("program", 'E'));
    Put(medium / "B.TXT", "b");
    DryRunOptions options{medium, {}, false, false};
    ASSERT_EQ(RunDryRun(options, out, err), kExitClean) << err.str();
    for (const std::string line : {"== install ==", "files written:",
                                   "  C:\\Program Files\\Known\\APP.EXE (7 bytes, added, from disk 1: APP.EX_)",
                                   "registry written:", "uninstall record C:\\Program Files\\Known\\UNSETUP.INI:"})
        EXPECT_NE(out.str().find(line), std::string::npos) << line << "\n" << out.str();
    struct Row {
        std::string answers;
        const char* mentions;
    };
    const Row rows[] = {{"[Answers]\nX=Maybe\n", "none of Yes, No, OK, Cancel"},
                        {"[Uninstall]\nShared=Perhaps\n", "Shared is one of"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answers);
        Put(scratch.Path() / "bad.ini", row.answers);
        err.str("");
        EXPECT_EQ(RunDryRun({medium, scratch.Path() / "bad.ini", false, false}, out, err), kExitError);
        EXPECT_NE(err.str().find(row.mentions), std::string::npos) << err.str();
    }
    EXPECT_EQ(RunDryRun({scratch.Path() / "none", {}, false, false}, out, err), kExitError);
}

// JSON must be UTF-8, and a title that is no Shift-JIS must not end the report.
TEST_F(DryRunTest, AScriptTextThatIsNoShiftJisIsReportedReplaced)
{
    const fs::path medium = scratch.Path() / "bad-text";
    Put(medium / "SETUP.INI", "[Title]\r\nSetup=\xFF\xFE bad\r\n[CopyFile]\r\n");
    const json report = Run(medium);
    EXPECT_EQ(report["install"]["wizard"]["title"].get<std::string>(), "\xEF\xBF\xBD\xEF\xBF\xBD bad");
}

}  // namespace
}  // namespace lorvel::tool
