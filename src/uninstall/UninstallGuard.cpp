#include "uninstall/UninstallGuard.h"

#include <vector>

#include "util/PathResolution.h"
#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"

namespace lorvel {

using platform::RootKey;

namespace {

using Key = std::vector<std::string>;

// A key path as the registry reads it, upper-case: no "\" at either end, none doubled.
Key KeyComponents(const std::string& path)
{
    Key parts;
    std::string part;
    const int length = static_cast<int>(path.size());
    for (int i = 1; i <= length; ++i) {
        const auto byte = static_cast<unsigned char>(path[static_cast<std::size_t>(i - 1)]);
        if (MBIsLeadByte(byte) && i < length) {
            part.append(path, static_cast<std::size_t>(i - 1), 2);
            ++i;
        } else if (byte == '\\') {
            if (!part.empty()) parts.push_back(UpperCase(part));
            part.clear();
        } else {
            part.push_back(static_cast<char>(byte));
        }
    }
    if (!part.empty()) parts.push_back(UpperCase(part));
    return parts;
}

bool StartsWith(const Key& key, const Key& prefix)
{
    if (key.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (key[i] != prefix[i]) return false;
    return true;
}

bool IsOneOf(const std::string& upper, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        if (upper == name) return true;
    return false;
}

// Letters, digits, ".", "_" and "-": a name that can only ever be one key's name.
bool IsPlainName(const std::string& name)
{
    if (name.empty() || name.size() > 255) return false;
    for (const char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
              c == '-'))
            return false;
    return true;
}

// Relative to the classes root: its tables of components and shell objects, and the
// classes that decide what runs when a file is opened, at any depth.
bool IsProtectedClassKey(Key key)
{
    if (!key.empty() && key[0] == "WOW6432NODE") key.erase(key.begin());
    if (key.empty()) return true;
    if (key.size() == 1 && IsOneOf(key[0], {"CLSID", "INTERFACE", "TYPELIB", "APPID", "*", "FOLDER", "DIRECTORY",
                                            "DRIVE", "ALLFILESYSTEMOBJECTS", "PROTOCOLS", "MIME"}))
        return true;
    const std::string& name = key[0];
    if (name.size() > 1 && name[0] == '.') return IsExecutableExtension(name.substr(1));
    return IsExecutableType(name);
}

// Below HKLM or a user's root (the 64-bit names; the 32-bit view is folded in first).
const std::vector<Key>& ProtectedFamilies()
{
    static const std::vector<Key> families = [] {
        std::vector<Key> list;
        for (const char* path : {"SYSTEM", "SAM", "SECURITY", "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                                 "SOFTWARE\\Policies", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx",
                                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices",
                                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
                                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies",
                                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
                                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                                 "SOFTWARE\\Microsoft\\SystemCertificates", "SOFTWARE\\Microsoft\\Cryptography",
                                 "SOFTWARE\\Microsoft\\Windows Defender"})
            list.push_back(KeyComponents(path));
        return list;
    }();
    return families;
}

// What holds the tables above, and the tables themselves, as keys of their own.
const std::vector<Key>& ProtectedAncestors()
{
    static const std::vector<Key> keys = [] {
        std::vector<Key> list;
        for (const char* path : {"SOFTWARE\\Classes", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer",
                                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths"})
            list.push_back(KeyComponents(path));
        for (const Key& family : ProtectedFamilies()) list.push_back(family);
        return list;
    }();
    return keys;
}

}  // namespace

bool IsExecutableExtension(const std::string& extension)
{
    return IsOneOf(UpperCase(extension),
                   {"EXE", "COM", "BAT", "CMD", "PIF", "SCR", "LNK", "HTA",         "REG",   "VBS",
                    "VBE", "JS",  "JSE", "WSF", "WSH", "WS",  "MSI", "MSP",         "MSC",   "CPL",
                    "DLL", "SYS", "OCX", "INF", "PS1", "SCF", "URL", "APPLICATION", "GADGET"});
}

bool IsExecutableType(const std::string& type)
{
    return IsOneOf(UpperCase(type), {"EXEFILE",
                                     "COMFILE",
                                     "BATFILE",
                                     "CMDFILE",
                                     "PIFFILE",
                                     "SCRFILE",
                                     "LNKFILE",
                                     "HTAFILE",
                                     "REGFILE",
                                     "VBSFILE",
                                     "VBEFILE",
                                     "JSFILE",
                                     "JSEFILE",
                                     "WSFFILE",
                                     "WSHFILE",
                                     "MSI.PACKAGE",
                                     "MSI.PATCH",
                                     "MSCFILE",
                                     "CPLFILE",
                                     "DLLFILE",
                                     "SYSFILE",
                                     "OCXFILE",
                                     "INFFILE",
                                     "SHCMDFILE",
                                     "MICROSOFT.POWERSHELLSCRIPT.1",
                                     "INTERNETSHORTCUT",
                                     "APPLICATION.MANIFEST"});
}

bool IsProtectedRegistryKey(RootKey root, const std::string& path)
{
    Key key = KeyComponents(path);
    if (root == RootKey::ClassesRoot) return IsProtectedClassKey(key);
    // Below HKEY_USERS each user's root comes first.
    if (root == RootKey::Users) {
        if (key.size() <= 1) return true;
        key.erase(key.begin());
    }
    if (key.size() <= 1) return true;
    if (key[0] == "SOFTWARE" && key[1] == "WOW6432NODE") key.erase(key.begin() + 1);
    if (key.size() <= 1) return true;
    for (const Key& ancestor : ProtectedAncestors())
        if (StartsWith(ancestor, key)) return true;
    if (key[0] == "SOFTWARE" && key[1] == "CLASSES") return IsProtectedClassKey(Key(key.begin() + 2, key.end()));
    for (const Key& family : ProtectedFamilies())
        if (StartsWith(key, family)) return true;
    return false;
}

AssociationVerdict CheckAssociation(const std::string& extension, const std::string& previousType)
{
    if (!IsPlainName(extension)) return AssociationVerdict::UnsafeType;
    if (IsExecutableExtension(extension)) return AssociationVerdict::ExecutableExtension;
    if (previousType.empty()) return AssociationVerdict::Allowed;
    if (!IsPlainName(previousType)) return AssociationVerdict::UnsafeType;
    if (IsExecutableType(previousType)) return AssociationVerdict::ExecutableType;
    return AssociationVerdict::Allowed;
}

UninstallGuard::UninstallGuard(const SetupContext& context, std::string currentFolder, RecordTrust trust)
    : folders_(context, currentFolder), trust_(std::move(trust)), current_(std::move(currentFolder))
{
    if (const auto resolved = ResolvePath(context.setupFolder, current_)) setupFolder_ = AddPathDelim(*resolved, "B");
}

bool UninstallGuard::InsideSetupFolder(const std::string& path) const
{
    const auto resolved = ResolvePath(path, current_);
    if (!resolved || setupFolder_.empty()) return false;
    const std::string full = AddPathDelim(*resolved, "B");
    return full.compare(0, setupFolder_.size(), setupFolder_) == 0;
}

ProtectedFolders::Verdict UninstallGuard::CheckDeletion(const std::string& path) const
{
    if (!IsAbsolutePath(path)) return ProtectedFolders::Verdict::NotAbsolute;
    const ProtectedFolders::Verdict verdict = folders_.CheckDeletion(path);
    if (verdict == ProtectedFolders::Verdict::Allowed && Restricted() && !InsideSetupFolder(path))
        return ProtectedFolders::Verdict::OutsideSetupFolder;
    return verdict;
}

bool UninstallGuard::IsProtectedFolder(const std::string& folder) const
{
    return folders_.IsProtectedFolder(folder);
}

bool UninstallGuard::MayRemoveFolder(const std::string& folder) const
{
    return IsAbsolutePath(folder) && !folders_.IsProtectedFolder(folder) &&
           (!Restricted() || InsideSetupFolder(folder));
}

bool UninstallGuard::MayDeleteKey(RootKey root, const std::string& path) const
{
    return !Restricted() && !IsProtectedRegistryKey(root, path);
}

AssociationVerdict UninstallGuard::CheckRestoreRelate(const std::string& extension,
                                                      const std::string& previousType) const
{
    if (Restricted()) return AssociationVerdict::UnsafeType;
    return CheckAssociation(extension, previousType);
}

LibraryVerdict UninstallGuard::CheckLibrary(const std::string& path, const std::string& digest) const
{
    if (Restricted()) return LibraryVerdict::NotVouched;
    const auto found = trust_.componentDigests.find(UpperCase(path));
    if (found == trust_.componentDigests.end()) return LibraryVerdict::NotVouched;
    return found->second == digest ? LibraryVerdict::Allowed : LibraryVerdict::Changed;
}

std::string RefusedKeyText()
{
    return "システムが使うレジストリキーのため，削除しませんでした．\r\n";
}

std::string RefusedAssociationText(AssociationVerdict verdict)
{
    switch (verdict) {
    case AssociationVerdict::ExecutableExtension:
        return "プログラムとして実行される拡張子のため，関連付けを変更しませんでした．\r\n";
    case AssociationVerdict::ExecutableType:
        return "プログラムとして実行されるファイルの種類のため，関連付けを変更しませんでした．\r\n";
    case AssociationVerdict::UnsafeType:
        return "セットアップ時の記録と照合できないか，ファイルの種類の名前として正しくないため，関連付けを変更しません"
               "でした．\r\n";
    case AssociationVerdict::Allowed: break;
    }
    return {};
}

std::string RefusedLibraryText(LibraryVerdict verdict)
{
    switch (verdict) {
    case LibraryVerdict::Changed:
        return "セットアップ時に登録したファイルと内容が異なるため，登録を解除せずに削除しました．\r\n";
    case LibraryVerdict::NotVouched:
        return "セットアップ時に登録したファイルと照合できないため，登録を解除せずに削除しました．\r\n";
    case LibraryVerdict::Allowed: break;
    }
    return {};
}

std::string OutsideSetupFolderText()
{
    return ProtectedFolders::ReasonText(ProtectedFolders::Verdict::OutsideSetupFolder);
}

}  // namespace lorvel
