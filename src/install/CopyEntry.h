// One [CopyFile] value taken apart, after its folder macros are expanded:
//   an optional "(Dch)", the target path, an optional "|" and a new name, and an
//   optional "," with the flags ("/S", "/W", "/R" anywhere, any case).
//
//   "C:\APP\A.TXT"                 => destination C:\APP\A.TXT, source name A.TXT
//   "C:\APP\A.EX_|\RUN.EXE,/W"     => destination C:\APP\RUN.EXE, flags ",/W"
//   "(Dch)C:\APP\B.DL_,/s/r"       => disk change, destination C:\APP\AUTO.EXT
#pragma once

#include <string>

namespace lorvel {

struct CopyEntry {
    bool diskChange = false;
    std::string destination;
    std::string flags;       // from the first "," to the end, "," included
    std::string sourceName;  // the file name looked for on the medium
    bool HasFlag(const char* flag) const;
};

constexpr const char* kAutoName = "AUTO.EXT";

CopyEntry ParseCopyEntry(const std::string& expandedValue);

// Whether the last character is "_", the mark of an LZ-compressed file (a trail
// byte 0x5F of a double-byte character is no mark).
bool EndsWithUnderscore(const std::string& path);

// The folder part of a path without its trailing "\": "C:\APP\A.TXT" => "C:\APP".
std::string FolderWithoutDelimiter(const std::string& path);

}  // namespace lorvel
