// The script's settings entries taken apart: registry values, profile entries and
// file associations. A field whose "," is missing is empty, and the rest of the text
// goes on to the next field.
//
//   RegistryValueOf("(Int)$10", false)        => DWORD 16
//   RegistryValueOf("(Str)D:\\APP\\", true)   => "D:\\APP"
//   RegistryValueOf("(Bin)0A0B", false)       => bytes 0B 0A 00 00
//   SplitIniEntry("Sec,Key,Val")              => {"Sec", "Key", "", "Val"}
//   ParseAssociation("TXT", "open,D:\\MY APP\\V.EXE,%1,0")
//     => ext "TXT", type "TXT File", command "\"D:\\MY APP\\V.EXE\" %1", icon "D:\\MY APP\\V.EXE,0"
#pragma once

#include <optional>
#include <string>

#include "platform/Registry.h"

namespace lorvel {

// What a registry entry writes, once its value is expanded (and "(Pdd)" taken out).
struct RegistryWrite {
    enum class Kind {
        KeyOnly,  // an empty value: the key alone
        Raising,  // a failed write ends the run
        Quiet,    // "(Bin)": a failure is reported, and the run goes on
    };
    Kind kind = Kind::KeyOnly;
    std::optional<platform::RegValue> value;  // none for KeyOnly and for a "(Bin)" that failed to convert
};

// The text of a "(Pdd)" marker in any case removed, and whether there was one.
std::string RemovePddMarker(const std::string& value, bool& hadMarker);

RegistryWrite RegistryValueOf(const std::string& expandedValue, bool hadPddMarker);

struct IniEntry {
    std::string section;
    std::string key;
    std::string value;
    std::string file;  // everything after the third ",", commas kept
};
IniEntry SplitIniEntry(const std::string& expandedData);

struct Association {
    std::string extension;
    std::string typeName;
    std::string verb;
    std::string program;  // as written, for the icon and the question
    std::string command;
    std::string icon;
};
Association ParseAssociation(const std::string& name, const std::string& expandedFile);

// The association's name in the registry: ext + "_auto_file".
std::string AssociationTypeKey(const std::string& extension);

}  // namespace lorvel
