// The two ways a run's questions are answered when the program keeps a log or runs
// unattended: UnattendedRunView takes every answer from the answers file or its
// default and never waits; LoggedRunView lets the person answer through the wizard
// and writes down what was asked and answered.
#pragma once

#include <functional>

#include "app/RunLog.h"
#include "run/RunEvents.h"
#include "run/RunView.h"
#include "run/UnattendedAnswers.h"
#include "ui/Forms.h"

namespace lorvel {

class UnattendedRunView final : public RunView {
public:
    // progress: the progress window to show, or null for no window at all.
    UnattendedRunView(RunOptions options, UnattendedAnswers& answers, RunLog& log, ui::StatusForm* progress,
                      RunEvents& events = RunEvents::None())
        : options_(std::move(options)), answers_(answers), log_(log), progress_(progress), events_(events)
    {
    }

    RunOptions ReadOptions() override { return options_; }
    void DisableOptions() override {}
    void HideWizard() override {}
    void ShowProgressWindow() override;
    bool ShowsWindows() override { return progress_ != nullptr; }
    void SetStatus(const std::string& text) override;
    void SetItemStatus(const std::string& text, bool lasting) override;
    void ProcessMessages() override;
    void BeforePause(unsigned milliseconds) override
    {
        if (progress_ && progress_->RefreshBeforePause(milliseconds)) ProcessMessages();
    }
    // Nobody can abort: the abort button stays disabled.
    bool Aborted() override { return false; }
    int Ask(const std::string& text, const std::string& caption, int flags) override;
    void ShowProgress(bool on) override;
    void SetProgress(int percent, int done, int all) override;
    void EnableAbort(bool) override {}
    void ShowDetails(const std::string& frameCaption, const std::string& text, bool verticalScrollBar) override;
    DeletionAnswer AnswerSlot() override { return slot_; }
    void SetAnswerSlot(DeletionAnswer answer) override { slot_ = answer; }
    void AskDeletion(const std::string& message) override;
    void CloseProgressWindow() override;
    void EndWizard() override { ended_ = true; }

    // Every way a run ends before its end tells the person so with a stop box.
    bool Stopped() const { return stopped_; }

private:
    RunOptions options_;
    UnattendedAnswers& answers_;
    RunLog& log_;
    ui::StatusForm* progress_;
    RunEvents& events_;
    DeletionAnswer slot_ = DeletionAnswer::None;
    bool stopped_ = false;
    bool ended_ = false;
};

class LoggedRunView final : public RunView {
public:
    LoggedRunView(RunView& inner, RunLog& log) : inner_(inner), log_(log) {}

    RunOptions ReadOptions() override { return inner_.ReadOptions(); }
    void DisableOptions() override { inner_.DisableOptions(); }
    void HideWizard() override { inner_.HideWizard(); }
    void ShowProgressWindow() override { inner_.ShowProgressWindow(); }
    bool ShowsWindows() override { return inner_.ShowsWindows(); }
    void SetStatus(const std::string& text) override;
    void SetItemStatus(const std::string& text, bool lasting) override;
    void ProcessMessages() override { inner_.ProcessMessages(); }
    void BeforePause(unsigned milliseconds) override { inner_.BeforePause(milliseconds); }
    bool Aborted() override;
    int Ask(const std::string& text, const std::string& caption, int flags) override;
    void ShowProgress(bool on) override { inner_.ShowProgress(on); }
    void SetProgress(int percent, int done, int all) override { inner_.SetProgress(percent, done, all); }
    void EnableAbort(bool on) override { inner_.EnableAbort(on); }
    void ShowDetails(const std::string& frameCaption, const std::string& text, bool verticalScrollBar) override
    {
        inner_.ShowDetails(frameCaption, text, verticalScrollBar);
    }
    DeletionAnswer AnswerSlot() override { return inner_.AnswerSlot(); }
    void SetAnswerSlot(DeletionAnswer answer) override { inner_.SetAnswerSlot(answer); }
    void AskDeletion(const std::string& message) override;
    void CloseProgressWindow() override { inner_.CloseProgressWindow(); }
    void EndWizard() override { inner_.EndWizard(); }

private:
    RunView& inner_;
    RunLog& log_;
    bool abortLogged_ = false;
};

// "[caption] text -> Yes (answers file)": a question and its answer, as the log says it.
std::string QuestionLine(const std::string& caption, const std::string& text, const std::string& answer,
                         const char* source);

}  // namespace lorvel
