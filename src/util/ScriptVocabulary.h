// The setup script's vocabulary: every section and key the program reads, once.
// The runs and start-up read each key through its entry here, and the script
// author's check knows a key as the program does from the same table, so a key the
// program starts to read is known to the check by construction.
//
//   NameOf(script::Key::ExtendSetupSpeed) => "SetupSpeed"   in SectionOf(...) "Extend"
//   NameOf(script::Key::CopyFile, 12)     => "File12"       in "CopyFile"
//   SpecOf(script::Key::RelateName).highest => 20            (Name1 to Name20 are read)
//
// The table is also the script author's reference, docs/script-reference.md, which
// `lorvel reference` prints from it.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "util/KeyTable.h"

namespace lorvel::script {

enum class Key {
    ExtendSetupSpeed,
    ExtendEnabled,
    ExtendUnSetupOption,
    TitleSetup,
    TitleUnSetup,
    TitleUnSetupKey,
    TitleUnSetupDisplay,
    TitleDisplayVersion,
    TitlePublisher,
    DefaultFolder,
    DefaultFolderReferRegistry,
    DefaultFolderReferIniFile,
    ProgramId,
    TopMessage,
    ReadmeFile,
    ReadmeTitle,
    ReadmeScrollBars,
    RelateName,
    RelateFile,
    CopyFile,
    MakeFolder,
    ShortCutMake,
    ShortCutName,
    RegistryKey,
    RegistryName,
    RegistryValue,
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
    int highest;  // numbered: the last number ever read; 0 for no bound
    bool drives;  // numbered: the key whose first missing or empty value ends the section
    // For the script author's reference (lorvel reference): what the key does, the
    // form of its value and its default. How far numbers are read follows from the
    // columns above and is not repeated here.
    const char* meaning;
};

// In the order the check lists them: sections in the order a script usually has
// them, keys in the order the program reads them.
inline constexpr std::array kKeys = {
    KeySpec{Key::ExtendSetupSpeed, "Extend", "SetupSpeed", false, 0, false,
            "The milliseconds each step of the install (a preparation step, a folder, a file, a shortcut) is "
            "given, counted from the end of the step before; a decimal or `$` hexadecimal number, below 1 "
            "taken as 1. Default 400, also for a value that is no number. A run without any window "
            "(`/VERYSILENT`) makes no pauses."},
    KeySpec{Key::ExtendEnabled, "Extend", "Enabled", false, 0, false,
            "`False` locks the setup folder box, its browse button, the overwrite box and the shortcut boxes "
            "start-up ticks: neither the person nor `/DIR` nor an answers file can change them. Any other "
            "value, or none, leaves them open."},
    KeySpec{Key::ExtendUnSetupOption, "Extend", "UnSetupOption", false, 0, false,
            "The uninstall wizard's options, kept in the record as `[UnSetupOption] CheckBox`: `DeleteAll` "
            "shows one box, ticked, that removes everything below the setup folder; otherwise a `1` as the first "
            "character ticks the box that also removes `*.INI` files from the recorded folders inside the "
            "setup folder, and as the third the one for `*.GID` files (`1,0` ticks the first only). None: "
            "both unticked."},
    KeySpec{Key::TitleSetup, "Title", "Setup", false, 0, false,
            "The install's title: the wizard's caption and the backdrop's title. Default `Lorvel Setup 98`."},
    KeySpec{Key::TitleUnSetup, "Title", "UnSetup", false, 0, false,
            "The uninstall's title, kept in the record for the uninstall wizard's caption. Default the `Setup` "
            "title. `Setup Only.` anywhere in it (any case) makes an install that writes no record and no "
            "entry in the list of installed programs."},
    KeySpec{Key::TitleUnSetupKey, "Title", "UnSetupKey", false, 0, false,
            "The name of the product's key in the list of installed programs, under "
            "`HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall` (`WOW6432Node` on 64-bit "
            "Windows), which deployment tools detect the install by; a leading or final `\\` is dropped. "
            "Default the `UnSetup` title."},
    KeySpec{Key::TitleUnSetupDisplay, "Title", "UnSetupDisplay", false, 0, false,
            "`DisplayName` in the product's list entry, the name the list of installed programs shows. "
            "Default the key's name (`UnSetupKey`)."},
    KeySpec{Key::TitleDisplayVersion, "Title", "DisplayVersion", false, 0, false,
            "`DisplayVersion` in the product's list entry, which deployment tools may detect a version by. "
            "None writes none, and a reinstall removes an earlier one."},
    KeySpec{Key::TitlePublisher, "Title", "Publisher", false, 0, false,
            "`Publisher` in the product's list entry. None writes none, and a reinstall removes an earlier "
            "one."},
    KeySpec{Key::DefaultFolder, "DefaultFolder", "Folder", false, 0, false,
            "The proposed setup folder, with folder macros; a final `\\` is added. Default `(Prg)\\`, the "
            "Program Files folder (on 64-bit Windows the one for 32-bit programs). The folder memory "
            "(`[ProgramID]`), `ReferRegistry` and `ReferIniFile` are tried after it, in that order, and each "
            "one found wins."},
    KeySpec{Key::DefaultFolderReferRegistry, "DefaultFolder", "ReferRegistry", false, 0, false,
            "A registry value an earlier install wrote the folder to: `(Token)key path,value name`, the "
            "tokens as in `[Registry]`. A string value that is not empty wins over `Folder` and the folder "
            "memory; a missing key or value, or a value of another type, is passed over."},
    KeySpec{Key::DefaultFolderReferIniFile, "DefaultFolder", "ReferIniFile", false, 0, false,
            "A profile entry holding the folder: `section,key,file`, with folder macros. A value that is not "
            "empty wins over everything before it."},
    KeySpec{Key::ProgramId, "ProgramID", "ID", false, 0, false,
            "The product's section in the folder memory `KORAT98.INI` in the Windows folder: its `Folder` "
            "value is proposed as the setup folder, the install writes the chosen folder there, and the "
            "uninstall removes the section. None: no folder is remembered."},
    KeySpec{Key::TopMessage, "TopMessage", "Message", true, 5, false,
            "One line of the main page's message, which the wizard ends with a notice of its own. When every "
            "line is empty the message says only that setup will be carried out."},
    KeySpec{Key::ReadmeFile, "Readme", "File", false, 0, false,
            "A text file on the medium (its name in the medium folder) shown as it is, within 4 MB, on a page "
            "before the main page. A file that is not there shows no page."},
    KeySpec{Key::ReadmeTitle, "Readme", "Title", false, 0, false, "The caption of the readme page's frame."},
    KeySpec{Key::ReadmeScrollBars, "Readme", "ScrollBars", false, 0, false,
            "The readme's scroll bars: `ssVertical` (the default), `ssHorizontal` or `ssBoth`; any other "
            "value shows the vertical one."},
    KeySpec{Key::RelateName, "Relate", "Name", true, 20, false,
            "A file association to make: `extension[,type name]`; the type name defaults to `EXT File` for "
            "the extension `EXT`. Each is asked about before it is made, and the uninstall restores the type "
            "the extension had. A number whose `Name` or `File` is empty is passed over."},
    KeySpec{Key::RelateFile, "Relate", "File", true, 20, false,
            "What the association of the same number opens files with: `verb,program[,argument,...],icon "
            "index`, with folder macros; the program is quoted when its path holds a space, and the icon is "
            "the program's, at that index."},
    KeySpec{Key::CopyFile, "CopyFile", "File", true, 0, true,
            "A file to copy: `[(Dch)]target path[|new name][,flags]`, with folder macros. The source is the "
            "target's file name in the medium folder; a name ending in `_` is LZ-compressed and is expanded, "
            "under its expanded name unless `|new name` gives one. `(Dch)` first asks for the next disk. "
            "Flags: `/S` a shared file (counted in `SharedDLLs`), `/R` register the component, `/W` always "
            "overwrite; and for the uninstall `/C` ask before deleting, `/L` leave it, `/F` delete it, of "
            "which it reads only the five characters from the comma (`,/S/C`)."},
    KeySpec{Key::MakeFolder, "MakeFolder", "Folder", true, 0, true,
            "A folder to make before the files are copied, with folder macros; one already there is no "
            "failure. The record lists it and the uninstall removes it, the last made first."},
    KeySpec{Key::ShortCutMake, "ShortCut", "Make", true, 0, true,
            "A shortcut's target: `target[,arguments]`, with folder macros. `User Not Selected.` makes none; "
            "a target that is itself a `.LNK` file is copied instead."},
    KeySpec{Key::ShortCutName, "ShortCut", "Name", true, 0, false,
            "The shortcut of the same number: `link path[,working folder]` with folder macros; a name with no "
            "parentheses goes in the programs folder `(Sta)`; none, or `Default`, is the target's own name "
            "there. A name holding `Dsk)`, `Sta)`, `Sup)` or `Sen)` (so `(C_Dsk)` too) is made only when the "
            "wizard's Desktop, Start menu, Startup or Send To box is ticked, and `Default` only with the "
            "Start menu box. Start-up ticks every box a name names, reading names up to the first missing "
            "one."},
    KeySpec{Key::RegistryKey, "Registry", "Key", true, 0, true,
            "A registry key to make: `(Cuser)`, `(Class)`, `(Local)` or `(Users)` and the path; with no token "
            "the key goes under `HKEY_CURRENT_USER`. A key that cannot be made ends the run with the general "
            "error report."},
    KeySpec{Key::RegistryName, "Registry", "Name", true, 0, false,
            "The value's name under the `Key` of the same number; empty names the key's default value."},
    KeySpec{Key::RegistryValue, "Registry", "Value", true, 0, false,
            "The value, with folder macros: `(Str)text`, `(Exp)text` (expandable), `(Int)` or `(Dwd)` and a "
            "number (decimal or `$` hexadecimal; one that does not convert writes 0), `(Bin)` and up to eight "
            "hexadecimal digits (four bytes, the lowest first). With no type token the whole text is written "
            "as a string; empty makes the key alone. `(Pdd)` anywhere drops a final `\\`. A write that fails "
            "ends the run, except a `(Bin)` one, which is reported."},
    KeySpec{Key::IniFileData, "IniFile", "Data", true, 0, true,
            "A profile entry to write: `section,key,value,file`, with folder macros; the file is everything "
            "after the third comma. A file that cannot be read is not written, and the entry is reported."},
    KeySpec{Key::DeleteRegistryKey, "DeleteRegistry", "Key", true, 0, true,
            "A registry key the uninstall deletes with its subkeys: `(Cuser)`, `(Class)`, `(Local)` or "
            "`(Users)` and the path; with no token, under `HKEY_CURRENT_USER`. A key the system or other "
            "programs live on is refused and reported."},
    KeySpec{Key::AddDeleteFile, "AddDeleteFile", "File", true, 0, true,
            "A further file, or a pattern with wildcards, the uninstall deletes; folder macros are expanded "
            "at the install. A pattern in or of a protected folder is refused; one that finds nothing is no "
            "failure."},
    KeySpec{Key::ExecuteFile, "ExecuteFile", "File", false, 0, false,
            "What to start after the completion message: `program[,parameters]`, with folder macros, opened "
            "as the shell opens it. `WINDOWS_REBOOT` asks to restart Windows instead (an unattended run ends "
            "with 3010)."},
};

// The table the shared lookups (util/KeyTable.h) read for this vocabulary's keys.
constexpr const auto& TableOf(Key)
{
    return kKeys;
}

using vocabulary::NameOf;
using vocabulary::SectionOf;
using vocabulary::SpecOf;

static_assert(vocabulary::EveryKeyInItsPlace(Key::ExecuteFile),
              "kKeys lists every script::Key once, in the order of the enumeration");

// Literals are compiled to Shift-JIS and the reference is a UTF-8 file: a meaning in
// ASCII reads the same in both.
constexpr bool EveryKeyMeansSomethingInAscii()
{
    for (const KeySpec& spec : kKeys) {
        if (spec.meaning == nullptr || spec.meaning[0] == '\0') return false;
        for (const char* c = spec.meaning; *c != '\0'; ++c)
            if (static_cast<unsigned char>(*c) > 0x7F) return false;
    }
    return true;
}
static_assert(EveryKeyMeansSomethingInAscii(), "each key in kKeys has a meaning, in ASCII");

// The associations a script may name, [Relate] Name1/File1 to Name20/File20; the
// record keeps the previous type of each in as many slots.
constexpr int kRelateSlots = SpecOf(Key::RelateName).highest;
static_assert(SpecOf(Key::RelateFile).highest == kRelateSlots);
// The lines of the main page's message, [TopMessage] Message1 to Message5.
constexpr int kTopMessageLines = SpecOf(Key::TopMessage).highest;

}  // namespace lorvel::script
