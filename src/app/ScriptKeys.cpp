#include "app/ScriptKeys.h"

#include "run/FixedNames.h"
#include "run/RegistryKeys.h"
#include "util/RegistryTokens.h"
#include "util/ScriptNumbers.h"
#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"
#include "util/ShortcutBoxes.h"

namespace lorvel {

using namespace platform;

std::string ScriptKeyReader::FolderFromRegistry(const std::string& reference, const std::string& current)
{
    const RegistryKeyText key = SplitKeyByScriptRule(GetField(reference, ",", 1));
    const std::string path = RemovePathDelim(RemovePathDelim(key.path, "T"), "B");
    const RootKey root = RootKeyFromToken(key.token);
    if (platform_.registry.OpenKey(root, path) != kErrorSuccess) return current;
    RegValue value;
    // A value of another type than a string is no folder; it is passed over.
    if (platform_.registry.ReadValue(root, path, GetField(reference, ",", 2), value) != kErrorSuccess ||
        !value.IsText() || value.data.empty())
        return current;
    return value.data;
}

std::string ScriptKeyReader::ProposedFolder(const SetupContext& context, const std::string& programId)
{
    std::string folder = Key(context, script::Key::DefaultFolder, kDefaultSetupFolder);
    if (!programId.empty())
        folder = profiles_.ReadProfile(programId, record::kFolderMemoryKey, folder,
                                       context.windowsFolder + kFolderMemoryName);
    const std::string referRegistry = Key(context, script::Key::DefaultFolderReferRegistry, "");
    if (!referRegistry.empty()) folder = FolderFromRegistry(referRegistry, folder);
    const FolderTable table = FolderTableOf(context);
    const std::string referIniFile =
        ExpandFolderMacros(Key(context, script::Key::DefaultFolderReferIniFile, ""), table);
    if (!referIniFile.empty()) {
        const std::string value = profiles_.ReadProfile(GetField(referIniFile, ",", 1), GetField(referIniFile, ",", 2),
                                                        "", GetField(referIniFile, ",", 3));
        if (!value.empty()) folder = value;
    }
    return AsSetupFolder(folder, table);
}

std::string AsSetupFolder(const std::string& folder, const FolderTable& table)
{
    return AddPathDelim(ExpandFolderMacros(folder, table), "B");
}

void ScriptKeyReader::ScanShortcutNames(const SetupContext& context, GeneralKeys& keys)
{
    for (const auto& [number, name] : ScriptReader(profiles_, context.scriptFile).Numbered(script::Key::ShortCutName)) {
        const auto named = NamedBoxes(name);
        for (std::size_t box = 0; box < kShortcutBoxCount; ++box)
            keys.shortcutBoxes[box] = keys.shortcutBoxes[box] || named[box];
    }
}

GeneralKeys ScriptKeyReader::Read(const SetupContext& context)
{
    GeneralKeys keys;
    const int speed =
        ConvertScriptInteger(Key(context, script::Key::ExtendSetupSpeed, "400")).value_or(kDefaultSetupSpeed);
    keys.setupSpeed = speed < 1 ? 1 : speed;
    keys.setupTitle = Key(context, script::Key::TitleSetup, kDefaultTitle);
    keys.unSetupTitle = Key(context, script::Key::TitleUnSetup, keys.setupTitle);

    if (context.Uninstalling()) {
        keys.folder =
            AddPathDelim(ExpandFolderMacros(Key(context, record::Key::SetupFolder, ""), FolderTableOf(context)), "B");
        keys.checkBox = Key(context, record::Key::UnSetupOptionCheckBox, "0,0,0,0");
        return keys;
    }

    keys.enabled = Key(context, script::Key::ExtendEnabled, "") != "False";
    keys.programId = Key(context, script::Key::ProgramId, "");
    keys.folder = ProposedFolder(context, keys.programId);

    std::string message;
    for (int n = 1; n <= script::kTopMessageLines; ++n)
        message += Key(context, script::Key::TopMessage, n, "") + "\r\n";
    keys.messageText = message == "\r\n\r\n\r\n\r\n\r\n" ? std::string("セットアップを行います．\r\n") : message;

    const std::string readme = Key(context, script::Key::ReadmeFile, "");
    if (!readme.empty()) {
        const std::string path = context.sourceFolder + RemovePathDelim(readme, "T");
        if (platform_.files.FileExists(path)) keys.readmePath = path;
    }
    keys.readmeTitle = Key(context, script::Key::ReadmeTitle, "");
    keys.scrollBars = Key(context, script::Key::ReadmeScrollBars, "ssVertical");
    ScanShortcutNames(context, keys);
    return keys;
}

}  // namespace lorvel
