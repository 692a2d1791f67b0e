#include "install/InstallJournal.h"

#include <vector>

#include "install/AssociationUndo.h"
#include "install/SharedCountUndo.h"
#include "util/MessageBox.h"
#include "util/ShiftJisText.h"

namespace lorvel {

using namespace platform;

namespace {

const std::string kYes = "1";

std::string RootField(RootKey root)
{
    return std::to_string(static_cast<std::uint32_t>(root));
}

std::optional<RootKey> RootOf(const std::string& field)
{
    for (const RootKey root : {RootKey::ClassesRoot, RootKey::CurrentUser, RootKey::LocalMachine, RootKey::Users})
        if (field == RootField(root)) return root;
    return std::nullopt;
}

// The key above key, "" at the top.
std::string ParentKey(const std::string& key)
{
    const auto at = key.rfind('\\');
    return at == std::string::npos ? std::string() : key.substr(0, at);
}

std::string WithoutFinalDelimiter(const std::string& path)
{
    return path.size() > 3 ? RemovePathDelim(path, "B") : path;
}

bool Below(const std::string& upperPath, const std::string& upperFolder)
{
    return upperPath == upperFolder ||
           (upperPath.size() > upperFolder.size() && upperPath.compare(0, upperFolder.size(), upperFolder) == 0 &&
            upperPath[upperFolder.size()] == '\\');
}

// A key with everything below it as notes: "K" and the key's place below the top, or
// "V", the place, the name and the value.
void AddTree(Registry& registry, RootKey root, const std::string& key, const std::string& place, std::string& blob)
{
    blob += JournalLine({"K", place});
    std::vector<std::pair<std::string, RegValue>> values;
    if (registry.EnumValues(root, key, values) == kErrorSuccess)
        for (const auto& [name, value] : values) blob += JournalLine({"V", place, name, EncodeValue(value)});
    std::vector<std::string> subkeys;
    if (registry.EnumSubKeys(root, key, subkeys) == kErrorSuccess)
        for (const std::string& sub : subkeys) AddTree(registry, root, key + "\\" + sub, place + "\\" + sub, blob);
}

ErrorCode RestoreTree(Registry& registry, RootKey root, const std::string& key, const std::string& blob)
{
    ErrorCode result = kErrorSuccess;
    for (std::size_t start = 0; start < blob.size();) {
        std::size_t end = blob.find('\n', start);
        if (end == std::string::npos) end = blob.size();
        const auto note = ParseJournalLine(std::string_view(blob).substr(start, end - start));
        start = end + 1;
        if (!note || note->size() < 2) continue;
        const std::string path = key + (*note)[1];
        ErrorCode code = kErrorSuccess;
        if ((*note)[0] == "K")
            code = registry.CreateKey(root, path);
        else if (const auto value = note->size() == 4 ? DecodeValue((*note)[3]) : std::nullopt)
            code = registry.WriteValue(root, path, (*note)[2], *value);
        if (code != kErrorSuccess) result = code;
    }
    return result;
}

ErrorCode UnlessGone(ErrorCode code)
{
    return code == kErrorFileNotFound || code == kErrorPathNotFound ? kErrorSuccess : code;
}

}  // namespace

void InstallJournal::Begin(const std::string& path)
{
    if (const ErrorCode code = journal_.Begin(path, JournalKind::Install); code != kErrorSuccess) {
        failed_ = true;
        failures_.Add(tag::kSetupFile, path,
                      "途中で終わったときに元に戻すための記録を作れませんでした．\r\n" +
                          services_.ops.SystemErrorText(code));
    }
}

void InstallJournal::End()
{
    journal_.End();
}

void InstallJournal::Note(const JournalNote& fields)
{
    if (failed_ || !journal_.IsOpen()) return;
    if (const ErrorCode code = journal_.Note(fields); code != kErrorSuccess) {
        // A run that cannot note its changes goes on as runs did before there was a
        // journal, and says once that a cut from here on could not be put right.
        failed_ = true;
        failures_.Add(tag::kSetupFile, journal_.Path(),
                      "途中で終わったときに元に戻すための記録を書けませんでした．\r\n" +
                          services_.ops.SystemErrorText(code));
    }
}

bool InstallJournal::InNewFolder(const std::string& upperPath) const
{
    auto it = newFolders_.upper_bound(upperPath);
    while (it != newFolders_.begin()) {
        --it;
        if (Below(upperPath, *it)) return true;
        // Sorted, a folder above the path sorts before it; one that is no prefix of the
        // path's first character on ends the search.
        if (it->empty() || upperPath.compare(0, 1, *it, 0, 1) != 0) break;
    }
    return false;
}

bool InstallJournal::NoteMade(const std::string& path, bool folder)
{
    if (!journal_.IsOpen()) return false;
    const std::string target = WithoutFinalDelimiter(path);
    const std::string upper = UpperCase(target);
    if (InNewFolder(upper) || services_.platform.files.Exists(target)) return false;
    // The highest level that is missing is the one that goes, with all below it.
    std::string top = target;
    for (std::string up = WithoutFinalDelimiter(FolderPart(top));
         up.size() > 3 && up != top && !services_.platform.files.Exists(up); up = WithoutFinalDelimiter(FolderPart(up)))
        top = up;
    Note({"made", top});
    if (folder || top != target) newFolders_.insert(UpperCase(top));
    return top == target;
}

// The made note said the path was free; a kept note says it was not, before anything
// of the run reaches it: without it the undo would remove somebody's file.
void InstallJournal::NoteKept(const std::string& path)
{
    const std::string target = WithoutFinalDelimiter(path);
    newFolders_.erase(UpperCase(target));  // what the run puts in somebody's folder is noted one by one
    Note({"kept", target});
}

void InstallJournal::NoteCount(const std::string& path, const std::optional<RegValue>& before, bool fileBefore)
{
    Note({"count", path, EncodeValue(before), fileBefore ? kYes : ""});
}

void InstallJournal::NoteRegister(const std::string& path, const std::string& digest)
{
    Note({"register", path, digest});
}

bool InstallJournal::InNewKey(RootKey root, const std::string& upperKey) const
{
    const std::string prefix = RootField(root) + "\\";
    for (std::string key = upperKey; !key.empty(); key = ParentKey(key))
        if (newKeys_.count(prefix + key)) return true;
    return false;
}

void InstallJournal::NoteKey(RootKey root, const std::string& key)
{
    if (!journal_.IsOpen() || key.empty() || InNewKey(root, UpperCase(key))) return;
    Registry& registry = services_.platform.registry;
    if (registry.OpenKey(root, key) != kErrorFileNotFound) return;
    std::string top = key;
    for (std::string up = ParentKey(top); !up.empty() && registry.OpenKey(root, up) == kErrorFileNotFound;
         up = ParentKey(up))
        top = up;
    Note({"key", RootField(root), top});
    newKeys_.insert(RootField(root) + "\\" + UpperCase(top));
}

void InstallJournal::NoteValue(RootKey root, const std::string& key, const std::string& name)
{
    if (!journal_.IsOpen() || InNewKey(root, UpperCase(key))) return;
    RegValue value;
    const bool there = services_.platform.registry.ReadValue(root, key, name, value) == kErrorSuccess;
    Note({"value", RootField(root), key, name, EncodeValue(there ? std::optional<RegValue>(value) : std::nullopt)});
}

void InstallJournal::NoteProfile(const std::string& file, const std::string& section, const std::string& key)
{
    if (!journal_.IsOpen()) return;
    const std::string path = services_.profiles.FullPath(file);
    NoteMade(path, false);
    if (InNewFolder(UpperCase(path))) return;  // the file goes whole
    // The first value this run saw is the one to put back; later writes are its own.
    if (!notedProfiles_.insert(UpperCase(path) + "\n" + UpperCase(section) + "\n" + UpperCase(key)).second) return;
    const auto before = services_.profiles.ReadEntry(section, key, path);
    const std::string held = before ? kYes : services_.profiles.HasSection(section, path) ? "S" : "";
    Note({"profile", path, section, key, before.value_or(""), held});
}

void InstallJournal::NoteAssociation(const AssociationBefore& before)
{
    Note({"assoc", before.extension, before.extensionKey ? kYes : "", EncodeValue(before.type),
          before.typeKey ? kYes : ""});
}

void InstallJournal::NoteRecord(const std::string& path, const std::optional<std::string>& bytes)
{
    Note({"record", path, bytes ? kYes : "", bytes.value_or("")});
}

void InstallJournal::NoteTree(RootKey root, const std::string& key)
{
    std::string blob;
    const bool there = services_.platform.registry.OpenKey(root, key) == kErrorSuccess;
    if (there) AddTree(services_.platform.registry, root, key, "", blob);
    Note({"tree", RootField(root), key, there ? kYes : "", blob});
}

// ---------------------------------------------------------------------------------
// The repair.

namespace {

class InstallUndo {
public:
    InstallUndo(const RunServices& services, RepairOutcome& outcome) : s_(services), outcome_(outcome) {}

