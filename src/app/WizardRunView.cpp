#include "app/WizardRunView.h"

namespace lorvel {

RunOptions WizardRunView::ReadOptions()
{
    RunOptions options;
    options.overwrite = main_.chkOverWrite.Checked();
    options.desktop = main_.chkSCutDesktop.Checked();
    options.startMenu = main_.chkSCutStartMenu.Checked();
    options.startup = main_.chkSCutStartUp.Checked();
    options.sendTo = main_.chkSCutSendTo.Checked();
    options.startMenuVisible = main_.chkSCutStartMenu.Visible();
    options.startupVisible = main_.chkSCutStartUp.Visible();
    options.sendToVisible = main_.chkSCutSendTo.Visible();
    options.folderText = main_.txtFolder.Caption();
    return options;
}

void WizardRunView::DisableOptions()
{
    for (ui::Control* box :
         {&main_.chkSCutDesktop, &main_.chkSCutStartMenu, &main_.chkSCutStartUp, &main_.chkSCutSendTo})
        box->SetEnabled(false);
}

void WizardRunView::AskDeletion(const std::string& message)
{
    question_.lblMessage.SetCaption(message);
    question_.ShowModal();
}

void WizardRunView::HideWizard()
{
    main_.Hide();
    main_.btnEnd.SetVisible(false);
    ui::Rect event = main_.btnEvent.Bounds();
    event.left = (main_.ClientWidth() - event.width) / 2;
    main_.btnEvent.SetBounds(event);
}

void WizardRunView::SetStatus(const std::string& text)
{
    status_.SetMessage(text);
    main_.Ui().ProcessMessages();
}

void WizardRunView::SetItemStatus(const std::string& text, bool lasting)
{
    // A text that waits changed nothing to paint; the run lets the messages run
    // after the item all the same.
    if (status_.SetItemMessage(text, lasting)) main_.Ui().ProcessMessages();
}

void WizardRunView::ShowDetails(const std::string& frameCaption, const std::string& text, bool verticalScrollBar)
{
    if (verticalScrollBar) {
        main_.txtReadme.verticalScrollBar = true;
        main_.txtReadme.horizontalScrollBar = false;
    }
    main_.ShowDetails(frameCaption, text, status_, [this](unsigned ms) { sleep_(ms); });
}

void WizardRunView::AbandonRun()
{
    status_.Hide();
    EndWizard();
}

void WizardRunView::EndWizard()
{
    back_.SetEnabled(true);
    main_.SetModalResult(ui::kModalOk);
}

}  // namespace lorvel
