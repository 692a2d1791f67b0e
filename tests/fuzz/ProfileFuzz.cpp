// Any bytes parse; what a write stores reads back; the written file parses to the
// same values again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "util/ProfileDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    lorvel::ProfileDocument document = lorvel::ProfileDocument::Parse(bytes);
    // Names and a value taken from the input itself, so they meet what is there.
    const std::size_t third = size / 3;
    std::string section = bytes.substr(0, third > 16 ? 16 : third);
    std::string key = bytes.substr(third, third > 16 ? 16 : third);
    const std::string value = bytes.substr(2 * third, 24);
    document.Read(section, key);
    // A name with a line break, "=", "]" or outer blanks cannot be stored as written.
    for (std::string* name : {&section, &key})
        for (char& c : *name)
            if (c == '\r' || c == '\n' || c == '=' || c == '[' || c == ']' || c == ' ' || c == '\t' || c == '\0' ||
                c == '\v' || c == '\f' || c == '"' || c == '\'')
                c = '_';
    std::string storable = value;
    for (char& c : storable)
        if (c == '\r' || c == '\n') c = '_';
    document.Write(section, key, storable);
    const auto direct = document.Read(section, key);
    const auto reparsed = lorvel::ProfileDocument::Parse(document.Serialize()).Read(section, key);
    if (direct != reparsed) __builtin_trap();
    return 0;
}
