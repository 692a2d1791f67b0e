#include "install/CopyEntry.h"

#include "util/MBUtils.h"
#include "util/StrOp.h"

namespace lorvel {

bool EndsWithUnderscore(const std::string& path)
{
    const int last = static_cast<int>(path.size());
    return last > 0 && path.back() == '_' && MBByteType(path, last) == ByteType::Single;
}

bool CopyEntry::HasFlag(const char* flag) const { return MBPosText(flag, flags) > 0; }

std::string FolderWithoutDelimiter(const std::string& path)
{
    return RemovePathDelim(FolderPart(path), "B");
}

CopyEntry ParseCopyEntry(const std::string& expandedValue)
{
    CopyEntry entry;
    std::string value = expandedValue;
    if (value.compare(0, 5, "(Dch)") == 0) {
        entry.diskChange = true;
        value.erase(0, 5);
    }
    // Separators have no case: they are found where a character begins.
    if (const int comma = MBPos(",", value); comma > 0) {
        entry.flags = StrMid(value, comma);
        value = StrLeft(value, comma - 1);
    }
    if (const int bar = MBPos("|", value); bar > 0) {
        const std::string newName = StrMid(value, bar + 1);
        value = StrLeft(value, bar - 1);
        entry.destination = FolderWithoutDelimiter(value) + (IsPathDelimiter(newName, 1) ? "" : "\\") + newName;
    } else if (EndsWithUnderscore(value)) {
        entry.destination = FolderWithoutDelimiter(value) + "\\" + kAutoName;
    } else {
        entry.destination = value;
    }
    entry.sourceName = FileNamePart(value);
    return entry;
}

}  // namespace lorvel
