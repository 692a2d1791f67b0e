// Install then uninstall on the simulated machine leaves it as it was. A seeded
// generator writes scripts that use every phase; each is installed with scripted
// answers, uninstalled from its record, and the machine compared with a snapshot
// taken before. LORVEL_ROUNDTRIP_SEEDS and LORVEL_ROUNDTRIP_FIRST run more seeds.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "../VirtualMachineFixture.h"
#include "../run/RecordingView.h"
#include "install/InstallJournal.h"
#include "install/InstallRun.h"
#include "run/SharedFiles.h"
#include "uninstall/UninstallRun.h"
#include "util/ShiftJisText.h"

namespace lorvel::testing {
namespace {

using namespace platform;
using platform::virt::VirtualMachine;
namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------
// The machine as the comparison sees it.

struct Snapshot {
    std::map<std::string, std::string> files;  // host path below the root -> bytes ("<dir>" for folders)
    std::set<std::string> registry;            // "KEY" and "KEY\tvalue line", from the saved registry
};

// The temporary folder holds the work folders the program removes when it ends; the
// two tables are the machine's own bookkeeping, compared through what they describe.
bool IsBookkeeping(const std::string& relative)
{
    return relative == "registry.reg" || relative == "attributes.txt" || relative == "trustees.txt" ||
           relative.rfind("C/WINDOWS/TEMP", 0) == 0;
}

Snapshot Take(VirtualMachine& machine)
{
    Snapshot shot;
    shot.files = HostTree(machine, IsBookkeeping);
    std::ifstream in(machine.Root() / "registry.reg", std::ios::binary);
    std::string line, key;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line == "REGEDIT4") continue;
        if (line.front() == '[') {
            key = UpperCase(line);
            shot.registry.insert(key);
        } else {
            shot.registry.insert(key + "\t" + line);
        }
    }
    return shot;
}

// ---------------------------------------------------------------------------------
// The differences the design keeps, each with its reason; everything else is a fault.

struct Kept {
    const char* what;
    const char* why;
    bool (*matches)(const std::string& item);
};

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// A key of the system's below HKLM\SOFTWARE, as a 64-bit or a 32-bit program keeps it.
bool IsSystemKey(const std::string& k, const std::string& below)
{
    return k == "[HKEY_LOCAL_MACHINE\\SOFTWARE\\" + below + "]" ||
           k == "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432NODE\\" + below + "]";
}

bool InSystemKey(const std::string& k, const std::string& below, const std::string& line)
{
    return StartsWith(k, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\" + below + "]\t" + line) ||
           StartsWith(k, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432NODE\\" + below + "]\t" + line);
}

const Kept kKeptFiles[] = {
    {"C:\\WINDOWS\\UNKORAT.EXE", "the uninstaller serves every program installed on the machine",
     [](const std::string& p) { return p == "C/WINDOWS/UNKORAT.EXE"; }},
    {"C:\\WINDOWS\\KORAT98.INI", "the folder memory is shared by every install; only the program's section goes",
     [](const std::string& p) { return p == "C/WINDOWS/KORAT98.INI"; }},
    {"C:\\WINDOWS\\SYSTEM32\\PRESENT.DLL",
     "a shared library an install replaced stays, newer, for the programs that use it",
     [](const std::string& p) {
         return p == "C/WINDOWS/SYSTEM32/PRESENT.DLL" || p == "C/WINDOWS/SYSWOW64/PRESENT.DLL";
     }},
    {"C:\\WINDOWS\\EXIST.INI", "[IniFile] entries in a file other programs own are not recorded for removal",
     [](const std::string& p) { return p == "C/WINDOWS/EXIST.INI"; }},
};

const Kept kKeptKeys[] = {
    {"SharedDLLs", "the system's list of shared counts outlives the counts in it",
     [](const std::string& k) { return IsSystemKey(k, "MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHAREDDLLS"); }},
    {"PRESENT.DLL's count",
     "a library that was there before the install without a count is counted for its earlier user too",
     [](const std::string& k) {
         return InSystemKey(k, "MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHAREDDLLS",
                            "\"C:\\\\WINDOWS\\\\SYSTEM32\\\\PRESENT.DLL\"=");
     }},
    {"the Uninstall key", "the system's list of installed programs outlives its entries",
     [](const std::string& k) { return IsSystemKey(k, "MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL"); }},
    {"Software\\RTKeep", "[Registry] values under a key the script does not list in [DeleteRegistry]",
     [](const std::string& k) { return StartsWith(k, "[HKEY_CURRENT_USER\\SOFTWARE\\RTKEEP"); }},
};

