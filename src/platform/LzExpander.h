// The platform's LZ expansion of files compressed in the SZDD format.
#pragma once

#include <string>

#include "platform/WindowsErrors.h"

namespace lorvel::platform {

class LzExpander {
public:
    virtual ~LzExpander() = default;
    // The path with the name the file had before compression (GetExpandedName); the
    // path itself for a file that is not compressed.
    virtual std::string ExpandedNameOf(const std::string& path) = 0;
    // Expands source into destination (a file that is not compressed is copied as it
    // is). 0, or a Windows error code; kErrorInvalidData for a truncated or corrupt file.
    virtual ErrorCode Expand(const std::string& source, const std::string& destination) = 0;
};

}  // namespace lorvel::platform
