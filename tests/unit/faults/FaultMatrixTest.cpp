// Faults at every operation of a run. One rich script is installed cleanly once to
// count its operations of each kind; then, for each fault a kind can meet and each k
// up to that count, it is installed again on a fresh machine with the k-th operation
// failing, and installed once more with the fault gone. The same for the uninstall
// from the record. Each faulted run must end (no crash, no endless question), report
// what it could not do, leave the record whole (the old one or a new one), and change
// nothing the script or the record does not name; the second attempt must finish
// the job as a run without faults does.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "../VirtualMachineFixture.h"
#include "../VouchedRecord.h"
#include "../run/RecordingView.h"
#include "install/InstallRun.h"
#include "run/RunJournal.h"
#include "run/SharedFiles.h"
#include "uninstall/UninstallRun.h"
#include "util/Sha256.h"
#include "util/ShiftJisText.h"
#include "util/Szdd.h"

namespace lorvel::testing {
namespace {

using namespace platform;
using platform::virt::Fault;
using platform::virt::OperationKind;
using platform::virt::VirtualMachine;
namespace fs = std::filesystem;

constexpr const char* kSetupFolder = "C:\\APP\\FT\\";
constexpr const char* kWorkFolder = "C:\\WINDOWS\\TEMP\\KRTMP1\\";
constexpr const char* kRecord = "C:\\APP\\FT\\UNSETUP.INI";
constexpr const char* kOldRecord =
    "[SetupFolder]\r\nFolder=C:\\APP\\FT\\\r\n[DeleteFile]\r\nFile1=C:\\APP\\FT\\OLD.TXT\r\n"
    "[UnSetupRegistryKey]\r\nKey=SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\FaultTest\r\n"
    "[ProgramID]\r\nID=FaultTest\r\n";

// Every phase: folders, plain, compressed, shared and self-registering files,
// shortcuts, registry values, profile entries in a new and an existing file, the
// uninstaller's extra lists and an association.
constexpr const char* kScript =
    "[Extend]\r\nSetupSpeed=1\r\n"
    "[Title]\r\nUnSetup=FaultTest\r\n"
    "[MakeFolder]\r\nFolder1=(App)DATA\r\nFolder2=(App)DATA\\SUB\r\n"
    "[CopyFile]\r\n"
    "File1=(App)README.TXT\r\n"
    "File2=(App)DATA\\DATA.DAT\r\n"
    "File3=(App)APP.EX_\r\n"
    "File4=(Sys)COMMON.DLL,/S/R\r\n"
    "File5=(App)TOOL.OCX,/R\r\n"
    "File6=(Sys)SHARED.DAT,/S\r\n"
    "[ShortCut]\r\n"
    "Make1=(App)README.TXT\r\nName1=(Sta)Faults\\Readme\r\n"
    "Make2=(App)APP.EXE,/x\r\nName2=(Dsk)App,(App)\r\n"
    "[Registry]\r\n"
    "Key1=(Cuser)\\Software\\FaultTest\\\r\nName1=Folder\r\nValue1=(Str)(Pdd)(App)\r\n"
    "Key2=(Local)\\Software\\FaultTest\\Counts\\\r\nName2=Runs\r\nValue2=(Int)3\r\n"
    "Key3=(Local)\\Software\\FaultTest\\\r\nName3=Bits\r\nValue3=(Bin)0A0B\r\n"
    "[DeleteRegistry]\r\nKey1=(Cuser)Software\\FaultTest\r\nKey2=(Local)Software\\FaultTest\r\n"
    "[IniFile]\r\n"
    "Data1=Settings,Folder,(App),(App)SETTINGS.INI\r\n"
    "Data2=FaultTest,Installed,1,(Win)EXIST.INI\r\n"
    "[AddDeleteFile]\r\nFile1=(App)SETTINGS.INI\r\nFile2=(App)*.LOG\r\n"
    "[Relate]\r\nName1=FTX,Fault document\r\nFile1=open,(App)APP.EXE,%1,0\r\n";

// ---------------------------------------------------------------------------------
// The machine as the checks see it.

struct Snapshot {
    std::map<std::string, std::string> files;     // host path below the root -> bytes, "<dir>" for folders
    std::map<std::string, std::string> registry;  // "KEY" -> "<key>", "KEY\tNAME" -> data, upper case
};

// The work folder goes when the program ends; the two tables are the machine's own
// bookkeeping, compared through what they describe; the medium is no part of it.
bool IsBookkeeping(const std::string& relative)
{
    return relative == "registry.reg" || relative == "attributes.txt" || relative == "trustees.txt" ||
           relative.rfind("C/WINDOWS/TEMP", 0) == 0 || relative.rfind("E", 0) == 0;
}

void ReadRegistry(const fs::path& file, std::map<std::string, std::string>& into)
{
    std::ifstream in(file, std::ios::binary);
    std::string line, key;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line == "REGEDIT4") continue;
        if (line.front() == '[') {
            key = UpperCase(line.substr(1, line.size() - 2));
            into[key] = "<key>";
            continue;
        }
        std::size_t end = 1;
        if (line.front() == '"') {
            while (end < line.size() && line[end] != '"') end += line[end] == '\\' ? 2 : 1;
            ++end;
        }
        into[key + "\t" + UpperCase(line.substr(0, end))] = line.substr(end + 1);
    }
}

