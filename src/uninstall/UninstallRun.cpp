#include "uninstall/UninstallRun.h"

#include "uninstall/UninstallRecord.h"
#include "util/FixedNames.h"
#include "util/MBUtils.h"
#include "util/MessageBox.h"
#include "util/RegistryTokens.h"
#include "util/StrOp.h"

namespace lorvel {

using namespace platform;

namespace {

constexpr const char* kCaptionConfirm = "ファイル削除の確認";
constexpr const char* kAnswerYes = "Yes";
constexpr const char* kAnswerDelete = "Delete";
constexpr const char* kAnswerSave = "Save";

// The folder part of a path with its trailing "\": "C:\\A\\B.LNK" => "C:\\A\\".
std::string FolderOf(const std::string& path)
{
    return StrLeft(path, static_cast<int>(path.size() - FileNamePart(path).size()));
}

// A key path as the registry reads it: no "\" at either end, none doubled.
std::vector<std::string> KeyComponents(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (int i = 1; i <= static_cast<int>(path.size()) + 1; ++i) {
        if (i > static_cast<int>(path.size()) || IsPathDelimiter(path, i)) {
            if (!part.empty()) parts.push_back(UpperCase(part));
            part.clear();
        } else {
            part.push_back(path[static_cast<std::size_t>(i - 1)]);
        }
    }
    return parts;
}

bool IsAncestorOrSelf(const std::vector<std::string>& key, const std::vector<std::string>& of)
{
    if (key.size() > of.size()) return false;
    for (std::size_t i = 0; i < key.size(); ++i)
        if (key[i] != of[i]) return false;
    return true;
}

}  // namespace

DeletionChoice DeletionChoiceOf(const RunOptions& options)
{
    DeletionChoice choice;
    if (options.desktop) {
        if (!options.startMenuVisible && !options.startupVisible && !options.sendToVisible)
            choice.deleteEverything = true;
        else
            choice.patterns += "*.INI|";
    }
    if (options.startMenu) choice.patterns += "*.GID|";
    return choice;
}

bool IsProtectedRegistryKey(RootKey root, const std::string& path)
{
    const std::vector<std::string> key = KeyComponents(path);
    if (key.empty()) return true;
    if (root == RootKey::ClassesRoot) {
        static const char* const kShared[] = {"CLSID", "INTERFACE", "TYPELIB", "APPID", "*", "FOLDER", "DIRECTORY",
                                              "DRIVE"};
        if (key.size() == 1)
            for (const char* name : kShared)
                if (key[0] == name) return true;
        return false;
    }
    if (key.size() == 1) return true;
    const std::vector<std::string> kept[] = {
        KeyComponents(kUninstallListKey), KeyComponents(kSharedDllsKey), KeyComponents("SOFTWARE\\Classes"),
        KeyComponents("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"), KeyComponents("SYSTEM\\CurrentControlSet")};
    for (const auto& protectedKey : kept)
        if (IsAncestorOrSelf(key, protectedKey)) return true;
    return false;
}

UninstallRun::UninstallRun(Platform& platform, ProfileStore& profiles, FileOps& ops, SetupContext& context,
                           RunView& view, SharedFiles& shared)
    : platform_(platform), profiles_(profiles), ops_(ops), context_(context), view_(view), shared_(shared)
{
}

std::string UninstallRun::Record(const std::string& section, const std::string& key)
{
    return profiles_.ReadProfile(section, key, "", context_.scriptFile);
}

void UninstallRun::Run()
{
    // The run's own copy of the record: nothing else writes it while the run reads it.
    const ProfileStore::Steady steadyRecord(profiles_, context_.scriptFile);
    if (!Start()) return;
    DeleteRecordedFiles(Section::DeleteFile);
    DeleteRecordedFiles(Section::AddDeleteFile);
    DeleteShortcuts();
    RemoveRecordedFolders();
    DeleteRegistryKeys();
    RestoreAssociations();
    RemoveUninstallEntry();
    RemoveSetupFolder();
    OfferFailureDetails();
    Finish();
}

bool UninstallRun::Start()
{
    view_.DisableOptions();
    const RunOptions options = view_.ReadOptions();
    choice_ = DeletionChoiceOf(options);
    view_.HideWizard();
    view_.ShowProgressWindow();
    view_.SetStatus("アンセットアップ(アンインストール)を行っています．．．");

    context_.setupFolder = options.folderText;
    if (context_.setupFolder.empty() || context_.setupFolder == "\\" || Record("SetupFolder", "Folder").empty()) {
        view_.Ask("アンセットアップ(アンインストール)フォルダが不明です．\r\n"
                  "アンセットアップ(アンインストール)は続行できません．",
                  "致命的エラー", box::kStopOk);
        // Nothing is removed; the program ends, as the install run does when it
        // cannot go on, so that the user is not left without a usable button.
        view_.CloseProgressWindow();
        view_.EndWizard();
        return false;
    }

    failures_ = FailureText{};
    context_.programId = Record("ProgramID", "ID");
    const std::string memory = context_.windowsFolder + kFolderMemoryName;
    if (!context_.programId.empty() && !profiles_.RemoveSection(context_.programId, memory))
        failures_.Add(tag::kSetupFile, memory, ops_.SystemErrorText(profiles_.LastWriteError()));

    // The setup folder must not be the current folder when it is removed.
    platform_.files.SetCurrentFolder(context_.tempFolder);
    protected_.emplace(context_, context_.tempFolder);
    return true;
}

// An entry that reaches a protected folder is skipped and reported, whatever section
// it comes from.
bool UninstallRun::Refuse(const std::string& tag, const std::string& path)
{
    ProtectedFolders::Verdict verdict = protected_->CheckDeletion(path);
    if (verdict == ProtectedFolders::Verdict::Allowed && ThroughLink(path))
        verdict = ProtectedFolders::Verdict::ThroughLink;
    if (verdict == ProtectedFolders::Verdict::Allowed) return false;
    failures_.Add(tag, path, ProtectedFolders::ReasonText(verdict));
    return true;
}

// Whether a folder on the way from the setup folder (itself included) to the entry
// is a link. Whoever can write the setup folder can put a link in it after the
// install; an entry recorded below it would then reach whatever the link names.
bool UninstallRun::ThroughLink(const std::string& path)
{
    const auto setup = ResolvePath(context_.setupFolder, context_.tempFolder);
    const auto full = ResolvePath(path, context_.tempFolder);
    if (!setup || !full) return false;
    const std::string root = AddPathDelim(*setup, "B");
    if (full->compare(0, root.size(), root) != 0) return false;
    std::string folder = RemovePathDelim(root, "B");
    std::string rest = full->substr(root.size());
    for (;;) {
        auto [known, added] = linkFolders_.try_emplace(folder, false);
        if (added) {
            std::uint32_t attributes = 0;
            known->second = platform_.files.GetAttributes(folder, attributes) == platform::kErrorSuccess &&
                            (attributes & platform::attr::kReparsePoint) != 0;
        }
        if (known->second) return true;
        const int delimiter = MBPos("\\", rest);
        if (delimiter == 0) return false;
        folder += "\\" + StrLeft(rest, delimiter - 1);
        rest = StrMid(rest, delimiter + 1);
    }
}

void UninstallRun::DeleteRecordedFiles(Section section)
{
    const char* name = section == Section::DeleteFile ? "DeleteFile" : "AddDeleteFile";
    for (const std::string& value : ReadNumbered(profiles_, context_.scriptFile, name, "File")) {
        const std::string path = PathPart(value);
        if (path.empty()) break;
        if (Refuse(tag::kFile, path)) continue;
        const ErrorCode code = DecideAndDelete(path, DeleteFileFlags(value));
        // What the author added by pattern may well be gone already.
        if (code != kErrorSuccess && section == Section::DeleteFile)
            failures_.Add(tag::kFile, path, ops_.SystemErrorText(code));
    }
}

ErrorCode UninstallRun::DecideAndDelete(const std::string& path, const std::string& flags)
{
    auto has = [&flags](const char* flag) { return MBPosText(flag, flags) > 0; };
    bool remove = true;
    if (shared_.ReadSharedCount(path) != 0) {
        // The count is lowered before the question: a file the user keeps has lost
        // this program's use of it all the same.
        remove = has("/S") && shared_.ChangeSharedCount(path, false) == 0 && ConfirmSharedDeletion(path);
    } else if (has("/C")) {
        remove = Confirm(path + "\r\rこのファイルを削除してもよろしいですか？\r\r<<　注意　>>\r"
                                "DLL/OCXなどは他のプログラムでも使用される可能性があります．\r"
                                "確実に使用されないことがわかっている場合のみ削除してください．");
    } else if (has("/L")) {
        remove = false;
    } else if (has("/F")) {
        remove = true;
    } else if (IsComponentFile(path) && InSystemFolders(path)) {
        remove = Confirm(path + "\r\rこのDLL/OCXファイルは，共有登録されていませんが，\r"
                                "今後，他のプログラムで使われる可能性があります．\r"
                                "このファイルを削除してもよろしいですか？");
    }
    return remove ? ops_.DeleteFiles(path) : kErrorSuccess;
}

// Compared as Windows reads the path, so that "C:\APP\..\WINDOWS\A.DLL" is asked
// about like "C:\WINDOWS\A.DLL".
bool UninstallRun::InSystemFolders(const std::string& path) const
{
    const std::string upper = ResolvePath(path, context_.tempFolder).value_or(UpperCase(path));
    return MBPos(UpperCase(context_.windowsFolder), upper) > 0 || MBPos(UpperCase(context_.systemFolder), upper) > 0;
}

bool UninstallRun::ConfirmSharedDeletion(const std::string& path)
{
    const std::string slot = view_.AnswerSlot();
    if (slot != kAnswerDelete && slot != kAnswerSave) {
        view_.SetAnswerSlot("");
        view_.AskDeletion(path +
                          "\r\rこの共有ファイルは，現在，他のどのプログラムからも使われていません．\r"
                          "しかし，今後，他のプログラムで使われる可能性があります．\r"
                          "このファイルを削除してもよろしいですか？");
    }
    const std::string answer = view_.AnswerSlot();
    // A dialog closed without an answer keeps the file.
    return answer == kAnswerYes || answer == kAnswerDelete;
}

bool UninstallRun::Confirm(const std::string& text)
{
    return view_.Ask(text, kCaptionConfirm, box::kQuestionYesNo) == box::kYes;
}

void UninstallRun::DeleteShortcuts()
{
    const std::string* const shellFolders[] = {
        &context_.programsFolder,       &context_.desktopFolder,        &context_.startupFolder,
        &context_.sendToFolder,         &context_.commonProgramsFolder, &context_.commonDesktopFolder,
        &context_.commonStartupFolder};
    for (const std::string& path : ReadNumbered(profiles_, context_.scriptFile, "DeleteShortCut", "File")) {
        if (Refuse(tag::kShortCut, path)) continue;
        if (const ErrorCode code = ops_.DeleteFiles(path); code != kErrorSuccess)
            failures_.Add(tag::kShortCut, path, ops_.SystemErrorText(code));
        // A program group left empty goes; the shell's own folders stay.
        const std::string folder = FolderOf(path);
        bool shellFolder = false;
        for (const std::string* f : shellFolders) shellFolder = shellFolder || folder == *f;
        if (shellFolder || protected_->IsProtectedFolder(folder)) continue;
        // A group that still holds other shortcuts, or is gone already, is no failure.
        const ErrorCode removed = ops_.RemoveFolder(folder, "");
        if (removed != kErrorSuccess && removed != kErrorDirNotEmpty && removed != kErrorFileNotFound &&
            removed != kErrorPathNotFound)
            failures_.Add(tag::kFolder, folder, ops_.SystemErrorText(removed));
    }
}

// RemoveFolder with every pattern and the folder itself checked first.
ErrorCode UninstallRun::RemoveFolderSafely(const std::string& folder, const std::string& patterns,
                                           const std::string& tag)
{
    const std::string base = AddPathDelim(folder, "B");
    for (const std::string& pattern : ListItems(patterns))
        if (!pattern.empty() && !Refuse(tag, base + pattern)) ops_.DeleteFiles(base + pattern);
    if (protected_->IsProtectedFolder(base)) {
        failures_.Add(tag, base, ProtectedFolders::ReasonText(ProtectedFolders::Verdict::ProtectedFolder));
        return kErrorSuccess;
    }
    return ops_.RemoveFolder(base, "");
}

void UninstallRun::RemoveRecordedFolders()
{
    const std::vector<std::string> folders = ReadNumbered(profiles_, context_.scriptFile, "DeleteFolder", "Folder");
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        const std::string& folder = *it;
        const bool insideSetupFolder = MBPosText(context_.setupFolder, folder) > 0;
        ErrorCode code = RemoveFolderSafely(folder, insideSetupFolder ? choice_.patterns : "", tag::kFolder);
        // The setup folder's own removal takes these along.
        if (choice_.deleteEverything && insideSetupFolder) code = kErrorSuccess;
        if (code != kErrorSuccess) failures_.Add(tag::kFolder, folder, ops_.SystemErrorText(code));
    }
}

