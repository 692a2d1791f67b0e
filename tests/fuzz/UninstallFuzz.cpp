// A fuzzed uninstall record, read and carried out on the simulated machine, either as
// one the install vouched for (the first byte's bit 4 and an entry in the list of
// installed programs) or as one nobody did. Whatever it holds, the run ends without a
// crash or an error of no standard kind, and it takes away only what the record
// names: a path it names, a path below a folder it names (never a protected one), a
// match of a wildcard it names (never in a protected folder, one that holds one, or
// anything below the Windows folder), or the emptied group of a shortcut it names;
// never a protected folder itself. A registry key goes only when the record names it
// or a key above it, and never one the uninstall's own rules protect; no extension is
// pointed at an executable type, and no executable extension changes. A record nobody
// vouched for removes nothing outside the folder that holds it, whatever setup folder
// it names, and no key but its own entry.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzMachine.h"
#include "run/FileOps.h"
#include "run/ProfileStore.h"
#include "run/RecordTrust.h"
#include "run/RegistryKeys.h"
#include "run/SharedFiles.h"
#include "run/UninstallRecord.h"
#include "uninstall/UninstallGuard.h"
#include "uninstall/UninstallRun.h"
#include "util/RegistryTokens.h"

using namespace lorvel;
using namespace lorvel::fuzz;

namespace {

constexpr const char* kRecord = "C:\\WINDOWS\\TEMP\\KRTMP1\\UNSETUP.INI";
// Where the record lies, as the entry's command names it.
constexpr const char* kRecordPath = "C:\\APP\\UNSETUP.INI";

// The folders nothing may remove, and below which no wildcard may reach.
const char* const kProtected[] = {
    "C:\\",
    "C:\\WINDOWS",
    "C:\\WINDOWS\\SYSTEM32",
    "C:\\WINDOWS\\TEMP",
    "C:\\PROGRAM FILES",
    "C:\\USER\\MENU",
    "C:\\USER\\MENU\\PROGRAMS",
    "C:\\USER\\MENU\\PROGRAMS\\STARTUP",
    "C:\\USER\\DESKTOP",
    "C:\\USER\\SENDTO",
    "C:\\ALL\\MENU",
    "C:\\ALL\\MENU\\PROGRAMS",
    "C:\\ALL\\MENU\\PROGRAMS\\STARTUP",
    "C:\\ALL\\DESKTOP",
};

bool Below(const std::string& path, const std::string& folder)
{
    const std::string f = folder.size() == 3 ? folder : folder + "\\";
    return path.size() > f.size() && path.compare(0, f.size(), f) == 0;
}

bool IsProtected(const std::string& folder)
{
    for (const char* p : kProtected)
        if (folder == p) return true;
    return false;
}

bool HoldsProtected(const std::string& folder)
{
    for (const char* p : kProtected)
        if (folder == p || Below(p, folder)) return true;
    return false;
}

// Where no wildcard may reach: also anything below the Windows folder, whose contents
// belong to the system.
bool OutOfWildcardReach(const std::string& folder)
{
    return HoldsProtected(folder) || Below(folder, "C:\\WINDOWS");
}

// A record's path as the simulated machine reads it: upper case, no trailing "\",
// trailing dots and blanks of each name dropped. Anything else it refuses (relative
// paths, "." and ".." names, "/"), so such an item names nothing here.
std::string Normal(const std::string& path)
{
    if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return {};
    std::string out = UpperCase(path.substr(0, 3));
    std::string name;
    auto flush = [&] {
        while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
        if (!name.empty()) out += (out.size() > 3 ? "\\" : "") + name;
        name.clear();
    };
    for (std::size_t i = 3; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (byte >= 0x80) return {};  // the seeds name ASCII files only
        if (path[i] == '\\') {
            flush();
            continue;
        }
        name += static_cast<char>(std::toupper(byte));
    }
    flush();
    return out;
}

struct Named {
    std::vector<std::string> exact;      // paths and folders
    std::vector<std::string> wildcards;  // folders of wildcard items
    std::vector<std::string> groups;     // folders of shortcuts
    std::vector<std::string> keys;       // "ROOT\PATH"
};

std::string RootName(RootKey root)
{
    switch (root) {
    case RootKey::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case RootKey::CurrentUser: return "HKEY_CURRENT_USER";
    case RootKey::LocalMachine: return "HKEY_LOCAL_MACHINE";
    case RootKey::Users: return "HKEY_USERS";
    }
    return {};
}

std::string KeyName(RootKey root, const std::string& path)
{
    std::string out = RootName(root);
    std::string part;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\') {
            if (!part.empty()) out += "\\" + UpperCase(part);
            part.clear();
        } else {
            part += path[i];
        }
    }
    return out;
}