template <std::size_t N>
bool IsKept(const Kept (&kept)[N], const std::string& item)
{
    for (const Kept& k : kept)
        if (k.matches(item)) return true;
    return false;
}

// What changed that the design does not keep, one line each.
std::vector<std::string> Differences(const Snapshot& before, const Snapshot& after)
{
    std::vector<std::string> found;
    for (const auto& [path, bytes] : after.files) {
        const auto old = before.files.find(path);
        if (old != before.files.end() && old->second == bytes) continue;
        if (IsKept(kKeptFiles, path)) continue;
        found.push_back((old == before.files.end() ? "left behind: " : "changed: ") + path);
    }
    for (const auto& [path, bytes] : before.files)
        if (!after.files.count(path)) found.push_back("removed: " + path);
    for (const std::string& item : after.registry)
        if (!before.registry.count(item) && !IsKept(kKeptKeys, item)) found.push_back("left in the registry: " + item);
    for (const std::string& item : before.registry)
        if (!after.registry.count(item)) found.push_back("gone from the registry: " + item);
    return found;
}

// Another program's profile file may gain lines; it never loses one.
std::vector<std::string> LostLines(const Snapshot& before, const Snapshot& after)
{
    std::vector<std::string> lost;
    for (const auto& [path, bytes] : before.files) {
        const auto now = after.files.find(path);
        // The one kept file that others write too: the profile file of another program.
        if (now == after.files.end() || path != "C/WINDOWS/EXIST.INI") continue;
        std::istringstream lines(bytes);
        std::string line;
        while (std::getline(lines, line))
            if (now->second.find(line) == std::string::npos) lost.push_back(path + ": " + line);
    }
    return lost;
}

// ---------------------------------------------------------------------------------
// The generator.

constexpr const char* kNames[] = {"A.TXT",         "B.DAT", "\x95\x5C\x8E\xA6.TXT" /* 表示 */, "\x83\x5C.BIN" /* ソ */,
                                  "LONG NAME.TXT", "C.INI"};
constexpr const char* kFolders[] = {"DATA", "\x83\x5C\x83\x74\x83\x67" /* ソフト */, "\x94\x5C" /* 能 */};
constexpr const char* kFlags[] = {"", ",/W", ",/S", ",/s/w", ",/R", ",/S/R"};
constexpr const char* kValues[] = {"(Str)text", "(Exp)%SystemRoot%\\(App)", "(Int)$10", "(Dwd)-1",   "(Bin)0A0B",
                                   "",          "(Str)(Pdd)(App)",          "plain",    "(Int)junk", "(Bin)xyz"};
constexpr const char* kShortcutFolders[] = {"(Smn)", "(Sta)", "(Dsk)", "(Sup)", "(Sen)", "(C_Sta)", "(C_Dsk)"};
// The first contains the second, which must be saved on its own all the same.
constexpr const char* kExtensions[] = {"RTAX", "RTA", "RTZ"};

struct Plan {
    std::string script;
    std::map<std::string, bool> associate;      // extension -> the user's answer
    std::map<std::string, std::string> medium;  // file name on E:\ -> bytes
    std::array<bool, 4> boxes{};
    std::string previousRtq;  // HKCR\.RTQ's type before the install, or empty for none
    bool appWritesLog = false;
};

class Generator {
public:
    explicit Generator(std::uint32_t seed) : rng_(seed), seed_(std::to_string(seed)) {}

    Plan Make()
    {
        Plan plan;
        std::ostringstream s;
        s << "[Extend]\r\nSetupSpeed=1\r\n[Title]\r\nUnSetup=RT" << seed_ << "\r\n";
        const std::vector<std::string> folders = MakeFolders(s);
        const std::vector<std::string> targets = CopyFiles(s, folders, plan);
        Shortcuts(s, targets, plan);
        Registry(s);
        IniFiles(s);
        AddDeleteFiles(s, plan);
        Relate(s, plan);
        plan.script = s.str();
        return plan;
    }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool Coin() { return Pick(2) == 1; }
    template <typename T, std::size_t N>
    const T& Of(const T (&items)[N])
    {
        return items[Pick(static_cast<int>(N))];
    }

    std::vector<std::string> MakeFolders(std::ostringstream& s)
    {
        std::vector<std::string> folders = {"(App)"};
        const int count = Pick(3);
        if (count) s << "[MakeFolder]\r\n";
        for (int i = 1; i <= count; ++i) {
            const std::string folder = "(App)" + std::string(kFolders[i - 1]);
            s << "Folder" << i << "=" << folder << "\r\n";
            folders.push_back(folder + "\\");
        }
        return folders;
    }

