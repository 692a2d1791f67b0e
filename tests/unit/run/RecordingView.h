// A run's view for tests: records what the run shows and answers its questions
// from lists.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "run/RunView.h"

namespace lorvel::testing {

// A view that records what the run shows and answers its questions from a list.
struct RecordingView final : RunView {
    RunOptions options;
    std::vector<std::string> statuses;
    struct Question {
        std::string text, caption;
        int flags;
    };
    std::vector<Question> questions;
    std::deque<int> answers;
    // The questions before the run's completion message.
    std::vector<Question> RunQuestions() const
    {
        std::vector<Question> asked;
        for (const Question& q : questions)
            if (q.caption != "完了") asked.push_back(q);
        return asked;
    }
    bool ended = false;
    bool wizardHidden = false;
    int abortAfterStatuses = -1;  // confirmed abort once this many statuses were shown

    RunOptions ReadOptions() override { return options; }
    void HideWizard() override { wizardHidden = true; }
    void ShowProgressWindow() override {}
    void SetStatus(const std::string& text) override { statuses.push_back(text); }
    std::vector<bool> itemsLasting;  // for each item status, whether it was to show at once
    void SetItemStatus(const std::string& text, bool lasting) override
    {
        statuses.push_back(text);
        itemsLasting.push_back(lasting);
    }
    void ProcessMessages() override {}
    std::vector<std::string> pauses;  // each pause the view was told of, and the bar's text then
    void BeforePause(unsigned milliseconds) override
    {
        pauses.push_back(std::to_string(milliseconds) + " ms after " + (progress.empty() ? "-" : progress.back()));
    }
    bool Aborted() override
    {
        return abortAfterStatuses >= 0 && static_cast<int>(statuses.size()) >= abortAfterStatuses;
    }
    std::function<void()> onAsk;                   // runs at each question, before its answer
    std::function<int(const Question&)> answerBy;  // when set, answers every question
    int Ask(const std::string& text, const std::string& caption, int flags) override
    {
        if (onAsk) onAsk();
        questions.push_back({text, caption, flags});
        if (answerBy) return answerBy(questions.back());
        if (answers.empty()) return 1;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void ShowProgress(bool on) override { progressShown = on; }
    void SetProgress(int percent, int done, int all) override
    {
        const int shown = percent < 0 ? 0 : percent > 100 ? 100 : percent;
        progress.push_back(std::to_string(shown) + "%(" + std::to_string(done) + "/" + std::to_string(all) + ")");
    }
    void EnableAbort(bool on) override { abortStates.push_back(on); }
    std::vector<bool> abortStates;  // each change of the abort button
    std::vector<std::string> progress;
    bool progressShown = false;
    struct Details {
        std::string caption, text;
    };
    std::vector<Details> details;
    bool progressClosed = false;
    bool detailsVerticalScrollBar = false;
    void ShowDetails(const std::string& caption, const std::string& text, bool vertical) override
    {
        details.push_back({caption, text});
        detailsVerticalScrollBar = vertical;
    }
    bool optionsDisabled = false;
    void DisableOptions() override { optionsDisabled = true; }
    // The four-answer dialog: each showing takes the next answer word (none: the
    // dialog was closed without one and the slot stays empty).
    std::string answerSlot = "Can't Delete";
    std::deque<std::string> deletionAnswers;
    std::vector<std::string> deletionQuestions;
    DeletionAnswer AnswerSlot() override { return AnswerOfWord(answerSlot); }
    void SetAnswerSlot(DeletionAnswer answer) override { answerSlot = AnswerWord(answer); }
    void AskDeletion(const std::string& message) override
    {
        deletionQuestions.push_back(message);
        if (onAsk) onAsk();
        if (deletionAnswers.empty()) return;
        answerSlot = deletionAnswers.front();
        deletionAnswers.pop_front();
    }
    void CloseProgressWindow() override { progressClosed = true; }
    void EndWizard() override { ended = true; }
};

}  // namespace lorvel::testing
