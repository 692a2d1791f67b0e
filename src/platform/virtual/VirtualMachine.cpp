#include "platform/virtual/VirtualMachine.h"

#include <array>
#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/virtual/VirtualServices.h"
#include "platform/virtual/VirtualState.h"
#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"

namespace fs = std::filesystem;

namespace lorvel::platform::virt {

namespace {

// 2026-01-01 00:00 UTC, where the virtual clock starts.
constexpr std::uint64_t kClockEpochFileTime = 134116992000000000ull;

}  // namespace

bool CaseLess::operator()(const std::string& a, const std::string& b) const
{
    return UpperCase(a) < UpperCase(b);
}

bool IsAscii(const std::string& text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Most names are ASCII, which both encodings share.
std::string HostName(const std::string& sjis)
{
    if (IsAscii(sjis)) return sjis;
    return ShiftJisToUtf8(sjis);
}

std::string WinName(const std::string& utf8)
{
    if (IsAscii(utf8)) return utf8;
    return Utf8ToShiftJis(utf8);
}

std::string WinPath::Text() const
{
    std::size_t size = 3;
    for (const auto& part : parts) size += part.size() + 1;
    std::string text;
    text.reserve(size);
    text += drive;
    text += ':';
    if (parts.empty()) return text += '\\';
    for (const auto& part : parts) (text += '\\') += part;
    return text;
}

std::string WinPath::Key() const
{
    // A valid path holds no NUL, so the mapping needs no copy.
    std::string key = Text();
    UpperCaseInPlace(key);
    return key;
}

namespace {

// The single bytes no Windows name may hold: control characters and / : " < > |.
constexpr std::array<bool, 128> kNotInNames = [] {
    std::array<bool, 128> table{};
    for (unsigned byte = 0; byte < 0x20; ++byte) table[byte] = true;
    for (const char byte : {'/', ':', '"', '<', '>', '|'}) table[static_cast<unsigned char>(byte)] = true;
    return table;
}();

}  // namespace

WinPath ParseWinPath(const std::string& path)
{
    WinPath result;
    if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0]))) return result;
    if (path.size() > 2 && path[2] != '\\') return result;  // drive-relative paths are not used
    result.drive = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
    // One pass: components run between single-byte "\"; a double-byte character is
    // skipped whole, as its trail byte may be "\" or "|". A lead byte before a byte
    // that cannot trail stands alone.
    auto trails = [](unsigned char next) { return next >= 0x40 && next <= 0xFC && next != 0x7F; };
    const LeadByteSet& leads = ActiveLeadBytes();
    std::size_t start = 2;
    std::size_t wildcardPart = std::string::npos;  // the component holding "*" or "?"
    bool wildcard = false;
    result.parts.reserve(8);
    for (std::size_t i = 2; i <= path.size(); ++i) {
        const auto byte = i < path.size() ? static_cast<unsigned char>(path[i]) : '\\';
        if (byte == '\\') {
            if (i > start) {
                // Only the last component may hold a wildcard.
                if (wildcardPart != std::string::npos) return result;
                if (wildcard) wildcardPart = result.parts.size();
                result.parts.emplace_back(path, start, i - start);
            }
            start = i + 1;
            wildcard = false;
        } else if (byte >= 0x80) {
            if (leads.Contains(byte) && i + 1 < path.size() && trails(static_cast<unsigned char>(path[i + 1]))) ++i;
        } else if (kNotInNames[byte]) {
            return result;
        } else if (byte == '*' || byte == '?') {
            wildcard = true;
        }
    }
    for (auto& p : result.parts) {
        if (p.size() > 255) return result;  // longer than any name Windows allows
        // Windows drops trailing dots and blanks of a name.
        while (!p.empty() && (p.back() == '.' || p.back() == ' ') && p != "." && p != "..") p.pop_back();
        if (p == "." || p == "..") return result;
    }
    result.hasWildcard = wildcardPart != std::string::npos;
    result.valid = true;
    return result;
}