void UninstallRun::DeleteKey(const std::string& token, const std::string& path)
{
    if (IsProtectedRegistryKey(RootKeyFromToken(token), path)) {
        failures_.Add(tag::kRegistry, token + path,
                      "システムが使うレジストリキーのため，削除しませんでした．\r\n");
        return;
    }
    if (const ErrorCode code = DeleteRegistryKey(platform_.registry, token, path))
        failures_.Add(tag::kRegistry, token + path, ops_.SystemErrorText(code));
}

void UninstallRun::DeleteRegistryKeys()
{
    for (const std::string& value : ReadNumbered(profiles_, context_.scriptFile, "DeleteRegistry", "Key")) {
        const RegistryKeyText key = SplitKeyByRecordRule(value);
        if (!key.path.empty()) DeleteKey(key.token, key.path);
    }
}

void UninstallRun::RestoreAssociations()
{
    Registry& registry = platform_.registry;
    for (const std::string& value : ReadNumbered(profiles_, context_.scriptFile, "RestoreRelate", "Key")) {
        const RelateRecord relate = ParseRestoreRelate(value);
        const std::string extensionKey = "." + relate.extension;
        std::string previous = relate.previous;
        if (!previous.empty()) {
            if (registry.OpenKey(RootKey::ClassesRoot, extensionKey) == kErrorSuccess) {
                const ErrorCode code =
                    registry.WriteValue(RootKey::ClassesRoot, extensionKey, "", RegValue::String(previous));
                // One denied key must not leave the rest of the program installed.
                if (code != kErrorSuccess)
                    failures_.Add(tag::kRegistry, "HKEY_CLASSES_ROOT\\" + extensionKey, ops_.SystemErrorText(code));
            } else {
                previous.clear();
            }
        }
        if (previous.empty()) RemoveAddedType(extensionKey);
        // When the extension pointed to this system's own file type before the
        // install, that file type stays.
        if (UpperCase(previous) != UpperCase(relate.extension + "_auto_file"))
            DeleteKey("(Class)", relate.extension + "_auto_file");
    }
}

