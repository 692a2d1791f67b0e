// The script author's check: reads a setup script as the program does and reports
// each place where the program would silently do something other than the author
// most likely meant (a section ended early, a token not recognised, a flag the
// uninstaller does not see, a file missing from its disk).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "run/FixedNames.h"
#include "run/SetupContext.h"
#include "util/CopyEntry.h"

namespace lorvel::tool {

enum class Severity { Warning, Error };

struct Diagnostic {
    int line = 0;  // 1-based; 0 for the file as a whole
    int column = 1;
    Severity severity = Severity::Warning;
    std::string message;  // Shift-JIS, as the script's own texts in it
    std::string rule;
};

// Whether the medium holds the file on the given disk (1 for the script's own).
using MediumLookup = std::function<bool(int disk, const std::string& fileName)>;

// Every finding, in line order. Without a lookup, the files are not looked for.
std::vector<Diagnostic> CheckScript(const std::string& bytes, const MediumLookup& medium = {});

// The byte offset of the first byte that cannot begin or continue a Shift-JIS
// character, or npos when all of them can.
std::size_t FirstInvalidShiftJis(const std::string& bytes);
// Whether the bytes are UTF-8 with at least one character beyond ASCII.
bool LooksLikeUtf8(const std::string& bytes);

// A typical machine's folders, for what a script's paths name: which file a
// [CopyFile] entry takes from the medium, which folders a pattern reaches.
SetupContext TypicalMachine();

// A [CopyFile] value in its parts, with the file the copy phase takes from the
// medium on a typical machine.
CopyEntryParts SplitOnTypicalMachine(const std::string& value);

// The nearest of the candidates by edit distance (letter case ignored), or empty
// when none is close enough to be a likely typo.
std::string NearestName(const std::string& name, const std::vector<std::string>& candidates);

}  // namespace lorvel::tool