    std::vector<std::string> CopyFiles(std::ostringstream& s, const std::vector<std::string>& folders, Plan& plan)
    {
        std::vector<std::string> targets;
        const int count = 1 + Pick(5);
        s << "[CopyFile]\r\n";
        for (int i = 1; i <= count; ++i) {
            const std::string name = std::to_string(i) + Of(kNames);
            std::string flags = Of(kFlags);
            const bool component = flags.find('R') != std::string::npos;
            plan.medium[name] = component ? "MZ\nDllRegisterServer=0\nDllUnregisterServer=0\n" : "file " + name;
            // Shared files go where shared files live; others into the setup folder.
            const bool shared = flags.find('S') != std::string::npos || flags.find('s') != std::string::npos;
            const std::string folder =
                shared && Coin() ? "(Sys)" : folders[static_cast<std::size_t>(Pick(static_cast<int>(folders.size())))];
            s << "File" << i << "=" << folder << name << flags << "\r\n";
            targets.push_back(folder + name);
        }
        if (Coin()) {
            // A library another program put there before, without a count.
            plan.medium["PRESENT.DLL"] = "our newer library";
            s << "File" << count + 1 << "=(Sys)PRESENT.DLL,/S/W\r\n";
        }
        return targets;
    }

    void Shortcuts(std::ostringstream& s, const std::vector<std::string>& targets, Plan& plan)
    {
        for (bool& box : plan.boxes) box = Coin();
        const int count = Pick(4);
        if (count) s << "[ShortCut]\r\n";
        for (int i = 1; i <= count; ++i) {
            const std::string folder = Of(kShortcutFolders);
            const bool grouped = folder == "(Smn)" || folder == "(Sta)" || folder == "(C_Sta)";
            std::string name = folder + (grouped ? "RT" + seed_ + "\\" : "") + "L" + std::to_string(i);
            if (Coin()) name += ",(App)";
            std::string make = targets[static_cast<std::size_t>(Pick(static_cast<int>(targets.size())))];
            if (Coin()) make += ",/a,/b";
            s << "Make" << i << "=" << make << "\r\nName" << i << "=" << name << "\r\n";
        }
    }

    void Registry(std::ostringstream& s)
    {
        const int count = Pick(5);
        if (count) s << "[Registry]\r\n";
        for (int i = 1; i <= count; ++i) {
            const char* root = Coin() ? "(Cuser)" : "(Local)";
            const std::string key =
                Pick(4) == 0 ? "(Cuser)Software\\RTKeep" + seed_
                             : std::string(root) + "\\Software\\RT" + seed_ + "\\K" + std::to_string(i) + "\\";
            s << "Key" << i << "=" << key << "\r\nName" << i << "=" << (Coin() ? "" : "V" + std::to_string(i))
              << "\r\nValue" << i << "=" << Of(kValues) << "\r\n";
        }
        s << "[DeleteRegistry]\r\nKey1=(Cuser)Software\\RT" << seed_ << "\r\nKey2=(Local)Software\\RT" << seed_
          << "\r\n";
    }

    void IniFiles(std::ostringstream& s)
    {
        s << "[IniFile]\r\n";
        const int count = 1 + Pick(3);
        for (int i = 1; i <= count; ++i) {
            const char* file = Pick(3) == 0 ? "(Win)EXIST.INI" : Coin() ? "(App)SETTINGS.INI" : "(Win)RTNEW.INI";
            s << "Data" << i << "=Section" << Pick(2) << ",Key" << i << ",(App)" << i << "," << file << "\r\n";
        }
    }

    void AddDeleteFiles(std::ostringstream& s, Plan& plan)
    {
        plan.appWritesLog = Coin();
        s << "[AddDeleteFile]\r\nFile1=(App)SETTINGS.INI\r\nFile2=(Win)RTNEW.INI\r\nFile3=(App)*.LOG\r\n";
    }

    void Relate(std::ostringstream& s, Plan& plan)
    {
        if (Coin()) plan.previousRtq = "rtqfile";
        const int count = Pick(4);
        if (count) s << "[Relate]\r\n";
        for (int i = 1; i <= count; ++i) {
            const std::string ext = kExtensions[i - 1];
            plan.associate[ext] = Coin();
            s << "Name" << i << "=" << ext << (Coin() ? ",Round trip" : "") << "\r\nFile" << i << "=open,(App)"
              << "1A.TXT,%1,0\r\n";
        }
    }