std::string HostFolderOf(const std::string& host)
{
    return host.substr(0, host.rfind('/'));
}
std::string HostNameOf(const std::string& host)
{
    return host.substr(host.rfind('/') + 1);
}

bool WildcardMatch(const std::string& pattern, const std::string& name)
{
    // "*.*" is the classic spelling of "everything", also of names without a dot.
    const std::string p = pattern == "*.*" ? "*" : UpperCase(pattern);
    const std::string n = UpperCase(name);
    std::size_t pi = 0, ni = 0, star = std::string::npos, mark = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == '*') {
            star = pi++;
            mark = ni;
        } else if (star != std::string::npos) {
            pi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && (p[pi] == '*' || p[pi] == '?' || p[pi] == '.')) ++pi;
    return pi == p.size();
}

VirtualMachine::State::State(VirtualMachine& m) : machine(m) {}
VirtualMachine::State::~State() = default;

namespace {

// Whether path starts with the components of folder, without regard to case.
bool StartsWithFolder(const WinPath& path, const WinPath& folder)
{
    if (!folder.valid || path.drive != folder.drive || path.parts.size() < folder.parts.size()) return false;
    for (std::size_t i = 0; i < folder.parts.size(); ++i)
        if (UpperCase(path.parts[i]) != UpperCase(folder.parts[i])) return false;
    return true;
}

void ReplaceFolder(WinPath& path, const WinPath& from, const WinPath& to)
{
    path.parts.erase(path.parts.begin(), path.parts.begin() + static_cast<std::ptrdiff_t>(from.parts.size()));
    path.parts.insert(path.parts.begin(), to.parts.begin(), to.parts.end());
}

}  // namespace

void VirtualMachine::State::RedirectForProgram(WinPath& path) const
{
    const MachineConfig& config = machine.Config();
    if (!config.wow64 || !path.valid) return;
    const WinPath system = ParseWinPath(config.systemFolder);
    const WinPath native = ParseWinPath(config.windowsFolder + "\\SYSNATIVE");
    if (StartsWithFolder(path, system))
        ReplaceFolder(path, system, ParseWinPath(config.windowsFolder + "\\SYSWOW64"));
    else if (StartsWithFolder(path, native))
        ReplaceFolder(path, native, system);
}

namespace {

// The key of the folder holding path, whose own key is key. Upper-casing keeps the
// length, so the folder's key is a prefix of it.
std::string ParentKey(const WinPath& path, const std::string& key)
{
    if (path.parts.size() <= 1) return key.substr(0, 2) + "\\";
    return key.substr(0, key.size() - path.parts.back().size() - 1);
}

// Erases every key below key ("C:\A" takes "C:\A\B" along, not "C:\AB").
template <typename Map>
void EraseBelow(Map& map, const std::string& key, char separator)
{
    const std::string prefix = key + separator;
    std::erase_if(map, [&](const auto& item) { return item.first.compare(0, prefix.size(), prefix) == 0; });
}

}  // namespace

const VirtualMachine::State::Resolved& VirtualMachine::State::Resolve(const WinPath& path, const std::string& key) const
{
    Resolved& r = Remember(path, key);
    // A folder's time moves with its names; it is read when the folder itself is asked for.
    if (r.statusOld) {
        r.exists = StatHost(r.host, r.status);
        r.statusOld = false;
    }
    return r;
}

std::string VirtualMachine::State::HostFor(const WinPath& path, const Resolved& resolved)
{
    // A missing name is created as it is spelled this time, not as it was last time.
    if (resolved.exists || path.parts.empty()) return resolved.host;
    return HostFolderOf(resolved.host) + '/' + HostName(path.parts.back());
}

