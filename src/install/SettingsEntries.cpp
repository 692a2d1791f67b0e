#include "install/SettingsEntries.h"

#include "util/FolderMacros.h"
#include "util/ScriptNumbers.h"
#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"

namespace lorvel {

using namespace platform;

namespace {

constexpr const char* kPddMarker = "(Pdd)";

// The text before the first ",", the rest kept behind it; without one, an empty
// field and the rest unchanged.
std::string TakeField(std::string& rest)
{
    const int at = MBPos(",", rest);
    if (at <= 0) return {};
    std::string field = StrLeft(rest, at - 1);
    rest = StrMid(rest, at + 1);
    return field;
}

std::optional<RegValue> NumberValue(const std::string& data)
{
    return RegValue::DoubleWord(static_cast<std::uint32_t>(ConvertScriptInteger(data).value_or(0)));
}

std::optional<RegValue> BinaryValue(const std::string& data)
{
    const auto number = ConvertScriptInteger("$" + data);
    if (!number) return std::nullopt;
    const auto bits = static_cast<std::uint32_t>(*number);
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(bits >> (8 * i) & 0xFF);
    return RegValue::Binary(bytes);
}

}  // namespace

std::string RemovePddMarker(const std::string& value, bool& hadMarker)
{
    hadMarker = MBPosText(kPddMarker, value) > 0;
    return hadMarker ? ReplaceMacro(value, kPddMarker, "") : value;
}

RegistryWrite RegistryValueOf(const std::string& expandedValue, bool hadPddMarker)
{
    if (expandedValue.empty()) return {};
    const std::string token = expandedValue.substr(0, 5);
    std::string data = expandedValue.size() > 5 ? expandedValue.substr(5) : std::string();
    if (hadPddMarker) data = RemovePathDelim(data, "B");
    if (token == "(Str)") return {RegistryWrite::Kind::Raising, RegValue::String(data)};
    if (token == "(Exp)") return {RegistryWrite::Kind::Raising, RegValue::ExpandString(data)};
    if (token == "(Int)" || token == "(Dwd)") return {RegistryWrite::Kind::Raising, NumberValue(data)};
    if (token == "(Bin)") return {RegistryWrite::Kind::Quiet, BinaryValue(data)};
    // No type token: the whole value is the string, its first five bytes included.
    return {RegistryWrite::Kind::Raising, RegValue::String(token + data)};
}

IniEntry SplitIniEntry(const std::string& expandedData)
{
    std::string rest = expandedData;
    IniEntry entry;
    entry.section = TakeField(rest);
    entry.key = TakeField(rest);
    entry.value = TakeField(rest);
    entry.file = rest;
    return entry;
}

Association ParseAssociation(const std::string& name, const std::string& expandedFile)
{
    Association a;
    const int comma = MBPos(",", name);
    a.extension = comma > 0 ? StrLeft(name, comma - 1) : name;
    a.typeName = comma > 0 ? StrMid(name, comma + 1) : name + " File";
    std::string rest = expandedFile;
    a.verb = TakeField(rest);
    a.program = TakeField(rest);
    a.command = MBPos(" ", a.program) > 0 ? "\"" + a.program + "\"" : a.program;
    while (MBPos(",", rest) > 0) {
        const std::string argument = TakeField(rest);
        if (!argument.empty()) a.command += " " + argument;
    }
    a.icon = a.program + "," + rest;
    return a;
}

std::string AssociationTypeKey(const std::string& extension)
{
    return extension + "_auto_file";
}

}  // namespace lorvel