    void Run(const std::vector<JournalNote>& notes)
    {
        for (const JournalNote& note : notes)
            if (note.size() == 2 && note[0] == "kept") kept_.insert(UpperCase(note[1]));
        for (auto it = notes.rbegin(); it != notes.rend(); ++it) Undo(*it);
    }

private:
    void Failed(const char* tag, const std::string& item, ErrorCode code)
    {
        if (UnlessGone(code) != kErrorSuccess) outcome_.failures.Add(tag, item, s_.ops.SystemErrorText(code));
    }

    void Undo(const JournalNote& n)
    {
        const std::string& word = n[0];
        if (word == "made" && n.size() == 2)
            UndoMade(n[1]);
        else if (word == "count" && n.size() == 4)
            UndoCount(n);
        else if (word == "register" && n.size() == 3)
            UndoRegister(n[1], n[2]);
        else if (word == "key" && n.size() == 3)
            UndoKey(n);
        else if (word == "value" && n.size() == 5)
            UndoValue(n);
        else if (word == "profile" && n.size() == 6)
            UndoProfile(n);
        else if (word == "assoc" && n.size() == 5)
            UndoAssociation(n);
        else if (word == "record" && n.size() == 4)
            UndoRecord(n);
        else if (word == "tree" && n.size() == 5)
            UndoTree(n);
    }