void AddPath(Named& named, const std::string& raw, bool shortcut)
{
    const bool wildcard = raw.find_first_of("*?") != std::string::npos;
    const std::string path = Normal(raw);
    if (path.empty()) return;
    const std::string folder = path.substr(0, path.rfind('\\') == 2 ? 3 : path.rfind('\\'));
    if (wildcard)
        named.wildcards.push_back(folder);
    else
        named.exact.push_back(path);
    if (shortcut) named.groups.push_back(folder);
}

Named NamedBy(ProfileStore& profiles)
{
    Named named;
    for (const record::Key files : {record::Key::DeleteFile, record::Key::AddDeleteFile})
        for (const std::string& item : ReadNumbered(profiles, kRecord, files)) AddPath(named, PathPart(item), false);
    for (const std::string& item : ReadNumbered(profiles, kRecord, record::Key::DeleteShortCut))
        AddPath(named, item, true);
    for (const std::string& item : ReadNumbered(profiles, kRecord, record::Key::DeleteFolder))
        AddPath(named, item, false);
    AddPath(named, ScriptReader(profiles, kRecord).Record(record::Key::SetupFolder), false);
    for (const std::string& item : ReadNumbered(profiles, kRecord, record::Key::DeleteRegistry)) {
        const RegistryKeyText key = SplitKeyByRecordRule(item);
        named.keys.push_back(KeyName(RootKeyFromToken(key.token), key.path));
    }
    for (const std::string& item : ReadNumbered(profiles, kRecord, record::Key::RestoreRelate)) {
        const RelateRecord relate = ParseRestoreRelate(item);
        named.keys.push_back(KeyName(RootKey::ClassesRoot, "." + relate.extension));
        named.keys.push_back(KeyName(RootKey::ClassesRoot, relate.extension + "_auto_file"));
    }
    named.keys.push_back(
        KeyName(RootKey::LocalMachine, profiles.ReadProfile("UnSetupRegistryKey", "Key", "", kRecord)));
    return named;
}

bool MayGo(const Named& named, const std::string& path)
{
    if (IsProtected(path)) return false;
    for (const std::string& n : named.exact)
        if (path == n || (Below(path, n) && !HoldsProtected(n))) return true;
    for (const std::string& folder : named.wildcards)
        if (Below(path, folder) && !OutOfWildcardReach(folder)) return true;
    for (const std::string& group : named.groups)
        if (path == group) return true;
    return false;
}

// "HKEY_LOCAL_MACHINE\\SOFTWARE\\X" as the guard asks it: the root and the path.
bool IsKeyTheGuardProtects(const std::string& key)
{
    const auto slash = key.find('\\');
    const std::string root = key.substr(0, slash);
    const std::string path = slash == std::string::npos ? std::string() : key.substr(slash + 1);
    const RootKey rootKey = root == "HKEY_CLASSES_ROOT"    ? RootKey::ClassesRoot
                            : root == "HKEY_LOCAL_MACHINE" ? RootKey::LocalMachine
                            : root == "HKEY_USERS"         ? RootKey::Users
                                                           : RootKey::CurrentUser;
    return IsProtectedRegistryKey(rootKey, path);
}

bool KeyMayGo(const Named& named, const std::string& key)
{
    if (IsKeyTheGuardProtects(key)) return false;
    for (const std::string& n : named.keys)
        if (key == n || (key.size() > n.size() && key.compare(0, n.size(), n) == 0 && key[n.size()] == '\\'))
            return true;
    return false;
}

