#include "util/FolderMacros.h"

#include "util/MBUtils.h"
#include "util/StrOp.h"

namespace lorvel {

std::string ReplaceMacro(const std::string& text, const std::string& macro, const std::string& value)
{
    if (macro.empty()) return text;
    std::string result = text;
    std::size_t from = 0;  // where the search goes on, always a character boundary
    for (;;) {
        const int found = MBPosText(macro, result.substr(from));
        if (found == 0) return result;
        const std::size_t at = from + static_cast<std::size_t>(found) - 1;
        std::string after = result.substr(at + macro.size());
        if (EndsWithPathDelimiter(value) && IsPathDelimiter(after, 1)) after.erase(0, 1);
        result = result.substr(0, at) + value + after;
        from = at + value.size();
    }
}

std::string ExpandFolderMacros(const std::string& text, const FolderTable& folders)
{
    std::string result = text;
    for (std::size_t i = 0; i < kFolderMacros.size(); ++i)
        if (MBPosText(kFolderMacros[i], result) > 0) result = ReplaceMacro(result, kFolderMacros[i], folders[i]);
    return result;
}

}  // namespace lorvel
