#include "util/ShortcutBoxes.h"

#include "util/ShiftJisSearch.h"

namespace lorvel {

ShortcutBox GoverningBox(const std::string& name)
{
    if (name == kDefaultShortcutName) return ShortcutBox::StartMenu;
    for (const ShortcutBoxToken& entry : kShortcutBoxTokens)
        if (MBPosText(entry.token, name) > 0) return entry.box;
    return ShortcutBox::None;
}

std::array<bool, kShortcutBoxCount> NamedBoxes(const std::string& name)
{
    std::array<bool, kShortcutBoxCount> named{};
    for (const ShortcutBoxToken& entry : kShortcutBoxTokens)
        named[static_cast<std::size_t>(entry.box)] = MBPosText(entry.token, name) > 0;
    return named;
}

}  // namespace lorvel
