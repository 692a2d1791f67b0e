#include "ui/FolderDialog.h"

namespace lorvel::ui {

unsigned FolderDialog::Flags() const
{
    unsigned flags = 0;
    for (FolderDlgOption option : Option) {
        switch (option) {
        case FolderDlgOption::bifBrowseForComputer: flags |= 0x1000; break;
        case FolderDlgOption::bifBrowseForPrinter: flags |= 0x2000; break;
        case FolderDlgOption::bifDontGoBelowDomain: flags |= 0x2; break;
        case FolderDlgOption::bifReturnFSAncestors: flags |= 0x8; break;
        case FolderDlgOption::bifReturnOnlyFSDirs: flags |= 0x1; break;
        case FolderDlgOption::bifStatusText: flags |= 0x4; break;
        }
    }
    return flags;
}

bool FolderDialog::Execute(Form& owner)
{
    const auto chosen = owner.Ui().BrowseForFolder(owner, Title, Flags());
    if (!chosen) return false;
    FolderName = *chosen;
    return true;
}

}  // namespace lorvel::ui