VirtualMachine::State::Resolved& VirtualMachine::State::Remember(const WinPath& path, const std::string& key) const
{
    const auto found = known.find(key);
    if (found != known.end()) return found->second;
    if (path.parts.empty()) {
        Resolved r;
        r.host = HostText(machine.root_ / std::string(1, path.drive));
        r.exists = r.parentExists = StatHost(r.host, r.status);
        return known.emplace(key, std::move(r)).first->second;
    }
    // The entry name in the folder resolved as folder.
    auto child = [this](const Resolved& folder, const std::string& name) {
        Resolved r;
        r.parentExists = folder.exists && folder.status.directory;
        const std::string match = r.parentExists ? FindWithoutCase(folder.host, name) : std::string();
        r.host = folder.host + '/' + (match.empty() ? HostName(name) : match);
        r.exists = !match.empty() && StatHost(r.host, r.status);
        return r;
    };
    // The folder is resolved first, and remembered, so a folder's names are read
    // from the host once however many of them are asked for.
    if (const auto folder = known.find(ParentKey(path, key)); folder != known.end())
        return known.emplace(key, child(folder->second, path.parts.back())).first->second;
    // A folder not known yet is found from the drive down, not by recursion: a path
    // may hold tens of thousands of names. Below a folder that is missing nothing
    // exists, so what follows is only spelled out, not remembered, in one host text.
    WinPath root;
    root.drive = path.drive;
    root.valid = true;
    const Resolved* folder = &Remember(root, key.substr(0, 2) + "\\");
    Resolved missing;
    std::size_t end = 2;
    for (std::size_t i = 0; i + 1 < path.parts.size(); ++i) {
        end += 1 + path.parts[i].size();
        if (folder == &missing) {
            (missing.host += '/') += HostName(path.parts[i]);
        } else if (!folder->exists) {
            missing = child(*folder, path.parts[i]);
            folder = &missing;
        } else {
            const std::string levelKey = key.substr(0, end);
            auto level = known.find(levelKey);
            if (level == known.end()) level = known.emplace(levelKey, child(*folder, path.parts[i])).first;
            folder = &level->second;
        }
    }
    return known.emplace(key, child(*folder, path.parts.back())).first->second;
}

std::string VirtualMachine::State::FindWithoutCase(const std::string& folder, const std::string& name) const
{
    auto found = folderNames.find(folder);
    if (found == folderNames.end()) {
        found = folderNames.emplace(folder, std::unordered_map<std::string, std::string>()).first;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(HostFsPath(folder), ec)) {
            const std::string host = HostText(entry.path().filename());
            found->second.emplace(UpperCase(WinName(host)), host);
        }
    }
    const auto match = found->second.find(UpperCase(name));
    return match == found->second.end() ? std::string() : match->second;
}

void VirtualMachine::State::Changed(const WinPath& path, const std::string& key, const std::string& host, bool folder,
                                    const HostStatus* status)
{
    // The entry is known as it is now, its folder as one whose time has moved.
    // Below a file nothing can exist before or after; below a folder created or
    // removed all is looked up again when next asked for.
    folderNames.erase(host);
    if (folder) {
        EraseBelow(known, key, '\\');
        EraseBelow(folderNames, host, '/');
    }
    Resolved entry;
    entry.host = host;
    entry.parentExists = true;
    if (status) {
        entry.status = *status;
        entry.exists = true;
    } else {
        entry.exists = StatHost(host, entry.status);
    }
    const bool exists = entry.exists;
    known.insert_or_assign(key, std::move(entry));
    if (path.parts.empty()) return;
    const auto parent = known.find(ParentKey(path, key));
    if (parent != known.end()) parent->second.statusOld = true;
    // The folder's list of names is kept, with the entry added or taken out.
    const auto names = folderNames.find(HostFolderOf(host));
    if (names == folderNames.end()) return;
    const std::string name = HostNameOf(host);
    if (exists)
        names->second[UpperCase(WinName(name))] = name;
    else
        names->second.erase(UpperCase(WinName(name)));
}

