#include "install/InstallCompletion.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>
#include <set>

#include "install/AssociationUndo.h"
#include "install/SharedCountUndo.h"
#include "run/FixedNames.h"
#include "run/RecordTrust.h"
#include "run/UninstallRecord.h"
#include "util/FolderMacros.h"
#include "util/ProductName.h"
#include "util/Sha256.h"
#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"

namespace lorvel {

using namespace platform;

namespace {

constexpr std::intptr_t kShellFailureLimit = 32;

const char* const kListMessages[6] = {
    "アンセットアップ情報(削除フォルダ)を更新しています．しばらくお待ちください．．．",
    "アンセットアップ情報(削除ファイル)を更新しています．しばらくお待ちください．．．",
    "アンセットアップ情報(削除ショートカット)を更新しています．しばらくお待ちください．．．",
    "アンセットアップ情報(削除レジストリ)を更新しています．しばらくお待ちください．．．",
    "アンセットアップ情報(追加削除ファイル)を更新しています．しばらくお待ちください．．．",
    "アンセットアップ情報(復元関連付け)を更新しています．しばらくお待ちください．．．",
};

// The uninstaller deletes the key it is given with everything below it: an empty
// name, or one of only "\", would make that the whole list of installed programs.
std::string SafeKeyName(std::string name)
{
    while (!name.empty() && name.front() == '\\') name.erase(0, 1);
    while (EndsWithPathDelimiter(name)) name.pop_back();
    return name.empty() ? std::string(kProductTitle) : name;
}

// "1.0.0.12" as four numbers, to compare; nullopt for a text that is no version.
std::optional<std::array<std::uint32_t, 4>> VersionNumbers(const std::optional<std::string>& text)
{
    if (!text || text->empty()) return std::nullopt;
    std::array<std::uint32_t, 4> numbers{};
    std::size_t part = 0;
    std::uint64_t value = 0;
    bool digits = false;
    for (const char c : *text) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + static_cast<std::uint64_t>(c - '0');
            if (value > 0xFFFFFFFFu) return std::nullopt;
            digits = true;
        } else if (c == '.' && digits && part < 3) {
            numbers[part++] = static_cast<std::uint32_t>(value);
            value = 0;
            digits = false;
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    numbers[part] = static_cast<std::uint32_t>(value);
    return numbers;
}

}  // namespace

namespace {

// Sets a record the earlier install did not vouch for aside, kept, with a line in
// the failures.
void SetAside(Platform& platform, const SetupContext& context, FileOps& ops, const std::string& record,
              const std::string& bytes, ErrorCode read, FailureText& failures)
{
    ErrorCode code = read == kErrorSuccess
                         ? platform.files.WriteWholeFile(context.setupFolder + kUnverifiedRecordName, bytes)
                         : read;
    if (code == kErrorSuccess) code = ops.DeleteFilesUnloaded(record);
    failures.Add(tag::kSetupFile, record,
                 code == kErrorSuccess
                     ? std::string("セットアップ時の記録と照合できないため，") + kUnverifiedRecordName +
                           " として残し，アンセットアップ情報を新しく作りました．\r\n"
                     : ops.SystemErrorText(code));
}

}  // namespace

// The record is read once, and the trust is checked and the lists are read on those
// bytes in memory: the bytes checked are the bytes merged, whatever the file holds
// a moment later.
void LoadExistingRecord(Platform& platform, SetupContext& context, FileOps& ops, RecordLists& lists,
                        FailureText& failures)
{
    context.setupDrive = StrLeft(context.setupFolder, 2) + "\\";
    const std::string record = context.setupFolder + kRecordName;
    if (!platform.files.FileExists(record)) return;
    std::string bytes;
    const ErrorCode read = platform.files.ReadWholeFile(record, bytes, kMaxProfileBytes);
    const ProfileDocument document = ProfileDocument::Parse(read == kErrorSuccess ? bytes : std::string());
    // An install that leaves no record leaves an existing one as it is, and only
    // learns which shared counts it holds already; whatever its trust.
    if (MBPosText(kSetupOnly, context.unSetupTitle) > 0) {
        LoadRecordLists(document, lists);
        return;
    }
    const std::string entryKey =
        document
            .Read(record::SectionOf(record::Key::UnSetupRegistryKey), record::NameOf(record::Key::UnSetupRegistryKey))
            .value_or("");
    if (read != kErrorSuccess || !ReadRecordTrust(platform.registry, entryKey, record, bytes).Vouched()) {
        SetAside(platform, context, ops, record, bytes, read, failures);
        return;
    }
    LoadRecordLists(document, lists);
}

std::string UninstallEntryKey(const RunServices& services)
{
    return std::string(kUninstallListKey) +
           SafeKeyName(services.Script()(script::Key::TitleUnSetupKey, services.context.unSetupTitle));
}

InstallCompletion::InstallCompletion(const RunServices& services, InstallRunState& state, InstallJournal& journal)
    : services_(services), state_(state), journal_(journal)
{
}

std::string InstallCompletion::RecordPath() const
{
    return services_.context.setupFolder + kRecordName;
}

// "Setup Only." anywhere in the uninstall title, in any case: an install that leaves
// nothing to uninstall.
bool InstallCompletion::SetupOnly() const
{
    return MBPosText(kSetupOnly, services_.context.unSetupTitle) > 0;
}

void InstallCompletion::Run()
{
    services_.view.SetStatus("アンセットアップ情報を更新しています．しばらくお待ちください．．．");
    services_.view.EnableAbort(false);
    const std::string uninstaller = InstallUninstaller();
    RememberFolder();
    if (SetupOnly())
        ForgetUnrecordedChanges();  // no record by design: what was made stays
    else
        WriteUninstallRecord(uninstaller);
    // Whole from here: recorded, or undone by the run's own undo. The registry keeps
    // writes back for seconds; the journal goes only once they are on the disk.
    for (const RootKey root : {RootKey::LocalMachine, RootKey::CurrentUser})
        services_.platform.registry.FlushKeys(root);
    journal_.End();
    OfferFailureDetails();
    StartProgramOrRestart();
    services_.view.CloseProgressWindow();
    services_.view.EndWizard();
}

// The uninstaller is shared by every program installed with this system: it is only
// ever replaced by a newer version, as its version resource tells, never by an older
// one. A file's time tells nothing of that: a zip dates every file 1980, and an old
// medium copied today is new. One that tells no version is no release of ours.
bool InstallCompletion::ReplacesUninstaller(const std::string& source, const std::string& target)
{
    if (!services_.platform.files.FileExists(source)) return false;
    if (!services_.platform.files.FileExists(target)) return true;
    const auto ours = VersionNumbers(services_.platform.system.GetFileVersionString(source));
    const auto there = VersionNumbers(services_.platform.system.GetFileVersionString(target));
    return ours && (!there || *ours > *there);
}

std::string InstallCompletion::InstallUninstaller()
{
    // The work copy is the running program's own image, taken at start-up into a
    // folder only this run can write.
    const std::string source = services_.context.workFolder + kProgramWorkCopyName;
    const std::string target = services_.context.windowsFolder + kUninstallerName;
    if (ReplacesUninstaller(source, target)) {
        journal_.NoteMade(target, false);
        const ErrorCode code = services_.ops.CopyFileOverwrite(source, target);
        if (code != kErrorSuccess) state_.failures.Add(tag::kSetupFile, target, services_.ops.SystemErrorText(code));
    }
    return target;
}

void InstallCompletion::RememberFolder()
{
    if (services_.context.programId.empty()) return;
    const std::string memory = services_.context.windowsFolder + kFolderMemoryName;
    journal_.NoteProfile(memory, services_.context.programId, record::kFolderMemoryKey);
    if (!services_.profiles.WriteProfile(services_.context.programId, record::kFolderMemoryKey,
                                         services_.context.setupFolder, memory))
        state_.failures.Add(tag::kSetupFile, memory,
                            services_.ops.SystemErrorText(services_.profiles.LastWriteError()));
}

// Built whole in memory and written once, so the folder holds either the old record
// or the new one; a record that cannot be written leaves the old one in place.
void InstallCompletion::WriteUninstallRecord(const std::string& uninstaller)
{
    const std::string recordPath = RecordPath();
    const std::string entryKey = UninstallEntryKey(services_);
    const std::string displayName =
        Script(script::Key::TitleUnSetupDisplay, entryKey.substr(std::string(kUninstallListKey).size()));

    RecordHeader header;
    header.unSetupTitle = services_.context.unSetupTitle;
    header.setupFolder = services_.context.setupFolder;
    header.checkBox = Script(script::Key::ExtendUnSetupOption);
    header.uninstallKey = entryKey;
    header.programId = services_.context.programId;
    const std::string record =
        BuildRecord(header, state_.lists, [this](int list) { services_.view.SetStatus(kListMessages[list - 1]); });

    // The record vouches for the files: they reach the disk before it does.
    MakeCopiesDurable();
    std::string previous;
    const bool hadPrevious = services_.platform.files.ReadWholeFile(recordPath, previous) == kErrorSuccess;
    // A record there that cannot be read cannot be put back either; the undo leaves it.
    if (hadPrevious || !services_.platform.files.Exists(recordPath))
        journal_.NoteRecord(recordPath, hadPrevious ? std::optional<std::string>(previous) : std::nullopt);
    journal_.NoteTree(RootKey::LocalMachine, header.uninstallKey);
    // The old record was always replaced, read-only or not.
    std::uint32_t attributes = 0;
    if (services_.platform.files.GetAttributes(recordPath, attributes) == kErrorSuccess &&
        (attributes & attr::kReadOnly))
        services_.platform.files.SetAttributes(recordPath, attributes & ~attr::kReadOnly);
    const ErrorCode written = services_.profiles.ReplaceFile(recordPath, record);
    if (written != kErrorSuccess) {
        state_.failures.Add(tag::kSetupFile, recordPath, services_.ops.SystemErrorText(written));
        UndoUnrecordedChanges();
    }
    const bool entered = RegisterUninstallEntry(header.uninstallKey, displayName, uninstaller);
    if (written == kErrorSuccess && !(entered && VouchForWrittenRecord(header.uninstallKey, record))) {
        // A record nobody vouches for would be carried out only in part, and a second
        // attempt could not merge it: the folder gets back the record it had.
        if (hadPrevious)
            services_.profiles.ReplaceFile(recordPath, previous);
        else
            services_.ops.DeleteFilesUnloaded(recordPath);
        UndoUnrecordedChanges();
    }
    ForgetUnrecordedChanges();
}

// The system copies files through its cache: a power cut soon after the install
// could leave a recorded file empty. One flush of each volume written does it. Where
// the system refuses that (a run without an administrator's rights, or under Wine)
// the copies are left to the cache: a flush of each file costs a disk round trip per
// file, several times the whole copy.
void InstallCompletion::MakeCopiesDurable()
{
    std::set<char> drives;
    std::vector<std::string> paths = ListItems(state_.lists.deleteFile);
    paths.push_back(services_.context.windowsFolder);
    for (const std::string& path : paths)
        if (path.size() > 2 && path[1] == ':')
            drives.insert(static_cast<char>(std::toupper(static_cast<unsigned char>(path[0]))));
    for (const char drive : drives) services_.platform.files.FlushVolume(std::string(1, drive) + ":\\");
}

// The uninstall carries out only a record the install vouched for, and loads only
// the components it registered: their digests go where only administrators write.
bool InstallCompletion::VouchForWrittenRecord(const std::string& keyPath, const std::string& record)
{
    std::map<std::string, std::string> components;
    for (const std::string& item : ListItems(state_.lists.deleteFile)) {
        const std::string path = PathPart(item);
        if (!IsComponentFile(path)) continue;
        // As this run wrote it; a component an earlier run installed and this one did
        // not copy is taken as it is now.
        const auto written = state_.componentDigests.find(UpperCase(path));
        std::string bytes;
        if (state_.unvouchedComponents.count(UpperCase(path))) continue;
        if (written != state_.componentDigests.end())
            components[UpperCase(path)] = written->second;
        else if (services_.platform.files.ReadWholeFile(path, bytes) == kErrorSuccess)
            components[UpperCase(path)] = Sha256Hex(bytes);
    }
    const ErrorCode code = VouchForRecord(services_.platform.registry, keyPath, record, components);
    if (code != kErrorSuccess) {
        state_.failures.Add(tag::kRegistry, "HKEY_LOCAL_MACHINE\\" + keyPath, services_.ops.SystemErrorText(code));
    }
    return code == kErrorSuccess;
}

// The record that would let the uninstall undo them is not there; what refuses to
// be put back is one more failure to offer.
void InstallCompletion::UndoUnrecordedChanges()
{
    const UndoFailed failed = [this](const char* tag, const std::string& item, ErrorCode code) {
        state_.failures.Add(tag, item, services_.ops.SystemErrorText(code));
    };
    UndoAssociations(services_.platform.registry, state_.unrecordedAssociations, failed);
    UndoSharedCounts(services_.shared, services_.ops, state_.unrecordedCounts, failed);
}

void InstallCompletion::ForgetUnrecordedChanges()
{
    state_.unrecordedAssociations.clear();
    state_.unrecordedCounts.clear();
}

bool InstallCompletion::RegisterUninstallEntry(const std::string& keyPath, const std::string& displayName,
                                               const std::string& uninstaller)
{
    Registry& registry = services_.platform.registry;
    const RootKey root = RootKey::LocalMachine;
    const platform::LocalTime today = services_.platform.system.GetLocalTime();
    char date[16];
    std::snprintf(date, sizeof date, "%04d%02d%02d", today.year, today.month, today.day);
    const std::pair<const char*, RegValue> values[] = {
        {"DisplayName", RegValue::String(displayName)},
        {"UninstallString", RegValue::String("\"" + uninstaller + "\" \"" + RecordPath() + "\"")},
        {"QuietUninstallString", RegValue::String("\"" + uninstaller + "\" /SILENT \"" + RecordPath() + "\"")},
        {"DisplayIcon", RegValue::String(uninstaller)},
        {"InstallLocation", RegValue::String(services_.context.setupFolder)},
        {"NoModify", RegValue::DoubleWord(1)},
        {"NoRepair", RegValue::DoubleWord(1)},
        {"EstimatedSize", RegValue::DoubleWord(InstalledKilobytes())},
        {"InstallDate", RegValue::String(date)},
    };
    ErrorCode code = registry.CreateKey(root, keyPath);
    for (const auto& [name, value] : values)
        if (code == kErrorSuccess) code = registry.WriteValue(root, keyPath, name, value);
    // The script's own words for the list; a reinstall whose script no longer gives
    // one leaves no stale value behind. The script's keys are named as the values.
    for (const script::Key key : {script::Key::TitleDisplayVersion, script::Key::TitlePublisher}) {
        if (code != kErrorSuccess) break;
        const std::string name = script::NameOf(key);
        const std::string given = Script(key);
        if (given.empty())
            registry.DeleteValue(root, keyPath, name);
        else
            code = registry.WriteValue(root, keyPath, name, RegValue::String(given));
    }
    if (code != kErrorSuccess)
        state_.failures.Add(tag::kRegistry, "HKEY_LOCAL_MACHINE\\" + keyPath, services_.ops.SystemErrorText(code));
    return code == kErrorSuccess;
}

// What the record's files take on disk, as the list of installed programs shows it:
// whole kilobytes, rounded up; a file already gone counts nothing. The list may name a
// file twice (an earlier record's entry and this run's), which the record merges.
std::uint32_t InstallCompletion::InstalledKilobytes()
{
    std::uint64_t bytes = 0;
    std::set<std::string> counted;
    std::size_t start = 0;
    const std::string& list = state_.lists.deleteFile;
    while (start < list.size()) {
        std::size_t end = list.find('|', start);
        if (end == std::string::npos) end = list.size();
        // An entry may carry its flags after a ",".
        std::string path = list.substr(start, end - start);
        if (const int comma = MBPos(",", path); comma > 0) path = StrLeft(path, comma - 1);
        if (!counted.insert(UpperCase(path)).second) {
            start = end + 1;
            continue;
        }
        if (const auto stat = services_.platform.files.Stat(path); stat && !(stat->attributes & attr::kDirectory))
            bytes += stat->size;
        start = end + 1;
    }
    const std::uint64_t kilobytes = (bytes + 1023) / 1024;
    return kilobytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kilobytes);
}