    void UndoMade(const std::string& path)
    {
        if (kept_.count(UpperCase(path))) return;
        std::uint32_t attributes = 0;
        if (s_.platform.files.GetAttributes(path, attributes) != kErrorSuccess) return;
        // A folder the run made holds only what the run put there; a link met inside is
        // removed as a link, never entered. A library is never loaded to unregister it
        // here: its registration has its own note.
        const bool folder = (attributes & attr::kDirectory) != 0 && (attributes & attr::kReparsePoint) == 0;
        Failed(tag::kFile, path, folder ? s_.platform.files.ShellDelete(path) : s_.ops.DeleteFilesUnloaded(path));
    }

    void UndoCount(const JournalNote& n)
    {
        const auto before = n[2].empty() ? std::nullopt : DecodeValue(n[2]);
        Failed(tag::kRegistry, "HKEY_LOCAL_MACHINE\\" + std::string(kSharedDllsKey),
               s_.shared.PutBackSharedCount(n[1], before));
    }

    // Only the bytes the run registered are loaded to unregister them.
    void UndoRegister(const std::string& path, const std::string& digest)
    {
        if (!digest.empty() && s_.ops.DigestOf(path) == digest) s_.shared.RegisterComponent(path, false);
    }

    void UndoKey(const JournalNote& n)
    {
        if (const auto root = RootOf(n[1]))
            Failed(tag::kRegistry, n[2], s_.platform.registry.DeleteKeyTree(*root, n[2]));
    }

