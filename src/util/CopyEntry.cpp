#include "util/CopyEntry.h"

#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"
#include "util/Szdd.h"

namespace lorvel {

bool HasCopyFlag(const std::string& flags, const char* flag)
{
    return MBPosText(flag, flags) > 0;
}

std::string FolderWithoutDelimiter(const std::string& path)
{
    return RemovePathDelim(FolderPart(path), "B");
}

namespace {

// The separators, found where a character begins; "(Dch)" only as written.
CopyEntryParts Split(const std::string& value)
{
    CopyEntryParts parts;
    std::string rest = value;
    if (rest.compare(0, 5, "(Dch)") == 0) {
        parts.diskChange = true;
        rest.erase(0, 5);
    }
    if (const int comma = MBPos(",", rest); comma > 0) {
        parts.flags = StrMid(rest, comma);
        rest = StrLeft(rest, comma - 1);
    }
    if (const int bar = MBPos("|", rest); bar > 0) {
        parts.newName = StrMid(rest, bar);
        rest = StrLeft(rest, bar - 1);
    }
    parts.target = rest;
    return parts;
}

}  // namespace

CopyEntryParts SplitCopyEntry(const std::string& value, const FolderTable& folders)
{
    CopyEntryParts parts = Split(value);
    parts.sourceName = ParseCopyEntry(value, folders).sourceName;
    return parts;
}

std::string JoinCopyEntry(const CopyEntryParts& parts)
{
    return (parts.diskChange ? "(Dch)" : "") + parts.target + parts.newName + parts.flags;
}

CopyEntry ParseCopyEntry(const std::string& value, const FolderTable& folders)
{
    return ParseCopyEntry(ExpandFolderMacros(value, folders));
}

CopyEntry ParseCopyEntry(const std::string& expandedValue)
{
    const CopyEntryParts parts = Split(expandedValue);
    CopyEntry entry;
    entry.diskChange = parts.diskChange;
    entry.flags = parts.flags;
    const std::string& path = parts.target;
    if (!parts.newName.empty()) {
        const std::string newName = parts.newName.substr(1);
        entry.destination = FolderWithoutDelimiter(path) + (IsPathDelimiter(newName, 1) ? "" : "\\") + newName;
    } else if (EndsWithUnderscore(path)) {
        entry.destination = FolderWithoutDelimiter(path) + "\\" + kAutoName;
    } else {
        entry.destination = path;
    }
    entry.sourceName = FileNamePart(path);
    return entry;
}

}  // namespace lorvel
