#include "uninstall/UninstallRun.h"

#include "run/FixedNames.h"
#include "run/RecordTrust.h"
#include "run/RegistryKeys.h"
#include "run/SetupFolderAccess.h"
#include "run/UninstallRecord.h"
#include "util/CopyEntry.h"
#include "util/MessageBox.h"
#include "util/RegistryTokens.h"
#include "util/Sha256.h"
#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"

namespace lorvel {

using namespace platform;

namespace {

constexpr const char* kCaptionConfirm = "ファイル削除の確認";

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
    : services_(services), links_(services.platform.files, false), journal_(services.platform.files)
{
}

void UninstallRun::GoOnFrom(const RepairOutcome& outcome)
{
    if (outcome.done != RepairOutcome::Done::UninstallGoesOn) return;
    journalPath_ = outcome.journalPath;
    lowered_ = outcome.lowered;
    goingOn_ = true;
}

// Only a run that may change counts has anything to note: the rest of an uninstall
// deletes, and deleting again what is gone changes nothing. A journal the run goes on
// with is ended by it too, whatever this run may change.
void UninstallRun::BeginJournal()
{
    if (!journalPath_.empty()) {
        journal_.Continue(journalPath_);
        return;
    }
    if (!guard_->MayChangeSharedCounts()) return;
    const std::string path = UninstallJournalPath(services_);
    ErrorCode code = journal_.Begin(path, JournalKind::Uninstall);
    // Which record it carries out: once that is gone, the counts it lowered are no
    // longer counted by any record, and an install must not raise them again.
    if (code == kErrorSuccess)
        code = journal_.Note({"uninstalling", services_.context.recordPath, Record(record::Key::UnSetupRegistryKey)});
    if (code != kErrorSuccess)
        failures_.Add(tag::kSetupFile, path,
                      "途中で終わったときに続きを行うための記録を作れませんでした．\r\n" +
                          services_.ops.SystemErrorText(code));
}

void UninstallRun::Run()
{
    // The run's own copy of the record: nothing else writes it while the run reads it.
    const ProfileStore::Steady steadyRecord(services_.profiles, services_.context.scriptFile);
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
    services_.view.DisableOptions();
    const RunOptions options = services_.view.ReadOptions();
    choice_ = DeletionChoiceOf(options);
    services_.view.HideWizard();
    services_.view.ShowProgressWindow();
    services_.view.SetStatus("アンセットアップ(アンインストール)を行っています．．．");

    services_.context.setupFolder = options.folderText;
    if (services_.context.setupFolder.empty() || services_.context.setupFolder == "\\" ||
        Record(record::Key::SetupFolder).empty()) {
        services_.view.Ask("アンセットアップ(アンインストール)フォルダが不明です．\r\n"
                           "アンセットアップ(アンインストール)は続行できません．",
                           "致命的エラー", box::kStopOk);
        // Nothing is removed; the program ends, as the install run does when it
        // cannot go on, so that the user is not left without a usable button.
        services_.view.CloseProgressWindow();
        services_.view.EndWizard();
        return false;
    }

    if (!AcceptRecord()) {
        recordRefused_ = true;
        services_.view.CloseProgressWindow();
        services_.view.EndWizard();
        return false;
    }
    failures_ = FailureText{};
    services_.context.programId = Record(record::Key::ProgramId);
    const std::string memory = services_.context.windowsFolder + kFolderMemoryName;
    if (!services_.context.programId.empty() && !guard_->Restricted() &&
        !services_.profiles.RemoveSection(services_.context.programId, memory))
        Failed(tag::kSetupFile, memory, services_.profiles.LastWriteError());

    // The setup folder must not be the current folder when it is removed.
    services_.platform.files.SetCurrentFolder(services_.context.tempFolder);
    ChooseLinkRoot();
    BeginJournal();
    return true;
}

// A record the install vouched for is carried out as it is; any other only inside
// the setup folder, and only when the user agrees.
bool UninstallRun::AcceptRecord()
{
    std::string bytes;
    // A work copy that cannot be read whole within the bound vouches for nothing.
    services_.platform.files.ReadWholeFile(services_.context.scriptFile, bytes, kMaxScriptBytes);
    RecordTrust trust = ReadRecordTrust(services_.platform.registry, Record(record::Key::UnSetupRegistryKey),
                                        services_.context.recordPath, bytes);
    const RecordTrust::State state = trust.state;
    if (state != RecordTrust::State::Vouched) ConfineToRecordFolder();
    guard_.emplace(services_.context, services_.context.tempFolder, std::move(trust));
    if (state == RecordTrust::State::Vouched) return true;
    const std::string why =
        state == RecordTrust::State::Mismatch
            ? "このアンセットアップ情報(UNSETUP.INI)は，セットアップ時に記録された内容と一致しません．\r"
              "書き換えられた可能性があります．"
            : "このアンセットアップ情報(UNSETUP.INI)は，セットアップ時の記録と照合できません．\r"
              "古いセットアップで作られたか，書き換えられた可能性があります．";
    const std::string text =
        why + "\r\r安全のため，このファイルのあるフォルダ\r" + services_.context.setupFolder +
        "\rの中の，記録にあるファイルとフォルダだけを削除し，\r"
        "レジストリ・関連付け・ショートカット・共有ファイルなどは変更しません．\r続行してもよろしいですか？";
    return services_.view.Ask(text, "警告", box::kWarningYesNo) == box::kYes;
}

// A record nobody vouched for cannot set its own limits: its setup folder and its
// deletion options could name any folder. Its bounds are the folder that holds it, as
// the command line named it, and only what it lists there goes.
void UninstallRun::ConfineToRecordFolder()
{
    const std::string& record = services_.context.recordPath;
    services_.context.setupFolder = record.empty() ? std::string() : FolderPart(record);
    choice_ = DeletionChoice{};
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

// Whoever can write the setup folder can put a link in it after the install; an entry
// recorded below it would then reach whatever the link names. Each path is looked at
// when its turn comes, so a folder swapped between two entries is seen too.
bool UninstallRun::ThroughLink(const std::string& path)
{
    return links_.OnTheWayResolved(linkRoot_, path, services_.context.tempFolder);
}

// Where the link checks start: at the setup folder, or, when a folder above it may be
// changed by another account (an install made before the setup folder was the
// administrators'), at the drive's root, since such a folder can be swapped for a link
// as well as any below it.
void UninstallRun::ChooseLinkRoot()
{
    linkRoot_ = guard_->SetupFolder();
    if (linkRoot_.size() <= 3) return;
    const std::string above = FolderPart(RemovePathDelim(linkRoot_, "B"));
    if (!FirstFolderOthersMayChange(services_.platform.files, above).empty()) linkRoot_ = linkRoot_.substr(0, 3);
}

void UninstallRun::DeleteRecordedFiles(Section section)
{
    const record::Key key = section == Section::DeleteFile ? record::Key::DeleteFile : record::Key::AddDeleteFile;
    for (const std::string& value : ReadNumbered(services_.profiles, services_.context.scriptFile, key)) {
        const std::string path = PathPart(value);
        if (path.empty()) break;
        // The record goes last, with the entry, once nothing is left that a second
        // attempt could still remove.
        if (section == Section::DeleteFile && !services_.context.recordPath.empty() &&
            UpperCase(path) == UpperCase(services_.context.recordPath)) {
            recordListed_ = true;
            continue;
        }
        if (Refuse(tag::kFile, path)) continue;
        const ErrorCode code = DecideAndDelete(path, DeleteFileFlags(value));
        // What the author added by pattern may well be gone already.
        if (code != kErrorSuccess && section == Section::DeleteFile) Failed(tag::kFile, path, code);
    }
}

ErrorCode UninstallRun::DecideAndDelete(const std::string& path, const std::string& flags)
{
    asked_ = false;
    auto has = [&flags](const char* flag) { return HasCopyFlag(flags, flag); };
    bool remove = true;
    if (lowered_.count(UpperCase(path)) || services_.shared.ReadSharedCount(path) != 0) {
        // The count is lowered before the question: a file the user keeps has lost
        // this program's use of it all the same. A record not vouched for changes no
        // count, and so leaves every shared file where it is.
        remove = guard_->MayChangeSharedCounts() && has(copy_flag::kShared) && LowerSharedCount(path) &&
                 ConfirmSharedDeletion(path);
    } else if (has(copy_flag::kConfirm)) {
        remove = Confirm(path + "\r\rこのファイルを削除してもよろしいですか？\r\r<<　注意　>>\r"
                                "DLL/OCXなどは他のプログラムでも使用される可能性があります．\r"
                                "確実に使用されないことがわかっている場合のみ削除してください．");
    } else if (has(copy_flag::kLeave)) {
        remove = false;
    } else if (has(copy_flag::kForce)) {
        remove = true;
    } else if (IsComponentFile(path) && InSystemFolders(path)) {
        remove = Confirm(path + "\r\rこのDLL/OCXファイルは，共有登録されていませんが，\r"
                                "今後，他のプログラムで使われる可能性があります．\r"
                                "このファイルを削除してもよろしいですか？");
    }
    if (!remove) return kErrorSuccess;
    // A question held the run still long enough to swap a folder on the way for a
    // link: what was checked before it is checked again.
    if (asked_) {
        asked_ = false;
        if (Refuse(tag::kFile, path)) return kErrorSuccess;
    }
    return MayUnregister(path) ? services_.ops.DeleteFiles(path) : services_.ops.DeleteFilesUnloaded(path);
}

// True when no program counts the file any more. A count this run or the one cut off
// before it lowered already is not lowered again: the record lowers it once.
bool UninstallRun::LowerSharedCount(const std::string& path)
{
    const std::string key = UpperCase(path);
    const std::int32_t count = services_.shared.ReadSharedCount(path);
    if (const auto noted = lowered_.find(key); noted != lowered_.end()) {
        // Noted and cut off before the count changed: it is still the one noted.
        if (count != noted->second) return noted->second <= 1;
        return services_.shared.ChangeSharedCount(path, false) == 0;
    }
    const std::optional<RegValue> before = services_.shared.SharedCountEntry(path);
    if (const ErrorCode code = journal_.Note({"lowered", path, EncodeValue(before), std::to_string(count)});
        code != kErrorSuccess)
        failures_.Add(tag::kSetupFile, journal_.Path(),
                      "途中で終わったときに続きを行うための記録を書けませんでした．\r\n" +
                          services_.ops.SystemErrorText(code));
    lowered_.emplace(key, count);
    return services_.shared.ChangeSharedCount(path, false) == 0;
}

// A component is loaded to unregister it only when its bytes are those the install
// registered: a library put in its place would otherwise run as administrator.
bool UninstallRun::MayUnregister(const std::string& path)
{
    if (!IsComponentFile(path) || MBPos("*", path) > 0 || MBPos("?", path) > 0) return false;
    std::string bytes;
    if (services_.platform.files.ReadWholeFile(path, bytes) != kErrorSuccess) return false;
    const LibraryVerdict verdict = guard_->CheckLibrary(path, Sha256Hex(bytes));
    if (verdict == LibraryVerdict::Allowed) return true;
    failures_.Add(tag::kFile, path, RefusedLibraryText(verdict));
    return false;
}

// Compared as Windows reads the path, so that "C:\APP\..\WINDOWS\A.DLL" is asked
// about like "C:\WINDOWS\A.DLL".
bool UninstallRun::InSystemFolders(const std::string& path) const
{
    const std::string upper = ResolvePath(path, services_.context.tempFolder).value_or(UpperCase(path));
    return MBPos(UpperCase(services_.context.windowsFolder), upper) > 0 ||
           MBPos(UpperCase(services_.context.systemFolder), upper) > 0;
}

bool UninstallRun::ConfirmSharedDeletion(const std::string& path)
{
    const DeletionAnswer slot = services_.view.AnswerSlot();
    if (slot != DeletionAnswer::Delete && slot != DeletionAnswer::Save) {
        services_.view.SetAnswerSlot(DeletionAnswer::None);
        asked_ = true;
        services_.view.AskDeletion(path + "\r\rこの共有ファイルは，現在，他のどのプログラムからも使われていません．\r"
                                          "しかし，今後，他のプログラムで使われる可能性があります．\r"
                                          "このファイルを削除してもよろしいですか？");
    }
    const DeletionAnswer answer = services_.view.AnswerSlot();
    // A dialog closed without an answer keeps the file.
    return answer == DeletionAnswer::Yes || answer == DeletionAnswer::Delete;
}

bool UninstallRun::Confirm(const std::string& text)
{
    asked_ = true;
    return services_.view.Ask(text, kCaptionConfirm, box::kQuestionYesNo) == box::kYes;
}

void UninstallRun::DeleteShortcuts()
{
    const std::string* const shellFolders[] = {
        &services_.context.programsFolder,       &services_.context.desktopFolder,
        &services_.context.startupFolder,        &services_.context.sendToFolder,
        &services_.context.commonProgramsFolder, &services_.context.commonDesktopFolder,
        &services_.context.commonStartupFolder};
    for (const std::string& path :
         ReadNumbered(services_.profiles, services_.context.scriptFile, record::Key::DeleteShortCut)) {
        if (Refuse(tag::kShortCut, path)) continue;
        // A shortcut registers nothing: an entry naming a library is deleted unloaded.
        if (const ErrorCode code = services_.ops.DeleteFilesUnloaded(path); code != kErrorSuccess)
            Failed(tag::kShortCut, path, code);
        // A program group left empty goes; the shell's own folders stay.
        const std::string folder = FolderPart(path);
        bool shellFolder = false;
        for (const std::string* f : shellFolders) shellFolder = shellFolder || folder == *f;
        if (shellFolder || !guard_->MayRemoveFolder(folder)) continue;
        // A group that still holds other shortcuts, or is gone already, is no failure.
        const ErrorCode removed = services_.ops.RemoveFolder(folder, "");
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
        if (!pattern.empty() && !Refuse(tag, base + pattern)) services_.ops.DeleteFilesUnloaded(base + pattern);
    if (!guard_->MayRemoveFolder(base)) {
        const auto verdict = guard_->IsProtectedFolder(base) ? ProtectedFolders::Verdict::ProtectedFolder
                                                             : ProtectedFolders::Verdict::OutsideSetupFolder;
        failures_.Add(tag, base, ProtectedFolders::ReasonText(verdict));
        return kErrorSuccess;
    }
    return services_.ops.RemoveFolder(base, "");
}

void UninstallRun::RemoveRecordedFolders()
{
    const std::vector<std::string> folders =
        ReadNumbered(services_.profiles, services_.context.scriptFile, record::Key::DeleteFolder);
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        const std::string& folder = *it;
        const bool insideSetupFolder = MBPosText(services_.context.setupFolder, folder) > 0;
        ErrorCode code = RemoveFolderSafely(folder, insideSetupFolder ? choice_.patterns : "", tag::kFolder);
        // The setup folder's own removal takes these along.
        if (choice_.deleteEverything && insideSetupFolder) code = kErrorSuccess;
        if (code != kErrorSuccess) Failed(tag::kFolder, folder, code);
    }
}

void UninstallRun::DeleteKey(const std::string& token, const std::string& path)
{
    if (!guard_->MayDeleteKey(RootKeyFromToken(token), path)) {
        failures_.Add(tag::kRegistry, token + path, guard_->Restricted() ? OutsideSetupFolderText() : RefusedKeyText());
        return;
    }
    if (const ErrorCode code = DeleteRegistryKey(services_.platform.registry, token, path))
        Failed(tag::kRegistry, token + path, code);
}

void UninstallRun::DeleteRegistryKeys()
{
    for (const std::string& value :
         ReadNumbered(services_.profiles, services_.context.scriptFile, record::Key::DeleteRegistry)) {
        const RegistryKeyText key = SplitKeyByRecordRule(value);
        if (!key.path.empty()) DeleteKey(key.token, key.path);
    }
}

void UninstallRun::RestoreAssociations()
{
    Registry& registry = services_.platform.registry;
    for (const std::string& value :
         ReadNumbered(services_.profiles, services_.context.scriptFile, record::Key::RestoreRelate)) {
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
                if (code != kErrorSuccess) Failed(tag::kRegistry, "HKEY_CLASSES_ROOT\\" + extensionKey, code);
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
    const ErrorCode cleared = services_.platform.registry.DeleteValue(RootKey::ClassesRoot, extensionKey, "");
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
    return services_.platform.registry.EnumSubKeys(root, path, subkeys) == kErrorSuccess && subkeys.empty() &&
           services_.platform.registry.EnumValues(root, path, values) == kErrorSuccess && values.empty();
}

// What could not be removed and is still there can be tried again, with the record
// as the install vouched for it: both stay. What was gone already, or was refused,
// is no reason to stay.
void UninstallRun::Failed(const std::string& tag, const std::string& item, ErrorCode code)
{
    // Going on after a run that was cut off, what is gone was removed by that run.
    if (goingOn_ && (code == kErrorFileNotFound || code == kErrorPathNotFound)) return;
    failures_.Add(tag, item, services_.ops.SystemErrorText(code));
    // A folder that still holds what others put there stays however often it is tried.
    if (code != kErrorFileNotFound && code != kErrorPathNotFound && code != kErrorDirNotEmpty) leftBehind_ = true;
}

void UninstallRun::RemoveRecordAndEntry()
{
    if (leftBehind_) {
        failures_.Add(tag::kSetupFile, services_.context.recordPath,
                      "削除できなかったものがあるため，アンセットアップ情報を残しました．"
                      "原因を取り除いてから，もう一度アンセットアップ(アンインストール)してください．\r\n");
        return;
    }
    // The entry first, and on the disk before the record goes: a run cut off between
    // the two must not leave the list naming a record that is gone, which nobody
    // could then remove. A record left without its entry is removed by the next
    // install of the product, which the journal tells of it.
    RemoveUninstallEntry();
    services_.platform.registry.FlushKeys(RootKey::LocalMachine);
    if (recordListed_ && !Refuse(tag::kFile, services_.context.recordPath)) {
        const ErrorCode code = services_.ops.DeleteFilesUnloaded(services_.context.recordPath);
        if (code != kErrorSuccess && code != kErrorFileNotFound) Failed(tag::kFile, services_.context.recordPath, code);
    }
    // No later run lowers a count again: nothing is left to go on with.
    journal_.End();
}

// Only the entry in the list that starts this very record goes, whatever else the
// record names: one in the list whose command names another record is another
// program's.
void UninstallRun::RemoveUninstallEntry()
{
    const std::string key = Record(record::Key::UnSetupRegistryKey);
    if (key.empty()) return;
    const std::string list = UpperCase(kUninstallListKey);
    RegValue command;
    const bool inList = UpperCase(key).rfind(list, 0) == 0 && key.size() > list.size();
    const bool named = services_.platform.registry.ReadValue(RootKey::LocalMachine, key, "UninstallString", command) ==
                           kErrorSuccess &&
                       command.IsText() &&
                       UpperCase(RecordPathOfCommand(command.data)) == UpperCase(services_.context.recordPath);
    if (!inList || !named) {
        if (services_.platform.registry.OpenKey(RootKey::LocalMachine, key) == kErrorSuccess)
            failures_.Add(tag::kRegistry, "(Local)" + key, RefusedKeyText());
        return;
    }
    if (const ErrorCode code = DeleteRegistryKey(services_.platform.registry, "(Local)", key))
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
    Registry& registry = services_.platform.registry;
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
    const std::string folder = UpperCase(services_.context.setupFolder);
    for (const std::string* f : {&services_.context.tempFolder, &services_.context.windowsFolder,
                                 &services_.context.systemFolder, &services_.context.programFilesFolder})
        if (folder == UpperCase(*f)) return true;
    return services_.context.setupFolder.size() == 3;
}

void UninstallRun::RemoveSetupFolder()
{
    if (IsPartProtectedSetupFolder() || guard_->IsProtectedFolder(services_.context.setupFolder)) return;
    const ErrorCode code = RemoveFolderSafely(services_.context.setupFolder,
                                              choice_.deleteEverything ? "*.*|" : choice_.patterns, tag::kSetupFolder);
    if (code == kErrorSuccess) return;
    std::string record = std::string(tag::kSetupFolder) + services_.context.setupFolder + "\r\n";
    if (code == kErrorDirNotEmpty || code == kErrorAccessDenied) {
        record += choice_.deleteEverything ? "全ファイル・フォルダの削除を試みましたが，エラーが発生したため，"
                                           : "フォルダにファイルが残っているため，";
        record += "セットアップフォルダを削除できませんでした．エクスプローラなどから，直接削除してください．\r\n";
    } else {
        record += services_.ops.SystemErrorText(code) + "\r\n";
    }
    failures_.AddRecord(record);
}

void UninstallRun::OfferFailureDetails()
{
    if (failures_.Empty()) return;
    services_.view.SetStatus("一部の処理に失敗しました．");
    services_.context.messageText =
        "アンセットアップ(アンインストール)の過程で，一部の処理が失敗しました．\r詳細を表示しますか？";
    const int answer = services_.view.Ask(services_.context.messageText, "警告", box::kWarningYesNo);
    if (answer == box::kYes) services_.view.ShowDetails("削除処理失敗　詳細表示", failures_.text, true);
}

void UninstallRun::Finish()
{
    const std::string done = "アンセットアップを完了しました．";
    services_.view.SetStatus(done);
    services_.view.Ask(done, "完了", box::kInformationOk);
    services_.view.CloseProgressWindow();
    services_.view.EndWizard();
}

}  // namespace lorvel