Snapshot Take(VirtualMachine& machine)
{
    Snapshot shot;
    shot.files = HostTree(machine, IsBookkeeping);
    ReadRegistry(machine.Root() / "registry.reg", shot.registry);
    return shot;
}

// A profile file's values by section, without the key numbers: a record written in
// two steps holds the same items in another order.
std::string RecordItems(const std::string& bytes)
{
    std::set<std::string> items;
    std::istringstream in(bytes);
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() == '[') section = line;
        const auto equals = line.find('=');
        if (equals != std::string::npos) items.insert(section + line.substr(equals));
    }
    std::string text;
    for (const std::string& item : items) text += item + "\n";
    return text;
}

constexpr const char* kSharedDlls = "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHAREDDLLS";

// What a second attempt is compared by: a merged record holds its items in another
// order. Shared counts are compared as they are.
// The record's digest differs with that order too: it is compared by whether it is
// the digest of the record beside it.
Snapshot Normalised(Snapshot shot)
{
    std::string digest;
    for (const auto& [path, bytes] : shot.files)
        if (UpperCase(path).ends_with("/UNSETUP.INI")) digest = Sha256Hex(bytes);
    for (auto& [name, data] : shot.registry)
        if (name.ends_with("\t\"RECORDDIGEST\""))
            data = !digest.empty() && data.find(digest) != std::string::npos ? "<the record's digest>"
                                                                             : "<another digest>";
    for (auto& [path, bytes] : shot.files)
        if (UpperCase(path).ends_with("/UNSETUP.INI")) bytes = RecordItems(bytes);
    // A journal that says its run finished is one whose removal failed: the next run
    // removes it, and it changes nothing.
    bool journals = false;
    for (auto it = shot.files.begin(); it != shot.files.end();) {
        const bool journal = it->first.rfind("C/WINDOWS/LVJOURNAL/", 0) == 0;
        const auto parsed = journal ? ParseJournal(it->second) : std::nullopt;
        if (parsed && parsed->done)
            it = shot.files.erase(it);
        else
            journals = journals || journal, ++it;
    }
    if (!journals) shot.files.erase("C/WINDOWS/LVJOURNAL");
    return shot;
}

// The shared files of the script, which the machine does not have before the first
// install: each install that copies one counts one use of it, and one that does not
// copy it leaves its count alone.
constexpr const char* kSharedFiles[] = {"C:\\WINDOWS\\SYSTEM32\\COMMON.DLL", "C:\\WINDOWS\\SYSTEM32\\SHARED.DAT"};

// The file's count in the shared-file table: 0 when it has none, 0xFFFFFFFF when it
// has a value that is no count.
std::uint32_t SharedCount(Registry& registry, const std::string& path)
{
    RegValue value;
    if (registry.ReadValue(RootKey::LocalMachine, kSharedDllsKey, path, value) != kErrorSuccess) return 0;
    return value.type == ValueType::DoubleWord ? value.AsDoubleWord() : 0xFFFFFFFFu;
}

template <typename Map>
std::vector<std::string> Changed(const Map& before, const Map& after)
{
    std::vector<std::string> changed;
    for (const auto& [item, value] : after) {
        const auto old = before.find(item);
        if (old == before.end() || old->second != value) changed.push_back(item);
    }
    for (const auto& [item, value] : before)
        if (!after.count(item)) changed.push_back(item);
    return changed;
}

