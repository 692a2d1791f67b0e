#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/virtual/VirtualServices.h"
#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"

namespace lorvel::platform::virt {

namespace {

constexpr const char* kRootNames[4] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS"};

int RootIndex(RootKey root)
{
    return static_cast<int>(static_cast<std::uint32_t>(root) - 0x80000000u);
}

bool ValidRoot(RootKey root)
{
    const int index = RootIndex(root);
    return index >= 0 && index < 4;
}

// The system's limit for one key name, in characters.
constexpr std::size_t kKeyNameLimit = 255;

std::size_t CharacterCount(const std::string& text)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i, ++count)
        if (MBIsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ++i;
    return count;
}

std::vector<std::string> SplitKeyPath(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (MBIsLeadByte(byte) && i + 1 < path.size()) {
            part += path.substr(i++, 2);
        } else if (byte == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part.push_back(path[i]);
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

std::string Quote(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out.push_back('\\');
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out.push_back(c);
    }
    return out + "\"";
}

std::string Hex(const std::string& bytes)
{
    std::string out;
    char buffer[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%02x", static_cast<unsigned char>(bytes[i]));
        if (i) out += ",";
        out += buffer;
    }
    return out;
}

void WriteKey(std::ostream& out, const std::string& path, const RegKey& key)
{
    out << "[" << path << "]\r\n";
    for (const auto& [upper, value] : key.values) {
        const std::string& name = key.valueNames.at(upper);
        out << (name.empty() ? std::string("@") : Quote(name)) << "=";
        switch (value.type) {
        case ValueType::String: out << Quote(value.data); break;
        case ValueType::DoubleWord: {
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, "dword:%08x", value.AsDoubleWord());
            out << buffer;
            break;
        }
        case ValueType::ExpandString: out << "hex(2):" << Hex(value.data); break;
        case ValueType::Binary: out << "hex:" << Hex(value.data); break;
        }
        out << "\r\n";
    }
    out << "\r\n";
    for (const auto& [upper, child] : key.subkeys) WriteKey(out, path + "\\" + child.name, child);
}

std::string Unquote(const std::string& text, std::size_t& pos)
{
    std::string out;
    ++pos;  // opening quote
    while (pos < text.size() && text[pos] != '"') {
        if (text[pos] == '\\' && pos + 1 < text.size()) {
            ++pos;
            out.push_back(text[pos] == 'n' ? '\n' : text[pos]);
        } else {
            out.push_back(text[pos]);
        }
        ++pos;
    }
    ++pos;
    return out;
}

std::string Unhex(const std::string& text)
{
    std::string out;
    std::istringstream in(text);
    std::string byte;
    while (std::getline(in, byte, ','))
        if (!byte.empty()) out.push_back(static_cast<char>(std::stoul(byte, nullptr, 16)));
    return out;
}

}  // namespace

// Where a key the program names is kept: a 32-bit program on 64-bit Windows reaches
// HKLM\SOFTWARE\Wow6432Node for HKLM\SOFTWARE, all but the Classes key, which
// both kinds of program share.
std::string VirtualRegistry::Stored(RootKey root, const std::string& named) const
{
    if (!wow64View_ || !s_.machine.Config().wow64 || root != RootKey::LocalMachine) return named;
    if (!named.empty() && named.front() == '\\') return named;  // refused as it is
    const auto parts = SplitKeyPath(named);
    if (parts.size() < 2 || UpperCase(parts[0]) != "SOFTWARE") return named;
    const std::string second = UpperCase(parts[1]);
    if (second == "WOW6432NODE" || second == "CLASSES") return named;
    std::string stored = parts[0] + "\\WOW6432Node";
    for (std::size_t i = 1; i < parts.size(); ++i) stored += "\\" + parts[i];
    return stored;
}

