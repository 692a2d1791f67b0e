// The uninstall record UNSETUP.INI and the folder memory KORAT98.INI: one module
// for the rules both the writer (the install) and the reader (the uninstall) keep.
//
// The record, a profile file in the setup folder, its sections and keys named by
// util/RecordVocabulary.h, in this order:
//   [Information]        Message1..Message4: four fixed texts nobody reads
//   [Title]              UnSetup: the uninstall title
//   [SetupFolder]        Folder: the setup folder, ending in "\"
//   [DeleteFolder]       Folder1..: folders ending in "\", removed last key first
//   [DeleteFile]         File1..: a path, or a path, "," and flags; the reader sees the
//                        flags field as the comma and at most the next four characters
//   [DeleteShortCut]     File1..: shortcut files
//   [DeleteRegistry]     Key1..: a seven-character root token and a key path, split by
//                        SplitKeyByRecordRule (no token: the current user)
//   [AddDeleteFile]      File1..: paths or patterns with "*" and "?"
//   [RestoreRelate]      Key1..Key20: "ext,previous value"
//   [UnSetupOption]      CheckBox: "DeleteAll" or four 0/1 digits with commas
//   [UnSetupRegistryKey] Key: the uninstall-list key under HKEY_LOCAL_MACHINE
//   [ProgramID]          ID: the program identifier, possibly empty
// Numbered keys run from 1 without gaps; every reader stops at the first empty one,
// but for the install's merge of [RestoreRelate], which reads all twenty.
// Every list item is stored under the key FindRecordSlot gives it: the key that
// already holds the same path (compared without case), or the first free one; a
// DeleteFile item written over a value with "/S" keeps "/S".
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "run/FixedNames.h"
#include "run/ProfileStore.h"
#include "util/ProfileDocument.h"
#include "util/RecordVocabulary.h"
#include "util/ScriptVocabulary.h"

namespace lorvel {

constexpr const char* kUninstallListKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char* kSetupOnly = "Setup Only.";
using script::kRelateSlots;

// The lists an install run builds: items each followed by "|", and 20 slots.
struct RecordLists {
    std::string deleteFolder;
    std::string deleteFile;
    std::string deleteShortCut;
    std::string deleteRegistry;
    std::string addDeleteFile;
    std::array<std::string, kRelateSlots> restoreRelate;

    // Puts an association ("ext,previous") into the first empty slot unless a slot
    // holds its extension already, whose previous type is the earlier and so the
    // user's own; false when it was not kept.
    bool AddRelate(const std::string& value);
    // Whether a slot holds the extension, without regard to case. Only the whole
    // extension counts: a slot for DOCX says nothing of what DOC pointed to before.
    bool RelateSaved(const std::string& extension) const;
};

// The items of a list text, in order ("a|b|" => {"a", "b"}).
std::vector<std::string> ListItems(const std::string& list);

// The path part of an item: the text before its first ",".
std::string PathPart(const std::string& item);

// The key number for an item in a numbered section of a profile file.
int FindRecordSlot(const std::string& item, record::Key key, const std::string& file, ProfileStore& profiles);

// A numbered section read as the reader does: prefix1, prefix2, ... up to the first empty.
std::vector<std::string> ReadNumbered(ProfileStore& profiles, const std::string& file, record::Key key);
std::vector<std::string> ReadNumbered(const ProfileDocument& document, record::Key key);

// The flags field of a DeleteFile value as the uninstaller sees it.
std::string DeleteFileFlags(const std::string& value);

// A RestoreRelate value taken apart at its first ",":
//   "txt,txtfile" => {"txt", "txtfile"}   "abc," => {"abc", ""}
struct RelateRecord {
    std::string extension;
    std::string previous;
};
RelateRecord ParseRestoreRelate(const std::string& value);

// Appends the lists of an existing record, parsed from the very bytes whose trust was
// checked.
void LoadRecordLists(const ProfileDocument& record, RecordLists& lists);

struct RecordHeader {
    std::string unSetupTitle;
    std::string setupFolder;
    std::string checkBox;      // empty: no [UnSetupOption]
    std::string uninstallKey;  // the full key path under HKEY_LOCAL_MACHINE
    std::string programId;
};

// The record as the key-by-key merge writes it into a fresh file, built in memory
// in linear time; progress is called before each list with its index (1 to 6).
std::string BuildRecord(const RecordHeader& header, const RecordLists& lists,
                        const std::function<void(int list)>& progress = nullptr);

}  // namespace lorvel