// The lines of one text that the other lacks.
std::string LinesNotIn(const std::string& text, const std::string& other)
{
    std::istringstream in(text);
    std::string missing;
    for (std::string line; std::getline(in, line);)
        if (other.find(line) == std::string::npos) missing += " [" + line + "]";
    return missing;
}

// Each changed item, with the lines it lost and gained.
std::vector<std::string> Differences(const Snapshot& a, const Snapshot& b)
{
    std::vector<std::string> found;
    auto explain = [&found](const auto& before, const auto& after) {
        for (const std::string& item : Changed(before, after)) {
            const auto was = before.find(item);
            const auto now = after.find(item);
            if (was == before.end() || now == after.end()) {
                found.push_back(item + (was == before.end() ? " (new)" : " (gone)"));
                continue;
            }
            found.push_back(item + " lost" + LinesNotIn(was->second, now->second) + " gained" +
                            LinesNotIn(now->second, was->second));
        }
    };
    explain(a.files, b.files);
    explain(a.registry, b.registry);
    return found;
}

std::string Lines(const std::vector<std::string>& items)
{
    std::string text;
    for (std::size_t i = 0; i < items.size() && i < 8; ++i) text += "  " + items[i] + "\n";
    return text;
}

// ---------------------------------------------------------------------------------
// The runs.

struct RunResult {
    std::string raised;                 // the general error report's text, when the run raised
    std::string failures;               // the failure text the run offered
    std::vector<std::string> warnings;  // warning boxes and the stop messages
    std::string unexpected;             // what ended the run otherwise: a defect

    bool Reported() const { return !raised.empty() || !failures.empty() || !warnings.empty(); }
};

// An endless question loop ends the run here, as a hang.
struct Hang {};