void VirtualMachine::State::ForgetHostFolder()
{
    known.clear();
    folderNames.clear();
}

namespace {

bool IsBelowAny(const std::vector<std::string>& prefixes, const std::string& key)
{
    for (const auto& prefix : prefixes)
        if (key == prefix ||
            (key.size() > prefix.size() && key.compare(0, prefix.size(), prefix) == 0 && key[prefix.size()] == '\\'))
            return true;
    return false;
}

}  // namespace

bool VirtualMachine::State::IsDenied(const std::string& key) const
{
    return IsBelowAny(deniedPrefixes, key);
}

bool VirtualMachine::State::IsReadDenied(const std::string& key) const
{
    return IsBelowAny(readDeniedPrefixes, key);
}

bool VirtualMachine::State::IsLocked(const std::string& key) const
{
    return lockedFiles.count(key) != 0;
}

std::uint64_t VirtualMachine::State::NowFileTime()
{
    // Every write gets a later time than the one before, even within one tick of
    // the virtual clock, so a changed file is always seen as changed.
    const std::uint64_t now = fileTimeBase + clockMs * 10000ull;
    lastFileTime = now > lastFileTime ? now : lastFileTime + 10;
    return lastFileTime;
}

std::uint32_t VirtualMachine::State::AttributesOf(const std::string& key, bool isDirectory) const
{
    const auto found = attributes.find(key);
    std::uint32_t value = found != attributes.end() ? found->second : (isDirectory ? 0u : attr::kArchive);
    if (isDirectory) value |= attr::kDirectory;
    return value;
}

void VirtualMachine::State::SetAttributesOf(const std::string& key, std::uint32_t value, bool isDirectory)
{
    // Only attributes other than an entry's default are kept: the table stays as
    // small as the few entries a script marks, however many files are copied.
    if (value == (isDirectory ? 0u : attr::kArchive))
        attributes.erase(key);
    else
        attributes[key] = value;
    dirty = true;
}

void VirtualMachine::State::WrittenUnflushed(const std::string& key, std::uint64_t durable)
{
    durableSize.emplace(key, durable);
}

