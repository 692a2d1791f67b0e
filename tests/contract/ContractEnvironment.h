// What a contract suite runs against: one backend's services and an empty scratch
// folder on its C: drive, removed afterwards. Each backend supplies its own.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace lorvel::contract {

class ContractEnvironment {
public:
    virtual ~ContractEnvironment() = default;
    virtual platform::Platform& Services() = 0;
    // An empty folder, ending in "\".
    virtual const std::string& Scratch() const = 0;
    // A registry key path under HKEY_CURRENT_USER reserved for this run.
    virtual const std::string& ScratchKey() const = 0;
    // Makes a file in the folder (which ends in "\") under a name given in UTF-8,
    // which may be one the program's Shift-JIS has no form for; false when it could not.
    virtual bool PlaceFileNamedInUtf8(const std::string& folder, const std::string& utf8Name) = 0;
    // Wine differs from Windows in a few measured places; the tests name each one
    // and hold Windows' behaviour everywhere else.
    virtual bool UnderWine() const { return false; }
    // A 32-bit program on 64-bit Windows, seeing the system through WoW64.
    virtual bool Wow64() const = 0;

    enum class Component { Registers, RegisterFails, NoEntryPoints };
    // Puts a self-registering library of that kind at the path.
    virtual void PlaceComponent(Component kind, const std::string& path) = 0;
    // Whether the library at the path was last registered ("registered"),
    // unregistered ("unregistered"), or never called ("").
    virtual std::string ComponentState(const std::string& path) = 0;

    // Makes link a link to the folder target, as another program of the user can:
    // a symbolic link, which Windows and Wine both report as a reparse point.
    virtual void MakeFolderLink(const std::string& link, const std::string& target) = 0;
    // The same for a file; the target need not be there.
    virtual void MakeFileLink(const std::string& link, const std::string& target) = 0;
    // The accounts (SID strings) a folder's access list lets in.
    virtual std::vector<std::string> FolderTrustees(const std::string& folder) = 0;
};

std::unique_ptr<ContractEnvironment> MakeContractEnvironment();

}  // namespace lorvel::contract