RegKey* VirtualRegistry::Find(RootKey root, const std::string& path)
{
    if (!ValidRoot(root)) return nullptr;
    RegKey* key = &s_.registryRoots[RootIndex(root)];
    for (const auto& part : SplitKeyPath(path)) {
        const auto found = key->subkeys.find(part);
        if (found == key->subkeys.end()) return nullptr;
        key = &found->second;
    }
    return key;
}

bool VirtualRegistry::IsDenied(RootKey root, const std::string& path) const
{
    std::string upper;
    for (const auto& part : SplitKeyPath(path)) upper += (upper.empty() ? "" : "\\") + UpperCase(part);
    for (const auto& [deniedRoot, prefix] : s_.registryDenied) {
        if (deniedRoot != root) continue;
        if (upper == prefix || (upper.size() > prefix.size() && upper.compare(0, prefix.size(), prefix) == 0 &&
                                upper[prefix.size()] == '\\'))
            return true;
    }
    return false;
}

ErrorCode VirtualRegistry::CreateKey(RootKey root, const std::string& named)
{
    const std::string path = Stored(root, named);
    if (s_.Count(OperationKind::RegistryCreate)) return kErrorAccessDenied;
    if (!ValidRoot(root)) return kErrorInvalidHandle;
    if (!path.empty() && path.front() == '\\') return kErrorBadPathName;
    const auto parts = SplitKeyPath(path);
    for (const auto& part : parts)
        if (CharacterCount(part) > kKeyNameLimit) return kErrorInvalidParameter;
    if (Find(root, path)) return kErrorSuccess;
    if (IsDenied(root, path)) return kErrorAccessDenied;
    RegKey* key = &s_.registryRoots[RootIndex(root)];
    for (const auto& part : parts) {
        RegKey& child = key->subkeys[part];
        if (child.name.empty()) child.name = part;
        key = &child;
    }
    s_.dirty = true;
    return kErrorSuccess;
}

ErrorCode VirtualRegistry::OpenKey(RootKey root, const std::string& named)
{
    const std::string path = Stored(root, named);
    if (!ValidRoot(root)) return kErrorInvalidHandle;
    return Find(root, path) ? kErrorSuccess : kErrorFileNotFound;
}

ErrorCode VirtualRegistry::DeleteKeyTree(RootKey root, const std::string& named)
{
    const std::string path = Stored(root, named);
    if (s_.Count(OperationKind::RegistryDelete)) return kErrorAccessDenied;
    if (!ValidRoot(root)) return kErrorInvalidHandle;
    const auto parts = SplitKeyPath(path);
    if (parts.empty()) return kErrorAccessDenied;  // a root cannot be deleted
    if (!Find(root, path)) return kErrorFileNotFound;
    if (IsDenied(root, path)) return kErrorAccessDenied;
    RegKey* parent = &s_.registryRoots[RootIndex(root)];
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) parent = &parent->subkeys.find(parts[i])->second;
    parent->subkeys.erase(parts.back());
    s_.dirty = true;
    return kErrorSuccess;
}

ErrorCode VirtualRegistry::ReadValue(RootKey root, const std::string& named, const std::string& name, RegValue& value)
{
    const std::string path = Stored(root, named);
    RegKey* key = Find(root, path);
    if (!key) return kErrorFileNotFound;
    const auto found = key->values.find(name);
    if (found == key->values.end()) return kErrorFileNotFound;
    value = found->second;
    return kErrorSuccess;
}

ErrorCode VirtualRegistry::WriteValue(RootKey root, const std::string& named, const std::string& name,
                                      const RegValue& value)
{
    const std::string path = Stored(root, named);
    if (s_.Count(OperationKind::RegistryWrite)) return kErrorAccessDenied;
    RegKey* key = Find(root, path);
    if (!key) return kErrorFileNotFound;
    if (IsDenied(root, path)) return kErrorAccessDenied;
    key->values[name] = value;
    key->valueNames[name] = name;
    s_.dirty = true;
    return kErrorSuccess;
}