void VirtualMachine::State::WriteStopSnapshot()
{
    stopAt = 0;
    dirty = true;
    machine.Save();
    fs::copy(machine.Root(), stopSnapshot, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    if (!stopPowerCut) return;
    for (const auto& [key, size] : durableSize) {
        const fs::path host = fs::relative(machine.HostPath(key), machine.Root());
        std::error_code ec;
        if (fs::is_regular_file(stopSnapshot / host, ec)) fs::resize_file(stopSnapshot / host, size, ec);
    }
}

void VirtualMachine::State::ForgetAttributesBelow(const std::string& key)
{
    attributes.erase(key);
    durableSize.erase(key);
    folderTrustees.erase(key);
    const std::string prefix = key + "\\";
    for (auto it = attributes.lower_bound(prefix);
         it != attributes.end() && it->first.compare(0, prefix.size(), prefix) == 0;)
        it = attributes.erase(it);
    for (auto it = folderTrustees.lower_bound(prefix);
         it != folderTrustees.end() && it->first.compare(0, prefix.size(), prefix) == 0;)
        it = folderTrustees.erase(it);
    dirty = true;
}

std::uint64_t VirtualMachine::State::Unforeseeable()
{
    return random();
}

DiskConfig& VirtualMachine::State::Disk(char drive)
{
    return disks[drive];
}

std::optional<Fault> VirtualMachine::State::Count(OperationKind kind)
{
    if (kind != OperationKind::MediumRead && ++changes == stopAt) {
        WriteStopSnapshot();
        throw MachineStopped{};
    }
    const int n = ++operationCounts[static_cast<std::size_t>(kind)];
    for (const PlannedFault& planned : plannedFaults)
        if (planned.kind == kind && planned.at == n) return planned.fault;
    return std::nullopt;
}

ErrorCode VirtualMachine::State::FileErrorOf(Fault fault)
{
    switch (fault) {
    case Fault::DiskFull: return kErrorDiskFull;
    case Fault::SharingViolation: return kErrorSharingViolation;
    case Fault::MediumRemoved: return kErrorPathNotFound;
    default: return kErrorAccessDenied;
    }
}

bool VirtualMachine::State::MediumGone(char drive)
{
    const auto disk = disks.find(drive);
    if (disk == disks.end() || !disk->second.removable) return false;
    if (Count(OperationKind::MediumRead) == Fault::MediumRemoved) removedMedia.insert(drive);
    return removedMedia.count(drive) != 0;
}

std::uint64_t VirtualMachine::State::FreeBytes(char drive)
{
    const DiskConfig& disk = Disk(drive);
    const std::uint64_t spent = used[drive];
    return spent >= disk.free ? 0 : disk.free - spent;
}

VirtualMachine::VirtualMachine(fs::path root, MachineConfig config)
    : root_(std::move(root)), config_(std::move(config)), state_(std::make_unique<State>(*this))
{
    state_->fileTimeBase = kClockEpochFileTime;
    auto setDefault = [&](int id, const char* path) {
        if (!config_.specialFolders.count(id)) config_.specialFolders[id] = path;
    };
    const char* user = "C:\\Documents and Settings\\User";
    const char* all = "C:\\Documents and Settings\\All Users";
    setDefault(csidl::kStartMenu, (std::string(user) + "\\スタート メニュー").c_str());
    setDefault(csidl::kPrograms, (std::string(user) + "\\スタート メニュー\\プログラム").c_str());
    setDefault(csidl::kStartup, (std::string(user) + "\\スタート メニュー\\プログラム\\スタートアップ").c_str());
    setDefault(csidl::kDesktopDirectory, (std::string(user) + "\\デスクトップ").c_str());
    setDefault(csidl::kSendTo, (std::string(user) + "\\SendTo").c_str());
    setDefault(csidl::kCommonStartMenu, (std::string(all) + "\\スタート メニュー").c_str());
    setDefault(csidl::kCommonPrograms, (std::string(all) + "\\スタート メニュー\\プログラム").c_str());
    setDefault(csidl::kCommonStartup, (std::string(all) + "\\スタート メニュー\\プログラム\\スタートアップ").c_str());
    setDefault(csidl::kCommonDesktopDirectory, (std::string(all) + "\\デスクトップ").c_str());

    state_->files = std::make_unique<VirtualFileSystem>(*state_);
    state_->registry = std::make_unique<VirtualRegistry>(*state_, true);
    state_->nativeRegistry = std::make_unique<VirtualRegistry>(*state_, false);
    state_->system = std::make_unique<VirtualSystem>(*state_);
    state_->shell = std::make_unique<VirtualShell>(*state_);
    state_->components = std::make_unique<VirtualComponents>(*state_);
    state_->lz = std::make_unique<VirtualLz>(*state_);
    state_->links = std::make_unique<VirtualShellLinks>(*state_);

    fs::create_directories(root_ / "C");
    state_->LoadRegistry(root_ / "registry.reg");
    state_->LoadAttributes(root_ / "attributes.txt");
    state_->LoadTrustees(root_ / "trustees.txt");
    for (const std::string& folder :
         {config_.windowsFolder, config_.systemFolder, config_.tempFolder, std::string(kNativeProgramFiles)}) {
        if (!folder.empty()) fs::create_directories(HostPath(folder));
    }
    if (config_.wow64) {
        fs::create_directories(HostPath(config_.windowsFolder + "\\SYSWOW64"));
        fs::create_directories(HostPath(kX86ProgramFiles));
    }
    for (const auto& [id, folder] : config_.specialFolders)
        if (!folder.empty()) fs::create_directories(HostPath(folder));
    if (state_->registryRoots[2].subkeys.empty()) {
        const std::string version = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
        NativeReg().CreateKey(RootKey::LocalMachine, version);
        NativeReg().WriteValue(RootKey::LocalMachine, version, "ProgramFilesDir",
                               RegValue::String(kNativeProgramFiles));
        if (config_.wow64) {
            const std::string wow64Version = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion";
            NativeReg().CreateKey(RootKey::LocalMachine, wow64Version);
            NativeReg().WriteValue(RootKey::LocalMachine, wow64Version, "ProgramFilesDir",
                                   RegValue::String(kX86ProgramFiles));
        }
    }
    ResetOperations();
}

VirtualMachine::~VirtualMachine()
{
    Save();
}

Platform VirtualMachine::AsPlatform()
{
    return Platform{Files(), Reg(), Sys(), Sh(), Comps(), Lz(), Links()};
}
ShellLinks& VirtualMachine::Links()
{
    return *state_->links;
}
FileSystem& VirtualMachine::Files()
{
    return *state_->files;
}
Registry& VirtualMachine::Reg()
{
    return *state_->registry;
}
Registry& VirtualMachine::NativeReg()
{
    return *state_->nativeRegistry;
}
System& VirtualMachine::Sys()
{
    return *state_->system;
}
Shell& VirtualMachine::Sh()
{
    return *state_->shell;
}
Components& VirtualMachine::Comps()
{
    return *state_->components;
}
LzExpander& VirtualMachine::Lz()
{
    return *state_->lz;
}

void VirtualMachine::DenyWrites(const std::string& pathPrefix)
{
    state_->deniedPrefixes.push_back(ParseWinPath(pathPrefix).Key());
}

void VirtualMachine::LockFile(const std::string& path)
{
    state_->lockedFiles.insert(ParseWinPath(path).Key());
}

void VirtualMachine::UnlockFile(const std::string& path)
{
    state_->lockedFiles.erase(ParseWinPath(path).Key());
}

void VirtualMachine::DenyReads(const std::string& pathPrefix)
{
    state_->readDeniedPrefixes.push_back(ParseWinPath(pathPrefix).Key());
}

void VirtualMachine::SetLinkFault(LinkSave fault)
{
    state_->linkFault = fault;
}

void VirtualMachine::SetDisk(char drive, DiskConfig disk)
{
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(drive)));
    state_->disks[letter] = disk;
    state_->used[letter] = 0;
    fs::create_directories(root_ / std::string(1, letter));
    state_->ForgetHostFolder();
}

