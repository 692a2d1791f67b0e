// The setup script's vocabulary: every section and key the program reads, once.
// The runs and start-up read each key through its entry here, and the script
// author's check knows a key as the program does from the same table, so a key the
// program starts to read is known to the check by construction.
//
//   NameOf(script::Key::ExtendSetupSpeed) => "SetupSpeed"   in SectionOf(...) "Extend"
//   NameOf(script::Key::CopyFile, 12)     => "File12"       in "CopyFile"
//   SpecOf(script::Key::RelateName).highest => 20            (Name1 to Name20 are read)
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace lorvel::script {

enum class Key {
    ExtendSetupSpeed, ExtendEnabled, ExtendUnSetupOption,
    TitleSetup, TitleUnSetup, TitleUnSetupKey, TitleUnSetupDisplay, TitleDisplayVersion, TitlePublisher,
    DefaultFolder, DefaultFolderReferRegistry, DefaultFolderReferIniFile,
    ProgramId,
    TopMessage,
    ReadmeFile, ReadmeTitle, ReadmeScrollBars,
    RelateName, RelateFile,
    CopyFile,
    MakeFolder,
    ShortCutMake, ShortCutName,
    RegistryKey, RegistryName, RegistryValue,
    IniFileData,
    DeleteRegistryKey,
    AddDeleteFile,
    ExecuteFile,
};

struct KeySpec {
    Key key;
    const char* section;
    const char* name;  // a fixed key, or the prefix of numbered ones
    bool numbered;
    int highest;       // numbered: the last number ever read; 0 for no bound
    bool drives;       // numbered: the key whose first missing or empty value ends the section
};

// In the order the check lists them: sections in the order a script usually has
// them, keys in the order the program reads them.
inline constexpr std::array kKeys = {
    KeySpec{Key::ExtendSetupSpeed, "Extend", "SetupSpeed", false, 0, false},
    KeySpec{Key::ExtendEnabled, "Extend", "Enabled", false, 0, false},
    KeySpec{Key::ExtendUnSetupOption, "Extend", "UnSetupOption", false, 0, false},
    KeySpec{Key::TitleSetup, "Title", "Setup", false, 0, false},
    KeySpec{Key::TitleUnSetup, "Title", "UnSetup", false, 0, false},
    KeySpec{Key::TitleUnSetupKey, "Title", "UnSetupKey", false, 0, false},
    KeySpec{Key::TitleUnSetupDisplay, "Title", "UnSetupDisplay", false, 0, false},
    KeySpec{Key::TitleDisplayVersion, "Title", "DisplayVersion", false, 0, false},
    KeySpec{Key::TitlePublisher, "Title", "Publisher", false, 0, false},
    KeySpec{Key::DefaultFolder, "DefaultFolder", "Folder", false, 0, false},
    KeySpec{Key::DefaultFolderReferRegistry, "DefaultFolder", "ReferRegistry", false, 0, false},
    KeySpec{Key::DefaultFolderReferIniFile, "DefaultFolder", "ReferIniFile", false, 0, false},
    KeySpec{Key::ProgramId, "ProgramID", "ID", false, 0, false},
    KeySpec{Key::TopMessage, "TopMessage", "Message", true, 5, false},
    KeySpec{Key::ReadmeFile, "Readme", "File", false, 0, false},
    KeySpec{Key::ReadmeTitle, "Readme", "Title", false, 0, false},
    KeySpec{Key::ReadmeScrollBars, "Readme", "ScrollBars", false, 0, false},
    KeySpec{Key::RelateName, "Relate", "Name", true, 20, false},
    KeySpec{Key::RelateFile, "Relate", "File", true, 20, false},
    KeySpec{Key::CopyFile, "CopyFile", "File", true, 0, true},
    KeySpec{Key::MakeFolder, "MakeFolder", "Folder", true, 0, true},
    KeySpec{Key::ShortCutMake, "ShortCut", "Make", true, 0, true},
    KeySpec{Key::ShortCutName, "ShortCut", "Name", true, 0, false},
    KeySpec{Key::RegistryKey, "Registry", "Key", true, 0, true},
    KeySpec{Key::RegistryName, "Registry", "Name", true, 0, false},
    KeySpec{Key::RegistryValue, "Registry", "Value", true, 0, false},
    KeySpec{Key::IniFileData, "IniFile", "Data", true, 0, true},
    KeySpec{Key::DeleteRegistryKey, "DeleteRegistry", "Key", true, 0, true},
    KeySpec{Key::AddDeleteFile, "AddDeleteFile", "File", true, 0, true},
    KeySpec{Key::ExecuteFile, "ExecuteFile", "File", false, 0, false},
};

// Each key's entry sits at the key's own place, so a key is found without a search
// and a key without an entry does not compile.
constexpr bool EveryKeyInItsPlace()
{
    for (std::size_t i = 0; i < kKeys.size(); ++i)
        if (static_cast<std::size_t>(kKeys[i].key) != i) return false;
    return static_cast<std::size_t>(Key::ExecuteFile) + 1 == kKeys.size();
}
static_assert(EveryKeyInItsPlace(), "kKeys lists every script::Key once, in the order of the enumeration");

constexpr const KeySpec& SpecOf(Key key) { return kKeys[static_cast<std::size_t>(key)]; }
constexpr const char* SectionOf(Key key) { return SpecOf(key).section; }

// A fixed key's name.
inline std::string NameOf(Key key) { return SpecOf(key).name; }
// A numbered key's name: its prefix and the number.
inline std::string NameOf(Key key, int number) { return SpecOf(key).name + std::to_string(number); }

// The associations a script may name, [Relate] Name1/File1 to Name20/File20; the
// record keeps the previous type of each in as many slots.
constexpr int kRelateSlots = SpecOf(Key::RelateName).highest;
static_assert(SpecOf(Key::RelateFile).highest == kRelateSlots);
// The lines of the main page's message, [TopMessage] Message1 to Message5.
constexpr int kTopMessageLines = SpecOf(Key::TopMessage).highest;

}  // namespace lorvel::script