    std::mt19937 rng_;
    std::string seed_;
};

// ---------------------------------------------------------------------------------
// One install and one uninstall, as the program carries them out.

class RoundTripMachine {
public:
    // The machine a run stopped dead left behind.
    explicit RoundTripMachine(const fs::path& snapshot) : vm(snapshot, Machine(false)) { vm.machine.SetDisk('E', {}); }

    explicit RoundTripMachine(bool wow64 = false) : vm(Machine(wow64))
    {
        vm.machine.SetDisk('E', {});
        // The setup folder's parent is there, as "Program Files" is; the install
        // records the folder it creates, not the parents it has to create on the way.
        vm.platform.files.CreateFolder("C:\\APP");
        vm.Put("C:\\WINDOWS\\EXIST.INI", "[Other]\r\nkeep=1\r\n[Section0]\r\nmine=2\r\n");
        vm.Put("C:\\WINDOWS\\SYSTEM32\\PRESENT.DLL", "another program's library");
        for (RootKey root : {RootKey::CurrentUser, RootKey::LocalMachine})
            vm.platform.registry.CreateKey(root, "Software");
        for (const auto& [id, folder] : vm.machine.Config().specialFolders) vm.platform.files.CreateFolder(folder);
    }

    void Prepare(const Plan& plan)
    {
        for (const auto& [name, bytes] : plan.medium) vm.Put("E:\\" + name, bytes);
        if (!plan.previousRtq.empty()) {
            vm.platform.registry.CreateKey(RootKey::ClassesRoot, ".RTQ");
            vm.platform.registry.WriteValue(RootKey::ClassesRoot, ".RTQ", "", RegValue::String(plan.previousRtq));
        }
    }

    // The medium's files are removed again, so a snapshot taken after this matches one
    // taken at the end: the medium is no part of the machine.
    void RemoveMedium(const Plan& plan)
    {
        for (const auto& [name, bytes] : plan.medium) vm.platform.files.RemoveFile("E:\\" + name);
    }

    void Install(const Plan& plan, const std::string& folder)
    {
        SetupContext context = vm.StartupContext();
        context.workFolder = "C:\\WINDOWS\\TEMP\\KRTMP1\\";
        context.scriptFile = context.workFolder + "SETUP.INI";
        context.sourceFolder = "E:\\";
        context.unSetupTitle = "RT " + FileNamePart(folder);
        vm.platform.files.CreateFolder("C:\\WINDOWS\\TEMP\\KRTMP1");
        vm.Put(context.workFolder + "SETUPB.EXE", "MZ the program");
        vm.Put(context.scriptFile, plan.script);
        RecordingView view;
        view.options.folderText = folder;
        view.options.overwrite = true;
        view.options.desktop = plan.boxes[0];
        view.options.startMenu = plan.boxes[1];
        view.options.startup = plan.boxes[2];
        view.options.sendTo = plan.boxes[3];
        view.answerBy = [&plan](const RecordingView::Question& q) {
            if (q.caption == "関連付けの確認") {
                for (const auto& [ext, yes] : plan.associate)
                    if (q.text.find("*." + ext + " ") != std::string::npos) return yes ? box::kYes : box::kNo;
            }
            return q.flags == box::kQuestionYesNo || q.flags == box::kWarningYesNo ? box::kYes : box::kOk;
        };
        ProfileStore profiles(vm.platform.files, "C:\\WINDOWS");
        FileOps ops(vm.platform);
        SharedFiles shared(vm.platform, true, nullptr);
        InstallRun run({vm.platform, profiles, ops, context, view, shared});
        run.Run();
        failures += run.State().failures.text;
        NoteRepairs(view);
        if (plan.appWritesLog) vm.Put(AddPathDelim(folder, "B") + "RUN.LOG", "the program ran");
        RemoveWorkFolder();
    }