class FaultMachine {
public:
    FaultMachine()
    {
        vm.machine.SetDisk('E', {.removable = true});
        vm.platform.files.CreateFolder("C:\\APP");
        vm.platform.files.CreateFolder("C:\\APP\\FT");
        vm.Put("C:\\APP\\FT\\OLD.TXT", "an earlier version's file");
        PutVouchedRecord(vm, kRecord, kOldRecord, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\FaultTest");
        vm.Put("C:\\WINDOWS\\EXIST.INI", "[Other]\r\nkeep=1\r\n");
        vm.Put("C:\\WINDOWS\\SYSTEM32\\KERNEL.DLL", "the system's");
        for (RootKey root : {RootKey::CurrentUser, RootKey::LocalMachine})
            vm.platform.registry.CreateKey(root, "Software\\Other");
        for (const auto& [id, folder] : vm.machine.Config().specialFolders) vm.platform.files.CreateFolder(folder);
        vm.Put("E:\\README.TXT", "read me");
        vm.Put("E:\\DATA.DAT", "data");
        vm.Put("E:\\APP.EX_", CompressSzdd("MZ the application, expanded from its compressed form", 'E'));
        vm.Put("E:\\COMMON.DLL", "MZ\nDllRegisterServer=0\nDllUnregisterServer=0\n");
        vm.Put("E:\\TOOL.OCX", "MZ\nDllRegisterServer=0\nDllUnregisterServer=0\n");
        vm.Put("E:\\SHARED.DAT", "shared data");
        vm.machine.ResetOperations();
    }

    RunResult Install()
    {
        SetupContext context = BaseContext();
        context.scriptFile = std::string(kWorkFolder) + "SETUP.INI";
        context.sourceFolder = "E:\\";
        context.unSetupTitle = "FaultTest";
        vm.Put(std::string(kWorkFolder) + "SETUPB.EXE", "MZ the program");
        vm.Put(context.scriptFile, kScript);
        RecordingView view;
        view.options.folderText = "C:\\APP\\FT";
        view.options.desktop = view.options.startMenu = true;
        RunResult result;
        ProfileStore profiles(vm.platform.files, "C:\\WINDOWS");
        FileOps ops(vm.platform);
        SharedFiles shared(vm.platform, true,
                           [&](const std::string& text, const std::string&) { result.warnings.push_back(text); });
        InstallRun run({vm.platform, profiles, ops, context, view, shared});
        Guarded(result, view, [&] { run.Run(); });
        result.failures = run.State().failures.text;
        return result;
    }

    RunResult Uninstall(const std::string& record)
    {
        SetupContext context = BaseContext();
        context.runMode = RunMode::Unsetup;
        context.scriptFile = std::string(kWorkFolder) + "UNSETUP.INI";
        context.recordPath = kRecord;
        vm.Put(context.scriptFile, record);
        RecordingView view;
        view.options.folderText = kSetupFolder;
        view.deletionAnswers = {"Delete"};
        RunResult result;
        ProfileStore profiles(vm.platform.files, "C:\\WINDOWS");
        FileOps ops(vm.platform);
        SharedFiles shared(vm.platform, false, nullptr);
        ops.SetComponentUnregistrar([&](const std::string& path) { shared.RegisterComponent(path, false); });
        Guarded(result, view, [&] {
            UninstallRun run({vm.platform, profiles, ops, context, view, shared});
            run.Run();
            result.failures = run.Failures().text;
        });
        return result;
    }

    TestMachine vm;

private:
    static void Guarded(RunResult& result, RecordingView& view, const std::function<void()>& run)
    {
        // Yes to every question; a run that asks without end is a hang.
        view.answerBy = [&view](const RecordingView::Question& q) {
            if (view.questions.size() > 200) throw Hang{};
            return q.flags == box::kQuestionYesNo || q.flags == box::kWarningYesNo ? box::kYes : box::kOk;
        };
        try {
            run();
        } catch (const std::exception& error) {
            // What the form's dispatch shows as the general error report.
            result.raised = error.what();
            if (result.raised.empty()) result.unexpected = "an error without a message";
        } catch (const Hang&) {
            result.unexpected = "a question asked over and over";
        } catch (...) {
            result.unexpected = "an exception of no standard kind";
        }
        for (const auto& q : view.questions)
            if (q.flags == box::kStopOk || q.flags == box::kWarningOk) result.warnings.push_back(q.text);
    }

    SetupContext BaseContext()
    {
        SetupContext c = vm.StartupContext();
        c.workFolder = kWorkFolder;
        c.programId = "FaultTest";
        return c;
    }
};

// ---------------------------------------------------------------------------------
// What the script and its record name; nothing else may change.

class Named {
public:
    explicit Named(FaultMachine& m)
    {
        const std::string programs = m.vm.platform.shell.GetSpecialFolder(csidl::kPrograms);
        const std::string desktop = m.vm.platform.shell.GetSpecialFolder(csidl::kDesktopDirectory);
        for (const std::string& path :
             {std::string(kSetupFolder), std::string("C:\\WINDOWS\\SYSTEM32\\COMMON.DLL"),
              std::string("C:\\WINDOWS\\SYSTEM32\\SHARED.DAT"), std::string("C:\\WINDOWS\\EXIST.INI"),
              std::string("C:\\WINDOWS\\UNKORAT.EXE"), std::string("C:\\WINDOWS\\KORAT98.INI"),
              std::string("C:\\WINDOWS\\LVJOURNAL"), programs + "\\Faults", desktop + "\\App.lnk"})
            files_.push_back(
                UpperCase(fs::relative(m.vm.machine.HostPath(path), m.vm.machine.Root()).generic_string()));
        keys_ = {"HKEY_CURRENT_USER\\SOFTWARE\\FAULTTEST",
                 "HKEY_LOCAL_MACHINE\\SOFTWARE\\FAULTTEST",
                 "HKEY_CLASSES_ROOT\\.FTX",
                 "HKEY_CLASSES_ROOT\\FTX_AUTO_FILE",
                 "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\FAULTTEST",
                 std::string(kSharedDlls) + "\t\"C:\\\\WINDOWS\\\\SYSTEM32\\\\COMMON.DLL\"",
                 std::string(kSharedDlls) + "\t\"C:\\\\WINDOWS\\\\SYSTEM32\\\\SHARED.DAT\""};
        // The two tables that hold the entries are made by the first program that needs them.
        exactKeys_ = {kSharedDlls, "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL"};
    }