// Without a previous type the install made the key, or found it holding no type but
// other programs' values (a content type, a new-file template): the type it wrote
// goes, and the key only when nothing else is left in it.
void UninstallRun::RemoveAddedType(const std::string& extensionKey)
{
    const ErrorCode cleared = platform_.registry.DeleteValue(RootKey::ClassesRoot, extensionKey, "");
    if (cleared != kErrorSuccess && cleared != kErrorFileNotFound) {
        failures_.Add(tag::kRegistry, "HKEY_CLASSES_ROOT\\" + extensionKey, ops_.SystemErrorText(cleared));
        return;
    }
    if (IsEmptyKey(RootKey::ClassesRoot, extensionKey)) DeleteKey("(Class)", extensionKey);
}

// A key that is there and holds no value and no key; false when it cannot be read.
bool UninstallRun::IsEmptyKey(RootKey root, const std::string& path)
{
    std::vector<std::string> subkeys;
    std::vector<std::pair<std::string, RegValue>> values;
    return platform_.registry.EnumSubKeys(root, path, subkeys) == kErrorSuccess && subkeys.empty() &&
           platform_.registry.EnumValues(root, path, values) == kErrorSuccess && values.empty();
}

void UninstallRun::RemoveUninstallEntry()
{
    const std::string key = Record("UnSetupRegistryKey", "Key");
    if (key.empty()) return;
    DeleteKey("(Local)", key);
    RemoveEmptyEntryParents(key);
}

