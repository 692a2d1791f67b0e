// The author's tool against the program: every script the repository holds and a
// generated set, each dry-run and also run as a deployment runs the program (its own
// command line, answers file and log, on a machine of its own). What the dry run
// reports and what `check` warns about must be what the program did.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "../VirtualMachineFixture.h"
#include "Commands.h"
#include "DryRun.h"
#include "HostText.h"
#include "MachineDiff.h"
#include "Medium.h"
#include "ScriptCheck.h"
#include "app/Application.h"
#include "run/FixedNames.h"
#include "ui/headless/HeadlessBackend.h"
#include "util/ProfileDocument.h"
#include "util/Szdd.h"

namespace lorvel::tool {
namespace {

using nlohmann::json;

const fs::path kRepository = fs::path(__FILE__).parent_path().parent_path().parent_path().parent_path();

struct Case {
    std::string name;
    fs::path medium;      // a folder with SETUP.INI (Shift-JIS) and the files
    std::string answers;  // the answers file's text; empty for none
};

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// What the program did, as its log and the machine tell it.
struct ProgramRun {
    json installed;                // the machine's changes, as the dry run pictures them
    std::vector<std::string> log;  // the install's log lines
    std::vector<std::string> uninstallLog;
    json remains;                             // what the uninstall left, against the fresh machine
    std::vector<std::string> addDeleteFiles;  // the record's entries, in order
    int exitCode = -1;
};

std::vector<std::string> LogLines(platform::virt::VirtualMachine& machine, const char* path)
{
    std::vector<std::string> lines;
    std::istringstream in(ReadAll(machine.HostPath(path)));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // Past the time each line begins with: "2026-01-01 09:00:00.000 ".
        lines.push_back(line.size() > 24 && line[4] == '-' ? line.substr(24) : line);
    }
    return lines;
}

std::string AfterPrefix(const std::vector<std::string>& lines, const std::string& prefix)
{
    for (const std::string& line : lines)
        if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
    return "";
}

ProgramRun RunAsDeployed(const Case& c, const fs::path& root)
{
    platform::virt::VirtualMachine machine(root);
    fs::create_directories(machine.HostPath("C:\\SETUP"));
    for (const auto& entry : fs::directory_iterator(c.medium))
        if (entry.is_regular_file())
            fs::copy_file(entry.path(), machine.HostPath("C:\\SETUP") / entry.path().filename());
    if (!fs::exists(machine.HostPath("C:\\SETUP\\SETUP.EXE"))) Write(machine.HostPath("C:\\SETUP\\SETUP.EXE"), "MZ");
    std::string switches = "/VERYSILENT /LOG=C:\\LV.LOG";
    if (!c.answers.empty()) {
        Write(machine.HostPath("C:\\ANSWERS.INI"), c.answers);
        switches += " /ANSWERS=C:\\ANSWERS.INI";
    }
    const Snapshot fresh = TakeSnapshot(machine);
    ui::HeadlessBackend backend;
    ProgramRun run;
    {
        machine.Config().commandLine = "\"C:\\SETUP\\SETUP.EXE\" " + switches;
        platform::Platform platform = machine.AsPlatform();
        run.exitCode = Application(platform, backend).Run();
    }
    run.log = LogLines(machine, "C:\\LV.LOG");
    fs::remove(machine.HostPath("C:\\LV.LOG"));
    run.installed = Difference(fresh, TakeSnapshot(machine), machine);
    const std::string logged = AfterPrefix(run.log, "record written: ");
    const std::string record = Utf8ToShiftJis(logged).value_or(logged);
    if (record.empty()) return run;
    const ProfileDocument document = ProfileDocument::Parse(ReadAll(machine.HostPath(record)));
    for (int n = 1;; ++n) {
        const std::string value = document.Read("AddDeleteFile", "File" + std::to_string(n)).value_or("");
        if (value.empty()) break;
        run.addDeleteFiles.push_back(value);
    }
    machine.Config().programPath = std::string("C:\\WINDOWS\\") + kUninstallerName;
    machine.Config().commandLine = "\"" + machine.Config().programPath + "\" " + switches + " \"" + record + "\"";
    platform::Platform platform = machine.AsPlatform();
    Application(platform, backend).Run();
    run.uninstallLog = LogLines(machine, "C:\\LV.LOG");
    fs::remove(machine.HostPath("C:\\LV.LOG"));
    run.remains = Difference(fresh, TakeSnapshot(machine), machine);
    return run;
}

json DryRunOf(const Case& c, const fs::path& scratch)
{
    DryRunOptions options{c.medium, {}, true, true};
    if (!c.answers.empty()) {
        options.answers = scratch / "answers.ini";
        Write(options.answers, c.answers);
    }
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunDryRun(options, out, err), kExitClean) << err.str();
    return json::parse(out.str());
}