    // The changes between two snapshots that touch nothing named.
    std::vector<std::string> Outside(const Snapshot& before, const Snapshot& after) const
    {
        std::vector<std::string> outside;
        for (const std::string& path : Changed(before.files, after.files))
            if (!Below(files_, UpperCase(path), '/')) outside.push_back(path);
        for (const std::string& item : Changed(before.registry, after.registry))
            if (!Below(keys_, item, '\\') && !exactKeys_.count(item)) outside.push_back(item);
        return outside;
    }

private:
    static bool Below(const std::vector<std::string>& prefixes, const std::string& item, char separator)
    {
        for (std::string prefix : prefixes) {
            while (!prefix.empty() && prefix.back() == separator) prefix.pop_back();
            if (item.rfind(prefix, 0) != 0) continue;
            if (item.size() == prefix.size() || item[prefix.size()] == separator || item[prefix.size()] == '\t')
                return true;
        }
        return false;
    }

    std::vector<std::string> files_;
    std::vector<std::string> keys_;
    std::set<std::string> exactKeys_;
};

// A record is the old one, byte for byte, or a whole new one: every section the
// writer puts last is there, and nothing the old one named is lost.
std::string RecordProblem(const std::string& record)
{
    if (record == kOldRecord) return {};
    if (record == "<missing>") return "the record is gone";
    const std::string items = RecordItems(record);
    for (const char* needed :
         {"[SetupFolder]=C:\\APP\\FT\\", "[DeleteFile]=C:\\APP\\FT\\OLD.TXT",
          "[UnSetupRegistryKey]=SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\FaultTest",
          "[ProgramID]=FaultTest", "[DeleteFile]=C:\\APP\\FT\\UNSETUP.INI"})
        if (items.find(std::string(needed) + "\n") == std::string::npos)
            return std::string("the record lacks ") + needed;
    return {};
}

struct Point {
    OperationKind kind;
    Fault fault;
    const char* name;
};

const Point kPoints[] = {
    {OperationKind::FileWrite, Fault::DiskFull, "file write, disk full"},
    {OperationKind::FileWrite, Fault::AccessDenied, "file write, access denied"},
    {OperationKind::FileWrite, Fault::SharingViolation, "file write, sharing violation"},
    {OperationKind::FileCopy, Fault::DiskFull, "copy, disk full"},
    {OperationKind::FileCopy, Fault::AccessDenied, "copy, access denied"},
    {OperationKind::FileCopy, Fault::SharingViolation, "copy, sharing violation"},
    {OperationKind::FolderCreate, Fault::DiskFull, "folder, disk full"},
    {OperationKind::FolderCreate, Fault::AccessDenied, "folder, access denied"},
    {OperationKind::FileRemoval, Fault::AccessDenied, "removal, access denied"},
    {OperationKind::FileRemoval, Fault::SharingViolation, "removal, sharing violation"},
    {OperationKind::RegistryCreate, Fault::AccessDenied, "key creation denied"},
    {OperationKind::RegistryWrite, Fault::AccessDenied, "value write denied"},
    {OperationKind::RegistryDelete, Fault::AccessDenied, "deletion denied"},
    {OperationKind::LinkSave, Fault::LinkClassMissing, "link class missing"},
    {OperationKind::ComponentCall, Fault::RegistrationFails, "registration fails"},
    {OperationKind::MediumRead, Fault::MediumRemoved, "medium removed"},
};

std::string Describe(const Point& point, int k)
{
    return std::string(point.name) + " at operation " + std::to_string(k);
}

TEST(FaultMatrixTest, AnInstallUnderAFaultReportsItAndASecondAttemptFinishes)
{
    FaultMachine clean;
    const Named named(clean);
    const Snapshot before = Take(clean.vm.machine);
    const RunResult cleanRun = clean.Install();
    ASSERT_TRUE(cleanRun.failures.empty() && cleanRun.raised.empty() && cleanRun.warnings.empty())
        << cleanRun.failures << cleanRun.raised;
    std::map<OperationKind, int> counts;
    for (const Point& p : kPoints) counts[p.kind] = clean.vm.machine.OperationCount(p.kind);
    const Snapshot installed = Normalised(Take(clean.vm.machine));
    ASSERT_TRUE(named.Outside(before, Take(clean.vm.machine)).empty())
        << Lines(named.Outside(before, Take(clean.vm.machine)));

    int points = 0;
    for (const Point& p : kPoints) {
        std::printf("  %s: %d\n", p.name, counts[p.kind]);
        for (int k = 1; k <= counts[p.kind]; ++k) {
            const std::string where = Describe(p, k);
            SCOPED_TRACE(where);
            ++points;
            FaultMachine m;
            m.vm.machine.FailAt(p.kind, k, p.fault);
            const RunResult faulted = m.Install();
            ASSERT_EQ(faulted.unexpected, "");
            // The run is the clean one up to the k-th operation, so the fault is met.
            ASSERT_GE(m.vm.machine.OperationCount(p.kind), k);
            const Snapshot after = Take(m.vm.machine);
            EXPECT_EQ(RecordProblem(m.vm.Get(kRecord)), "");
            EXPECT_EQ(Lines(named.Outside(before, after)), "");
            const std::vector<std::string> lost = Differences(installed, Normalised(after));
            if (!lost.empty()) {
                EXPECT_TRUE(faulted.Reported()) << "the install did less, and said nothing:\n" << Lines(lost);
            }
            // A count stands only with a record that lists the file, and a shared file
            // brought by a run that ended before its record goes with it.
            for (const char* file : kSharedFiles)
                EXPECT_EQ(SharedCount(m.vm.platform.registry, file), m.vm.platform.files.FileExists(file) ? 1u : 0u)
                    << file;

            m.vm.machine.ResetOperations();
            const RunResult second = m.Install();
            EXPECT_EQ(second.unexpected, "");
            EXPECT_EQ(second.raised + second.failures, "");
            EXPECT_EQ(Lines(Differences(installed, Normalised(Take(m.vm.machine)))), "");
            // Counted once, however far the first attempt got.
            for (const char* file : kSharedFiles) EXPECT_EQ(SharedCount(m.vm.platform.registry, file), 1u) << file;
        }
    }
    std::printf("install fault points: %d\n", points);
    EXPECT_GT(points, 100);
}

TEST(FaultMatrixTest, AnUninstallUnderAFaultReportsItAndASecondAttemptFinishes)
{
    FaultMachine clean;
    const Named named(clean);
    ASSERT_EQ(clean.Install().failures, "");
    const std::string record = clean.vm.Get(kRecord);
    const Snapshot installed = Take(clean.vm.machine);
    clean.vm.machine.ResetOperations();
    const RunResult cleanRun = clean.Uninstall(record);
    ASSERT_TRUE(cleanRun.failures.empty() && cleanRun.raised.empty()) << cleanRun.failures << cleanRun.raised;
    std::map<OperationKind, int> counts;
    for (const Point& p : kPoints) counts[p.kind] = clean.vm.machine.OperationCount(p.kind);
    const Snapshot removed = Normalised(Take(clean.vm.machine));
    ASSERT_EQ(Lines(named.Outside(installed, Take(clean.vm.machine))), "");

    int points = 0;
    for (const Point& p : kPoints) {
        std::printf("  %s: %d\n", p.name, counts[p.kind]);
        for (int k = 1; k <= counts[p.kind]; ++k) {
            const std::string where = Describe(p, k);
            SCOPED_TRACE(where);
            ++points;
            FaultMachine m;
            m.Install();
            m.vm.machine.ResetOperations();
            m.vm.machine.FailAt(p.kind, k, p.fault);
            const RunResult faulted = m.Uninstall(record);
            ASSERT_EQ(faulted.unexpected, "");
            // The run is the clean one up to the k-th operation, so the fault is met.
            ASSERT_GE(m.vm.machine.OperationCount(p.kind), k);
            const Snapshot after = Take(m.vm.machine);
            EXPECT_EQ(Lines(named.Outside(installed, after)), "");
            const std::vector<std::string> left = Differences(removed, Normalised(after));
            if (!left.empty()) {
                EXPECT_TRUE(faulted.Reported()) << "the uninstall left things, and said nothing:\n" << Lines(left);
            }

            m.vm.machine.ResetOperations();
            const RunResult second = m.Uninstall(record);
            EXPECT_EQ(second.unexpected, "");
            EXPECT_EQ(second.raised, "");
            EXPECT_EQ(Lines(Differences(removed, Normalised(Take(m.vm.machine)))), "");
        }
    }
    std::printf("uninstall fault points: %d\n", points);
    EXPECT_GT(points, 20);
}

}  // namespace
}  // namespace lorvel::testing
