// The runs' view of the windows, over the four forms.
#pragma once

#include <functional>

#include "run/RunView.h"
#include "ui/Forms.h"

namespace lorvel {

class WizardRunView final : public RunView {
public:
    WizardRunView(ui::BackForm& back, ui::MainForm& main, ui::StatusForm& status, ui::SharedFileQuestionForm& question,
                  std::function<void(unsigned milliseconds)> sleep)
        : back_(back), main_(main), status_(status), question_(question), sleep_(std::move(sleep))
    {
    }

    RunOptions ReadOptions() override;
    void DisableOptions() override;
    void HideWizard() override;
    void ShowProgressWindow() override { status_.Show(); }
    void SetStatus(const std::string& text) override;
    void SetItemStatus(const std::string& text, bool lasting) override;
    void ProcessMessages() override { main_.Ui().ProcessMessages(); }
    void BeforePause(unsigned milliseconds) override
    {
        if (status_.RefreshBeforePause(milliseconds)) main_.Ui().ProcessMessages();
    }
    bool Aborted() override { return status_.AbortSignal(); }
    int Ask(const std::string& text, const std::string& caption, int flags) override
    {
        status_.Refresh();
        return main_.Ui().ShowMessageBox(text, caption, flags);
    }
    void ShowProgress(bool on) override { status_.ShowProgress(on); }
    void SetProgress(int percent, int done, int all) override { status_.SetProgress(percent, done, all); }
    void EnableAbort(bool on) override { status_.EnableAbort(on); }
    void ShowDetails(const std::string& frameCaption, const std::string& text, bool verticalScrollBar) override;
    // The slot is the wizard's hidden label, where the deletion dialog writes its word.
    DeletionAnswer AnswerSlot() override { return AnswerOfWord(main_.lblAnswerSlot.Caption()); }
    void SetAnswerSlot(DeletionAnswer answer) override { main_.lblAnswerSlot.SetCaption(AnswerWord(answer)); }
    void AskDeletion(const std::string& message) override;
    void CloseProgressWindow() override { status_.Hide(); }
    void EndWizard() override;
    // After an error that ended the run: the progress window goes and the wizard ends.
    void AbandonRun();

private:
    ui::BackForm& back_;
    ui::MainForm& main_;
    ui::StatusForm& status_;
    ui::SharedFileQuestionForm& question_;
    std::function<void(unsigned milliseconds)> sleep_;
};

}  // namespace lorvel
