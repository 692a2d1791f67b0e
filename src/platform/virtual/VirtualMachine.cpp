#include "platform/virtual/VirtualMachine.h"

#include <iconv.h>

#include <cctype>
#include <fstream>
#include <sstream>

#include "platform/virtual/VirtualServices.h"
#include "platform/virtual/VirtualState.h"
#include "util/MBUtils.h"
#include "util/StrOp.h"

namespace fs = std::filesystem;

namespace lorvel::platform::virt {

namespace {

std::string Convert(const std::string& text, const char* from, const char* to)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string in = text;
    std::string out(text.size() * 4 + 4, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) return {};
    out.resize(out.size() - outLeft);
    return out;
}

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
    return Convert(sjis, "CP932", "UTF-8");
}

std::string WinName(const std::string& utf8)
{
    if (IsAscii(utf8)) return utf8;
    return Convert(utf8, "UTF-8", "CP932");
}

std::string WinPath::Text() const
{
    std::string text(1, drive);
    text += ":";
    if (parts.empty()) return text + "\\";
    for (const auto& part : parts) text += "\\" + part;
    return text;
}

std::string WinPath::Key() const { return UpperCase(Text()); }

WinPath ParseWinPath(const std::string& path)
{
    WinPath result;
    if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0])))
        return result;
    if (path.size() > 2 && path[2] != '\\') return result;  // drive-relative paths are not used
    result.drive = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
    std::string part;
    const std::string rest = path.substr(2);
    auto flush = [&] {
        if (!part.empty()) result.parts.push_back(part);
        part.clear();
    };
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const auto byte = static_cast<unsigned char>(rest[i]);
        if (MBIsLeadByte(byte) && i + 1 < rest.size()) {
            part += rest.substr(i, 2);
            ++i;
        } else if (byte == '\\') {
            flush();
        } else {
            part.push_back(rest[i]);
        }
    }
    flush();
    for (auto& p : result.parts) {
        if (p.size() > 255) return result;  // longer than any name Windows allows
        // Windows drops trailing dots and blanks of a name.
        while (!p.empty() && (p.back() == '.' || p.back() == ' ') && p != "." && p != "..") p.pop_back();
        if (p == "." || p == "..") return result;
        for (char c : p)
            if (c == '/' || c == ':' || c == '"' || c == '<' || c == '>' || c == '|' ||
                static_cast<unsigned char>(c) < 0x20)
                return result;
    }
    if (!result.parts.empty()) {
        const std::string& last = result.parts.back();
        result.hasWildcard = last.find_first_of("*?") != std::string::npos;
        for (std::size_t i = 0; i + 1 < result.parts.size(); ++i)
            if (result.parts[i].find_first_of("*?") != std::string::npos) return result;
    }
    result.valid = true;
    return result;
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

VirtualMachine::State::Resolved VirtualMachine::State::Resolve(const WinPath& path) const
{
    Resolved r;
    const fs::path drive = machine.root_ / std::string(1, path.drive);
    // Built as plain text: composing a path part by part costs more than the look-up.
    std::string parentText = drive.string();
    for (std::size_t i = 0; i + 1 < path.parts.size(); ++i) (parentText += '/') += HostName(path.parts[i]);
    const std::string directText =
        path.parts.empty() ? parentText : parentText + '/' + HostName(path.parts.back());
    // The name as spelled usually exists as spelled: one look settles it.
    if (::stat(directText.c_str(), &r.status) == 0) {
        r.host = directText;
        r.exists = r.parentExists = true;
        return r;
    }
    struct ::stat folder {};
    if (path.parts.empty()) {
        r.host = directText;
        return r;
    }
    // Next most often the folder is spelled right and only the last name differs in
    // case, or is new.
    if (::stat(parentText.c_str(), &folder) == 0 && S_ISDIR(folder.st_mode)) {
        r.parentExists = true;
        const fs::path parent = parentText;
        const std::string match = FindWithoutCase(parent, path.parts.back(), &folder);
        r.host = match.empty() ? fs::path(directText) : parent / match;
        r.exists = !match.empty() && ::stat(r.host.c_str(), &r.status) == 0;
        return r;
    }
    // Otherwise walk the path, matching each existing name without regard to case.
    std::error_code ec;
    fs::path host = drive;
    bool present = fs::is_directory(host, ec);
    for (std::size_t i = 0; i < path.parts.size(); ++i) {
        if (i + 1 == path.parts.size()) r.parentExists = present && fs::is_directory(host, ec);
        fs::path next = host / HostName(path.parts[i]);
        if (present && !fs::exists(fs::symlink_status(next, ec))) {
            const std::string match = FindWithoutCase(host, path.parts[i]);
            if (!match.empty()) next = host / match;
        }
        present = present && fs::exists(next, ec);
        host = next;
    }
    r.host = host;
    r.exists = present && ::stat(host.c_str(), &r.status) == 0;
    return r;
}

std::string VirtualMachine::State::FindWithoutCase(const fs::path& folder, const std::string& name,
                                                   const struct ::stat* folderStatus) const
{
    struct ::stat st{};
    if (folderStatus)
        st = *folderStatus;
    else if (::stat(folder.c_str(), &st) != 0)
        return {};
    FolderIndex& index = folderIndexes[folder.string()];
    if (index.modifiedSeconds != st.st_mtim.tv_sec || index.modifiedNanoseconds != st.st_mtim.tv_nsec) {
        index.names.clear();
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(folder, ec)) {
            const std::string host = entry.path().filename().string();
            index.names.emplace(UpperCase(WinName(host)), host);
        }
        index.modifiedSeconds = st.st_mtim.tv_sec;
        index.modifiedNanoseconds = st.st_mtim.tv_nsec;
    }
    const auto found = index.names.find(UpperCase(name));
    return found == index.names.end() ? std::string() : found->second;
}