ErrorCode VirtualRegistry::DeleteValue(RootKey root, const std::string& named, const std::string& name)
{
    const std::string path = Stored(root, named);
    if (s_.Count(OperationKind::RegistryDelete)) return kErrorAccessDenied;
    RegKey* key = Find(root, path);
    if (!key) return kErrorFileNotFound;
    if (IsDenied(root, path)) return kErrorAccessDenied;
    if (key->values.erase(name) == 0) return kErrorFileNotFound;
    key->valueNames.erase(name);
    s_.dirty = true;
    return kErrorSuccess;
}

ErrorCode VirtualRegistry::EnumSubKeys(RootKey root, const std::string& named, std::vector<std::string>& names)
{
    const std::string path = Stored(root, named);
    names.clear();
    RegKey* key = Find(root, path);
    if (!key) return kErrorFileNotFound;
    for (const auto& [upper, child] : key->subkeys) names.push_back(child.name);
    return kErrorSuccess;
}

ErrorCode VirtualRegistry::EnumValues(RootKey root, const std::string& named,
                                      std::vector<std::pair<std::string, RegValue>>& values)
{
    const std::string path = Stored(root, named);
    values.clear();
    RegKey* key = Find(root, path);
    if (!key) return kErrorFileNotFound;
    for (const auto& [name, value] : key->values) values.emplace_back(key->valueNames[name], value);
    return kErrorSuccess;
}

void VirtualMachine::State::SaveRegistry(const std::filesystem::path& file) const
{
    std::ostringstream out;
    out << "REGEDIT4\r\n\r\n";
    for (int i = 0; i < 4; ++i)
        for (const auto& [upper, child] : registryRoots[i].subkeys)
            WriteKey(out, std::string(kRootNames[i]) + "\\" + child.name, child);
    std::filesystem::path temporary = file;
    temporary += ".tmp";
    std::ofstream(temporary, std::ios::binary | std::ios::trunc) << out.str();
    // A registry the machine cannot keep is no registry a test may trust.
    if (!ReplaceHostFile(temporary, file)) throw std::runtime_error("the simulated registry could not be saved");
}

void VirtualMachine::State::LoadRegistry(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::string line;
    RegKey* key = nullptr;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            const std::string path = line.substr(1, line.size() - 2);
            const auto slash = path.find('\\');
            key = nullptr;
            for (int i = 0; i < 4; ++i) {
                if (path.substr(0, slash) != kRootNames[i]) continue;
                key = &registryRoots[i];
                for (const auto& part : SplitKeyPath(slash == std::string::npos ? "" : path.substr(slash + 1))) {
                    RegKey& child = key->subkeys[part];
                    if (child.name.empty()) child.name = part;
                    key = &child;
                }
            }
            continue;
        }
        if (!key || line.empty() || (line[0] != '"' && line[0] != '@')) continue;
        std::size_t pos = 0;
        const std::string name = line[0] == '@' ? (pos = 1, std::string()) : Unquote(line, pos);
        if (pos >= line.size() || line[pos] != '=') continue;
        const std::string data = line.substr(pos + 1);
        RegValue value;
        if (!data.empty() && data[0] == '"') {
            std::size_t at = 0;
            value = RegValue::String(Unquote(data, at));
        } else if (data.rfind("dword:", 0) == 0) {
            value = RegValue::DoubleWord(static_cast<std::uint32_t>(std::stoul(data.substr(6), nullptr, 16)));
        } else if (data.rfind("hex(2):", 0) == 0) {
            value = RegValue::ExpandString(Unhex(data.substr(7)));
        } else if (data.rfind("hex:", 0) == 0) {
            value = RegValue::Binary(Unhex(data.substr(4)));
        } else {
            continue;
        }
        key->values[name] = value;
        key->valueNames[name] = name;
    }
}

}  // namespace lorvel::platform::virt