    void Uninstall(const std::string& folder)
    {
        SetupContext context = vm.StartupContext();
        context.runMode = RunMode::Unsetup;
        context.workFolder = "C:\\WINDOWS\\TEMP\\KRTMP1\\";
        context.scriptFile = context.workFolder + "UNSETUP.INI";
        context.recordPath = AddPathDelim(folder, "B") + "UNSETUP.INI";
        vm.platform.files.CreateFolder("C:\\WINDOWS\\TEMP\\KRTMP1");
        vm.platform.files.Copy(context.recordPath, context.scriptFile, false);
        RecordingView view;
        view.options.folderText = AddPathDelim(folder, "B");
        view.deletionAnswers = {"Delete"};
        view.answerBy = [](const RecordingView::Question& q) {
            return q.flags == box::kQuestionYesNo || q.flags == box::kWarningYesNo ? box::kYes : box::kOk;
        };
        ProfileStore profiles(vm.platform.files, "C:\\WINDOWS");
        FileOps ops(vm.platform);
        SharedFiles shared(vm.platform, false, nullptr);
        ops.SetComponentUnregistrar([&](const std::string& path) { shared.RegisterComponent(path, false); });
        // As the program starts it: an earlier run of the record cut off is put right first.
        const RunServices services{vm.platform, profiles, ops, context, view, shared};
        const RepairOutcome repaired = RepairBeforeUninstall(services);
        UninstallRun run(services);
        run.GoOnFrom(repaired);
        run.Run();
        failures += run.Failures().text;
        NoteRepairs(view);
        RemoveWorkFolder();
    }

    TestMachine vm;
    std::string failures;
    std::vector<std::string> repairs;  // what the runs told of a run cut off before them

private:
    void NoteRepairs(const RecordingView& view)
    {
        for (const RecordingView::Question& q : view.questions)
            if (q.caption == kRepairCaption) repairs.push_back(q.text);
    }

    static platform::virt::MachineConfig Machine(bool wow64)
    {
        platform::virt::MachineConfig config;
        config.wow64 = wow64;
        return config;
    }

    void RemoveWorkFolder() { vm.platform.files.ShellDelete("C:\\WINDOWS\\TEMP\\KRTMP1"); }
};

struct Outcome {
    std::vector<std::string> differences;
    std::string failures;
    std::size_t installed = 0;  // the differences the install made, so a run that did nothing shows
};

Outcome RoundTrip(const Plan& plan, bool wow64 = false)
{
    RoundTripMachine m(wow64);
    m.Prepare(plan);
    m.RemoveMedium(plan);
    const Snapshot before = Take(m.vm.machine);
    m.Prepare(plan);
    m.Install(plan, "C:\\APP\\RT");
    m.RemoveMedium(plan);
    const std::size_t installed = Differences(before, Take(m.vm.machine)).size();
    m.Uninstall("C:\\APP\\RT");
    const Snapshot after = Take(m.vm.machine);
    Outcome outcome{Differences(before, after), m.failures, installed};
    for (const std::string& lost : LostLines(before, after)) outcome.differences.push_back("lost a line: " + lost);
    return outcome;
}

bool Fails(const Outcome& o)
{
    return !o.differences.empty() || !o.failures.empty();
}

// The script made as short as it goes while it still fails, line by line.
std::string Shrink(Plan plan)
{
    for (bool shrunk = true; shrunk;) {
        shrunk = false;
        std::vector<std::string> lines;
        std::istringstream in(plan.script);
        for (std::string line; std::getline(in, line);) lines.push_back(line + "\n");
        for (std::size_t i = 0; i < lines.size(); ++i) {
            Plan smaller = plan;
            smaller.script.clear();
            for (std::size_t j = 0; j < lines.size(); ++j)
                if (j != i) smaller.script += lines[j];
            if (!Fails(RoundTrip(smaller))) continue;
            plan = smaller;
            shrunk = true;
            break;
        }
    }
    return plan.script;
}

std::string Printable(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r') continue;
        if (c >= 0x80) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int EnvNumber(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    return text ? std::atoi(text) : fallback;
}

TEST(RoundTripTest, AnUninstallTakesAwayWhatTheInstallBrought)
{
    const int first = EnvNumber("LORVEL_ROUNDTRIP_FIRST", 1);
    const int seeds = EnvNumber("LORVEL_ROUNDTRIP_SEEDS", 200);
    int failing = 0;
    for (int seed = first; seed < first + seeds && failing < 3; ++seed) {
        const Plan plan = Generator(static_cast<std::uint32_t>(seed)).Make();
        const Outcome outcome = RoundTrip(plan);
        EXPECT_GE(outcome.installed, 4u) << "seed " << seed << ": the install made nearly nothing";
        if (!Fails(outcome)) continue;
        ++failing;
        std::string report;
        for (const std::string& d : outcome.differences) report += "  " + Printable(d) + "\n";
        ADD_FAILURE() << "seed " << seed << ":\n"
                      << report << (outcome.failures.empty() ? "" : "  failures:\n" + Printable(outcome.failures))
                      << "  a script that shows it" << (plan.appWritesLog ? " (the program then writes RUN.LOG)" : "")
                      << ":\n"
                      << Printable(Shrink(plan));
    }
}

TEST(RoundTripTest, TwoInstallsIntoOneFolderGoWithOneUninstall)
{
    // Two programs, and one program installed again over itself.
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        const Plan a = Generator(seed).Make();
        const Plan b = seed % 2 ? Generator(seed + 1000).Make() : a;
        RoundTripMachine m;
        m.Prepare(a);
        m.Prepare(b);
        m.RemoveMedium(a);
        m.RemoveMedium(b);
        const Snapshot before = Take(m.vm.machine);
        for (const Plan* plan : {&a, &b}) {
            m.Prepare(*plan);
            m.Install(*plan, "C:\\APP\\RT");
            m.RemoveMedium(*plan);
        }
        m.Uninstall("C:\\APP\\RT");
        const std::vector<std::string> differences = Differences(before, Take(m.vm.machine));
        EXPECT_TRUE(differences.empty()) << Printable(differences.empty() ? "" : differences.front());
        EXPECT_EQ(m.failures, "");
    }
}

