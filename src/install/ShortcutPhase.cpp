// The shortcut phase of the install run, and the making of one shortcut file.
#include <cstdio>

#include "install/InstallRun.h"
#include "run/RunError.h"
#include "util/FolderMacros.h"
#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"

namespace lorvel {

using namespace platform;

namespace {

constexpr const char* kNotSelected = "User Not Selected.";

// The text before the first "," and the text after it; without one, all and nothing.
std::pair<std::string, std::string> SplitAtComma(const std::string& text)
{
    const int at = MBPos(",", text);
    if (at <= 0) return {text, {}};
    return {StrLeft(text, at - 1), StrMid(text, at + 1)};
}

// Up to and including the last "\" or ":" (never a trail byte).
std::string FolderPartOf(const std::string& path)
{
    return StrLeft(path, static_cast<int>(path.size() - FileNamePart(path).size()));
}

bool EndsWithText(const std::string& text, const std::string& ending)
{
    return text.size() >= ending.size() && UpperCase(text.substr(text.size() - ending.size())) == UpperCase(ending);
}

}  // namespace

std::string OleErrorText(System& system, std::int32_t status)
{
    const std::string text = system.GetErrorText(static_cast<ErrorCode>(status));
    if (!text.empty()) return text;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "OLE ｴﾗｰ %.8x", static_cast<unsigned>(status));
    return buffer;
}

// A name that already ends in ".lnk" is kept: the script author named the file.
std::string LinkFileOf(const ShortcutRequest& request)
{
    return EndsWithText(request.link, ".lnk") ? request.link : request.link + ".lnk";
}

// The shell keeps a link to an MS-DOS program as a program-information file.
std::string ProgramInformationFileOf(const std::string& linkFile)
{
    return StrLeft(linkFile, static_cast<int>(linkFile.size()) - 4) + ".pif";
}

std::string CreateShortcut(Platform& platform, FileOps& ops, const ShortcutRequest& request)
{
    std::string file = LinkFileOf(request);
    std::string workingFolder = request.workingFolder;
    if (workingFolder.empty() || !ops.FolderExists(workingFolder)) workingFolder = FolderPartOf(request.target);
    workingFolder = AddPathDelim(workingFolder, "B");
    const std::string folder = FolderPartOf(file);
    if (!ops.FolderExists(folder)) ops.CreateFolderTree(folder);
    if (MBPosText(".LNK", request.target) > 0)
        return ops.CopyFileOverwrite(request.target, file) == kErrorSuccess ? file : std::string();
    const LinkSave saved = platform.links.SaveLink(file, {request.target, workingFolder, request.arguments});
    if (saved.outcome == LinkSave::Outcome::ClassMissing) throw RunError(OleErrorText(platform.system, saved.status));
    if (saved.outcome == LinkSave::Outcome::InterfaceMissing) return {};
    if (platform.files.FileExists(file)) return file;
    const std::string pif = ProgramInformationFileOf(file);
    // A save that wrote neither (a full disk, a denied folder) made nothing to record.
    return platform.files.FileExists(pif) ? pif : std::string();
}

InstallRun::Outcome InstallRun::CreateShortcuts()
{
    services_.view.ShowProgress(false);
    const FolderTable table = FolderTableOf(services_.context);
    for (const auto& [i, make] : services_.Script().Numbered(script::Key::ShortCutMake)) {
        const std::string name = services_.Script()(script::Key::ShortCutName, i, kDefaultShortcutName);
        const ShortcutBox box = GoverningBox(name);
        if (box != ShortcutBox::None && !state_.shortcutBoxes[static_cast<std::size_t>(box)]) continue;
        if (make == kNotSelected) continue;
        ShortcutRequest request;
        std::tie(request.target, request.arguments) = SplitAtComma(ExpandFolderMacros(make, table));
        std::string link = name == kDefaultShortcutName ? FileNamePart(request.target) : name;
        if (MBPos("(", link) == 0 && MBPos(")", link) == 0) link = "(Sta)" + link;
        std::tie(request.link, request.workingFolder) = SplitAtComma(ExpandFolderMacros(link, table));
        services_.view.SetStatus("ショートカットを作成しています．．．\r\nCreateTarget -> " + request.target +
                                 "\r\nCreating -> " + RemovePathDelim(request.link, "T"));
        if (!Checkpoint()) return Outcome::Ended;
        const std::string linkFile = LinkFileOf(request);
        journal_->NoteMade(linkFile, false);
        journal_->NoteMade(ProgramInformationFileOf(linkFile), false);
        const std::string file = CreateShortcut(services_.platform, services_.ops, request);
        Pause(static_cast<unsigned>(services_.context.setupSpeed));
        // An empty item would end the record's list there, and the uninstall would
        // keep every shortcut after it.
        if (file.empty())
            state_.failures.Add(tag::kShortCut, request.link, "ショートカットを作成できませんでした．\r\n");
        else
            state_.lists.deleteShortCut += file + "|";
    }
    return Outcome::Continue;
}

}  // namespace lorvel
