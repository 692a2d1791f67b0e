// One [CopyFile] value taken apart: an optional "(Dch)", the target path, an
// optional "|" and a new name, and an optional "," with the flags ("/S", "/W", "/R"
// anywhere, any case). The one reading of an entry for the copy phase, the size
// phase before it and the script author's tool.
//
// As written (SplitCopyEntry, macros kept; JoinCopyEntry puts it back together):
//   "(Dch)(App)A.EX_|B.EXE,/S"     => disk change, target "(App)A.EX_", new name "|B.EXE", flags ",/S"
// As the copy phase reads it (ParseCopyEntry, folder macros expanded first):
//   "C:\APP\A.TXT"                 => destination C:\APP\A.TXT, source name A.TXT
//   "C:\APP\A.EX_|\RUN.EXE,/W"     => destination C:\APP\RUN.EXE, flags ",/W"
//   "(Dch)C:\APP\B.DL_,/s/r"       => disk change, destination C:\APP\AUTO.EXT
#pragma once

#include <string>

#include "util/FolderMacros.h"

namespace lorvel {

struct CopyEntryParts {
    bool diskChange = false;  // "(Dch)" as its first five characters
    std::string target;       // the target path
    std::string newName;      // after "|", with the "|"; empty for none
    std::string flags;        // from the first ",", with the ","; empty for none
    std::string sourceName;   // the file taken from the medium (with SplitCopyEntry's folders)
};

// The value's parts as written; the source name is the one the copy phase takes
// with these folders.
CopyEntryParts SplitCopyEntry(const std::string& value, const FolderTable& folders);
std::string JoinCopyEntry(const CopyEntryParts& parts);

// The flags of an entry, which the record's [DeleteFile] item keeps for the uninstall.
namespace copy_flag {
inline constexpr const char* kShared = "/S";     // counted in the shared-file table
inline constexpr const char* kOverwrite = "/W";  // copied over whatever is there, unasked
inline constexpr const char* kRegister = "/R";   // a component, registered once copied
inline constexpr const char* kConfirm = "/C";    // the uninstall asks before deleting it
inline constexpr const char* kLeave = "/L";      // the uninstall leaves it
inline constexpr const char* kForce = "/F";      // the uninstall deletes it unasked
}  // namespace copy_flag

// Whether a flags field (or a whole item) holds a flag, in any case:
//   HasCopyFlag(",/s/R", copy_flag::kShared) => true
bool HasCopyFlag(const std::string& flags, const char* flag);

struct CopyEntry {
    bool diskChange = false;
    std::string destination;
    std::string flags;       // from the first "," to the end, "," included
    std::string sourceName;  // the file name looked for on the medium
    bool HasFlag(const char* flag) const { return HasCopyFlag(flags, flag); }
};

constexpr const char* kAutoName = "AUTO.EXT";

// The entry as the copy phase reads it: its folder macros are expanded before it
// is split, so the source name is the file-name part of the expanded path.
CopyEntry ParseCopyEntry(const std::string& value, const FolderTable& folders);
// The same for a value whose macros are expanded already.
CopyEntry ParseCopyEntry(const std::string& expandedValue);

// The folder part of a path without its trailing "\": "C:\APP\A.TXT" => "C:\APP".
std::string FolderWithoutDelimiter(const std::string& path);

}  // namespace lorvel