namespace {

// The key holding key: what comes before its last "" that is no trail byte; empty
// for a key of one name.
std::string ParentKeyOf(const std::string& key)
{
    for (int i = static_cast<int>(key.size()); i > 0; --i)
        if (IsPathDelimiter(key, i)) return key.substr(0, static_cast<std::size_t>(i - 1));
    return {};
}

}  // namespace

// A title holding "\" made the entry a key within keys of the system's list; the
// keys that held nothing but the entry go with it, up to the list itself.
void UninstallRun::RemoveEmptyEntryParents(const std::string& key)
{
    Registry& registry = platform_.registry;
    const std::string list = UpperCase(RemovePathDelim(kUninstallListKey, "B"));
    if (UpperCase(key).rfind(list + "\\", 0) != 0) return;
    for (std::string parent = ParentKeyOf(key); parent.size() > list.size(); parent = ParentKeyOf(parent)) {
        if (!IsEmptyKey(RootKey::LocalMachine, parent)) return;
        if (const ErrorCode code = registry.DeleteKeyTree(RootKey::LocalMachine, parent)) {
            failures_.Add(tag::kRegistry, "(Local)" + parent, ops_.SystemErrorText(code));
            return;
        }
    }
}

bool UninstallRun::IsPartProtectedSetupFolder() const
{
    const std::string folder = UpperCase(context_.setupFolder);
    for (const std::string* f : {&context_.tempFolder, &context_.windowsFolder, &context_.systemFolder,
                                 &context_.programFilesFolder})
        if (folder == UpperCase(*f)) return true;
    return context_.setupFolder.size() == 3;
}

