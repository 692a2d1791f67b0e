// Shell links: the ".lnk" files the shell's link object writes. Paths and texts are
// Shift-JIS byte strings.
#pragma once

#include <cstdint>
#include <string>

#include "platform/WindowsErrors.h"

namespace lorvel::platform {

struct LinkFields {
    std::string target;
    std::string workingFolder;
    std::string arguments;
};

// How far the link object got. A save that fails is not told here: the caller looks
// for the file, as the shell writes some links under another name (".pif").
struct LinkSave {
    enum class Outcome {
        Saved,             // the object was made and asked to save
        ClassMissing,      // the link class could not be created; status says why
        InterfaceMissing,  // the object lacks the link or the persistence interface
    };
    Outcome outcome = Outcome::Saved;
    std::int32_t status = 0;  // the HRESULT of the failed creation
};

class ShellLinks {
public:
    virtual ~ShellLinks() = default;

    // Makes a link object, sets its target and working folder, and its arguments
    // when they are not empty, then saves it at path. Nothing else (description,
    // icon, show command, hot key) is set.
    virtual LinkSave SaveLink(const std::string& path, const LinkFields& fields) = 0;
    // Reads a saved link's three fields back; 0, or why the file is no link.
    virtual ErrorCode ReadLink(const std::string& path, LinkFields& fields) = 0;
};

}  // namespace lorvel::platform
