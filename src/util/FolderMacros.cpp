#include "util/FolderMacros.h"

#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"

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

bool StartsWithMacro(std::string_view text, std::string_view macro)
{
    // Macros are ASCII: a double-byte character in text differs at its lead byte,
    // before its trail byte could be compared.
    return text.size() >= macro.size() && EqualsAsciiNoCase(text.substr(0, macro.size()), macro);
}

std::string ExpandFolderMacros(const std::string& text, const FolderTable& folders)
{
    static const auto upperMacros = [] {
        std::array<std::string, kFolderMacros.size()> upper;
        for (std::size_t i = 0; i < upper.size(); ++i) upper[i] = UpperCase(kFolderMacros[i]);
        return upper;
    }();
    // Texts are read thousands of times and hold one macro or none: the text is
    // upper-cased once, and again only after a replacement.
    std::string result = text;
    std::string upper = UpperCase(result);
    for (std::size_t i = 0; i < kFolderMacros.size() && upper.find('(') != std::string::npos; ++i) {
        if (MBPos(upperMacros[i], upper) == 0) continue;
        result = ReplaceMacro(result, kFolderMacros[i], folders[i]);
        upper = UpperCase(result);
    }
    return result;
}

}  // namespace lorvel