// Each extension's type in the classes root: ".EXE" -> "exefile".
std::map<std::string, std::string> Types(Registry& registry)
{
    std::map<std::string, std::string> types;
    std::vector<std::string> keys;
    registry.EnumSubKeys(RootKey::ClassesRoot, "", keys);
    for (const std::string& key : keys) {
        RegValue value;
        if (key.size() > 1 && key[0] == '.' && registry.ReadValue(RootKey::ClassesRoot, key, "", value) == 0)
            types[UpperCase(key)] = value.data;
    }
    return types;
}

// The entry the record names, made as an install makes it, when the record names one
// in the list of installed programs; its key as the snapshot spells it, else empty.
std::string VouchFor(Registry& registry, ProfileStore& profiles, const std::string& record)
{
    const std::string entry = profiles.ReadProfile("UnSetupRegistryKey", "Key", "", kRecord);
    const std::string list = UpperCase(kUninstallListKey);
    if (UpperCase(entry).rfind(list, 0) != 0 || entry.size() <= list.size() || entry.find('\0') != std::string::npos)
        return {};
    if (registry.CreateKey(RootKey::LocalMachine, entry) != 0) return {};
    registry.WriteValue(RootKey::LocalMachine, entry, "UninstallString",
                        RegValue::String(std::string("C:\\WINDOWS\\UNKORAT.EXE \"") + kRecordPath + "\""));
    if (VouchForRecord(registry, entry, record, {}) != 0) return {};
    return KeyName(RootKey::LocalMachine, entry);
}

