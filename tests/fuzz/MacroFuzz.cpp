// Expansion always ends, whatever the folders hold, and a text without "(" is
// never changed.
#include <cstddef>
#include <cstdint>
#include <string>

#include "util/FolderMacros.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    lorvel::FolderTable table;
    // Folders that themselves hold macros, in the input's own words.
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = bytes.substr(i % (size + 1), 12) + lorvel::kFolderMacros[(i * 7) % table.size()];
    const std::string expanded = lorvel::ExpandFolderMacros(bytes, table);
    if (bytes.find('(') == std::string::npos && expanded != bytes) __builtin_trap();
    lorvel::ReplaceMacro(bytes, "(App)", bytes.substr(0, 8));
    return 0;
}
