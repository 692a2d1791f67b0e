#include "uninstall/UninstallRun.h"

#include "uninstall/RecordTrust.h"
#include "uninstall/UninstallRecord.h"
#include "run/FixedNames.h"
#include "util/MBUtils.h"
#include "util/MessageBox.h"
#include "run/RegistryKeys.h"
#include "util/RegistryTokens.h"
#include "util/Sha256.h"
#include "util/StrOp.h"

namespace lorvel {

using namespace platform;

namespace {

constexpr const char* kCaptionConfirm = "ファイル削除の確認";
constexpr const char* kAnswerYes = "Yes";
constexpr const char* kAnswerDelete = "Delete";
constexpr const char* kAnswerSave = "Save";

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

UninstallRun::UninstallRun(const RunServices& services)
    : services_(services), platform_(services.platform), profiles_(services.profiles), ops_(services.ops),
      context_(services.context), view_(services.view), shared_(services.shared)
{
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
    RemoveRecordAndEntry();
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

    if (!AcceptRecord()) {
        recordRefused_ = true;
        view_.CloseProgressWindow();
        view_.EndWizard();
        return false;
    }
    failures_ = FailureText{};
    context_.programId = Record("ProgramID", "ID");
    const std::string memory = context_.windowsFolder + kFolderMemoryName;
    if (!context_.programId.empty() && !guard_->Restricted() && !profiles_.RemoveSection(context_.programId, memory))
        Failed(tag::kSetupFile, memory, profiles_.LastWriteError());

    // The setup folder must not be the current folder when it is removed.
    platform_.files.SetCurrentFolder(context_.tempFolder);
    return true;
}

// A record the install vouched for is carried out as it is; any other only inside
// the setup folder, and only when the user agrees.
bool UninstallRun::AcceptRecord()
{
    std::string bytes;
    platform_.files.ReadWholeFile(context_.scriptFile, bytes);
    RecordTrust trust =
        ReadRecordTrust(platform_.registry, Record("UnSetupRegistryKey", "Key"), context_.recordPath, bytes);
    const RecordTrust::State state = trust.state;
    guard_.emplace(context_, context_.tempFolder, std::move(trust));
    if (state == RecordTrust::State::Vouched) return true;
    const std::string why = state == RecordTrust::State::Mismatch
                                ? "このアンセットアップ情報(UNSETUP.INI)は，セットアップ時に記録された内容と一致しません．\r"
                                  "書き換えられた可能性があります．"
                                : "このアンセットアップ情報(UNSETUP.INI)は，セットアップ時の記録と照合できません．\r"
                                  "古いセットアップで作られたか，書き換えられた可能性があります．";
    const std::string text = why + "\r\r安全のため，セットアップフォルダの中のファイルとフォルダだけを削除し，\r"
                                   "レジストリ・関連付け・ショートカットなどは変更しません．\r続行してもよろしいですか？";
    return view_.Ask(text, "警告", box::kWarningYesNo) == box::kYes;
}

// An entry that reaches a protected folder is skipped and reported, whatever section
// it comes from.
bool UninstallRun::Refuse(const std::string& tag, const std::string& path)
{
    ProtectedFolders::Verdict verdict = guard_->CheckDeletion(path);
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
    const std::string& root = guard_->SetupFolder();
    const auto full = ResolvePath(path, context_.tempFolder);
    if (root.empty() || !full) return false;
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
        // The record goes last, with the entry, once nothing is left that a second
        // attempt could still remove.
        if (section == Section::DeleteFile && !context_.recordPath.empty() &&
            UpperCase(path) == UpperCase(context_.recordPath)) {
            recordListed_ = true;
            continue;
        }
        if (Refuse(tag::kFile, path)) continue;
        const ErrorCode code = DecideAndDelete(path, DeleteFileFlags(value));
        // What the author added by pattern may well be gone already.
        if (code != kErrorSuccess && section == Section::DeleteFile)
            Failed(tag::kFile, path, code);
    }
}

ErrorCode UninstallRun::DecideAndDelete(const std::string& path, const std::string& flags)
{
    auto has = [&flags](const char* flag) { return MBPosText(flag, flags) > 0; };
    bool remove = true;
    if (shared_.ReadSharedCount(path) != 0) {
        // The count is lowered before the question: a file the user keeps has lost
        // this program's use of it all the same. A record not vouched for changes no
        // count, and so leaves every shared file where it is.
        remove = guard_->MayChangeSharedCounts() && has("/S") && shared_.ChangeSharedCount(path, false) == 0 && ConfirmSharedDeletion(path);
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
    if (!remove) return kErrorSuccess;
    return MayUnregister(path) ? ops_.DeleteFiles(path) : ops_.DeleteFilesUnloaded(path);
}

// A component is loaded to unregister it only when its bytes are those the install
// registered: a library put in its place would otherwise run as administrator.
bool UninstallRun::MayUnregister(const std::string& path)
{
    if (!IsComponentFile(path) || MBPos("*", path) > 0 || MBPos("?", path) > 0) return false;
    std::string bytes;
    if (platform_.files.ReadWholeFile(path, bytes) != kErrorSuccess) return false;
    const LibraryVerdict verdict = guard_->CheckLibrary(path, Sha256Hex(bytes));
    if (verdict == LibraryVerdict::Allowed) return true;
    failures_.Add(tag::kFile, path, RefusedLibraryText(verdict));
    return false;
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
            Failed(tag::kShortCut, path, code);
        // A program group left empty goes; the shell's own folders stay.
        const std::string folder = FolderPart(path);
        bool shellFolder = false;
        for (const std::string* f : shellFolders) shellFolder = shellFolder || folder == *f;
        if (shellFolder || !guard_->MayRemoveFolder(folder)) continue;
        // A group that still holds other shortcuts, or is gone already, is no failure.
        const ErrorCode removed = ops_.RemoveFolder(folder, "");
        if (removed != kErrorSuccess && removed != kErrorDirNotEmpty && removed != kErrorFileNotFound &&
            removed != kErrorPathNotFound)
            Failed(tag::kFolder, folder, removed);
    }
}

// RemoveFolder with every pattern and the folder itself checked first.
ErrorCode UninstallRun::RemoveFolderSafely(const std::string& folder, const std::string& patterns,
                                           const std::string& tag)
{
    const std::string base = AddPathDelim(folder, "B");
    for (const std::string& pattern : ListItems(patterns))
        if (!pattern.empty() && !Refuse(tag, base + pattern)) ops_.DeleteFiles(base + pattern);
    if (!guard_->MayRemoveFolder(base)) {
        const auto verdict = guard_->IsProtectedFolder(base) ? ProtectedFolders::Verdict::ProtectedFolder
                                                              : ProtectedFolders::Verdict::OutsideSetupFolder;
        failures_.Add(tag, base, ProtectedFolders::ReasonText(verdict));
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
        if (code != kErrorSuccess) Failed(tag::kFolder, folder, code);
    }
}

void UninstallRun::DeleteKey(const std::string& token, const std::string& path)
{
    if (!guard_->MayDeleteKey(RootKeyFromToken(token), path)) {
        failures_.Add(tag::kRegistry, token + path,
                      guard_->Restricted() ? OutsideSetupFolderText() : RefusedKeyText());
        return;
    }
    if (const ErrorCode code = DeleteRegistryKey(platform_.registry, token, path))
        Failed(tag::kRegistry, token + path, code);
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
        if (const AssociationVerdict verdict = guard_->CheckRestoreRelate(relate.extension, relate.previous);
            verdict != AssociationVerdict::Allowed) {
            failures_.Add(tag::kRegistry, "HKEY_CLASSES_ROOT\\" + extensionKey, RefusedAssociationText(verdict));
            continue;
        }
        std::string previous = relate.previous;
        if (!previous.empty()) {
            if (registry.OpenKey(RootKey::ClassesRoot, extensionKey) == kErrorSuccess) {
                const ErrorCode code =
                    registry.WriteValue(RootKey::ClassesRoot, extensionKey, "", RegValue::String(previous));
                // One denied key must not leave the rest of the program installed.
                if (code != kErrorSuccess)
                    Failed(tag::kRegistry, "HKEY_CLASSES_ROOT\\" + extensionKey, code);
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
        Failed(tag::kRegistry, "HKEY_CLASSES_ROOT\\" + extensionKey, cleared);
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

// What could not be removed and is still there can be tried again, with the record
// as the install vouched for it: both stay. What was gone already, or was refused,
// is no reason to stay.
void UninstallRun::Failed(const std::string& tag, const std::string& item, ErrorCode code)
{
    failures_.Add(tag, item, ops_.SystemErrorText(code));
    // A folder that still holds what others put there stays however often it is tried.
    if (code != kErrorFileNotFound && code != kErrorPathNotFound && code != kErrorDirNotEmpty) leftBehind_ = true;
}

void UninstallRun::RemoveRecordAndEntry()
{
    if (leftBehind_) {
        failures_.Add(tag::kSetupFile, context_.recordPath,
                      "削除できなかったものがあるため，アンセットアップ情報を残しました．"
                      "原因を取り除いてから，もう一度アンセットアップ(アンインストール)してください．\r\n");
        return;
    }
    if (recordListed_ && !Refuse(tag::kFile, context_.recordPath)) {
        const ErrorCode code = ops_.DeleteFilesUnloaded(context_.recordPath);
        if (code != kErrorSuccess && code != kErrorFileNotFound) {
            Failed(tag::kFile, context_.recordPath, code);
            return;
        }
    }
    RemoveUninstallEntry();
}

// Only the entry in the list that starts this very record goes, whatever else the
// record names: one in the list whose command names another record is another
// program's.
void UninstallRun::RemoveUninstallEntry()
{
    const std::string key = Record("UnSetupRegistryKey", "Key");
    if (key.empty()) return;
    const std::string list = UpperCase(kUninstallListKey);
    RegValue command;
    const bool inList = UpperCase(key).rfind(list, 0) == 0 && key.size() > list.size();
    const bool named = platform_.registry.ReadValue(RootKey::LocalMachine, key, "UninstallString", command) ==
                           kErrorSuccess &&
                       command.IsText() && UpperCase(RecordPathOfCommand(command.data)) == UpperCase(context_.recordPath);
    if (!inList || !named) {
        if (platform_.registry.OpenKey(RootKey::LocalMachine, key) == kErrorSuccess)
            failures_.Add(tag::kRegistry, "(Local)" + key, RefusedKeyText());
        return;
    }
    if (const ErrorCode code = DeleteRegistryKey(platform_.registry, "(Local)", key))
        Failed(tag::kRegistry, "(Local)" + key, code);
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
            Failed(tag::kRegistry, "(Local)" + parent, code);
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
    if (IsPartProtectedSetupFolder() || guard_->IsProtectedFolder(context_.setupFolder)) return;
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
