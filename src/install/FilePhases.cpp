// The folder and copy phases of the install run.
#include "install/InstallRun.h"
#include "run/FixedNames.h"
#include "run/QuestionCaptions.h"
#include "run/SetupFolderAccess.h"
#include "util/CopyEntry.h"
#include "util/FolderMacros.h"
#include "util/PathResolution.h"
#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"
#include "util/Szdd.h"

namespace lorvel {

using namespace platform;

InstallRun::Outcome InstallRun::CreateFolders()
{
    services_.view.EnableAbort(true);
    const FolderTable table = FolderTableOf(services_.context);
    for (const auto& [number, value] : services_.Script().Numbered(script::Key::MakeFolder)) {
        const std::string folder = ExpandFolderMacros(AddPathDelim(value, "B"), table);
        services_.view.SetStatus("フォルダを作成しています．．．\r\nCreating -> " + folder);
        if (!Checkpoint()) return Outcome::Ended;
        const bool notedNew = journal_->NoteMade(folder, true);
        // Made as the folder above has it: inside the setup folder that is the
        // administrators' list; elsewhere (a data folder the program writes at run
        // time, under ProgramData say) the place's own.
        const ErrorCode code = services_.platform.files.CreateFolder(folder);
        // Somebody made it between the two: it is theirs, and no undo removes it.
        if (notedNew && code == kErrorAlreadyExists) journal_->NoteKept(folder);
        if (code == kErrorSuccess || code == kErrorAlreadyExists)
            state_.lists.deleteFolder += folder + "|";
        else
            state_.failures.Add(tag::kFolder, folder, services_.ops.SystemErrorText(code));
        Pause(static_cast<unsigned>(services_.context.setupSpeed));
    }
    services_.view.ShowProgress(true);
    return Outcome::Continue;
}

bool InstallRun::WaitForDisk(const std::string& source)
{
    ++state_.diskNumber;
    do {
        const int answer = services_.view.Ask(std::to_string(state_.diskNumber) + "枚目のディスクに交換してください．",
                                              captions::kChangeDisk, box::kInformationOkCancel);
        if (answer == box::kCancel) {
            services_.view.Ask("セットアップを続行できませんでした．", "致命的エラー", box::kStopOk);
            Stop();
            return false;
        }
    } while (!services_.platform.files.FileExists(source));
    return true;
}

std::string InstallRun::ExpandCompressedFile(const std::string& source, std::string& destination, ErrorCode& result)
{
    if (FileNamePart(destination) == kAutoName)
        destination = FolderWithoutDelimiter(destination) + "\\" +
                      UpperCase(FileNamePart(services_.platform.lz.ExpandedNameOf(source)));
    // In the run's own work folder: in the temporary folder any program of the user
    // could put its own file there between the expansion and the copy.
    const std::string temporary = services_.context.workFolder + kExpansionFileName;
    if (services_.platform.files.FileExists(temporary)) services_.ops.DeleteFiles(temporary);
    result = services_.platform.lz.Expand(source, temporary);
    return temporary;
}

namespace {

constexpr const char* kThroughLinkReason =
    "セットアップフォルダの中のリンク(ジャンクション)を経由するため，コピーしませんでした．\r\n";
constexpr const char* kLinkedDestinationReason = "コピー先がリンクのため，コピーしませんでした．\r\n";

// The failures of a copy that opens its source before it creates the destination,
// and that no write can give: gone, not found, denied, held open by another program.
bool FailsBeforeCreating(ErrorCode code)
{
    return code == kErrorFileNotFound || code == kErrorPathNotFound || code == kErrorAccessDenied ||
           code == kErrorSharingViolation;
}

}  // namespace

// Where nothing is at the destination there is nothing to decide: the copy that only
// creates ends the step, and whether it could is all a lookup first would have told
// (under Wine that lookup reads the whole folder). Nothing when a file is there, to
// be met as an existing file is. A shared file's count must see the destination
// before anything is copied, so the caller does not come here for one.
std::optional<ErrorCode> InstallRun::CopyToNew(const std::string& source, const std::string& destination,
                                               std::optional<std::uint32_t> sourceAttributes)
{
    const ErrorCode result = services_.ops.CopyFileToNew(source, destination, sourceAttributes);
    if (result == kErrorFileExists) return std::nullopt;
    // A copy that could not open its source failed before it made anything, so a file
    // at the destination now was there before.
    if (FailsBeforeCreating(result) && services_.platform.files.FileExists(destination)) return std::nullopt;
    return result;
}

// Which bytes of a component the install stands for: those this run wrote, read
// back at once, or those it kept where only administrators can have put them (a
// newer shared library another program installed in the system folder). A component
// in a place another account may change stands for nothing: it could be swapped
// between any check and its load. A file registered is a component whatever its
// name: the system loads any program file as a library. The digest is kept for the
// record and the undo; "" for other files and for what the install does not stand for.
std::string InstallRun::NoteComponentDigest(const std::string& destination, bool registered)
{
    if ((!registered && !IsComponentFile(destination)) || !services_.platform.files.FileExists(destination)) return "";
    const std::string key = UpperCase(destination);
    if (!FirstFolderOthersMayChange(services_.platform.files, destination).empty()) {
        state_.componentDigests.erase(key);
        state_.unvouchedComponents.insert(key);
        return "";
    }
    std::string digest = services_.ops.DigestOf(destination);
    if (!digest.empty()) state_.componentDigests[key] = digest;
    return digest;
}

// Registering loads the library as administrator: only bytes the install stands for,
// read just now, are loaded, and the details say why anything else is not.
void InstallRun::RegisterIfOurs(const std::string& destination, const std::string& digest)
{
    if (!digest.empty()) {
        journal_->NoteRegister(destination, digest);
        services_.shared.RegisterComponent(destination, true);
        return;
    }
    state_.failures.Add(tag::kFile, destination,
                        "管理者以外のユーザーも変更できる場所にあるため，登録(読み込み)しませんでした．\r\n");
}

bool InstallRun::DecideCopy(const std::string& source, const std::string& destination, bool destinationExists)
{
    if (!destinationExists) return true;
    if (!state_.overwrite) {
        const int answer =
            services_.view.Ask(destination + "\r\rこのファイルは既に存在します．\r上書きしてもよろしいですか？",
                               "上書き確認", box::kQuestionYesNo);
        return answer != box::kNo;
    }
    // Newer only, by the local MS-DOS times both files carry (two-second steps).
    const auto from = services_.platform.files.Stat(source);
    const auto to = services_.platform.files.Stat(destination);
    if (!from || !to) return true;
    const auto sourceTime =
        static_cast<std::int32_t>(services_.platform.system.ToLocalDosDateTime(from->lastWriteTime));
    const auto destinationTime =
        static_cast<std::int32_t>(services_.platform.system.ToLocalDosDateTime(to->lastWriteTime));
    return sourceTime > destinationTime;
}

InstallRun::Outcome InstallRun::CopyFiles()
{
    const FolderTable table = FolderTableOf(services_.context);
    const auto root = ResolvePath(services_.context.setupFolder, services_.context.tempFolder);
    linkRoot_ = root ? AddPathDelim(*root, "B") : std::string();
    int processed = 0;
    for (const auto& [i, value] : services_.Script().Numbered(script::Key::CopyFile)) {
        const CopyEntry entry = ParseCopyEntry(value, table);
        std::string source = services_.context.sourceFolder + entry.sourceName;
        const std::string medium = source;
        std::string destination = entry.destination;
        if (entry.diskChange && !WaitForDisk(source)) return Outcome::Ended;

        // One query answers whether the source is there, its attributes and its size.
        FindEntry sourceInfo;
        const bool missing = services_.platform.files.QueryFile(source, sourceInfo) != kErrorSuccess ||
                             (sourceInfo.attributes & attr::kDirectory) != 0;
        CopyEvent event{i, state_.diskNumber, entry.sourceName, destination, CopyEvent::Outcome::Missing};
        if (missing) {
            services_.view.SetItemStatus(
                "ファイルが存在しないためコピーをスキップしています．．．\r\nSkipping -> " + destination, false);
            if (!Checkpoint()) return Outcome::Ended;
            state_.failures.Add(tag::kFile, source, "コピー元のファイルが見つかりません．\r\n");
            ++processed;
        } else if (CopyOne(entry, source, sourceInfo, event, processed) == Outcome::Ended) {
            return Outcome::Ended;
        }
        services_.Events().FileCopied(event);
        const std::optional<FindEntry> mediumInfo = missing ? std::nullopt : std::optional<FindEntry>(sourceInfo);
        if (ShowCopyProgress(i, processed, mediumInfo) == Outcome::Ended) return Outcome::Ended;
    }
    services_.view.ShowProgress(false);
    state_.lists.deleteFile += services_.context.setupFolder + kRecordName + "|";
    return Outcome::Continue;
}

InstallRun::Outcome InstallRun::CopyOne(const CopyEntry& entry, std::string source, const FindEntry& sourceInfo,
                                        CopyEvent& event, int& processed)
{
    std::string& destination = event.destination;
    event.outcome = CopyEvent::Outcome::Refused;
    const bool compressed = EndsWithUnderscore(source);
    ErrorCode expansion = kErrorSuccess;
    if (compressed) source = ExpandCompressedFile(source, destination, expansion);
    services_.view.SetItemStatus("ファイルをコピーしています．．．\r\nCopying -> " + destination,
                                 sourceInfo.size >= kLongCopyBytes);
    if (!Checkpoint()) return Outcome::Ended;

    const std::string expanded = compressed ? source : std::string();
    if (ThroughLink(destination)) return RefuseCopy(destination, kThroughLinkReason, expanded, processed);
    // A compressed file that did not expand whole is not copied half: it is reported.
    const bool broken = compressed && expansion != kErrorSuccess;
    // The expanded file is a file of our own, whose attributes were never asked.
    const std::optional<std::uint32_t> copiedAttributes =
        compressed ? std::nullopt : std::optional<std::uint32_t>(sourceInfo.attributes);
    const bool tried = !broken && !entry.HasFlag(copy_flag::kShared);
    const bool notedNew = tried && journal_->NoteMade(destination, false);
    const std::optional<ErrorCode> created = tried ? CopyToNew(source, destination, copiedAttributes) : std::nullopt;
    if (notedNew && !created) journal_->NoteKept(destination);
    std::uint32_t found = 0;
    const bool somethingThere = !created && services_.platform.files.GetAttributes(destination, found) == kErrorSuccess;
    if (somethingThere && (found & attr::kReparsePoint) != 0)
        return RefuseCopy(destination, kLinkedDestinationReason, expanded, processed);
    const bool destinationExists = somethingThere && (found & attr::kDirectory) == 0;
    const bool asked = !created && destinationExists && !state_.overwrite;
    bool copy = created || DecideCopy(source, destination, destinationExists);
    if (entry.HasFlag(copy_flag::kOverwrite)) copy = true;
    // The question held the run still long enough to swap a folder on the way for a
    // link: the way is looked at again.
    if (asked && copy && ThroughLink(destination))
        return RefuseCopy(destination, kThroughLinkReason, expanded, processed);
    const bool shared = entry.HasFlag(copy_flag::kShared) && !CountedAlready(destination);
    const std::optional<RegValue> countBefore = shared ? services_.shared.SharedCountEntry(destination) : std::nullopt;
    if (shared) {
        journal_->NoteCount(destination, countBefore, destinationExists);
        services_.shared.ChangeSharedCount(destination, true);
    }
    ErrorCode result = created.value_or(kErrorSuccess);
    // The shared count and the overwrite question do not change whether the
    // destination is there; only a component registration could, and it follows.
    if (!created && copy && !broken) {
        if (!destinationExists) journal_->NoteMade(destination, false);
        result = services_.ops.CopyFileOverwrite(source, destination, destinationExists, copiedAttributes);
    }
    ++processed;
    const std::string digest =
        broken ? std::string() : NoteComponentDigest(destination, entry.HasFlag(copy_flag::kRegister));
    if (entry.HasFlag(copy_flag::kRegister) && services_.platform.files.FileExists(destination))
        RegisterIfOurs(destination, digest);

    // A file left out of the record keeps no count raised for it: no uninstall would
    // lower it, and every attempt to install would raise it again.
    if (shared && (broken || result != kErrorSuccess))
        services_.shared.RestoreSharedCount(destination, countBefore);
    else if (shared)
        state_.unrecordedCounts.push_back({destination, countBefore, destinationExists, digest});
    const bool failed = broken || result != kErrorSuccess;
    event.outcome = failed              ? CopyEvent::Outcome::Failed
                    : (created || copy) ? CopyEvent::Outcome::Copied
                                        : CopyEvent::Outcome::Kept;
    if (broken)
        state_.failures.Add(tag::kFile, destination,
                            expansion == kErrorInvalidData
                                ? std::string("圧縮ファイルが壊れているため展開できません．\r\n")
                                : services_.ops.SystemErrorText(expansion));
    else if (result != kErrorSuccess)
        state_.failures.Add(tag::kFile, destination, services_.ops.SystemErrorText(result));
    else
        RecordCopied(entry, destination);
    if (compressed) services_.ops.DeleteFiles(source);
    return Outcome::Continue;
}

// Whoever can write the setup folder (one another account made earlier, say) can put
// a link in it. A copy through it would write wherever the link names with this
// program's rights, and a component registered there would be run.
bool InstallRun::ThroughLink(const std::string& destination)
{
    return links_.OnTheWayResolved(linkRoot_, destination, services_.context.tempFolder);
}

InstallRun::Outcome InstallRun::RefuseCopy(const std::string& destination, const char* reason,
                                           const std::string& expanded, int& processed)
{
    if (!expanded.empty()) services_.ops.DeleteFiles(expanded);
    ++processed;
    state_.failures.Add(tag::kFile, destination, reason);
    return Outcome::Continue;
}

// The record lists a file once and its uninstall lowers the count once, so this
// record raises it once: not again for a reinstall into the same folder, nor for a
// second entry of the same file. A count that has gone meanwhile is raised anew.
bool InstallRun::CountedAlready(const std::string& destination)
{
    return state_.countedShared.count(UpperCase(destination)) && services_.shared.ReadSharedCount(destination) > 0;
}

void InstallRun::RecordCopied(const CopyEntry& entry, const std::string& destination)
{
    state_.lists.deleteFile += destination + entry.flags + "|";
    if (entry.HasFlag(copy_flag::kShared)) state_.countedShared.insert(UpperCase(destination));
}

void InstallRun::NoteCountedSharedFiles()
{
    for (const std::string& item : ListItems(state_.lists.deleteFile)) {
        const std::string path = PathPart(item);
        if (HasCopyFlag(item.substr(path.size()), copy_flag::kShared)) state_.countedShared.insert(UpperCase(path));
    }
}

InstallRun::Outcome InstallRun::ShowCopyProgress(int index, int processed, const std::optional<FindEntry>& medium)
{
    // The size is the one the source had when the entry began: asking again after the
    // copy would cost a lookup per file and tell the same.
    if (state_.sizeKnown && medium && !AddFileBytes(state_.copiedBytes, medium->size)) state_.sizeKnown = false;
    const int percent =
        state_.sizeKnown ? PercentOf(state_.copiedBytes, state_.requiredBytes) : PercentOf(index, state_.entryCount);
    services_.view.SetProgress(percent, processed, state_.entryCount);
    services_.view.ProcessMessages();
    if (!Checkpoint()) return Outcome::Ended;
    Pause(static_cast<unsigned>(services_.context.setupSpeed));
    return Outcome::Continue;
}

}  // namespace lorvel