    void UndoValue(const JournalNote& n)
    {
        const auto root = RootOf(n[1]);
        if (!root) return;
        const auto before = n[4].empty() ? std::nullopt : DecodeValue(n[4]);
        Registry& registry = s_.platform.registry;
        Failed(tag::kRegistry, n[2] + "\\" + n[3],
               before ? registry.WriteValue(*root, n[2], n[3], *before) : registry.DeleteValue(*root, n[2], n[3]));
    }

    void UndoProfile(const JournalNote& n)
    {
        const std::string& file = n[1];
        if (!s_.platform.files.FileExists(file)) return;
        ProfileStore& profiles = s_.profiles;
        const bool done = n[5] == kYes  ? profiles.WriteProfile(n[2], n[3], n[4], file)
                          : n[5] == "S" ? profiles.RemoveKey(n[2], n[3], file)
                                        : profiles.RemoveSection(n[2], file);
        if (!done) Failed(tag::kFile, file, profiles.LastWriteError());
    }

    void UndoAssociation(const JournalNote& n)
    {
        AssociationBefore before;
        before.extension = n[1];
        before.extensionKey = n[2] == kYes;
        before.type = n[3].empty() ? std::nullopt : DecodeValue(n[3]);
        before.typeKey = n[4] == kYes;
        std::vector<AssociationBefore> one{before};
        UndoAssociations(s_.platform.registry, one,
                         [this](const char* tag, const std::string& item, ErrorCode code) { Failed(tag, item, code); });
    }

    void UndoRecord(const JournalNote& n)
    {
        const std::string& path = n[1];
        outcome_.recordChanged = true;
        Failed(tag::kSetupFile, path,
               n[2] == kYes ? s_.profiles.ReplaceFile(path, n[3]) : s_.ops.DeleteFilesUnloaded(path));
    }

    void UndoTree(const JournalNote& n)
    {
        const auto root = RootOf(n[1]);
        if (!root) return;
        Registry& registry = s_.platform.registry;
        const std::string& key = n[2];
        Failed(tag::kRegistry, key, registry.DeleteKeyTree(*root, key));
        if (n[3] == kYes) Failed(tag::kRegistry, key, RestoreTree(registry, *root, key, n[4]));
    }