void VirtualMachine::DenyRegistryWrites(RootKey root, const std::string& keyPrefix)
{
    state_->registryDenied.emplace_back(root, UpperCase(keyPrefix));
}

void VirtualMachine::FailAt(OperationKind kind, int k, Fault fault)
{
    using K = OperationKind;
    bool fits = false;
    switch (fault) {
    case Fault::DiskFull: fits = kind == K::FileWrite || kind == K::FileCopy || kind == K::FolderCreate; break;
    case Fault::AccessDenied: fits = kind != K::LinkSave && kind != K::ComponentCall && kind != K::MediumRead; break;
    case Fault::SharingViolation:
        fits = kind == K::FileWrite || kind == K::FileCopy || kind == K::FolderCreate || kind == K::FileRemoval;
        break;
    case Fault::MediumRemoved: fits = kind == K::MediumRead; break;
    case Fault::LinkClassMissing: fits = kind == K::LinkSave; break;
    case Fault::RegistrationFails: fits = kind == K::ComponentCall; break;
    }
    if (!fits || k < 1) throw std::invalid_argument("no such fault for this kind of operation");
    state_->plannedFaults.push_back({kind, k, fault});
}

int VirtualMachine::OperationCount(OperationKind kind) const
{
    return state_->operationCounts[static_cast<std::size_t>(kind)];
}

