// Every "may the uninstall touch this" decision, in one place: files, folders, keys,
// associations and libraries. The uninstall runs as administrator from a record in a
// folder that other accounts can often write, so it carries out a record only as far
// as the install vouched for it (RecordTrust), and even a genuine record, being a
// script author's work and not the system's, never reaches what the system lives on.
// The uninstall run, the uninstall fuzz target's oracle and `lorvel check` all ask here.
//
//   IsProtectedRegistryKey(LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run") => true
//   IsProtectedRegistryKey(LocalMachine, "SOFTWARE\\Maker\\App")                               => false
//   CheckAssociation("txt", "exefile")  => AssociationVerdict::ExecutableType
//   CheckAssociation("exe", "")         => AssociationVerdict::ExecutableExtension
//   CheckAssociation("txt", "txtfile")  => AssociationVerdict::Allowed
#pragma once

#include <map>
#include <string>

#include "platform/Registry.h"
#include "run/RecordTrust.h"
#include "run/SetupContext.h"
#include "uninstall/ProtectedFolders.h"

namespace lorvel {

// The registry keys an uninstall never deletes, whatever its record says: a root, a
// key directly below a root of the machine or a user, what holds the tables below,
// and at any depth the keys the system lives on: SYSTEM, Windows NT's own keys, the
// programs started at logon, the policies, the list of installed programs and the
// shared-file table, the classes of executable types and their extensions (also as
// HKLM\SOFTWARE\Classes and HKCU\Software\Classes, and in the 32-bit view).
bool IsProtectedRegistryKey(platform::RootKey root, const std::string& path);

// Extensions whose association decides what runs when a file is opened ("exe", "bat", ...).
bool IsExecutableExtension(const std::string& extension);
// File types that run what they open ("exefile", "batfile", ...).
bool IsExecutableType(const std::string& type);

enum class AssociationVerdict { Allowed, ExecutableExtension, ExecutableType, UnsafeType };
// Whether a [RestoreRelate] entry may be carried out: never for an executable
// extension, and the previous type must be a plain type name (letters, digits, ".",
// "_", "-") that is no executable type; an empty one means "no type".
AssociationVerdict CheckAssociation(const std::string& extension, const std::string& previousType);

enum class LibraryVerdict { Allowed, NotVouched, Changed };

class UninstallGuard {
public:
    UninstallGuard(const SetupContext& context, std::string currentFolder, RecordTrust trust);

    // A record that is not vouched for is carried out only inside the setup folder:
    // its files and folders there, by the protected-folder rules; nothing else.
    bool Restricted() const { return !trust_.Vouched(); }
    // The setup folder as the path rules read it, ending in "\"; empty when it has no place.
    const std::string& SetupFolder() const { return setupFolder_; }
    const RecordTrust& Trust() const { return trust_; }

    ProtectedFolders::Verdict CheckDeletion(const std::string& path) const;
    bool IsProtectedFolder(const std::string& folder) const;
    // A folder recorded for removal: a protected one never, and under a restricted
    // record only one inside the setup folder.
    bool MayRemoveFolder(const std::string& folder) const;
    bool MayDeleteKey(platform::RootKey root, const std::string& path) const;
    AssociationVerdict CheckRestoreRelate(const std::string& extension, const std::string& previousType) const;
    // A component is loaded (to unregister it) only when its bytes are those the
    // install registered.
    LibraryVerdict CheckLibrary(const std::string& path, const std::string& digest) const;
    // Shared counts live in the system's table: a restricted record leaves them.
    bool MayChangeSharedCounts() const { return !Restricted(); }

private:
    bool InsideSetupFolder(const std::string& path) const;

    ProtectedFolders folders_;
    RecordTrust trust_;
    std::string setupFolder_;  // resolved, ending in "\"
    std::string current_;
};

// The texts of refusals for the failure details, each ending in CR LF.
std::string RefusedKeyText();
std::string RefusedAssociationText(AssociationVerdict verdict);
std::string RefusedLibraryText(LibraryVerdict verdict);
std::string OutsideSetupFolderText();

}  // namespace lorvel
