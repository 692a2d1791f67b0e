#include "install/InstallRun.h"

#include "install/AssociationUndo.h"
#include "install/InstallCompletion.h"
#include "install/SharedCountUndo.h"
#include "run/QuestionCaptions.h"
#include "run/SetupFolderAccess.h"
#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"

namespace lorvel {

using namespace platform;

bool AddFileBytes(std::int64_t& total, std::uint64_t size)
{
    const std::uint64_t counted = size == 0 ? 1 : size;
    if (total < 0 || counted > static_cast<std::uint64_t>(kMaxCountedBytes - total)) return false;
    total += static_cast<std::int64_t>(counted);
    return true;
}

int PercentOf(std::int64_t part, std::int64_t whole)
{
    if (whole <= 0 || part >= whole) return 100;
    if (part <= 0) return 0;
    // Both are counts of at most kMaxCountedBytes, so part * 100 fits.
    return static_cast<int>(part * 100 / whole);
}

DiskQuery GetDiskFreeBytesEx(FileSystem& files, const std::string& drive)
{
    DiskQuery query;
    if (!files.HasDiskSpaceEx()) return query;
    DiskSpace space;
    if (files.QueryDiskSpaceEx(AddPathDelim(drive, "B"), space) != kErrorSuccess) return query;
    query.ok = true;
    query.bytes = static_cast<std::int64_t>(space.freeToCaller);
    return query;
}

DiskQuery GetDiskFreeBytes(FileSystem& files, const std::string& drive)
{
    DiskQuery query;
    DiskGeometry geometry;
    if (files.QueryDiskSpace(AddPathDelim(drive, "B"), geometry) != kErrorSuccess) return query;
    query.ok = true;
    query.bytes =
        static_cast<std::int64_t>(geometry.freeClusters) * geometry.sectorsPerCluster * geometry.bytesPerSector;
    return query;
}

InstallRun::InstallRun(const RunServices& services)
    : services_(services), pacer_(services.platform.system), links_(services.platform.files, false)
{
    pacer_.beforeSleep = [this](std::uint32_t milliseconds) { services_.view.BeforePause(milliseconds); };
}

// The script's pauses let a person read each status text; a run that shows no window
// has none to read, and a deployment of many files would otherwise wait the script's
// SetupSpeed (400 ms unless it says otherwise) after each of them for nobody.
void InstallRun::Pause(unsigned milliseconds)
{
    if (services_.view.ShowsWindows()) pacer_.Pace(milliseconds);
}

bool InstallRun::Checkpoint()
{
    return !services_.view.Aborted();
}

void InstallRun::Run()
{
    // The run's own copy of the script: nothing else writes it while the run reads it.
    const ProfileStore::Steady steadyScript(services_.profiles, services_.context.scriptFile);
    try {
        if (RunPhases() == Outcome::Ended) UndoUnrecordedChanges();
    } catch (...) {
        UndoUnrecordedChanges();
        if (journal_) journal_->End();
        throw;
    }
    // A run that ended of its own has done its own undo, or finished.
    if (journal_) journal_->End();
}

InstallRun::Outcome InstallRun::RunPhases()
{
    Start();
    // Before anything of this run: a run of the product cut off earlier is undone
    // first, so this one starts from the machine as it was.
    const std::string journal = JournalPath(services_.context.windowsFolder, UninstallEntryKey(services_));
    RepairBeforeInstall(services_, journal);
    journal_->Begin(journal);
    PreReadRelate();
    if (ComputeSizes() == Outcome::Ended) return Outcome::Ended;
    if (state_.sizeKnown && CheckDiskSpace() == Outcome::Ended) return Outcome::Ended;
    if (PrepareSetupFolder() == Outcome::Ended) return Outcome::Ended;
    LoadExistingRecord(services_.platform, services_.context, services_.ops, state_.lists, state_.failures);
    NoteCountedSharedFiles();
    if (CreateFolders() == Outcome::Ended) return Outcome::Ended;
    if (CopyFiles() == Outcome::Ended) return Outcome::Ended;
    if (CreateShortcuts() == Outcome::Ended) return Outcome::Ended;
    if (WriteRegistryValues() == Outcome::Ended) return Outcome::Ended;
    if (WriteProfileEntries() == Outcome::Ended) return Outcome::Ended;
    CollectUninstallLists();
    if (AssociateFiles() == Outcome::Ended) return Outcome::Ended;
    InstallCompletion(services_, state_, *journal_).Run();
    return Outcome::Continue;
}

// Only calls that raise nothing. A run that ends here offers no failure details:
// after an error the user sees that error, after an abort nothing more, so what
// refuses goes untold.
void InstallRun::UndoUnrecordedChanges()
{
    UndoAssociations(services_.platform.registry, state_.unrecordedAssociations, nullptr);
    UndoSharedCounts(services_.shared, services_.ops, state_.unrecordedCounts, nullptr);
}

void InstallRun::Start()
{
    services_.context.restartRequested = false;
    state_ = InstallRunState{};
    journal_.emplace(services_, state_.failures);
    const RunOptions options = services_.view.ReadOptions();
    state_.overwrite = options.overwrite;
    state_.shortcutBoxes = {options.desktop, options.startMenu, options.startup, options.sendTo};
    services_.view.HideWizard();
    const bool shown = services_.view.ShowsWindows();
    pacer_.Hold(shown ? 500 : 0);
    services_.view.ShowProgressWindow();
    services_.view.SetStatus("セットアップを開始します．．．");
    pacer_.Hold(shown ? 1000 : 0);
    services_.view.SetStatus("セットアップの情報を作成しています．．．");
}

void InstallRun::PreReadRelate()
{
    for (const auto& [i, name] : services_.Script().Numbered(script::Key::RelateName, NumberedEnd::PassEmpty)) {
        const std::string file = Script(script::Key::RelateFile, i);
        if (file.empty()) continue;  // a name without a file is ignored
        state_.relate[static_cast<std::size_t>(state_.relateCount++)] = {name, file};
    }
    Pause(static_cast<unsigned>(services_.context.setupSpeed));
}

InstallRun::Outcome InstallRun::ComputeSizes()
{
    services_.view.SetStatus("セットアップに必要な容量を調べています．．．");
    if (!Checkpoint()) return Outcome::Ended;
    Pause(static_cast<unsigned>(services_.context.setupSpeed));
    // Each entry names its source as the copy phase will read it, with the setup
    // folder the wizard shows, which that phase takes for (App) and (Set).
    SetupContext chosen = services_.context;
    chosen.setupFolder = AddPathDelim(services_.view.ReadOptions().folderText, "B");
    chosen.setupDrive = StrLeft(chosen.setupFolder, 2) + "\\";
    const FolderTable table = FolderTableOf(chosen);
    for (const auto& [number, entry] : services_.Script().Numbered(script::Key::CopyFile)) {
        ++state_.entryCount;
        const std::string source = services_.context.sourceFolder + ParseCopyEntry(entry, table).sourceName;
        const auto stat = services_.platform.files.Stat(source);
        if (!stat || (stat->attributes & attr::kDirectory)) {
            state_.sizeKnown = false;
            continue;
        }
        // The whole size, however large: a file of 2 GB and more, or files that
        // together pass 4 GB, are counted as they are.
        if (!AddFileBytes(state_.requiredBytes, stat->size)) state_.sizeKnown = false;
    }
    return Outcome::Continue;
}

InstallRun::Outcome InstallRun::CheckDiskSpace()
{
    services_.view.SetStatus("ディスクの空き容量をチェックしています．．．");
    const std::string drive = DrivePart(services_.view.ReadOptions().folderText);
    DiskQuery query = GetDiskFreeBytesEx(services_.platform.files, drive);
    if (!query.ok) query = GetDiskFreeBytes(services_.platform.files, drive);
    state_.freeBytes = query.bytes;
    if (query.bytes <= state_.requiredBytes) {
        const std::string question =
            query.ok ? std::string("ディスクの空き容量が不足しているため，エラーになる可能性があります．\r"
                                   "このままセットアップを続行しますか？")
                     : "ディスクの空き容量取得関数が失敗しました．\r"
                       "セットアップに必要なディスク容量は " +
                           std::to_string(state_.requiredBytes) +
                           " Byteです．\r"
                           "空き容量があるようであれば，セットアップを続行してください．\r"
                           "\r"
                           "セットアップを続行しますか？";
        const int answer = services_.view.Ask(question, captions::kLowDiskSpace, box::kQuestionYesNo);
        if (answer != box::kYes) {
            services_.view.Ask("セットアップを続行できませんでした．", "セットアップ中止", box::kStopOk);
            Stop();
            return Outcome::Ended;
        }
    }
    Pause(static_cast<unsigned>(services_.context.setupSpeed));
    return Outcome::Continue;
}

InstallRun::Outcome InstallRun::PrepareSetupFolder()
{
    services_.view.SetStatus("セットアップフォルダをチェックしています．．．");
    if (!Checkpoint()) return Outcome::Ended;
    services_.context.setupFolder = AddPathDelim(services_.view.ReadOptions().folderText, "B");
    const std::string& folder = services_.context.setupFolder;
    // Asked before the folder is made, so nobody is asked to make a folder that will
    // be refused, and again after: a level that somebody else made meanwhile is then
    // the one found.
    if (RefuseFolderOthersMayChange()) return Outcome::Ended;
    if (services_.ops.FolderExists(folder)) return Outcome::Continue;
    const int answer = services_.view.Ask(folder + "\r\rこのフォルダは存在しません．作成してもよろしいですか？",
                                          captions::kMakeFolder, box::kQuestionYesNo);
    bool created = false;
    if (answer == box::kYes) {
        journal_->NoteMade(folder, true);
        created = services_.ops.CreateFolderTree(folder, FileOps::NewFolders::Administrators);
        if (!created)
            services_.view.Ask("セットアップフォルダの作成に失敗しました．\r\rプログラム作者へご報告ください．",
                               "致命的エラー", box::kStopOk);
    }
    if (created) return RefuseFolderOthersMayChange() ? Outcome::Ended : Outcome::Continue;
    services_.view.Ask("セットアップを続行できませんでした．", "セットアップ中止", box::kStopOk);
    Stop();
    return Outcome::Ended;
}

// Nothing is installed into a folder another account may change: it could replace
// what the administrators later run from there.
bool InstallRun::RefuseFolderOthersMayChange()
{
    const std::string open = FirstFolderOthersMayChange(services_.platform.files, services_.context.setupFolder);
    if (open.empty()) return false;
    services_.view.Ask(open +
                           "\r\r管理者以外のユーザーもこのフォルダを変更できるため，ここにはセットアップできません．\r"
                           "管理者だけが変更できるフォルダを指定してください．",
                       "セットアップフォルダ", box::kStopOk);
    services_.view.Ask("セットアップを続行できませんでした．", "セットアップ中止", box::kStopOk);
    Stop();
    return true;
}

void InstallRun::Stop()
{
    services_.view.EndWizard();
}

}  // namespace lorvel