void UninstallRun::RemoveSetupFolder()
{
    if (IsPartProtectedSetupFolder() || protected_->IsProtectedFolder(context_.setupFolder)) return;
    const ErrorCode code =
        RemoveFolderSafely(context_.setupFolder, choice_.deleteEverything ? "*.*|" : choice_.patterns, tag::kSetupFolder);
    if (code == kErrorSuccess) return;
    std::string record = std::string(tag::kSetupFolder) + context_.setupFolder + "\r\n";
    if (code == kErrorDirNotEmpty || code == kErrorAccessDenied) {
        record += choice_.deleteEverything ? "全ファイル・フォルダの削除を試みましたが，エラーが発生したため，"
                                           : "フォルダにファイルが残っているため，";
        record += "セットアップフォルダを削除できませんでした．エクスプローラなどから，直接削除してください．\r\n";
    } else {
        record += ops_.SystemErrorText(code) + "\r\n";
    }
    failures_.AddRecord(record);
}

void UninstallRun::OfferFailureDetails()
{
    if (failures_.Empty()) return;
    view_.SetStatus("一部の処理に失敗しました．");
    context_.messageText = "アンセットアップ(アンインストール)の過程で，一部の処理が失敗しました．\r詳細を表示しますか？";
    context_.messageResult = view_.Ask(context_.messageText, "警告", box::kWarningYesNo);
    if (context_.messageResult == box::kYes) view_.ShowDetails("削除処理失敗　詳細表示", failures_.text, true);
}

void UninstallRun::Finish()
{
    const std::string done = "アンセットアップを完了しました．";
    view_.SetStatus(done);
    view_.Ask(done, "完了", box::kInformationOk);
    view_.CloseProgressWindow();
    view_.EndWizard();
}

}  // namespace lorvel