void Prepare(FuzzMachine& fm)
{
    virt::VirtualMachine& m = fm.Reset();
    Registry& reg = m.Reg();
    for (const char* file :
         {"C:\\APP\\A.TXT", "C:\\APP\\B.INI", "C:\\APP\\SUB\\C.DAT", "C:\\APP\\LIB.DLL", "C:\\WINDOWS\\WIN.INI",
          "C:\\WINDOWS\\SYSTEM32\\KERNEL.DLL", "C:\\WINDOWS\\SYSTEM32\\SHARED.DLL", "C:\\WINDOWS\\FONTS\\A.TTF",
          "C:\\WINDOWS\\TEMP\\OTHER.TMP", "C:\\PROGRAM FILES\\OTHER\\O.EXE", "C:\\USER\\DESKTOP\\APP.LNK",
          "C:\\USER\\DESKTOP\\OTHER.LNK", "C:\\USER\\MENU\\PROGRAMS\\GROUP\\APP.LNK", "C:\\OTHER\\KEEP.TXT",
          "C:\\AUTOEXEC.BAT"})
        fm.Put(file, std::string(file).find(".DLL") != std::string::npos ? "MZ\nDllUnregisterServer=0\n" : "bytes");
    fm.Put("C:\\WINDOWS\\KORAT98.INI", "[App]\r\nFolder=C:\\APP\\\r\n[Other]\r\nFolder=C:\\OTHER\\\r\n");
    for (const char* key :
         {"SOFTWARE\\App\\Sub", "SOFTWARE\\Other", "SOFTWARE\\Classes\\.x",
          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App",
          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other", "SYSTEM\\CurrentControlSet\\Services"})
        reg.CreateKey(RootKey::LocalMachine, key);
    reg.CreateKey(RootKey::LocalMachine, kSharedDllsKey);
    reg.WriteValue(RootKey::LocalMachine, kSharedDllsKey, "C:\\WINDOWS\\SYSTEM32\\SHARED.DLL", RegValue::DoubleWord(1));
    for (const char* key : {"Software\\App", "Software\\Other"}) reg.CreateKey(RootKey::CurrentUser, key);
    for (const char* key : {".app", "app_auto_file\\shell\\open\\command", "CLSID\\{0}", "*\\shell", "Folder",
                            "txtfile", ".txt", ".exe", "exefile\\shell\\open\\command", ".bat", "batfile"})
        reg.CreateKey(RootKey::ClassesRoot, key);
    reg.WriteValue(RootKey::ClassesRoot, ".app", "", RegValue::String("app_auto_file"));
    reg.WriteValue(RootKey::ClassesRoot, ".txt", "", RegValue::String("txtfile"));
    reg.WriteValue(RootKey::ClassesRoot, ".exe", "", RegValue::String("exefile"));
    reg.WriteValue(RootKey::ClassesRoot, ".bat", "", RegValue::String("batfile"));
    for (const char* key : {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\Agent",
                            "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "SOFTWARE\\Policies\\Maker",
                            "SYSTEM\\CurrentControlSet\\Services\\Driver"})
        reg.CreateKey(RootKey::LocalMachine, key);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static FuzzMachine fm;
    Prepare(fm);
    virt::VirtualMachine& m = fm.Machine();
    // The first byte picks the option boxes; the rest is the record.
    const unsigned boxes = size ? data[0] : 0;
    const std::string record(reinterpret_cast<const char*>(data) + (size ? 1 : 0), size ? size - 1 : 0);
    fm.Put(kRecord, record);
    Platform platform = m.AsPlatform();
    ProfileStore profiles(platform.files, "C:\\WINDOWS");
    SetupContext context = FuzzContext(platform.shell);
    context.runMode = RunMode::Unsetup;
    context.scriptFile = kRecord;
    context.recordPath = kRecordPath;
    const std::string entry = boxes & 4 ? VouchFor(platform.registry, profiles, record) : std::string();
    const bool vouched = !entry.empty();
    YesView view;
    // As start-up fills the wizard from the record.
    view.options.folderText = profiles.ReadProfile("SetupFolder", "Folder", "", kRecord);
    view.options.desktop = boxes & 1;
    view.options.startMenu = boxes & 2;
    const bool deleteAll = profiles.ReadProfile("UnSetupOption", "CheckBox", "", kRecord) == "DeleteAll";
    view.options.startMenuVisible = view.options.startupVisible = view.options.sendToVisible = !deleteAll;
    const Named named = NamedBy(profiles);
    const Snapshot before = Take(m);
    const std::map<std::string, std::string> typesBefore = Types(platform.registry);
    // A record nobody vouched for is kept to the folder the command line found it in.
    const std::string setupFolder = Normal(vouched ? view.options.folderText : std::string("C:\\APP\\"));

    FileOps ops(platform);
    SharedFiles shared(platform, false, nullptr);
    ops.SetComponentUnregistrar([&shared](const std::string& path) { shared.RegisterComponent(path, false); });
    try {
        UninstallRun({platform, profiles, ops, context, view, shared}).Run();
    } catch (const std::exception&) {
        // The general error report: the run ends there, which is allowed.
    }
    const Snapshot after = Take(m);
    for (const auto& [path, bytes] : before.files) {
        if (path.rfind("C:\\WINDOWS\\TEMP\\KRTMP1", 0) == 0) continue;  // the work folder is the program's own
        const auto now = after.files.find(path);
        if (now == after.files.end()) {
            if (!MayGo(named, path)) __builtin_trap();
            if (!vouched && (setupFolder.empty() || (path != setupFolder && !Below(path, setupFolder))))
                __builtin_trap();
        } else if (now->second != bytes && path != "C:\\WINDOWS\\KORAT98.INI") {
            __builtin_trap();  // the uninstall writes no file but the folder memory
        }
    }
    for (const auto& [key, present] : before.keys) {
        if (after.keys.count(key)) continue;
        // Its own entry, and the components' digests in it, go with the uninstall.
        const bool ownEntry = !entry.empty() && (key == entry || key.rfind(entry + "\\", 0) == 0);
        if (ownEntry) continue;
        if (!vouched || !KeyMayGo(named, key)) __builtin_trap();
    }
    const std::map<std::string, std::string> typesAfter = Types(platform.registry);
    for (const auto& [extension, type] : typesBefore) {
        const auto now = typesAfter.find(extension);
        if (IsExecutableExtension(extension.substr(1)) && (now == typesAfter.end() || now->second != type))
            __builtin_trap();
    }
    for (const auto& [extension, type] : typesAfter) {
        const auto was = typesBefore.find(extension);
        if (was != typesBefore.end() && was->second == type) continue;
        if (!vouched || IsExecutableType(type) || IsExecutableExtension(extension.substr(1))) __builtin_trap();
    }
    return 0;
}