void VirtualMachine::ResetOperations()
{
    state_->operationCounts = {};
    state_->plannedFaults.clear();
    state_->removedMedia.clear();
}

fs::path VirtualMachine::HostPath(const std::string& windowsPath) const
{
    // Looked up afresh and everything known forgotten: the caller may change the
    // host folder behind the machine's back.
    state_->ForgetHostFolder();
    const WinPath path = ParseWinPath(windowsPath);
    const std::string host = State::HostFor(path, state_->Resolve(path, path.Key()));
    state_->ForgetHostFolder();
    return HostFsPath(host);
}

void VirtualMachine::MakeFolderLink(const std::string& link, const std::string& target)
{
    MakeLink(link, target, true);
}

void VirtualMachine::MakeFileLink(const std::string& link, const std::string& target)
{
    MakeLink(link, target, false);
}

void VirtualMachine::MakeLink(const std::string& link, const std::string& target, bool folder)
{
    const fs::path to = HostPath(target);
    const fs::path at = HostPath(link);
    if (folder)
        fs::create_directory_symlink(to, at);
    else
        fs::create_symlink(to, at);
    state_->ForgetHostFolder();
}

std::vector<std::string> VirtualMachine::FolderTrustees(const std::string& folder) const
{
    const WinPath path = ParseWinPath(folder);
    const auto found = state_->folderTrustees.find(path.Key());
    if (found != state_->folderTrustees.end()) return found->second;
    return {"S-1-1-0"};
}

void VirtualMachine::AfterNextRead(const std::string& path, std::function<void()> hook)
{
    state_->afterRead[ParseWinPath(path).Key()] = std::move(hook);
}

void VirtualMachine::LetOthersWrite(const std::string& folder)
{
    state_->folderTrustees[ParseWinPath(folder).Key()] = {"S-1-5-32-544", "S-1-5-18", "S-1-5-11"};
}

const std::vector<std::string>& VirtualMachine::Journal() const
{
    return state_->journal;
}

void VirtualMachine::Save()
{
    if (!state_->dirty) return;
    state_->SaveRegistry(root_ / "registry.reg");
    state_->SaveAttributes(root_ / "attributes.txt");
    state_->SaveTrustees(root_ / "trustees.txt");
    state_->dirty = false;
}

void VirtualMachine::StopAtChange(int k, fs::path snapshot, bool powerCut)
{
    state_->changes = 0;
    state_->stopAt = k;
    state_->stopSnapshot = std::move(snapshot);
    state_->stopPowerCut = powerCut;
}

int VirtualMachine::ChangeCount() const
{
    return state_->changes;
}

// One folder a line: its key, a tab, and the accounts, each followed by a tab.
void VirtualMachine::State::LoadTrustees(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        for (std::size_t start = 0, tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            fields.push_back(line.substr(start, tab - start));
        if (fields.empty()) continue;
        folderTrustees[fields[0]] = std::vector<std::string>(fields.begin() + 1, fields.end());
    }
}

void VirtualMachine::State::SaveTrustees(const fs::path& file) const
{
    std::ostringstream out;
    for (const auto& [key, sids] : folderTrustees) {
        out << key << '\t';
        for (const std::string& sid : sids) out << sid << '\t';
        out << '\n';
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc) << out.str();
}

void VirtualMachine::State::LoadAttributes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const auto tab = line.find('\t');
        if (tab == std::string::npos) continue;
        attributes[line.substr(tab + 1)] = static_cast<std::uint32_t>(std::stoul(line.substr(0, tab), nullptr, 16));
    }
}

void VirtualMachine::State::SaveAttributes(const fs::path& file) const
{
    std::ostringstream out;
    for (const auto& [key, value] : attributes) out << std::hex << value << '\t' << key << '\n';
    std::ofstream(file, std::ios::binary | std::ios::trunc) << out.str();
}

}  // namespace lorvel::platform::virt