std::map<std::string, std::size_t> FilesOf(const json& changes)
{
    std::map<std::string, std::size_t> files;
    for (const json& file : changes["files"]) files[file["path"]] = file["size"];
    return files;
}

std::set<std::string> KeysOf(const json& changes)
{
    std::set<std::string> keys;
    for (const json& key : changes["registry"]["added"]) keys.insert(key["key"]);
    return keys;
}

void Compare(const Case& c, const fs::path& scratch)
{
    SCOPED_TRACE(c.name);
    const json dry = DryRunOf(c, scratch);
    const ProgramRun program = RunAsDeployed(c, scratch / "machine");
    const json& install = dry["install"];

    // The log is in UTF-8, as the report is.
    EXPECT_EQ(AfterPrefix(program.log, "setup folder: "), install["wizard"]["folder"]);
    EXPECT_EQ(install["exitCode"], program.exitCode);
    EXPECT_EQ(FilesOf(install["changes"]), FilesOf(program.installed));
    EXPECT_EQ(KeysOf(install["changes"]), KeysOf(program.installed));
    EXPECT_EQ(install["changes"]["folders"]["added"], program.installed["folders"]["added"]);
    // Each source the dry run names is a file of the medium, for a file it wrote.
    for (const json& file : install["changes"]["files"]) {
        if (!file.contains("source")) continue;
        const std::string source = file["source"];
        EXPECT_TRUE(fs::exists(c.medium / source.substr(source.find(": ") + 2))) << source;
    }

    if (dry.contains("remains")) {
        EXPECT_EQ(FilesOf(dry["remains"]), FilesOf(program.remains));
        EXPECT_EQ(KeysOf(dry["remains"]), KeysOf(program.remains));
    }
    // check's refusals are the uninstall's, entry by entry.
    const std::string script = ReadAll(c.medium / kScriptName);
    std::string error;
    const std::optional<MediumLayout> layout = LocateMedium(c.medium, error);
    ASSERT_TRUE(layout) << error;
    const std::vector<Diagnostic> found =
        CheckScript(script, [&layout](int disk, const std::string& name) { return layout->Holds(disk, name); });
    for (std::size_t i = 0; i < program.addDeleteFiles.size(); ++i) {
        const std::string entry = ShiftJisToUtf8(program.addDeleteFiles[i]);
        bool refused = false;
        for (const std::string& line : program.uninstallLog)
            refused = refused || (line.rfind("failure: ", 0) == 0 && line.find(entry) != std::string::npos);
        bool warned = false;
        for (const Diagnostic& d : found)
            warned = warned ||
                     (d.rule == "protected-delete" && d.message.rfind("File" + std::to_string(i + 1) + ":", 0) == 0);
        EXPECT_EQ(warned, refused) << "[AddDeleteFile] File" << i + 1 << "=" << entry;
    }
    // check's missing sources are the install's, where the install came to its end.
    if (AfterPrefix(program.log, "record written: ").empty()) return;
    const std::string notFound = ShiftJisToUtf8("コピー元のファイルが見つかりません");
    std::ptrdiff_t missingWarned = 0;
    for (const Diagnostic& d : found) missingWarned += d.rule == "missing-source" ? 1 : 0;
    const auto missingFound =
        std::count_if(program.log.begin(), program.log.end(),
                      [&notFound](const std::string& line) { return line.find(notFound) != std::string::npos; });
    EXPECT_EQ(missingWarned, missingFound);
}

