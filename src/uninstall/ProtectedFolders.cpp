#include "uninstall/ProtectedFolders.h"

#include <string_view>

#include "util/MBUtils.h"
#include "util/StrOp.h"

namespace lorvel {

namespace {


// Calls visit with each component between "\" (or "/", never a trail byte in code
// page 932), in one walk forward that steps over a double-byte character whole: its
// trail byte may be 0x5C, which is no "\" there. Asking each byte for its type
// instead would scan back over the run of lead bytes before it every time, and a
// record line of lead bytes would take time in the square of its length.
template <typename Visit>
void ForEachComponent(std::string_view text, Visit visit)
{
    const LeadByteSet& leads = ActiveLeadBytes();
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (leads.Contains(byte)) {
            ++i;  // its trail byte, whatever it is
        } else if (byte == '\\' || byte == '/') {
            visit(text.substr(start, i - start));
            start = i + 1;
        }
    }
    visit(text.substr(start));
}

// Windows drops trailing dots and blanks of a name: "WINDOWS." is the Windows folder.
std::string_view WindowsName(std::string_view name)
{
    if (name == "." || name == "..") return name;
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.remove_suffix(1);
    return name;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string WithDelimiter(const std::string& folder) { return EndsWithPathDelimiter(folder) ? folder : folder + "\\"; }

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::optional<std::string> ResolvePath(const std::string& path, const std::string& currentFolder)
{
    // The system ends a path at its first NUL, so a check of the rest would not be of
    // the path used.
    if (path.find('\0') != std::string::npos) return std::nullopt;
    std::string resolved;  // the root, then the names kept
    std::string_view rest;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        // "\\?\" and "\\.\" reach devices and skip the system's own path rules.
        if (path.size() >= 3 && (path[2] == '?' || path[2] == '.')) return std::nullopt;
        // "\\server\share\": the first two names are the root.
        std::string_view names[2];
        int count = 0;
        std::size_t restStart = std::string::npos;
        const std::string_view text = std::string_view(path).substr(2);
        ForEachComponent(text, [&](std::string_view name) {
            if (count < 2)
                names[count] = name;
            else if (count == 2)
                restStart = static_cast<std::size_t>(name.data() - text.data());
            ++count;
        });
        if (count < 2 || names[0].empty() || names[1].empty()) return std::nullopt;
        resolved.append("\\\\").append(names[0]).append("\\").append(names[1]).append("\\");
        if (restStart != std::string::npos) rest = text.substr(restStart);
    } else if (path.size() >= 2 && path[1] == ':' && MBByteType(path, 1) == ByteType::Single) {
        if (path.size() == 2 || !IsSeparator(path[2])) return std::nullopt;  // "C:a" is relative to an unknown folder
        resolved = path.substr(0, 2) + "\\";
        rest = std::string_view(path).substr(3);
    } else {
        // Relative to the current folder, or to its drive's root after a leading "\".
        const bool drivePath = currentFolder.size() >= 3 && currentFolder[1] == ':' && IsSeparator(currentFolder[2]);
        if (!drivePath) return std::nullopt;
        if (!path.empty() && IsSeparator(path[0])) return ResolvePath(currentFolder.substr(0, 2) + path, {});
        return ResolvePath(WithDelimiter(currentFolder) + path, {});
    }
    // Where each kept name begins, its "\" included: ".." cuts the last one off.
    const std::size_t rootSize = resolved.size();
    resolved.reserve(rootSize + rest.size());
    std::vector<std::size_t> kept;
    ForEachComponent(rest, [&](std::string_view raw) {
        const std::string_view name = WindowsName(raw);
        if (name.empty() || name == ".") return;
        if (name == "..") {
            if (!kept.empty()) {
                resolved.resize(kept.back());
                kept.pop_back();
            }
            return;
        }
        kept.push_back(resolved.size());
        if (resolved.size() > rootSize) resolved += '\\';
        resolved += name;
    });
    return UpperCase(resolved);
}

ProtectedFolders::ProtectedFolders(const SetupContext& c, std::string currentFolder)
    : current_(std::move(currentFolder))
{
    auto add = [this](const std::string& folder, bool deep) {
        if (folder.empty() || folder == "\\") return;  // a folder the system did not give
        const auto resolved = ResolvePath(folder, {});
        if (!resolved) return;
        folders_.push_back(WithDelimiter(*resolved));
        if (deep) deep_.push_back(WithDelimiter(*resolved));
    };
    for (const std::string* folder : {&c.windowsFolder, &c.systemFolder, &c.tempFolder}) add(*folder, true);
    // On 64-bit Windows a 32-bit program reaches three system folders and both
    // Program Files folders, whichever its macros name.
    if (c.systemWow64Folder != "\\" && !c.systemWow64Folder.empty()) {
        add(c.systemWow64Folder, true);
        add(WithDelimiter(c.windowsFolder) + "SYSNATIVE\\", true);
    }
    for (const std::string* folder : {&c.programFilesFolder, &c.otherProgramFilesFolder, &c.startMenuFolder, &c.programsFolder, &c.desktopFolder,
                                      &c.startupFolder, &c.sendToFolder, &c.commonStartMenuFolder,
                                      &c.commonProgramsFolder, &c.commonDesktopFolder, &c.commonStartupFolder})
        add(*folder, false);
}

// A drive root or a network share's root, or one of the list.
bool ProtectedFolders::IsProtectedResolved(const std::string& folder) const
{
    const std::string f = WithDelimiter(folder);
    if (f.size() == 3 && f[1] == ':') return true;
    if (StartsWith(f, "\\\\")) {
        int names = 0;
        ForEachComponent(std::string_view(f).substr(2), [&names](std::string_view) { ++names; });
        if (names <= 3) return true;
    }
    for (const std::string& p : folders_)
        if (f == p) return true;
    return false;
}

bool ProtectedFolders::IsOrHoldsProtected(const std::string& folder) const
{
    const std::string f = WithDelimiter(folder);
    if (IsProtectedResolved(f)) return true;
    for (const std::string& p : folders_)
        if (StartsWith(p, f)) return true;
    return false;
}

// What a wildcard may not reach: a protected folder, one that holds one, or any
// folder below those whose contents belong to the system.
bool ProtectedFolders::HoldsProtected(const std::string& folder) const
{
    if (IsOrHoldsProtected(folder)) return true;
    const std::string f = WithDelimiter(folder);
    for (const std::string& d : deep_)
        if (StartsWith(f, d)) return true;
    return false;
}

ProtectedFolders::Verdict ProtectedFolders::CheckDeletion(const std::string& path) const
{
    const bool wildcard = HasWildcard(path);
    const std::optional<std::string> resolved = ResolvePath(path, current_);
    if (!resolved) return wildcard ? Verdict::UnsafeWildcard : Verdict::Allowed;
    if (!wildcard) return IsOrHoldsProtected(*resolved) ? Verdict::ProtectedFolder : Verdict::Allowed;
    const std::string name = FileNamePart(*resolved);
    const std::string folder = StrLeft(*resolved, static_cast<int>(resolved->size() - name.size()));
    // The shell expands a wildcard in the last name only; anywhere else its meaning
    // is the shell's guess.
    if (HasWildcard(folder) || name.empty()) return Verdict::UnsafeWildcard;
    return HoldsProtected(folder) ? Verdict::WildcardInProtected : Verdict::Allowed;
}

bool ProtectedFolders::IsProtectedFolder(const std::string& folder) const
{
    const std::optional<std::string> resolved = ResolvePath(folder, current_);
    return !resolved || IsProtectedResolved(*resolved);
}

std::string ProtectedFolders::ReasonText(Verdict verdict)
{
    switch (verdict) {
    case Verdict::ProtectedFolder:
        return "システムが使うフォルダ(Windowsフォルダ，ドライブのルートなど)のため，削除しませんでした．\r\n";
    case Verdict::WildcardInProtected:
        return "システムが使うフォルダ(Windowsフォルダ，ドライブのルートなど)の中をワイルドカードで削除する指定のため，"
               "削除しませんでした．\r\n";
    case Verdict::UnsafeWildcard:
        return "場所を特定できないワイルドカードの指定のため，削除しませんでした．\r\n";
    case Verdict::OutsideSetupFolder:
        return "セットアップ時の記録と照合できないアンセットアップ情報のため，セットアップフォルダの外は削除しませんでした．\r\n";
    case Verdict::NotAbsolute:
        return "ドライブから始まる完全なパスではないため，削除しませんでした．\r\n";
    case Verdict::ThroughLink:
        return "セットアップフォルダの中のリンク(ジャンクション)を経由する指定のため，削除しませんでした．\r\n";
    case Verdict::Allowed:
        break;
    }
    return {};
}

}  // namespace lorvel
