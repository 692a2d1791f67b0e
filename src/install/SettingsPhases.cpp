// The settings phases of the install run: registry values, profile entries, the
// lists the uninstaller is given, and file associations.
#include "install/AssociationUndo.h"
#include "install/InstallRun.h"
#include "install/SettingsEntries.h"
#include "run/QuestionCaptions.h"
#include "run/RegistryKeys.h"
#include "run/RegistryWrites.h"
#include "util/FolderMacros.h"
#include "util/RegistryTokens.h"
#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"

namespace lorvel {

using namespace platform;

InstallRun::Outcome InstallRun::WriteRegistryValues()
{
    const FolderTable table = FolderTableOf(services_.context);
    for (const auto& [i, keyText] : services_.Script().Numbered(script::Key::RegistryKey)) {
        const std::string name = Script(script::Key::RegistryName, i);
        const std::string valueText = Script(script::Key::RegistryValue, i);
        services_.view.SetStatus("レジストリを設定しています．．．");
        if (!Checkpoint()) return Outcome::Ended;
        const RegistryKeyText key = SplitKeyByScriptRule(keyText);
        const RootKey root = RootKeyFromToken(key.token);
        const std::string path = RemovePathDelim(RemovePathDelim(key.path, "T"), "B");
        journal_->NoteKey(root, path);
        CreateKeyOrRaise(services_.platform.registry, root, path);
        bool pdd = false;
        const std::string value = ExpandFolderMacros(RemovePddMarker(valueText, pdd), table);
        const RegistryWrite write = RegistryValueOf(value, pdd);
        if (write.value) journal_->NoteValue(root, path, name);
        if (write.kind == RegistryWrite::Kind::Raising)
            WriteValueOrRaise(services_.platform.registry, root, path, name, *write.value);
        else if (write.kind == RegistryWrite::Kind::Quiet && write.value) {
            // The run goes on, as it always has for a binary value, but the user is told.
            if (const ErrorCode code = services_.platform.registry.WriteValue(root, path, name, *write.value))
                state_.failures.Add(tag::kRegistry, key.token + path + "\\" + name,
                                    services_.ops.SystemErrorText(code));
        }
    }
    return Outcome::Continue;
}

InstallRun::Outcome InstallRun::WriteProfileEntries()
{
    const FolderTable table = FolderTableOf(services_.context);
    for (const auto& [number, data] : services_.Script().Numbered(script::Key::IniFileData)) {
        services_.view.SetStatus("Iniファイルを設定しています．．．");
        if (!Checkpoint()) return Outcome::Ended;
        const IniEntry entry = SplitIniEntry(ExpandFolderMacros(data, table));
        journal_->NoteProfile(entry.file, entry.section, entry.key);
        // A file that cannot be written keeps what it had; the entry is passed over,
        // and the user is told, since the program will not find it.
        if (!services_.profiles.WriteProfile(entry.section, entry.key, entry.value, entry.file))
            state_.failures.Add(tag::kFile, entry.file,
                                services_.ops.SystemErrorText(services_.profiles.LastWriteError()));
    }
    return Outcome::Continue;
}

void InstallRun::CollectUninstallLists()
{
    for (const auto& [number, key] : services_.Script().Numbered(script::Key::DeleteRegistryKey))
        state_.lists.deleteRegistry += key + "|";
    const FolderTable table = FolderTableOf(services_.context);
    for (const auto& [number, file] : services_.Script().Numbered(script::Key::AddDeleteFile))
        state_.lists.addDeleteFile += ExpandFolderMacros(file, table) + "|";
}

InstallRun::Outcome InstallRun::AssociateFiles()
{
    const FolderTable table = FolderTableOf(services_.context);
    for (int i = 0; i < state_.relateCount; ++i) {
        const RelatePair& pair = state_.relate[static_cast<std::size_t>(i)];
        services_.view.SetStatus("関連付けを設定しています．．．");
        if (!Checkpoint()) return Outcome::Ended;
        const Association a = ParseAssociation(pair.name, ExpandFolderMacros(pair.file, table));
        const std::string question =
            "拡張子 *." + a.extension + " を\r" + a.program + "\rに関連付けします．よろしいですか？";
        if (services_.view.Ask(question, captions::kConfirmAssociation, box::kQuestionYesNo) != box::kYes) continue;
        // Read before the first change, so that what is put back is what the user had.
        const AssociationBefore before = ReadAssociationBefore(services_.platform.registry, a.extension);
        state_.unrecordedAssociations.push_back(before);
        journal_->NoteAssociation(before);
        SavePreviousAssociation(before);
        WriteAssociation(a);
    }
    return Outcome::Continue;
}

void InstallRun::SavePreviousAssociation(const AssociationBefore& before)
{
    if (state_.lists.RelateSaved(before.extension)) return;
    // With every slot taken the association is still made, only not undone later.
    state_.lists.AddRelate(before.extension + "," + (before.type ? before.type->data : std::string()));
}

void InstallRun::WriteAssociation(const Association& a)
{
    const std::string type = AssociationTypeKey(a.extension);
    const std::pair<std::string, std::string> keys[] = {
        {"." + a.extension, type},
        {type, a.typeName},
        {type + "\\DefaultIcon", a.icon},
        {type + "\\shell\\" + a.verb + "\\command", a.command},
    };
    for (const auto& [key, value] : keys) {
        CreateKeyOrRaise(services_.platform.registry, RootKey::ClassesRoot, key);
        WriteValueOrRaise(services_.platform.registry, RootKey::ClassesRoot, key, "", RegValue::String(value));
    }
}

}  // namespace lorvel