    const RunServices& s_;
    RepairOutcome& outcome_;
    std::set<std::string> kept_;
};

// The counts a cut-off uninstall lowered go back up: its record, which the install
// takes over, still counts them. An uninstall cut off after it removed its entry had
// nothing left to do but remove its record: that is done, and its counts stay lowered.
void PutBackLoweredCounts(const RunServices& services, const std::vector<JournalNote>& notes, RepairOutcome& outcome)
{
    for (const JournalNote& n : notes) {
        if (n.size() != 3 || n[0] != "uninstalling") continue;
        if (services.platform.registry.OpenKey(RootKey::LocalMachine, n[2]) != kErrorFileNotFound) break;
        // Its entry gone, the uninstall was at its last step: the record goes too.
        if (const ErrorCode code = services.ops.DeleteFilesUnloaded(n[1]); UnlessGone(code) != kErrorSuccess)
            outcome.failures.Add(tag::kSetupFile, n[1], services.ops.SystemErrorText(code));
        return;
    }
    for (auto it = notes.rbegin(); it != notes.rend(); ++it) {
        const JournalNote& n = *it;
        if (n.size() != 4 || n[0] != "lowered") continue;
        const ErrorCode code =
            services.shared.PutBackSharedCount(n[1], n[2].empty() ? std::nullopt : DecodeValue(n[2]));
        if (code != kErrorSuccess)
            outcome.failures.Add(tag::kRegistry, "HKEY_LOCAL_MACHINE\\" + std::string(kSharedDllsKey),
                                 services.ops.SystemErrorText(code));
    }
}

}  // namespace

RepairOutcome RepairInterruptedRun(const RunServices& services, const std::string& journalPath, bool uninstalling)
{
    RepairOutcome outcome;
    outcome.journalPath = journalPath;
    const FoundJournal found = ReadJournal(services.platform.files, journalPath);
    switch (found.state) {
    case FoundJournal::State::None: RemoveJournal(services.platform.files, journalPath); return outcome;
    case FoundJournal::State::OthersMayChange: outcome.done = RepairOutcome::Done::NotTrusted; return outcome;
    case FoundJournal::State::Unreadable:
        // Not even its first line holds: the run was cut before it changed anything.
        RemoveJournal(services.platform.files, journalPath);
        return outcome;
    case FoundJournal::State::Found: break;
    }
    const std::vector<JournalNote>& notes = found.contents.notes;
    if (found.contents.done) {
        // The run finished; only its journal was not removed.
    } else if (found.contents.kind == JournalKind::Install) {
        InstallUndo(services, outcome).Run(notes);
        outcome.done = RepairOutcome::Done::InstallUndone;
    } else if (!uninstalling) {
        PutBackLoweredCounts(services, notes, outcome);
        outcome.done = RepairOutcome::Done::CountsPutBack;
    } else {
        for (const JournalNote& n : notes)
            if (n.size() == 4 && n[0] == "lowered") outcome.lowered.emplace(UpperCase(n[1]), std::atoi(n[3].c_str()));
        outcome.done = RepairOutcome::Done::UninstallGoesOn;
        return outcome;  // the uninstall writes on in it
    }
    if (const ErrorCode code = RemoveJournal(services.platform.files, journalPath); code != kErrorSuccess)
        outcome.failures.Add(tag::kSetupFile, journalPath, services.ops.SystemErrorText(code));
    return outcome;
}

namespace {

void Tell(const RunServices& services, const RepairOutcome& outcome)
{
    const std::string text = RepairMessage(outcome);
    if (text.empty()) return;
    const int icon = outcome.done == RepairOutcome::Done::NotTrusted || outcome.failures.count > 0
                         ? box::kWarningOk
                         : box::kInformationOk;
    services.view.Ask(text, kRepairCaption, icon);
}

}  // namespace

void RepairBeforeInstall(const RunServices& services, const std::string& journalPath)
{
    Tell(services, RepairInterruptedRun(services, journalPath, false));
}

RepairOutcome RepairBeforeUninstall(const RunServices& services)
{
    RepairOutcome outcome = RepairInterruptedRun(services, UninstallJournalPath(services), true);
    // The run reads the record from its work copy, taken at start-up.
    const SetupContext& context = services.context;
    if (outcome.recordChanged && !context.recordPath.empty() && services.platform.files.FileExists(context.recordPath))
        services.ops.CopyFileOverwrite(context.recordPath, context.scriptFile);
    Tell(services, outcome);
    return outcome;
}

std::string RepairMessage(const RepairOutcome& outcome)
{
    std::string text;
    switch (outcome.done) {
    case RepairOutcome::Done::Nothing: return "";
    case RepairOutcome::Done::InstallUndone:
        text = "前回のセットアップが途中で終わっていたため，そのとき行われた変更を元に戻しました．";
        break;
    case RepairOutcome::Done::CountsPutBack:
        text = "前回のアンセットアップ(アンインストール)が途中で終わっていたため，"
               "そのとき減らした共有ファイルの使用数を元に戻しました．";
        break;
    case RepairOutcome::Done::UninstallGoesOn:
        text = "前回のアンセットアップ(アンインストール)が途中で終わっていたため，その続きを行います．";
        break;
    case RepairOutcome::Done::NotTrusted:
        return outcome.journalPath +
               "\r\r途中で終わった処理の記録が，管理者以外のユーザーも変更できる場所にあるため，使いませんでした．";
    }
    if (outcome.failures.count > 0) text += "\r\r元に戻せなかったもの：\r\n" + outcome.failures.text;
    return text;
}

}  // namespace lorvel
