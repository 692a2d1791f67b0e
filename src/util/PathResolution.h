// How Windows reads a path: its root, and the names after it with "." and ".."
// resolved. The uninstall's protected-folder checks and both runs' link checks
// compare paths in this form, so they agree on which folder a path names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "util/ShiftJisSearch.h"

namespace lorvel {

// The absolute, upper-case form of a path without a trailing "\" (a root keeps it):
//   ResolvePath("c:/app/./sub/../a.txt", "C:\\") => "C:\\APP\\A.TXT"
//   ResolvePath("a.txt", "C:\\TEMP\\")           => "C:\\TEMP\\A.TXT"
//   ResolvePath("\\\\srv\\share\\x", "C:\\")      => "\\\\SRV\\SHARE\\X"
// nullopt for a form whose place cannot be told (device paths, "C:a.txt").
std::optional<std::string> ResolvePath(const std::string& path, const std::string& currentFolder);

// "C:\..." or "\\server\share\...": what an install records. Anything else is read
// from a current folder, which whoever started the program chose, or reaches a device.
// Stricter than ResolvePath's own reading of a root, which takes any single byte
// before ":" for a drive: "1:\A" resolves, but is no path an install records.
bool IsAbsolutePath(const std::string& path);

// Calls visit with each component between "\" (or "/", never a trail byte in code
// page 932), in one walk forward that steps over a double-byte character whole: its
// trail byte may be 0x5C, which is no "\" there. Asking each byte for its type
// instead would scan back over the run of lead bytes before it every time, and a
// record line of lead bytes would take time in the square of its length.
template <typename Visit>
void ForEachPathComponent(std::string_view text, Visit visit)
{
    const LeadByteSet& leads = ActiveLeadBytes();
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (leads.Contains(byte)) {
            ++i;  // its trail byte, whatever it is
        } else if (byte == '\\' || byte == '/') {
            visit(text.substr(start, i - start));
            start = i + 1;
        }
    }
    visit(text.substr(start));
}

}  // namespace lorvel
