// The four shortcut boxes of the wizard and the tokens in a [ShortCut] name that tie
// an entry to one. Start-up ticks every box some name names; the install run lets the
// first box a name names decide whether its entry is made.
//
//   GoverningBox("(C_Dsk)App") => Desktop   GoverningBox("Default") => StartMenu
//   GoverningBox("(Smn)App") => None        NamedBoxes("(Dsk)(Sta)X") => {Desktop, StartMenu}
#pragma once

#include <array>
#include <string>

namespace lorvel {

enum class ShortcutBox { Desktop, StartMenu, Startup, SendTo, None };

constexpr std::size_t kShortcutBoxCount = 4;

// Each box's token, in the order the tests are made; found without regard to case.
struct ShortcutBoxToken {
    const char* token;
    ShortcutBox box;
};
inline constexpr std::array<ShortcutBoxToken, kShortcutBoxCount> kShortcutBoxTokens = {{
    {"Dsk)", ShortcutBox::Desktop},
    {"Sta)", ShortcutBox::StartMenu},
    {"Sup)", ShortcutBox::Startup},
    {"Sen)", ShortcutBox::SendTo},
}};

// The name given for a missing one: the target's own name in the programs folder.
inline constexpr const char* kDefaultShortcutName = "Default";

// The box that decides whether the entry with this name (as read, before expansion)
// is made; None when it is always made.
ShortcutBox GoverningBox(const std::string& name);

// Every box the name names, as start-up ticks them ("Default" names none).
std::array<bool, kShortcutBoxCount> NamedBoxes(const std::string& name);

}  // namespace lorvel