void VirtualMachine::State::BeforeChange(const fs::path& entry)
{
    const auto found = folderIndexes.find(entry.parent_path().string());
    if (found == folderIndexes.end()) return;
    struct ::stat st{};
    if (::stat(entry.parent_path().c_str(), &st) != 0 || found->second.modifiedSeconds != st.st_mtim.tv_sec ||
        found->second.modifiedNanoseconds != st.st_mtim.tv_nsec)
        folderIndexes.erase(found);
}

void VirtualMachine::State::AfterChange(const fs::path& entry, bool present)
{
    if (!present) {
        // A removed folder takes the indexes of everything below it along.
        const std::string prefix = entry.string() + "/";
        for (auto it = folderIndexes.lower_bound(prefix);
             it != folderIndexes.end() && it->first.compare(0, prefix.size(), prefix) == 0;)
            it = folderIndexes.erase(it);
        folderIndexes.erase(entry.string());
    }
    const auto found = folderIndexes.find(entry.parent_path().string());
    if (found == folderIndexes.end()) return;
    struct ::stat st{};
    if (::stat(entry.parent_path().c_str(), &st) != 0) {
        folderIndexes.erase(found);
        return;
    }
    const std::string host = entry.filename().string();
    const std::string upper = UpperCase(WinName(host));
    if (present)
        found->second.names[upper] = host;
    else
        found->second.names.erase(upper);
    found->second.modifiedSeconds = st.st_mtim.tv_sec;
    found->second.modifiedNanoseconds = st.st_mtim.tv_nsec;
}

bool VirtualMachine::State::IsDenied(const std::string& key) const
{
    for (const auto& prefix : deniedPrefixes)
        if (key == prefix || (key.size() > prefix.size() && key.compare(0, prefix.size(), prefix) == 0 &&
                              key[prefix.size()] == '\\'))
            return true;
    return false;
}

bool VirtualMachine::State::IsLocked(const std::string& key) const { return lockedFiles.count(key) != 0; }

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
    std::uint32_t value = found != attributes.end() ? found->second
                                                    : (isDirectory ? 0u : attr::kArchive);
    if (isDirectory) value |= attr::kDirectory;
    return value;
}

void VirtualMachine::State::ForgetAttributesBelow(const std::string& key)
{
    attributes.erase(key);
    const std::string prefix = key + "\\";
    for (auto it = attributes.lower_bound(prefix);
         it != attributes.end() && it->first.compare(0, prefix.size(), prefix) == 0;)
        it = attributes.erase(it);
    dirty = true;
}

DiskConfig& VirtualMachine::State::Disk(char drive) { return disks[drive]; }

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
    state_->registry = std::make_unique<VirtualRegistry>(*state_);
    state_->system = std::make_unique<VirtualSystem>(*state_);
    state_->shell = std::make_unique<VirtualShell>(*state_);
    state_->components = std::make_unique<VirtualComponents>(*state_);
    state_->lz = std::make_unique<VirtualLz>(*state_);

    fs::create_directories(root_ / "C");
    state_->LoadRegistry(root_ / "registry.reg");
    state_->LoadAttributes(root_ / "attributes.txt");
    for (const std::string& folder : {config_.windowsFolder, config_.systemFolder, config_.tempFolder,
                                      std::string("C:\\Program Files")}) {
        if (!folder.empty()) fs::create_directories(HostPath(folder));
    }
    for (const auto& [id, folder] : config_.specialFolders)
        if (!folder.empty()) fs::create_directories(HostPath(folder));
    if (state_->registryRoots[2].subkeys.empty()) {
        Reg().CreateKey(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
        Reg().WriteValue(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                         "ProgramFilesDir", RegValue::String("C:\\Program Files"));
    }
}

VirtualMachine::~VirtualMachine() { Save(); }

Platform VirtualMachine::AsPlatform() { return Platform{Files(), Reg(), Sys(), Sh(), Comps(), Lz()}; }
FileSystem& VirtualMachine::Files() { return *state_->files; }
Registry& VirtualMachine::Reg() { return *state_->registry; }
System& VirtualMachine::Sys() { return *state_->system; }
Shell& VirtualMachine::Sh() { return *state_->shell; }
Components& VirtualMachine::Comps() { return *state_->components; }
LzExpander& VirtualMachine::Lz() { return *state_->lz; }

void VirtualMachine::DenyWrites(const std::string& pathPrefix)
{
    state_->deniedPrefixes.push_back(ParseWinPath(pathPrefix).Key());
}

void VirtualMachine::LockFile(const std::string& path) { state_->lockedFiles.insert(ParseWinPath(path).Key()); }

void VirtualMachine::SetDisk(char drive, DiskConfig disk)
{
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(drive)));
    state_->disks[letter] = disk;
    state_->used[letter] = 0;
    fs::create_directories(root_ / std::string(1, letter));
}

void VirtualMachine::DenyRegistryWrites(RootKey root, const std::string& keyPrefix)
{
    state_->registryDenied.emplace_back(root, UpperCase(keyPrefix));
}

fs::path VirtualMachine::HostPath(const std::string& windowsPath) const
{
    return state_->Resolve(ParseWinPath(windowsPath)).host;
}

const std::vector<std::string>& VirtualMachine::Journal() const { return state_->journal; }

void VirtualMachine::Save()
{
    if (!state_->dirty) return;
    state_->SaveRegistry(root_ / "registry.reg");
    state_->SaveAttributes(root_ / "attributes.txt");
    state_->dirty = false;
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