TEST(RoundTripTest, ASharedLibraryGoesWithTheLastOfTwoPrograms)
{
    Plan program;
    program.medium["COMMON.DLL"] = "MZ\nDllRegisterServer=0\nDllUnregisterServer=0\n";
    program.script =
        "[Extend]\r\nSetupSpeed=1\r\n[CopyFile]\r\nFile1=(Sys)COMMON.DLL,/S/R\r\nFile2=(App)COMMON.DLL\r\n";
    for (const bool firstGoesFirst : {true, false}) {
        SCOPED_TRACE(firstGoesFirst ? "first installed, first uninstalled" : "last installed, first uninstalled");
        RoundTripMachine m;
        const Snapshot before = Take(m.vm.machine);
        for (const char* folder : {"C:\\P1", "C:\\P2"}) {
            m.Prepare(program);
            m.Install(program, folder);
            m.RemoveMedium(program);
        }
        m.Uninstall(firstGoesFirst ? "C:\\P1" : "C:\\P2");
        SharedFiles shared(m.vm.platform, false, nullptr);
        EXPECT_TRUE(m.vm.platform.files.Exists("C:\\WINDOWS\\SYSTEM32\\COMMON.DLL"))
            << "the other program still uses it";
        EXPECT_EQ(shared.ReadSharedCount("C:\\WINDOWS\\SYSTEM32\\COMMON.DLL"), 1);
        m.Uninstall(firstGoesFirst ? "C:\\P2" : "C:\\P1");
        EXPECT_FALSE(m.vm.platform.files.Exists("C:\\WINDOWS\\SYSTEM32\\COMMON.DLL"));
        const std::vector<std::string> differences = Differences(before, Take(m.vm.machine));
        EXPECT_TRUE(differences.empty()) << Printable(differences.empty() ? "" : differences.front());
        EXPECT_EQ(m.failures, "");
    }
}

// The shipped program is a 32-bit one, and most machines run 64-bit Windows: there
// its system files and its HKLM\SOFTWARE land in the 32-bit places, and the record
// names them as the program saw them. The uninstall must find them all the same.
TEST(RoundTripTest, A32BitProgramOn64BitWindowsRoundTripsToo)
{
    for (int seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(seed);
        const Outcome outcome = RoundTrip(Generator(static_cast<std::uint32_t>(seed)).Make(), true);
        EXPECT_GE(outcome.installed, 4u);
        EXPECT_TRUE(outcome.differences.empty())
            << Printable(outcome.differences.empty() ? "" : outcome.differences.front());
        EXPECT_EQ(outcome.failures, "");
    }
}

