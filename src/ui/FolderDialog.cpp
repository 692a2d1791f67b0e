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
    FolderBrowse browse;
    browse.title = Title;
    browse.flags = Flags();
    browse.root = Root;
    browse.callback = Callback;
    browse.callbackParameter = CallbackParameter;
    if (!owner.Ui().BrowseForFolder(owner, browse)) return false;
    FolderName = browse.folder;
    CallbackParameter = browse.callbackParameter;
    ImageIndex = browse.imageIndex;
    return true;
}

}  // namespace lorvel::ui
