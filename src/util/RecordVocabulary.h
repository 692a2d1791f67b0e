// The uninstall record's vocabulary: every section and key of UNSETUP.INI, once.
// The install writes the record and the uninstall reads it (start-up, in uninstall
// mode, reads it in place of the script) through the entries here, so the writer and
// the readers cannot come to spell a key two ways.
//
//   NameOf(record::Key::SetupFolder)      => "Folder"   in SectionOf(...) "SetupFolder"
//   NameOf(record::Key::DeleteFile, 3)    => "File3"    in "DeleteFile"
//   SpecOf(record::Key::RestoreRelate).highest => 20    (the slots the install writes)
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "util/KeyTable.h"
#include "util/ScriptVocabulary.h"

namespace lorvel::record {

enum class Key {
    InformationMessage,
    TitleUnSetup,
    SetupFolder,
    DeleteFolder,
    DeleteFile,
    DeleteShortCut,
    DeleteRegistry,
    AddDeleteFile,
    RestoreRelate,
    UnSetupOptionCheckBox,
    UnSetupRegistryKey,
    ProgramId,
};

struct KeySpec {
    Key key;
    const char* section;
    const char* name;  // a fixed key, or the prefix of numbered ones
    bool numbered;
    int highest;  // numbered: the last number the install writes; 0 for no bound
};

// In the order the install writes the sections.
inline constexpr std::array kKeys = {
    KeySpec{Key::InformationMessage, "Information", "Message", true, 4},
    KeySpec{Key::TitleUnSetup, "Title", "UnSetup", false, 0},
    KeySpec{Key::SetupFolder, "SetupFolder", "Folder", false, 0},
    KeySpec{Key::DeleteFolder, "DeleteFolder", "Folder", true, 0},
    KeySpec{Key::DeleteFile, "DeleteFile", "File", true, 0},
    KeySpec{Key::DeleteShortCut, "DeleteShortCut", "File", true, 0},
    KeySpec{Key::DeleteRegistry, "DeleteRegistry", "Key", true, 0},
    KeySpec{Key::AddDeleteFile, "AddDeleteFile", "File", true, 0},
    KeySpec{Key::RestoreRelate, "RestoreRelate", "Key", true, script::kRelateSlots},
    KeySpec{Key::UnSetupOptionCheckBox, "UnSetupOption", "CheckBox", false, 0},
    KeySpec{Key::UnSetupRegistryKey, "UnSetupRegistryKey", "Key", false, 0},
    KeySpec{Key::ProgramId, "ProgramID", "ID", false, 0},
};

// The table the shared lookups (util/KeyTable.h) read for this vocabulary's keys.
constexpr const auto& TableOf(Key)
{
    return kKeys;
}

using vocabulary::NameOf;
using vocabulary::SectionOf;
using vocabulary::SpecOf;

static_assert(vocabulary::EveryKeyInItsPlace(Key::ProgramId),
              "kKeys lists every record::Key once, in the order of the enumeration");

// The folder memory (KORAT98.INI) keeps each program's setup folder in a section
// named by its program identifier, under this one key.
constexpr const char* kFolderMemoryKey = "Folder";

}  // namespace lorvel::record