TEST(RoundTripTest, A32BitProgramLeavesItsTracesWhere32BitProgramsLook)
{
    Plan program;
    program.medium["COMMON.DLL"] = "MZ\nDllRegisterServer=0\nDllUnregisterServer=0\n";
    program.script = "[Extend]\r\nSetupSpeed=1\r\n[CopyFile]\r\nFile1=(Sys)COMMON.DLL,/S/R\r\n";
    RoundTripMachine m(true);
    m.Prepare(program);
    m.Install(program, "C:\\P1");
    m.RemoveMedium(program);
    ASSERT_EQ(m.failures, "");
    auto& machine = m.vm.machine;
    EXPECT_TRUE(std::filesystem::exists(machine.HostPath("C:\\WINDOWS\\SYSWOW64\\COMMON.DLL")));
    EXPECT_FALSE(std::filesystem::exists(machine.HostPath("C:\\WINDOWS\\SYSTEM32\\COMMON.DLL")));

    const std::string version = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
    const std::string wow64Version = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\";
    platform::Registry& native = machine.NativeReg();
    RegValue count;
    EXPECT_EQ(native.ReadValue(RootKey::LocalMachine, wow64Version + "SharedDLLs", "C:\\WINDOWS\\SYSTEM32\\COMMON.DLL",
                               count),
              0u);
    EXPECT_NE(
        native.ReadValue(RootKey::LocalMachine, version + "SharedDLLs", "C:\\WINDOWS\\SYSTEM32\\COMMON.DLL", count),
        0u);
    EXPECT_EQ(native.OpenKey(RootKey::LocalMachine, wow64Version + "Uninstall\\RT P1"), 0u);
    EXPECT_NE(native.OpenKey(RootKey::LocalMachine, version + "Uninstall\\RT P1"), 0u);

    m.Uninstall("C:\\P1");
    EXPECT_EQ(m.failures, "");
    EXPECT_FALSE(std::filesystem::exists(machine.HostPath("C:\\WINDOWS\\SYSWOW64\\COMMON.DLL")));
    EXPECT_NE(native.OpenKey(RootKey::LocalMachine, wow64Version + "Uninstall\\RT P1"), 0u);
}

// ---------------------------------------------------------------------------------
// Runs stopped dead at every change, by a kill or by a power cut.

// A bit of everything, over a machine that has what the script meets: a shared library
// another program counts, a registry value and another program's profile file the
// script writes over, and the extension it associates pointing to another type.
Plan CutPlan()
{
    Plan plan;
    const std::string component = "MZ\nDllRegisterServer=0\nDllUnregisterServer=0\n";
    plan.medium = {{"1A.TXT", "file 1A"},
                   {"2B.DAT", "file 2B"},
                   {"COUNTED.DLL", "our copy"},
                   {"COMP.DLL", component},
                   {"NEWSH.DLL", component}};
    plan.script = "[Extend]\r\nSetupSpeed=1\r\n[MakeFolder]\r\nFolder1=(App)DATA\r\n"
                  "[CopyFile]\r\nFile1=(App)1A.TXT\r\nFile2=(App)DATA\\2B.DAT\r\nFile3=(Sys)COUNTED.DLL,/S\r\n"
                  "File4=(App)COMP.DLL,/R\r\nFile5=(Sys)NEWSH.DLL,/S/R\r\n"
                  "[ShortCut]\r\nMake1=(App)1A.TXT\r\nName1=(Smn)RTCUT\\L1\r\n"
                  "[Registry]\r\nKey1=(Cuser)Software\\RTOld\r\nName1=V\r\nValue1=(Str)new\r\n"
                  "Key2=(Local)Software\\RTCut\\K\\\r\nName2=N\r\nValue2=(Dwd)5\r\n"
                  "[DeleteRegistry]\r\nKey1=(Local)Software\\RTCut\r\n"
                  "[IniFile]\r\nData1=Section0,Key1,(App)1,(Win)EXIST.INI\r\nData2=S,K,V,(App)SETTINGS.INI\r\n"
                  "[AddDeleteFile]\r\nFile1=(App)SETTINGS.INI\r\n"
                  "[Relate]\r\nName1=RTQ\r\nFile1=open,(App)1A.TXT,%1,0\r\n";
    plan.boxes = {false, true, false, false};
    plan.associate["RTQ"] = true;
    plan.previousRtq = "rtqfile";
    return plan;
}

constexpr const char* kCutFolder = "C:\\APP\\RT";

void PrepareCutMachine(RoundTripMachine& m, const Plan& plan)
{
    m.Prepare(plan);
    auto& registry = m.vm.platform.registry;
    registry.CreateKey(RootKey::CurrentUser, "Software\\RTOld");
    registry.WriteValue(RootKey::CurrentUser, "Software\\RTOld", "V", RegValue::String("old"));
    const std::string counted = "C:\\WINDOWS\\SYSTEM32\\COUNTED.DLL";
    m.vm.Put(counted, "another program's library");
    // Newer than the medium's copy, so it is counted and kept, never replaced: a file
    // replaced in place at a power cut is the one thing the journal cannot bring back.
    const fs::path host = m.vm.machine.HostPath(counted);
    fs::last_write_time(host, fs::last_write_time(host) + fs::file_time_type::duration(std::int64_t{1} << 50));
    registry.CreateKey(RootKey::LocalMachine, kSharedDllsKey);
    registry.WriteValue(RootKey::LocalMachine, kSharedDllsKey, counted, RegValue::DoubleWord(1));
}