void InstallCompletion::OfferFailureDetails()
{
    if (state_.failures.count == 0) return;
    services_.view.SetStatus("セットアップで一部の処理が失敗しました．");
    services_.context.messageText =
        "フォルダの作成・ファイルのコピーで，一部の処理が失敗しました．\r詳細を表示しますか？";
    const int answer = services_.view.Ask(services_.context.messageText, "警告", box::kWarningYesNo);
    if (answer == box::kYes) services_.view.ShowDetails("作成・コピー処理失敗　詳細表示", state_.failures.text, false);
}

void InstallCompletion::StartProgramOrRestart()
{
    const std::string value = Script(script::Key::ExecuteFile);
    if (value == "WINDOWS_REBOOT") {
        services_.context.restartRequested = true;
        return;
    }
    services_.context.messageText = "セットアップが完了しました．";
    services_.view.SetStatus(services_.context.messageText);
    if (!SetupOnly())
        services_.context.messageText += "\r\rプログラムのアンセットアップ(アンインストール)は，\r"
                                         "「アプリケーションの追加と削除」から行ってください．";
    services_.view.Ask(services_.context.messageText, "完了", box::kInformationOk);
    if (!value.empty()) StartProgram(value);
}

void InstallCompletion::StartProgram(const std::string& value)
{
    const std::string expanded = ExpandFolderMacros(value, FolderTableOf(services_.context));
    const int comma = MBPos(",", expanded);
    const std::string file = comma > 0 ? StrLeft(expanded, comma - 1) : expanded;
    const std::string parameters = comma > 0 ? StrMid(expanded, comma + 1) : std::string();
    if (services_.platform.shell.OpenFile(file, parameters) <= kShellFailureLimit)
        services_.view.Ask("終了後プログラムの起動に失敗しました．\r"
                           "iniファイルの記述ミスの可能性があります．\r"
                           "プログラム提供者へご報告ください．",
                           "警告", box::kWarningOk);
}

}  // namespace lorvel
