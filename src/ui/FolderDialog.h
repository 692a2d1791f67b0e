// The folder browser component: options mapped to the shell's browse flags, the
// chosen folder as the shell gives it (no trailing "\" except for a drive root).
#pragma once

#include <set>
#include <string>

#include "ui/Widgets.h"

namespace lorvel::ui {

enum class FolderDlgOption {
    bifBrowseForComputer,
    bifBrowseForPrinter,
    bifDontGoBelowDomain,
    bifReturnFSAncestors,
    bifReturnOnlyFSDirs,
    bifStatusText,
};
using FolderDlgOptions = std::set<FolderDlgOption>;

class FolderDialog {
public:
    std::string Title;
    FolderDlgOptions Option{FolderDlgOption::bifReturnOnlyFSDirs};
    std::string FolderName;
    const void* Root = nullptr;  // the top of the tree; none: the desktop
    BrowseCallback Callback = nullptr;
    std::intptr_t CallbackParameter = 0;
    int ImageIndex = 0;

    // The union of the shell flags of the options.
    unsigned Flags() const;
    // True when the user chose a folder; FolderName then holds it. A cancelled
    // browse leaves FolderName as it was.
    bool Execute(Form& owner);
};

}  // namespace lorvel::ui