struct Reference {
    Snapshot installed;  // after a whole install
    Snapshot removed;    // after a whole install and its uninstall
};

Reference WholeRun(const Plan& plan)
{
    RoundTripMachine m;
    PrepareCutMachine(m, plan);
    Reference reference;
    m.Install(plan, kCutFolder);
    EXPECT_EQ(m.failures, "");
    reference.installed = Take(m.vm.machine);
    m.Uninstall(kCutFolder);
    reference.removed = Take(m.vm.machine);
    return reference;
}

std::string Listed(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items) text += "  " + Printable(item) + "\n";
    return text;
}

// A machine prepared for the plan, with the plan installed first when wanted, whose
// install (or uninstall) is stopped dead at its k-th change; the machine as it was
// then is left in into. False when the run has fewer changes than k.
bool CutAt(const Plan& plan, int k, bool powerCut, bool installFirst, const fs::path& into)
{
    RoundTripMachine m;
    PrepareCutMachine(m, plan);
    if (installFirst) m.Install(plan, kCutFolder);
    m.vm.machine.StopAtChange(k, into, powerCut);
    try {
        if (installFirst)
            m.Uninstall(kCutFolder);
        else
            m.Install(plan, kCutFolder);
        return false;
    } catch (const platform::virt::MachineStopped&) {
        return true;
    }
}

// Cut at the k-th change (a kill, or a power cut that drops what was not flushed): the
// machine is left as it was at that call, with nothing unwound. Started again, the
// install must leave the machine as one whole install does, and its uninstall as
// one whole round trip does: nothing counted twice, no association's earlier type lost.
TEST(RoundTripTest, AnInstallCutOffAtAnyChangeIsUndoneAndDoneAgainByTheNextRun)
{
    const Plan plan = CutPlan();
    const Reference reference = WholeRun(plan);
    for (const bool powerCut : {false, true}) {
        int cuts = 0;
        int told = 0;
        for (int k = 1;; ++k) {
            SCOPED_TRACE(std::string(powerCut ? "power cut" : "kill") + " at change " + std::to_string(k));
            ScratchFolder stopped;
            if (!CutAt(plan, k, powerCut, false, stopped.Path() / "root")) break;
            ++cuts;
            RoundTripMachine again(stopped.Path() / "root");
            again.Install(plan, kCutFolder);
            EXPECT_EQ(again.failures, "");
            told += static_cast<int>(again.repairs.size());
            ASSERT_EQ(Listed(Differences(reference.installed, Take(again.vm.machine))), "");
            again.Uninstall(kCutFolder);
            ASSERT_EQ(Listed(Differences(reference.removed, Take(again.vm.machine))), "");
        }
        EXPECT_GT(cuts, 40);
        // Every cut is told of but those before the journal's first line and after its
        // last, when there was nothing to put right.
        EXPECT_GT(told, cuts - 10);
    }
}

// An uninstall cut off and started again from the list ends as one whole uninstall:
// a count it lowered before the cut is not lowered again.
TEST(RoundTripTest, AnUninstallCutOffAtAnyChangeIsFinishedByTheNextRun)
{
    const Plan plan = CutPlan();
    const Reference reference = WholeRun(plan);
    for (const bool powerCut : {false, true}) {
        int cuts = 0;
        for (int k = 1;; ++k) {
            SCOPED_TRACE(std::string(powerCut ? "power cut" : "kill") + " at change " + std::to_string(k));
            ScratchFolder stopped;
            if (!CutAt(plan, k, powerCut, true, stopped.Path() / "root")) break;
            ++cuts;
            // Started again from the list while the list still has the program; once
            // its entry is gone, the next start for it is an install.
            RoundTripMachine again(stopped.Path() / "root");
            if (again.vm.platform.registry.OpenKey(RootKey::LocalMachine, std::string(kUninstallListKey) + "RT RT") !=
                0) {
                again.Install(plan, kCutFolder);
                EXPECT_EQ(again.failures, "");
                ASSERT_EQ(Listed(Differences(reference.installed, Take(again.vm.machine))), "");
            }
            again.Uninstall(kCutFolder);
            EXPECT_EQ(again.failures, "") << "what the first run removed is no failure of the second";
            ASSERT_EQ(Listed(Differences(reference.removed, Take(again.vm.machine))), "");
        }
        EXPECT_GT(cuts, 10);
    }
}

}  // namespace
}  // namespace lorvel::testing
