// The registry under its four predefined roots. Keys are addressed by root and path
// ("SOFTWARE\Microsoft\..."); names compare without regard to case, as on Windows.
// Every operation returns 0 or a Windows error code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/WindowsErrors.h"

namespace lorvel::platform {

enum class RootKey : std::uint32_t {
    ClassesRoot = 0x80000000u,
    CurrentUser = 0x80000001u,
    LocalMachine = 0x80000002u,
    Users = 0x80000003u,
};

enum class ValueType : std::uint32_t {
    String = 1,        // REG_SZ
    ExpandString = 2,  // REG_EXPAND_SZ
    Binary = 3,        // REG_BINARY
    DoubleWord = 4,    // REG_DWORD
};

// A value's type and its data; strings are held without their terminating NUL.
struct RegValue {
    ValueType type = ValueType::String;
    std::string data;

    static RegValue String(std::string text) { return {ValueType::String, std::move(text)}; }
    static RegValue ExpandString(std::string text) { return {ValueType::ExpandString, std::move(text)}; }
    static RegValue Binary(std::string bytes) { return {ValueType::Binary, std::move(bytes)}; }
    static RegValue DoubleWord(std::uint32_t number);
    std::uint32_t AsDoubleWord() const;
    bool IsText() const { return type == ValueType::String || type == ValueType::ExpandString; }
};

class Registry {
public:
    virtual ~Registry() = default;

    // Creates the key and any missing parents; succeeds when it exists already.
    virtual ErrorCode CreateKey(RootKey root, const std::string& path) = 0;
    // 0 when the key exists and can be opened, 2 when it does not exist.
    virtual ErrorCode OpenKey(RootKey root, const std::string& path) = 0;
    // Deletes the key with all its subkeys.
    virtual ErrorCode DeleteKeyTree(RootKey root, const std::string& path) = 0;
    virtual ErrorCode ReadValue(RootKey root, const std::string& path, const std::string& name, RegValue& value) = 0;
    // The key must exist (2 otherwise), as with a handle from RegOpenKeyEx.
    virtual ErrorCode WriteValue(RootKey root, const std::string& path, const std::string& name,
                                 const RegValue& value) = 0;
    virtual ErrorCode DeleteValue(RootKey root, const std::string& path, const std::string& name) = 0;
    virtual ErrorCode EnumSubKeys(RootKey root, const std::string& path, std::vector<std::string>& names) = 0;
    // Every value of the key with its name, in one opening of the key.
    virtual ErrorCode EnumValues(RootKey root, const std::string& path,
                                 std::vector<std::pair<std::string, RegValue>>& values) = 0;
    // What was written under the root reaches the disk before this returns, instead of
    // within the seconds the system takes; a registry that keeps nothing back has
    // nothing to do.
    virtual ErrorCode FlushKeys(RootKey root)
    {
        (void)root;
        return kErrorSuccess;
    }
};

}  // namespace lorvel::platform
