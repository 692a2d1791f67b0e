// The folders an uninstall never deletes, nor empties through a wildcard, whatever
// its record says. The record is a plain file in the setup folder and the uninstaller
// runs with administrator rights, so an edited entry such as "C:\WINDOWS\*.*" would
// otherwise empty the Windows folder.
//
// Protected: the Windows, system, temporary and Program Files folders (on 64-bit
// Windows all three system folders and both Program Files folders), the shell
// folders (start menu, programs, desktop, startup, send-to and their common forms)
// and every drive root. Paths are compared after "/" is read as "\", "." and ".."
// are resolved, trailing dots and blanks of a name are dropped (as Windows does) and
// case is ignored; a relative path is taken from the current folder.
//
//   CheckDeletion("C:\\WINDOWS\\*.*")             => WildcardInProtected
//   CheckDeletion("C:\\APP\\..\\WINDOWS\\*.*")    => WildcardInProtected
//   CheckDeletion("C:\\WINDOWS\\FONTS\\*.TTF")    => WildcardInProtected (below Windows)
//   CheckDeletion("C:\\USERS\\*")                 => WildcardInProtected (holds shell folders)
//   CheckDeletion("C:\\WINDOWS\\SYSTEM32\\A.DLL") => Allowed (a named file keeps its own rules)
//   CheckDeletion("C:\\PROGRAM FILES\\APP\\*.INI") => Allowed
//   CheckDeletion("C:\\W*\\A.TXT")                => UnsafeWildcard
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "run/SetupContext.h"
#include "util/PathResolution.h"

namespace lorvel {

class ProtectedFolders {
public:
    enum class Verdict {
        Allowed,
        ProtectedFolder,
        WildcardInProtected,
        UnsafeWildcard,
        ThroughLink,
        OutsideSetupFolder,
        NotAbsolute
    };

    ProtectedFolders(const SetupContext& context, std::string currentFolder);

    // For a path handed to the shell's deletion: a protected folder itself, or a
    // wildcard in one (or in a folder that holds one), is refused.
    Verdict CheckDeletion(const std::string& path) const;
    // For a folder to be removed: a protected folder itself is refused.
    bool IsProtectedFolder(const std::string& folder) const;

    // The failure text's reason for a refusal, ending in CR LF.
    static std::string ReasonText(Verdict verdict);

private:
    bool IsProtectedResolved(const std::string& folder) const;
    bool IsOrHoldsProtected(const std::string& folder) const;
    bool HoldsProtected(const std::string& folder) const;

    std::vector<std::string> folders_;  // resolved, each ending in "\"
    std::vector<std::string> deep_;     // also nothing below them goes by wildcard
    std::string current_;
};

}  // namespace lorvel
