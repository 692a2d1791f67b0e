#include "uninstall/ProtectedFolders.h"

#include <string_view>

#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"

namespace lorvel {

namespace {

std::string WithDelimiter(const std::string& folder)
{
    return EndsWithPathDelimiter(folder) ? folder : folder + "\\";
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

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
    for (const std::string* folder :
         {&c.programFilesFolder, &c.otherProgramFilesFolder, &c.startMenuFolder, &c.programsFolder, &c.desktopFolder,
          &c.startupFolder, &c.sendToFolder, &c.commonStartMenuFolder, &c.commonProgramsFolder, &c.commonDesktopFolder,
          &c.commonStartupFolder})
        add(*folder, false);
}

// A drive root or a network share's root, or one of the list.
bool ProtectedFolders::IsProtectedResolved(const std::string& folder) const
{
    const std::string f = WithDelimiter(folder);
    if (f.size() == 3 && f[1] == ':') return true;
    if (StartsWith(f, "\\\\")) {
        int names = 0;
        ForEachPathComponent(std::string_view(f).substr(2), [&names](std::string_view) { ++names; });
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
    case Verdict::UnsafeWildcard: return "場所を特定できないワイルドカードの指定のため，削除しませんでした．\r\n";
    case Verdict::OutsideSetupFolder:
        return "セットアップ時の記録と照合できないアンセットアップ情報のため，セットアップフォルダの外は削除しませんで"
               "した．\r\n";
    case Verdict::NotAbsolute: return "ドライブから始まる完全なパスではないため，削除しませんでした．\r\n";
    case Verdict::ThroughLink:
        return "セットアップフォルダの中のリンク(ジャンクション)を経由する指定のため，削除しませんでした．\r\n";
    case Verdict::Allowed: break;
    }
    return {};
}

}  // namespace lorvel