// The scripts the repository ships, each with the files beside it; a UTF-8 script of
// the end-to-end scenarios is taken as the scenario takes it, in Shift-JIS.
std::vector<Case> RepositoryCases(const fs::path& scratch)
{
    std::vector<fs::path> scripts = {kRepository / "samples" / "sample-app" / "SETUP.INI"};
    for (const auto& scenario : fs::directory_iterator(kRepository / "tests" / "e2e" / "scenarios"))
        for (const char* folder : {"medium", "pack"})
            for (const char* name : {"SETUP.INI", "SETUP.INI.utf8"})
                if (fs::exists(scenario.path() / folder / name)) scripts.push_back(scenario.path() / folder / name);
    for (const auto& entry : fs::directory_iterator(kRepository / "tests" / "fuzz" / "corpus" / "InstallFuzz"))
        scripts.push_back(entry.path());
    std::vector<Case> cases;
    for (const fs::path& script : scripts) {
        const fs::path medium = scratch / ("repo" + std::to_string(cases.size()));
        fs::create_directories(medium);
        // Every file beside it and in the folders below, as one folder that holds every disk.
        for (const auto& entry : fs::recursive_directory_iterator(script.parent_path()))
            if (entry.is_regular_file() && entry.path() != script && entry.path().extension() != ".utf8" &&
                !fs::exists(medium / entry.path().filename()))
                fs::copy_file(entry.path(), medium / entry.path().filename());
        std::string text = ReadAll(script);
        // As pack and the scenarios take a UTF-8 script: in Shift-JIS.
        if (LooksLikeUtf8(text)) text = Utf8ToShiftJis(text).value_or(text);
        Write(medium / kScriptName, text);
        cases.push_back({fs::relative(script, kRepository).string(), medium, ""});
    }
    return cases;
}

// Scripts made to meet the rules where the tool and the program once decided apart:
// a locked folder with an answers file naming another, entries the uninstall refuses,
// sources missing, compressed and shared.
std::vector<Case> GeneratedCases(const fs::path& scratch)
{
    const char* enabled[] = {"True", "False"};
    const char* answers[] = {"", "[Wizard]\nFolder=C:\\Elsewhere\\Gen\nDesktop=0\n",
                             "[Wizard]\nFolder=D:\\Gen\n[Answers]\n関連付けの確認=No\n[Uninstall]\nShared=Yes\n"};
    const char* deletions[] = {
        "File1=(App)*.TMP\r\nFile2=DATA\\*.TMP\r\nFile3=(Win)*.INI\r\n",
        "File1=(Sys)\r\nFile2=C:\\W*\\A.TXT\r\nFile3=(App)LOGS\\OLD.LOG\r\nFile4=\\\\?\\C:\\X\r\n"};
    std::vector<Case> cases;
    for (const char* on : enabled)
        for (const char* given : answers)
            for (const char* deletion : deletions) {
                const fs::path medium = scratch / ("gen" + std::to_string(cases.size()));
                Write(medium / "A.TXT", "plain");
                Write(medium / "B.EX_", CompressSzdd(std::string(500, 'b'), 'E'));
                Write(medium / "SHARED.DLL", "MZ shared");
                Write(
                    medium / kScriptName,
                    std::string(
                        "[Title]\r\nSetup=Gen\r\nUnSetupKey=GenApp\r\n[ProgramID]\r\nID=GEN\r\n[Extend]\r\nEnabled=") +
                        on +
                        "\r\n[DefaultFolder]\r\nFolder=(Prg)\\Gen\\\r\n[CopyFile]\r\nFile1=(App)A.TXT\r\n"
                        "File2=(App)B.EX_\r\nFile3=(App)GONE.TXT\r\nFile4=(Sys)SHARED.DLL,/S\r\n"
                        "[ShortCut]\r\nName1=(Dsk)Gen\r\nMake1=(App)A.TXT\r\n"
                        "[Relate]\r\nName1=GEN,Gen file\r\nFile1=open,(App)A.TXT,%1,0\r\n"
                        "[AddDeleteFile]\r\n" +
                        deletion);
                cases.push_back({"generated " + std::to_string(cases.size()), medium, given});
            }
    return cases;
}

TEST(DifferentialTest, TheDryRunAndCheckSayWhatTheProgramDoes)
{
    lorvel::testing::ScratchFolder scratch;
    std::vector<Case> cases = RepositoryCases(scratch.Path());
    const std::size_t fromRepository = cases.size();
    for (Case& c : GeneratedCases(scratch.Path())) cases.push_back(std::move(c));
    ASSERT_GE(fromRepository, 10u);
    for (std::size_t i = 0; i < cases.size(); ++i) Compare(cases[i], scratch.Path() / ("run" + std::to_string(i)));
}

}  // namespace
}  // namespace lorvel::tool
